#include "platform/runtime/main_loop.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <limits>
#include <system_error>

#include "platform/runtime/dispatch_queue.h"
#include "platform/runtime/task.h"
#include "platform/runtime/verify.h"

namespace platform {

namespace {

std::atomic<MainLoop*> g_main{nullptr};
thread_local SimulatedJobContext* t_job = nullptr;
constexpr double kInfinity = std::numeric_limits<double>::infinity();
// A timer with no interval would spin the loop; the window system uses 0.1 ms instead.
constexpr double kMinimumInterval = 0.0001;

}  // namespace

SimulatedJobContext* currentSimulatedJob() { return t_job; }

void SimulatedJobContext::defer(Handover<void()> work, std::function<void(Handover<void()>)> send) {
    // Owned as the work is, not by the run whose job this is: the system's work that a
    // program's job set going must not die with that program.
    std::shared_ptr<ProcessRun> owner = work.owner();
    deferred.push_back(Handover<void()>::ownedBy(std::move(owner), [send = std::move(send), w = std::move(work)]() mutable {
        send(std::move(w));
    }));
}

namespace detail {
void setCurrentSimulatedJob(SimulatedJobContext* job) { t_job = job; }
}  // namespace detail

// ---- Timer ----------------------------------------------------------------------

Timer::Timer(double interval, bool repeats, Handover<void()> action)
    : interval_(std::isfinite(interval) ? std::max(interval, kMinimumInterval) : kMinimumInterval),
      repeats_(repeats),
      action_(std::move(action)) {}

std::shared_ptr<Timer> Timer::make(double interval, bool repeats, Handover<void()> action) {
    return std::shared_ptr<Timer>(new Timer(interval, repeats, std::move(action)));
}

void Timer::invalidate() {
    if (!valid_) return;
    if (loop_) loop_->requireMainThread();
    valid_ = false;
    if (loop_) loop_->detach(*this);
}

// ---- RunLoopSource ----------------------------------------------------------------

std::shared_ptr<RunLoopSource> RunLoopSource::make(std::string name) {
    return std::shared_ptr<RunLoopSource>(new RunLoopSource(std::move(name)));
}

void RunLoopSource::signal(Handover<void()> work) {
    if (!valid_) return;
    if (loop_) {
        loop_->requireMainThread();
        loop_->signalled(*this, std::move(work));
    } else {
        // Not in any loop yet: keep the work in order until the source is added.
        pending_.push_back({MainLoop::exists() ? MainLoop::main().now() : 0, 0, std::move(work)});
    }
}

bool RunLoopSource::isInMode(const RunLoopMode& mode) const { return modes_.count(mode) != 0; }

void RunLoopSource::invalidate() {
    if (!valid_) return;
    valid_ = false;
    pending_.clear();
    if (loop_) loop_->detach(*this);
}

// ---- MainLoop -------------------------------------------------------------------

MainLoop::MainLoop(ClockKind clock)
    : clock_(clock),
      mainThread_(std::this_thread::get_id()),
      start_(std::chrono::steady_clock::now()),
      commonModes_{modes::kDefault, modes::kEventTracking},
      tasks_(std::make_unique<TaskRegistry>()) {
    // Without it no other thread could wake the loop on the real clock: a process that
    // cannot have it makes no loop.
    wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd_ < 0) throw std::system_error(errno, std::generic_category(), "the main loop's wake-up");
    MainLoop* expected = nullptr;
    const bool first = g_main.compare_exchange_strong(expected, this);
    VERIFY_WITH(first, "one main loop exists at a time");
}

MainLoop::~MainLoop() {
    // Suspended tasks go first: their frames may still talk to the loop as they unwind.
    tasks_->destroyAll();
    endQueues();
    std::map<Key, Item> mainQueue, events;
    {
        std::lock_guard lock(mutex_);
        mainQueue.swap(mainQueue_);
        events.swap(offMainEvents_);
    }
    mainQueue.clear();
    events.clear();
    for (auto& t : timers_) t->loop_ = nullptr;
    timers_.clear();
    for (auto& s : sources_) {
        s->loop_ = nullptr;
        s->modes_.clear();
    }
    sources_.clear();
    if (wakeFd_ >= 0) close(wakeFd_);
    g_main.store(nullptr);
}

