#pragma once

// Awaiting blocking work off the main thread for a bounded time.
//
//   auto work = [id] { return capture(id); };
//   auto picture = co_await offMain<Image>(queue, 1.0, work);
//
// The work is passed as a named variable: g++ 12 destroys a lambda temporary written
// inside a co_await operand twice, so offMain refuses temporaries at compile time.
//
// The work runs on `queue`. The awaiting task resumes exactly once, on a later main
// loop turn: with the work's result, or with nothing when `within` seconds passed
// first. The work is not cancelled by the deadline; it runs to its end and its late
// result is dropped. On the simulated clock the work's blocking calls (MainLoop::blockFor)
// count against the limit: work that blocks past it inside its job times out too.
// Neither path touches the awaiting frame directly, so a task that has been destroyed
// in the meantime is never resumed.
//
// Cancelling the awaiting chain ends the wait on a later turn with nothing, as the
// deadline does; the work runs on and its result is dropped. In a chain cancelled
// already the work is not sent at all.

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>

#include "platform/runtime/main_loop.h"
#include "platform/runtime/dispatch_queue.h"
#include "platform/runtime/task.h"

namespace platform {

template <class T>
class OffMainAwaiter {
public:
    OffMainAwaiter(DispatchQueue& queue, double within, std::function<T()> work)
        : queue_(&queue), within_(within), work_(std::move(work)) {}

    bool await_ready() const noexcept { return false; }
    template <TaskPromise P>
    void await_suspend(std::coroutine_handle<P> h) {
        state_->resumption = Resumption(h);
        state_->context = h.promise().context;
        state_->run = runOf(h.promise().context);
        std::weak_ptr<State> weak = state_;
        const bool waiting = detail::wakeOnCancel(h.promise().context, [weak] {
            if (auto state = weak.lock()) state->resumeOnce(std::nullopt);
        });
        if (!waiting) {
            state_->resumeOnce(std::nullopt);
            return;
        }
        auto state = state_;
        queue_->async(Handover<void()>::ownedBy(state->run, [state, work = std::move(work_)] { state->finish(work()); }));
        MainLoop::main().postOffMainEvent(
            within_, Handover<void()>::ownedBy(state->run, [state] { state->resumeOnce(std::nullopt); }));
    }
    std::optional<T> await_resume() {
        detail::stopWakingOnCancel(state_->context);
        return std::move(state_->value);
    }

private:
    struct State : std::enable_shared_from_this<State> {
        std::mutex mutex;
        bool resumed = false;
        std::optional<T> value;
        Resumption resumption;
        std::weak_ptr<TaskContext> context;  // main thread only
        // The awaiting chain's run: the job, the deadline and the result are its own.
        std::shared_ptr<ProcessRun> run;

        // The work's own result. Inside a simulated job the blocking calls the work made
        // have not taken their time yet: the job ends, and the result counts, only once
        // they have, so the result waits for the end of the job.
        void finish(T v) {
            if (!currentSimulatedJob()) {
                resumeOnce(std::move(v));
                return;
            }
            auto held = std::make_shared<T>(std::move(v));
            auto self = this->shared_from_this();
            MainLoop::main().postOffMainEvent(
                0, Handover<void()>::ownedBy(run, [self, held] { self->resumeOnce(std::move(*held)); }));
        }

        void resumeOnce(std::optional<T> v) {
            {
                std::lock_guard lock(mutex);
                if (resumed) return;
                resumed = true;
                value = std::move(v);
            }
            resumption.post();
        }
    };

    DispatchQueue* queue_;
    double within_;
    std::function<T()> work_;
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

template <class T, class F>
    requires std::is_lvalue_reference_v<F>
OffMainAwaiter<T> offMain(DispatchQueue& queue, double within, F&& work) {
    return OffMainAwaiter<T>(queue, within, std::function<T()>(work));
}

template <class T, class F>
    requires(!std::is_lvalue_reference_v<F>)
void offMain(DispatchQueue& queue, double within, F&& work) = delete;

}  // namespace platform
