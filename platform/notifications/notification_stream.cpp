#include "platform/notifications/notification_stream.h"

#include <cassert>
#include <utility>

namespace platform {

struct NotificationStream::State {
    std::deque<Notification> pending;
    bool waiting = false;
    Resumption waiter;
    std::weak_ptr<TaskContext> context;

    void arrived(const Notification& notification) {
        pending.push_back(notification);
        if (!waiting) return;
        waiting = false;
        if (auto c = context.lock()) c->onCancel = nullptr;
        waiter.post();
    }
};

NotificationStream::NotificationStream(NotificationCenter& center, std::string name, const void* object)
    : center_(&center), centerLifetime_(center.lifetime()), state_(std::make_shared<State>()) {
    // The observation is the code's that makes the stream (a task of the program waits
    // on it): it ends with that run.
    std::weak_ptr<State> weak = state_;
    auto arrived = [weak](const Notification& notification) {
        if (auto state = weak.lock()) state->arrived(notification);
    };
    token_ = center_->addObserver(std::move(name), object,
                                  NotificationCenter::Handler::ownedBy(ProcessRun::executing(), arrived));
}

NotificationStream::~NotificationStream() {
    if (!centerLifetime_.expired()) center_->removeObserver(token_);
    if (state_->waiting) {
        if (auto c = state_->context.lock()) c->onCancel = nullptr;
    }
}

size_t NotificationStream::pendingCount() const { return state_->pending.size(); }

bool NotificationStream::Awaiter::suspend(Resumption resumption, const std::shared_ptr<TaskContext>& context) {
    State& state = *stream_->state_;
    assert(!state.waiting && "one task waits on a stream at a time");
    state.context = context;
    if (context && context->cancelled) return false;
    if (!state.pending.empty()) return false;
    state.waiting = true;
    state.waiter = resumption;
    if (context) {
        std::weak_ptr<State> weak = stream_->state_;
        context->onCancel = [weak] {
            auto waiting = weak.lock();
            if (!waiting || !waiting->waiting) return;
            waiting->waiting = false;
            waiting->waiter.post();
        };
    }
    return true;
}

std::optional<Notification> NotificationStream::Awaiter::await_resume() {
    State& state = *stream_->state_;
    auto context = state.context.lock();
    if (context && context->cancelled) return std::nullopt;
    if (state.pending.empty()) return std::nullopt;
    Notification first = std::move(state.pending.front());
    state.pending.pop_front();
    return first;
}

}  // namespace platform