void MainLoop::endQueues() {
    std::vector<DispatchQueue*> going;
    {
        // From now on nothing is posted, no queue is made and every queue refuses jobs, and
        // blocking calls of jobs still running return at once, as a dying process's threads
        // are cut off: the queues' threads end without waiting out a read that blocks. All
        // of it under the lock a blocking call waits on, so that a job it lets go finds
        // every queue closed.
        std::lock_guard lock(mutex_);
        tearingDown_ = true;
        going = closeQueues();
    }
    teardownCv_.notify_all();
    // A job that ends meanwhile may still ask for any queue and send to it: none goes
    // before every job has ended.
    for (DispatchQueue* queue : going) queue->stop();
    destroyQueues();
}

MainLoop& MainLoop::main() {
    MainLoop* loop = g_main.load();
    VERIFY_WITH(loop, "there is a main loop");
    return *loop;
}

bool MainLoop::exists() { return g_main.load() != nullptr; }

bool MainLoop::isMainThread() const {
    return std::this_thread::get_id() == mainThread_ && t_job == nullptr;
}

void MainLoop::requireMainThread(std::source_location caller) const {
    if (isMainThread()) [[likely]]
        return;
    detail::verifyFailed("isMainThread()", caller.file_name(), static_cast<int>(caller.line()),
                         "a call that belongs to the main thread was made from another thread");
}

