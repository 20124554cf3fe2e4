#pragma once

// Tasks: asynchronous work on the main thread, written as C++20 coroutines.
//
// - Task<T> is lazy: it starts when awaited (inline, as a call would) and hands its
//   result straight back to the awaiting task when it finishes.
// - Every other resumption — after a sleep, an off-main job, a waiter list, a start by
//   spawnMain — is posted to the main loop, so a task never continues inside someone
//   else's code: it runs after the current event, on a later turn.
// - A chain of tasks started by spawnMain shares one TaskContext: its cancellation flag
//   and its liveness. A chain belongs to the run that started it (process_run.h): when
//   that run ends, or the loop goes away, the unfinished chain is destroyed; a
//   resumption that arrives for a destroyed chain is dropped, never run.
// - Every wait here is reached by cancellation: cancelling a chain ends the wait it is
//   suspended in on a later turn, and a wait begun in a chain already cancelled ends at
//   once. What the wait then gives back says so (false, or nothing).
// - Tasks, their handles and waiter lists belong to the main thread; a call from another
//   thread stops the process (VERIFY). A task is awaited once.
//
// Rules that keep frames sound (also under AddressSanitizer):
// - Await into a named variable (`auto x = co_await f();`), not inside a larger
//   expression.
// - Write no lambda or other temporary with a destructor inside a co_await operand:
//   g++ 12 destroys such temporaries twice. Build it in a named variable first.
// - Coroutine parameters are taken by value. A lambda that is a coroutine captures
//   nothing, except the one handed to spawnMain, which is kept alive in the task's own
//   frame for as long as the task runs.

#include <concepts>
#include <coroutine>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/runtime/main_loop.h"
#include "platform/runtime/verify.h"

namespace platform {

struct TaskContext {
    // The run that started the chain (null: the system); its resumptions run as its code.
    std::shared_ptr<ProcessRun> owner;
    bool cancelled = false;
    bool alive = true;
    bool finished = false;
    // Set by a cancellable wait while it is suspended; called once on cancellation.
    std::function<void()> onCancel;
};

// The run whose code a chain is: what it hands over to wake itself is that run's, so that
// it goes with the run, whoever wakes it. Null for a chain outside any run.
inline std::shared_ptr<ProcessRun> runOf(const std::shared_ptr<TaskContext>& context) {
    return context ? context->owner : nullptr;
}

namespace detail {

// How a wait lets cancellation reach it: `wake` runs once, on the main thread, when the
// chain is cancelled while the wait is suspended. False (and nothing registered) when the
// chain is cancelled already: the wait ends at once instead.
bool wakeOnCancel(const std::shared_ptr<TaskContext>& context, std::function<void()> wake);
// Called as the wait resumes, whatever woke it: cancellation no longer concerns it.
void stopWakingOnCancel(const std::weak_ptr<TaskContext>& context);

}  // namespace detail

struct PromiseBase {
    std::coroutine_handle<> continuation;
    std::shared_ptr<TaskContext> context;
};

template <class P>
concept TaskPromise = std::derived_from<P, PromiseBase>;

// A suspended coroutine and the chain it belongs to; resumes it on a later loop turn
// unless the chain is gone by then. Copyable; safe to post from any thread.
class Resumption {
public:
    Resumption() = default;
    template <TaskPromise P>
    explicit Resumption(std::coroutine_handle<P> h) : handle_(h), context_(h.promise().context) {}

    bool isEmpty() const { return !handle_; }
    // Resumes on a later loop turn.
    void post() const;
    // Resumes right here; only for work that is itself a posted loop item.
    void resumeNow() const;

private:

