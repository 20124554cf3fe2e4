#include "platform/runtime/process_run.h"

#include "platform/runtime/main_loop.h"
#include "platform/runtime/task.h"
#include "platform/runtime/verify.h"

namespace platform {

namespace {

std::atomic<uint64_t> g_runs{0};
std::mutex g_mutex;
// The run begun last, only so that what a dead run made after its end goes as the next
// one begins; nothing asks for it.
std::shared_ptr<ProcessRun> g_last;
std::shared_ptr<ProcessRun> g_default;
bool g_hosted = false;
// The run held by the innermost InRun of the thread; null outside any. A plain pointer:
// a thread_local with a destructor could end the process at a thread's first use when
// memory is short (per_thread.h), and every queue thread enters runs.
thread_local const std::shared_ptr<ProcessRun>* t_executing = nullptr;
const std::shared_ptr<ProcessRun> kNoRun;

}  // namespace

std::shared_ptr<ProcessRun> ProcessRun::begin() {
    std::shared_ptr<ProcessRun> run(new ProcessRun(g_runs.fetch_add(1) + 1));
    std::shared_ptr<ProcessRun> previous;
    {
        std::lock_guard lock(g_mutex);
        previous = std::exchange(g_last, run);
    }
    // What a dead run made after its end goes now: nothing reaches it any more.
    if (previous && previous->hasEnded()) previous->release();
    return run;
}

const std::shared_ptr<ProcessRun>& ProcessRun::executing() { return t_executing ? *t_executing : kNoRun; }

std::shared_ptr<ProcessRun> ProcessRun::current() {
    if (const auto& run = executing()) return run;
    {
        std::lock_guard lock(g_mutex);
        VERIFY_WITH(!g_hosted, "the system's code asks for a value of the program's run without entering the run");
        if (g_default) return g_default;
    }
    std::shared_ptr<ProcessRun> made = begin();
    std::lock_guard lock(g_mutex);
    if (!g_default) g_default = std::move(made);
    return g_default;
}

void ProcessRun::setDefaultRun(std::shared_ptr<ProcessRun> run) {
    std::lock_guard lock(g_mutex);
    g_default = std::move(run);
    g_hosted = false;
}

std::shared_ptr<ProcessRun> ProcessRun::defaultRun() {
    std::lock_guard lock(g_mutex);
    return g_default;
}

void ProcessRun::setHosted() {
    std::lock_guard lock(g_mutex);
    g_default = nullptr;
    g_hosted = true;
}

ProcessRun::~ProcessRun() {
    // Values the run still keeps (a run that never ended, made by a test's world) go
    // with it, then what the system attached; nothing executes as it any more by now.
    std::vector<Kept> kept;
    std::vector<Kept> attached;
    {
        std::lock_guard lock(mutex_);
        kept.swap(kept_);
        attached.swap(attached_);
    }
    while (!kept.empty()) kept.pop_back();
}

void ProcessRun::end(const std::function<void()>& lastly) {
    if (ended_.exchange(true, std::memory_order_acq_rel)) return;
    InRun as(shared_from_this());
    if (MainLoop::exists()) MainLoop::main().tasks().destroyOwnedBy(this);
    if (lastly) lastly();
    release();
}

std::shared_ptr<void> ProcessRun::find(const void* key) const {
    std::lock_guard lock(mutex_);
    for (const Kept& k : kept_) {
        if (k.key == key) return k.value;
    }
    return nullptr;
}

void ProcessRun::attach(const void* key, std::shared_ptr<void> value) {
    std::shared_ptr<void> previous;
    std::lock_guard lock(mutex_);
    for (auto it = attached_.begin(); it != attached_.end(); ++it) {
        if (it->key != key) continue;
        previous = std::exchange(it->value, value);
        if (!it->value) attached_.erase(it);
        return;
    }
    if (value) attached_.push_back({key, std::move(value)});
}

std::shared_ptr<void> ProcessRun::findAttached(const void* key) const {
    std::lock_guard lock(mutex_);
    for (const Kept& k : attached_) {
        if (k.key == key) return k.value;
    }
    return nullptr;
}

std::shared_ptr<void> ProcessRun::insert(const void* key, std::shared_ptr<void> value) {
    std::lock_guard lock(mutex_);
    for (const Kept& k : kept_) {
        if (k.key == key) return k.value;
    }
    kept_.push_back({key, value});
    return value;
}

void ProcessRun::release() {
    InRun as(shared_from_this());
    // A value's destructor may keep or reach others: each goes outside the lock, and
    // what it keeps meanwhile goes in a later round.
    for (;;) {
        Kept last;
        {
            std::lock_guard lock(mutex_);
            if (kept_.empty()) return;
            last = std::move(kept_.back());
            kept_.pop_back();
        }
        last.value.reset();
    }
}

InRun::InRun(std::shared_ptr<ProcessRun> run) : run_(std::move(run)), outer_(std::exchange(t_executing, &run_)) {}

InRun::~InRun() { t_executing = outer_; }

}  // namespace platform