double MainLoop::now() const {
    if (clock_ == ClockKind::simulated) {
        std::lock_guard lock(mutex_);
        // A job sees the time its own blocking calls have taken so far.
        const SimulatedJobContext* job = t_job;
        return simulatedNow_ + (job ? job->extraCost : 0);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

const RunLoopMode& MainLoop::currentMode() const {
    return modeStack_.empty() ? modes::kDefault : modeStack_.back();
}

void MainLoop::addCommonMode(const RunLoopMode& mode) {
    requireMainThread();
    commonModes_.insert(mode);
}

bool MainLoop::isCommonMode(const RunLoopMode& mode) const { return commonModes_.count(mode) != 0; }

bool MainLoop::eligible(const std::set<RunLoopMode>& modes) const {
    const RunLoopMode& mode = currentMode();
    if (modes.count(mode)) return true;
    return isCommonMode(mode) && modes.count(modes::kCommon);
}

void MainLoop::post(Handover<void()> work) { postAfter(0, std::move(work)); }

void MainLoop::postAfter(double seconds, Handover<void()> work) {
    if (tearingDown_ || !work) return;
    if (SimulatedJobContext* job = t_job) {
        job->defer(std::move(work), [this, seconds](Handover<void()> w) { postAfter(seconds, std::move(w)); });
        return;
    }
    const double delay = std::isfinite(seconds) && seconds > 0 ? seconds : 0;
    {
        std::lock_guard lock(mutex_);
        const double at = (clock_ == ClockKind::simulated ? simulatedNow_ : now()) + delay;
        mainQueue_.emplace(Key{at, seq_++}, Item{std::move(work)});
    }
    wake();
}

void MainLoop::postOffMainEvent(double seconds, Handover<void()> work) {
    if (tearingDown_ || !work) return;
    if (SimulatedJobContext* job = t_job) {
        job->defer(std::move(work), [this, seconds](Handover<void()> w) { postOffMainEvent(seconds, std::move(w)); });
        return;
    }
    const double delay = std::isfinite(seconds) && seconds > 0 ? seconds : 0;
    {
        std::lock_guard lock(mutex_);
        const double at = (clock_ == ClockKind::simulated ? simulatedNow_ : now()) + delay;
        offMainEvents_.emplace(Key{at, seq_++}, Item{std::move(work)});
    }
    wake();
}

void MainLoop::add(const std::shared_ptr<Timer>& timer, const RunLoopMode& mode) {
    requireMainThread();
    if (!timer || !timer->valid_) return;
    VERIFY_WITH(!timer->loop_ || timer->loop_ == this, "a timer belongs to one loop");
    timer->loop_ = this;
    timer->modes_.insert(mode);
    if (!timer->scheduled_) {
        timer->scheduled_ = true;
        timer->fireDate_ = now() + timer->interval_;
        timer->seq_ = nextSeq();
        timers_.insert(timer);
    }
}

void MainLoop::add(const std::shared_ptr<RunLoopSource>& source, const RunLoopMode& mode) {
    requireMainThread();
    if (!source || !source->valid_) return;
    VERIFY_WITH(!source->loop_ || source->loop_ == this, "a source belongs to one loop");
    source->loop_ = this;
    source->modes_.insert(mode);
    for (auto& p : source->pending_) {
        if (p.seq == 0) p.seq = nextSeq();
    }
    sources_.insert(source);
}

void MainLoop::remove(const std::shared_ptr<RunLoopSource>& source, const RunLoopMode& mode) {
    requireMainThread();
    if (!source || source->loop_ != this) return;
    source->modes_.erase(mode);
    if (source->modes_.empty()) detach(*source);
}

void MainLoop::detach(Timer& timer) {
    timer.loop_ = nullptr;
    timer.scheduled_ = false;
    timer.modes_.clear();
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        if (it->get() == &timer) {
            timers_.erase(it);
            return;
        }
    }
}

void MainLoop::detach(RunLoopSource& source) {
    source.loop_ = nullptr;
    source.modes_.clear();
    for (auto it = sources_.begin(); it != sources_.end(); ++it) {
        if (it->get() == &source) {
            sources_.erase(it);
            return;
        }
    }
}

uint64_t MainLoop::nextSeq() {
    std::lock_guard lock(mutex_);
    return seq_++;
}

void MainLoop::signalled(RunLoopSource& source, Handover<void()> work) {
    source.pending_.push_back({now(), nextSeq(), std::move(work)});
}

int MainLoop::addFdWatch(int fd, Handover<void()> onReadable) {
    requireMainThread();
    const int id = nextFdWatchId_++;
    fdWatches_.push_back({id, fd, std::move(onReadable)});
    return id;
}

void MainLoop::removeFdWatch(int id) {
    requireMainThread();
    std::erase_if(fdWatches_, [id](const FdWatch& w) { return w.id == id; });
}

bool MainLoop::runOne() {
    const double t = now();
    enum class Kind { none, main, offMain, timer, source } kind = Kind::none;
    Key best{kInfinity, 0};
    auto consider = [&](Key key, Kind k) {
        if (key.first <= t && (kind == Kind::none || key < best)) {
            best = key;
            kind = k;
            return true;
        }
        return false;
    };
    {
        std::lock_guard lock(mutex_);
        if (!mainQueue_.empty() && isCommonMode(currentMode())) consider(mainQueue_.begin()->first, Kind::main);
        if (!offMainEvents_.empty()) consider(offMainEvents_.begin()->first, Kind::offMain);
    }
    std::shared_ptr<Timer> timer;
    for (const auto& tm : timers_) {
        if (eligible(tm->modes_) && consider({tm->fireDate_, tm->seq_}, Kind::timer)) timer = tm;
    }
    std::shared_ptr<RunLoopSource> source;
    for (const auto& s : sources_) {
        if (s->pending_.empty() || !eligible(s->modes_)) continue;
        if (consider({s->pending_.front().time, s->pending_.front().seq}, Kind::source)) source = s;
    }

    switch (kind) {
    case Kind::none:
        return false;
    case Kind::main:
    case Kind::offMain: {
        Handover<void()> work;
        {
            std::lock_guard lock(mutex_);
            auto& map = kind == Kind::main ? mainQueue_ : offMainEvents_;
            auto it = map.find(best);
            work = std::move(it->second.work);
            map.erase(it);
        }
        work();
        return true;
    }
    case Kind::timer: {
        // Keep the timer alive across its own action, which may invalidate it.
        std::shared_ptr<Timer> keep = timer;
        // A timer of a run that has ended goes without firing.
        if (!keep->action_) {
            keep->invalidate();
            return true;
        }
        Handover<void()> action = keep->action_;
        if (keep->repeats_) {
            double next = keep->fireDate_ + keep->interval_;
            if (next <= t) next += std::ceil((t - next) / keep->interval_ + 1e-9) * keep->interval_;
            if (next <= t) next = t + keep->interval_;
            keep->fireDate_ = next;
            keep->seq_ = nextSeq();
        } else {
            keep->invalidate();
        }
        action();
        return true;
    }
    case Kind::source: {
        std::shared_ptr<RunLoopSource> keep = source;
        Handover<void()> work = std::move(keep->pending_.front().work);
        keep->pending_.erase(keep->pending_.begin());
        work();
        return true;
    }
    }
    return false;
}

double MainLoop::nextEventTime() {
    double next = kInfinity;
    {
        std::lock_guard lock(mutex_);
        if (!mainQueue_.empty() && isCommonMode(currentMode())) next = mainQueue_.begin()->first.first;
        if (!offMainEvents_.empty()) next = std::min(next, offMainEvents_.begin()->first.first);
    }
    for (const auto& tm : timers_) {
        if (eligible(tm->modes_)) next = std::min(next, tm->fireDate_);
    }
    for (const auto& s : sources_) {
        if (!s->pending_.empty() && eligible(s->modes_)) next = std::min(next, s->pending_.front().time);
    }
    return next;
}

void MainLoop::wake() {
    if (wakeFd_ >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(wakeFd_, &one, sizeof one);
    }
    cv_.notify_all();
}

void MainLoop::drainFdWatches(int timeoutMs) {
    const bool canRun = isCommonMode(currentMode());
    std::vector<pollfd> fds;
    fds.push_back({wakeFd_, POLLIN, 0});
    if (canRun) {
        for (const auto& w : fdWatches_) fds.push_back({w.fd, POLLIN, 0});
    }
    if (poll(fds.data(), fds.size(), timeoutMs) <= 0) return;
    if (fds[0].revents & POLLIN) {
        uint64_t value;
        [[maybe_unused]] ssize_t n = read(wakeFd_, &value, sizeof value);
    }
    if (!canRun) return;
    std::vector<int> ready;
    for (size_t i = 1; i < fds.size(); ++i) {
        if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) ready.push_back(fds[i].fd);
    }
    for (int fd : ready) {
        // Look the watch up again: an earlier callback may have removed it.
        auto it = std::find_if(fdWatches_.begin(), fdWatches_.end(), [fd](const FdWatch& w) { return w.fd == fd; });
        if (it == fdWatches_.end()) continue;
        auto callback = it->onReadable;
        callback();
    }
}

