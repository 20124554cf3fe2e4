#include "platform/runtime/task.h"

namespace platform {

void Resumption::post() const {
    if (!handle_) return;
    Resumption copy = *this;
    MainLoop::main().post([copy] { copy.resumeNow(); });
}

void Resumption::resumeNow() const {
    std::shared_ptr<TaskContext> context = context_.lock();
    if (!context || !context->alive || !handle_) return;
    handle_.resume();
}

void TaskRegistry::destroyAll() {
    // Destroying a root unwinds its whole chain; each root unregisters itself as it goes.
    while (!roots.empty()) {
        void* address = *roots.begin();
        auto handle = std::coroutine_handle<detail::RootTask::promise_type>::from_address(address);
        if (handle.promise().context) handle.promise().context->alive = false;
        handle.destroy();
    }
}

void TaskHandle::cancel() const {
    if (!context_ || context_->cancelled) return;
    context_->cancelled = true;
    if (auto wake = std::exchange(context_->onCancel, nullptr)) wake();
}

namespace detail {

RootTask::promise_type::promise_type() {
    context = std::make_shared<TaskContext>();
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
    if (context && context->cancelled) {
        state->resumed = true;
        resumption.post();
        return;
    }
    if (context) {
        context->onCancel = [state] {
            if (state->resumed) return;
            state->resumed = true;
            state->resumption.post();
        };
    }
    MainLoop::main().postAfter(seconds_, [state] {
        if (state->resumed) return;
        state->resumed = true;
        state->completed = true;
        if (auto c = state->context.lock()) c->onCancel = nullptr;
        state->resumption.resumeNow();
    });
}

void ContinuationList::resumeAll() {
    std::vector<Resumption> waiters;
    waiters.swap(waiters_);
    for (const auto& w : waiters) w.post();
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