    std::coroutine_handle<> handle_;
    std::weak_ptr<TaskContext> context_;
};

// Roots of the running task chains, owned by the main loop.
struct TaskRegistry {
    std::unordered_set<void*> roots;  // coroutine frame addresses
    void destroyAll();
    // Destroys the chains a run started: its end.
    void destroyOwnedBy(const ProcessRun* run);
    size_t count() const { return roots.size(); }
};

template <class T = void>
class Task;

namespace detail {

struct FinalAwaiter {
    bool await_ready() const noexcept { return false; }
    template <class P>
    std::coroutine_handle<> await_suspend(std::coroutine_handle<P> h) const noexcept {
        if (auto next = h.promise().continuation) return next;
        return std::noop_coroutine();
    }
    void await_resume() const noexcept {}
};

template <class T>
struct TaskPromiseBase : PromiseBase {
    std::suspend_always initial_suspend() const noexcept { return {}; }
    FinalAwaiter final_suspend() const noexcept { return {}; }
    void unhandled_exception() const noexcept { std::terminate(); }
};

}  // namespace detail

namespace detail {

// Where a task's result waits for the awaiting task.
template <class T>
struct TaskResult : TaskPromiseBase<T> {
    std::optional<T> value;
    template <class U>
    void return_value(U&& v) {
        value.emplace(std::forward<U>(v));
    }
    T take() { return std::move(*value); }
};

template <>
struct TaskResult<void> : TaskPromiseBase<void> {
    void return_void() const noexcept {}
    void take() const noexcept {}
};

}  // namespace detail

template <class T>
class [[nodiscard]] Task {
public:
    struct promise_type : detail::TaskResult<T> {
        Task get_return_object() { return Task(std::coroutine_handle<promise_type>::from_promise(*this)); }
    };

    Task(Task&& other) noexcept : handle_(std::exchange(other.handle_, {})) {}
    Task& operator=(Task&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, {});
        }
        return *this;
    }
    ~Task() { reset(); }

    // The awaiter refers to the task, which must outlive the await (it always does
    // when the task is a named variable or a temporary of the await's statement).
    struct Awaiter {
        std::coroutine_handle<promise_type> handle;
        bool await_ready() const noexcept { return false; }
        template <TaskPromise P>
        std::coroutine_handle<> await_suspend(std::coroutine_handle<P> parent) noexcept {
            VERIFY_WITH(handle && !handle.done() && !handle.promise().continuation, "a task is awaited once");
            handle.promise().continuation = parent;
            handle.promise().context = parent.promise().context;
            return handle;
        }
        T await_resume() { return handle.promise().take(); }
    };
    Awaiter operator co_await() const& noexcept { return Awaiter{handle_}; }

    bool isDone() const { return handle_ && handle_.done(); }

private:
    explicit Task(std::coroutine_handle<promise_type> h) : handle_(h) {}
    void reset() {
        if (handle_) handle_.destroy();
        handle_ = {};
    }
    std::coroutine_handle<promise_type> handle_;
};

// What spawnMain gives back: a way to cancel the chain and to see that it finished.
class TaskHandle {
public:
    TaskHandle() = default;
    explicit TaskHandle(std::shared_ptr<TaskContext> context) : context_(std::move(context)) {}
    // Marks the chain cancelled and wakes a cancellable wait it is suspended in.
    void cancel() const;
    bool isCancelled() const { return context_ && context_->cancelled; }
    bool isFinished() const { return context_ && context_->finished; }

private:
    std::shared_ptr<TaskContext> context_;
};

namespace detail {

// The root of a chain: owns its frame, registers with the loop, frees itself at the end.
struct RootTask {
    struct promise_type : PromiseBase {
        promise_type();
        ~promise_type();
        RootTask get_return_object() { return RootTask{std::coroutine_handle<promise_type>::from_promise(*this)}; }
        std::suspend_always initial_suspend() const noexcept { return {}; }
        std::suspend_never final_suspend() const noexcept { return {}; }
        void return_void() const noexcept {}
        void unhandled_exception() const noexcept { std::terminate(); }
    };
    std::coroutine_handle<promise_type> handle;
};

template <class F>
RootTask runRoot(F body) {
    // `body` lives in this frame for the whole run, so a capturing lambda coroutine
    // keeps its captures alive.
    auto task = body();
    co_await task;
}

TaskHandle startRoot(RootTask root);

}  // namespace detail

// Starts a task on a later loop turn. `body` is a callable returning Task<void>.
template <class F>
TaskHandle spawnMain(F body) {
    return detail::startRoot(detail::runRoot(std::move(body)));
}

// Starts a task that holds `owner` weakly until it starts, then strongly for its run;
// nothing runs when the owner is gone by then. `body` takes std::shared_ptr<O>.
template <class O, class F>
TaskHandle spawnMainHolding(std::weak_ptr<O> owner, F body) {
    return spawnMain([owner = std::move(owner), body = std::move(body)]() -> Task<void> {
        std::shared_ptr<O> self = owner.lock();
        if (!self) co_return;
        auto task = body(self);
        co_await task;
    });
}

