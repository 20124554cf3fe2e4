#include "platform/events/event_tap.h"

#include "platform/desktop/desktop.h"
#include "platform/events/event_router.h"

namespace platform {

std::shared_ptr<EventTap> EventTap::create(EventTapLocation location, EventTapPlacement placement,
                                           EventTapOptions options, EventMask mask, EventTapCallback callback,
                                           void* userInfo) {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world || !callback) return nullptr;
    auto guard = world->lock();
    // The window server hands the user's input only to programs the user trusts.
    if (!world->isAccessibilityTrusted()) return nullptr;
    if (world->faults().take({desktop::FaultCall::createEventTap, "", 0, 0, 0})) return nullptr;
    std::shared_ptr<EventTap> tap(new EventTap());
    tap->location_ = location;
    tap->placement_ = placement;
    tap->options_ = options;
    tap->mask_ = mask;
    tap->callback_ = std::move(callback);
    tap->userInfo_ = userInfo;
    tap->source_ = RunLoopSource::make("event tap");
    std::shared_ptr<EventRouter> router = world->extensionPointer<EventRouter>();
    tap->router_ = router;
    router->add(tap);
    return tap;
}

EventTap::~EventTap() {
    // A tap let go of without being invalidated ends all the same.
    const bool wasValid = valid_;
    valid_ = enabled_ = false;
    if (source_) source_->invalidate();
    if (auto router = router_.lock(); router && wasValid) router->tapChanged(*this);
}

void EventTap::enable(bool on) {
    if (!valid_ || enabled_ == on) return;
    enabled_ = on;
    if (auto router = router_.lock()) router->tapChanged(*this);
}

void EventTap::post(EventRecord event, EventTapPosting posting) {
    if (!isValid()) return;
    if (auto router = router_.lock()) router->post(*this, std::move(event), posting);
}

void EventTap::invalidate() {
    if (!valid_) return;
    valid_ = false;
    enabled_ = false;
    source_->invalidate();
    if (auto router = router_.lock()) router->tapChanged(*this);
}

}  // namespace platform