void MainLoop::waitForWork(double until) {
    const double wait = until - now();
    int timeoutMs = -1;
    if (std::isfinite(until)) timeoutMs = wait <= 0 ? 0 : static_cast<int>(std::ceil(wait * 1000));
    drainFdWatches(timeoutMs);
}

size_t MainLoop::runUntilIdle() {
    requireMainThread();
    size_t count = 0;
    uint64_t generation = 0;
    for (;;) {
        if (runOne()) {
            ++count;
            continue;
        }
        drainFdWatches(0);
        if (runOne()) {
            ++count;
            continue;
        }
        if (clock_ != ClockKind::simulated) break;
        std::unique_lock lock(mutex_);
        if (inFlight_ == 0) break;
        // Off-main work on a thread is still running: time may not move until it is back.
        generation = seq_;
        cv_.wait(lock, [&] { return inFlight_ == 0 || seq_ != generation; });
    }
    return count;
}

void MainLoop::advance(double seconds) {
    requireMainThread();
    VERIFY_WITH(clock_ == ClockKind::simulated, "only the simulated clock is advanced by hand");
    if (!(seconds >= 0)) seconds = 0;
    const double target = now() + seconds;
    for (;;) {
        runUntilIdle();
        const double next = nextEventTime();
        if (!(next <= target)) break;
        std::lock_guard lock(mutex_);
        simulatedNow_ = std::max(simulatedNow_, next);
    }
    {
        std::lock_guard lock(mutex_);
        simulatedNow_ = std::max(simulatedNow_, target);
    }
    runUntilIdle();
}

void MainLoop::run() {
    requireMainThread();
    stopRequested_ = false;
    while (!stopRequested_) {
        if (runOne()) continue;
        if (clock_ == ClockKind::simulated) {
            runUntilIdle();
            if (stopRequested_) break;
            const double next = nextEventTime();
            if (!std::isfinite(next)) break;
            std::lock_guard lock(mutex_);
            simulatedNow_ = std::max(simulatedNow_, next);
        } else {
            waitForWork(nextEventTime());
        }
    }
    stopRequested_ = false;
}

void MainLoop::stop() {
    stopRequested_ = true;
    wake();
}