// Awaiting this reads the chain's cancellation flag without suspending.
struct CancellationCheck {
    bool cancelled = false;
    bool await_ready() const noexcept { return false; }
    template <TaskPromise P>
    bool await_suspend(std::coroutine_handle<P> h) noexcept {
        cancelled = h.promise().context && h.promise().context->cancelled;
        return false;
    }
    bool await_resume() const noexcept { return cancelled; }
};
inline CancellationCheck isCancelled() { return {}; }

// Suspends for `seconds` on the main queue. Resumes with true when the time passed,
// false when the chain was cancelled (at once, also when already cancelled).
class SleepAwaiter {
public:
    explicit SleepAwaiter(double seconds) : seconds_(seconds) {}
    bool await_ready() const noexcept { return false; }
    template <TaskPromise P>
    void await_suspend(std::coroutine_handle<P> h) {
        suspend(Resumption(h), h.promise().context);
    }
    bool await_resume() const noexcept { return state_->completed; }

private:
    struct State {
        bool resumed = false;
        bool completed = false;
        Resumption resumption;
        std::weak_ptr<TaskContext> context;
    };
    void suspend(Resumption resumption, const std::shared_ptr<TaskContext>& context);
    double seconds_;
    std::shared_ptr<State> state_ = std::make_shared<State>();
};
inline SleepAwaiter sleepFor(double seconds) { return SleepAwaiter(seconds); }

// Suspends until the next loop turn.
struct YieldAwaiter {
    bool await_ready() const noexcept { return false; }
    template <TaskPromise P>
    void await_suspend(std::coroutine_handle<P> h) const {
        Resumption(h).post();
    }
    void await_resume() const noexcept {}
};
inline YieldAwaiter yieldTurn() { return {}; }

// Tasks waiting for something; resumeAll wakes each of them once, in the order they
// began to wait, each on a later loop turn. A wait resumes with true when resumeAll woke
// it, with false when its chain was cancelled or the list went away first: a list never
// leaves a task suspended for good. Main thread only.
class ContinuationList {
    struct Waiter {
        Resumption resumption;
        std::weak_ptr<TaskContext> context;
        bool resumed = false;
        bool woken = false;
        // Resumes the waiting task on a later turn, once.
        void resume(bool byResumeAll);
    };

public:
    ContinuationList() = default;
    ~ContinuationList();
    ContinuationList(const ContinuationList&) = delete;
    ContinuationList& operator=(const ContinuationList&) = delete;

    class Awaiter {
    public:
        explicit Awaiter(ContinuationList& list) : list_(&list) {}
        bool await_ready() const noexcept { return false; }
        template <TaskPromise P>
        void await_suspend(std::coroutine_handle<P> h) {
            waiter_->resumption = Resumption(h);
            list_->enlist(waiter_, h.promise().context);
        }
        bool await_resume() const;

    private:
        ContinuationList* list_;
        std::shared_ptr<Waiter> waiter_ = std::make_shared<Waiter>();
    };
    Awaiter wait() { return Awaiter(*this); }
    void resumeAll();
    // Tasks still waiting (cancelled ones left out).
    size_t size() const;
    bool empty() const { return size() == 0; }

private:
    void enlist(const std::shared_ptr<Waiter>& waiter, const std::shared_ptr<TaskContext>& context);

    std::vector<std::shared_ptr<Waiter>> waiters_;
};

// For tests and tools: runs a task to its end on the loop (advancing the simulated
// clock as needed) and gives its result; nothing when the loop ran dry first.
template <class T>
std::optional<T> runToCompletion(MainLoop& loop, Task<T> task, double limitSeconds = 3600);
bool runToCompletion(MainLoop& loop, Task<void> task, double limitSeconds = 3600);

template <class T>
std::optional<T> runToCompletion(MainLoop& loop, Task<T> task, double limitSeconds) {
    auto result = std::make_shared<std::optional<T>>();
    auto wrapper = [](Task<T> inner, std::shared_ptr<std::optional<T>> out) -> Task<void> {
        auto value = co_await inner;
        out->emplace(std::move(value));
    };
    const bool done = runToCompletion(loop, wrapper(std::move(task), result), limitSeconds);
    if (!done) return std::nullopt;
    return std::move(*result);
}

}  // namespace platform
