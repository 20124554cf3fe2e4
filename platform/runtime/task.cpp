#include "platform/runtime/task.h"

#include <algorithm>

namespace platform {

void Resumption::post() const {
    if (!handle_) return;
    Resumption copy = *this;
    // The chain's own run resumes it, whoever wakes it.
    std::shared_ptr<TaskContext> context = context_.lock();
    if (!context) return;
    MainLoop::main().post(Handover<void()>::ownedBy(context->owner, [copy] { copy.resumeNow(); }));
}

void Resumption::resumeNow() const {
    MainLoop::main().requireMainThread();
    std::shared_ptr<TaskContext> context = context_.lock();
    if (!context || !context->alive || !handle_) return;
    handle_.resume();
}

namespace {

void destroyRoot(void* address) {
    auto handle = std::coroutine_handle<detail::RootTask::promise_type>::from_address(address);
    if (handle.promise().context) handle.promise().context->alive = false;
    handle.destroy();
}

}  // namespace

void TaskRegistry::destroyAll() {
    // Destroying a root unwinds its whole chain; each root unregisters itself as it goes.
    while (!roots.empty()) destroyRoot(*roots.begin());
}

void TaskRegistry::destroyOwnedBy(const ProcessRun* run) {
    // A chain's frames may start or end others as they unwind: look again after each.
    for (;;) {
        auto it = std::find_if(roots.begin(), roots.end(), [run](void* address) {
            auto handle = std::coroutine_handle<detail::RootTask::promise_type>::from_address(address);
            return handle.promise().context->owner.get() == run;
        });
        if (it == roots.end()) return;
        destroyRoot(*it);
    }
}

void TaskHandle::cancel() const {
    if (!context_ || context_->cancelled) return;
    if (MainLoop::exists()) MainLoop::main().requireMainThread();
    context_->cancelled = true;
    if (auto wake = std::exchange(context_->onCancel, nullptr)) wake();
}

namespace detail {

bool wakeOnCancel(const std::shared_ptr<TaskContext>& context, std::function<void()> wake) {
    if (!context) return true;
    if (context->cancelled) return false;
    context->onCancel = std::move(wake);
    return true;
}

void stopWakingOnCancel(const std::weak_ptr<TaskContext>& context) {
    if (auto c = context.lock()) c->onCancel = nullptr;
}

RootTask::promise_type::promise_type() {
    MainLoop::main().requireMainThread();
    context = std::make_shared<TaskContext>();
    context->owner = ProcessRun::executing();
    MainLoop::main().tasks().roots.insert(std::coroutine_handle<promise_type>::from_promise(*this).address());
}

RootTask::promise_type::~promise_type() {
    if (context->alive) context->finished = true;
    context->alive = false;
    context->onCancel = nullptr;
    if (MainLoop::exists()) {
        MainLoop::main().tasks().roots.erase(std::coroutine_handle<promise_type>::from_promise(*this).address());
    }
}

TaskHandle startRoot(RootTask root) {
    auto context = root.handle.promise().context;
    Resumption(root.handle).post();
    return TaskHandle(context);
}

}  // namespace detail

void SleepAwaiter::suspend(Resumption resumption, const std::shared_ptr<TaskContext>& context) {
    state_->resumption = resumption;
    state_->context = context;
    auto state = state_;
    const bool waiting = detail::wakeOnCancel(context, [state] {
        if (state->resumed) return;
        state->resumed = true;
        state->resumption.post();
    });
    if (!waiting) {
        state->resumed = true;
        resumption.post();
        return;
    }
    MainLoop::main().postAfter(seconds_, Handover<void()>::ownedBy(runOf(context), [state] {
        if (state->resumed) return;
        state->resumed = true;
        state->completed = true;
        detail::stopWakingOnCancel(state->context);
        state->resumption.resumeNow();
    }));
}

// ---- ContinuationList -------------------------------------------------------------------

void ContinuationList::Waiter::resume(bool byResumeAll) {
    if (resumed) return;
    resumed = true;
    woken = byResumeAll;
    resumption.post();
}

ContinuationList::~ContinuationList() {
    // Without a loop no task is left to resume: the loop destroyed them as it went.
    if (!MainLoop::exists()) return;
    for (const auto& w : waiters_) w->resume(false);
}

void ContinuationList::enlist(const std::shared_ptr<Waiter>& waiter, const std::shared_ptr<TaskContext>& context) {
    MainLoop::main().requireMainThread();
    waiter->context = context;
    std::weak_ptr<Waiter> weak = waiter;
    const bool waiting = detail::wakeOnCancel(context, [weak] {
        if (auto w = weak.lock()) w->resume(false);
    });
    if (!waiting) {
        waiter->resume(false);
        return;
    }
    std::erase_if(waiters_, [](const auto& w) { return w->resumed; });
    waiters_.push_back(waiter);
}

bool ContinuationList::Awaiter::await_resume() const {
    detail::stopWakingOnCancel(waiter_->context);
    return waiter_->woken;
}

void ContinuationList::resumeAll() {
    MainLoop::main().requireMainThread();
    std::vector<std::shared_ptr<Waiter>> waiters;
    waiters.swap(waiters_);
    for (const auto& w : waiters) w->resume(true);
}

size_t ContinuationList::size() const {
    return static_cast<size_t>(std::count_if(waiters_.begin(), waiters_.end(), [](const auto& w) { return !w->resumed; }));
}

bool runToCompletion(MainLoop& loop, Task<void> task, double limitSeconds) {
    auto done = std::make_shared<bool>(false);
    auto wrapper = [](Task<void> inner, std::shared_ptr<bool> flag) -> Task<void> {
        co_await inner;
        *flag = true;
    };
    spawnMain([t = std::make_shared<Task<void>>(wrapper(std::move(task), done))]() -> Task<void> {
        co_await *t;
    });
    loop.runInMode(modes::kDefault, limitSeconds, [&] { return *done; });
    return *done;
}

}  // namespace platform