bool MainLoop::runInMode(const RunLoopMode& mode, double seconds, const std::function<bool()>& done) {
    requireMainThread();
    modeStack_.push_back(mode);
    const double deadline = now() + (std::isnan(seconds) || seconds < 0 ? 0 : seconds);
    bool satisfied = false;
    for (;;) {
        if (done && done()) {
            satisfied = true;
            break;
        }
        if (runOne()) continue;
        if (now() >= deadline) break;
        const double next = std::min(nextEventTime(), deadline);
        if (clock_ == ClockKind::simulated) {
            std::unique_lock lock(mutex_);
            if (inFlight_ > 0) {
                const uint64_t generation = seq_;
                cv_.wait(lock, [&] { return inFlight_ == 0 || seq_ != generation; });
                continue;
            }
            simulatedNow_ = std::max(simulatedNow_, next);
        } else {
            waitForWork(next);
        }
    }
    modeStack_.pop_back();
    return satisfied;
}

void MainLoop::blockFor(double seconds) {
    if (!(seconds > 0)) return;
    if (SimulatedJobContext* job = t_job) {
        job->extraCost += seconds;
        return;
    }
    if (clock_ == ClockKind::simulated) {
        std::lock_guard lock(mutex_);
        simulatedNow_ += seconds;
        return;
    }
    // Cut short as the loop goes (see ~MainLoop).
    std::unique_lock lock(mutex_);
    teardownCv_.wait_for(lock, std::chrono::duration<double>(seconds), [this] { return tearingDown_.load(); });
}

void MainLoop::beginOffMainWork() {
    std::lock_guard lock(mutex_);
    ++inFlight_;
}

void MainLoop::endOffMainWork() {
    {
        std::lock_guard lock(mutex_);
        --inFlight_;
        ++seq_;
    }
    wake();
}

DispatchQueue& MainLoop::queue(const std::string& label) {
    std::shared_ptr<ProcessRun> owner = ProcessRun::executing();
    if (owner && owner == ProcessRun::defaultRun()) owner = nullptr;
    // Destroyed after the lock is released: a queue going may wait for its threads.
    std::vector<std::unique_ptr<DispatchQueue>> gone;
    std::lock_guard lock(mutex_);
    const QueueKey key{owner ? owner->number() : 0, label};
    if (auto it = queues_.find(key); it != queues_.end()) return *it->second.queue;
    // Once the loop goes, the queues going are closed and waited for, not yet destroyed:
    // none is taken out, and a new label gets a queue that refuses every job.
    if (!tearingDown_) gone = takeQueuesOfGoneRuns();
    OwnedQueue& made = queues_[key];
    made.owner = owner;
    made.queue = tearingDown_ ? makeClosedQueue(label, *this) : makeSerialQueue(label, *this);
    return *made.queue;
}

std::vector<std::unique_ptr<DispatchQueue>> MainLoop::takeQueuesOfGoneRuns() {
    // Once nothing holds a run, none of its code can run or be waiting anywhere (a job,
    // a hand-over, a reference to its queue held by its code): its idle queues are
    // nobody's.
    std::vector<std::unique_ptr<DispatchQueue>> gone;
    for (auto it = queues_.begin(); it != queues_.end();) {
        const bool nobodys = it->first.first != 0 && it->second.owner.expired();
        if (nobodys && it->second.queue->pendingJobs() == 0) {
            gone.push_back(std::move(it->second.queue));
            it = queues_.erase(it);
        } else {
            ++it;
        }
    }
    return gone;
}

std::vector<DispatchQueue*> MainLoop::closeQueues() {
    std::vector<DispatchQueue*> closed;
    for (auto& [key, owned] : queues_) closed.push_back(owned.queue.get());
    for (auto& [label, queue] : concurrentQueues_) closed.push_back(queue.get());
    for (DispatchQueue* queue : closed) queue->close();
    return closed;
}

void MainLoop::destroyQueues() {
    std::vector<std::unique_ptr<DispatchQueue>> gone;
    {
        std::lock_guard lock(mutex_);
        for (auto& [key, owned] : queues_) gone.push_back(std::move(owned.queue));
        for (auto& [label, queue] : concurrentQueues_) gone.push_back(std::move(queue));
        queues_.clear();
        concurrentQueues_.clear();
    }
}

DispatchQueue& MainLoop::concurrentQueue(const std::string& label) {
    std::lock_guard lock(mutex_);
    auto& slot = concurrentQueues_[label];
    if (!slot) slot = tearingDown_ ? makeClosedQueue(label, *this) : makeConcurrentQueue(label, *this);
    return *slot;
}

}  // namespace platform
