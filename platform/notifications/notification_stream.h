#pragma once

// Notifications of one name as something a task waits for, one after another.
//
// A stream observes its centre from its creation to its destruction. Every matching
// notification that arrives while nobody waits is kept, so none is lost between two
// waits, and they are handed out in posting order. `next()` gives the oldest kept
// notification at once; otherwise the task suspends and resumes on a later loop turn
// when one arrives. A wait made by a cancelled task gives nothing, at once when the
// task is already cancelled and on a later turn when it is cancelled while waiting.
//
// Main thread only. One task waits at a time. The stream usually lives in the frame of
// the task that waits on it, so destroying the task ends the observation; a stream may
// outlive its centre (then it hears nothing more).

#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "platform/notifications/notification_center.h"
#include "platform/runtime/task.h"

namespace platform {

class NotificationStream {
    struct State;

public:
    // An empty name matches every name; a null object matches every object.
    NotificationStream(NotificationCenter& center, std::string name, const void* object = nullptr);
    ~NotificationStream();
    NotificationStream(const NotificationStream&) = delete;
    NotificationStream& operator=(const NotificationStream&) = delete;

    // Holds only a pointer, so that it has no destructor to run: it may stand in a
    // co_await operand. The stream must outlive the wait.
    class Awaiter {
    public:
        explicit Awaiter(NotificationStream* stream) : stream_(stream) {}
        bool await_ready() const noexcept { return false; }
        template <TaskPromise P>
        bool await_suspend(std::coroutine_handle<P> h) {
            return suspend(Resumption(h), h.promise().context);
        }
        std::optional<Notification> await_resume();

    private:
        // Returns whether the task really suspended.
        bool suspend(Resumption resumption, const std::shared_ptr<TaskContext>& context);
        NotificationStream* stream_;
    };

    // The next notification, or nothing when the waiting task is cancelled.
    Awaiter next() { return Awaiter(this); }
    // Notifications that arrived and have not been handed out yet.
    size_t pendingCount() const;

private:
    NotificationCenter* center_;
    std::weak_ptr<const void> centerLifetime_;
    NotificationCenter::Token token_;
    std::shared_ptr<State> state_;
};

}  // namespace platform
