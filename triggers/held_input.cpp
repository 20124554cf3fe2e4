// Presses held for an application that does not answer, and what comes after them: taken
// in the order the user made them, and given back in that order once the press is decided.

#include "platform/events/input_state.h"
#include "platform/runtime/task.h"
#include "triggers/trigger_tap.h"
#include "windows/access/own_windows.h"
#include "windows/engine/busy_applications.h"

namespace furlpane {

using platform::EventRecord;
using platform::EventTapPosting;
using platform::EventType;
using platform::Point;
using platform::Task;

void TriggerTap::beginHold(HeldPress press) {
    hold_ = Hold{.number = ++holds_, .press = std::move(press)};
    installHoldTap();
}

void TriggerTap::keepPressOfNewHold(const EventRecord& press) {
    if (!hold_ || !hold_->events.empty()) return;
    hold_->events.push_back({press, true});
    noteGiver(press);
}

// The left button goes down only after it came up: a press before the held one's release
// means that the release went by while the tap was switched off.
void TriggerTap::takeIntoHold(EventType type, const EventRecord& event) {
    Hold& hold = *hold_;
    const bool isPressOwn =
        !hold.isReleased && (type == EventType::leftMouseDragged || type == EventType::leftMouseUp);
    if (type == EventType::leftMouseDown && !hold.isReleased) closePress(std::nullopt);
    hold.events.push_back({event, isPressOwn});
    if (isPressOwn && type == EventType::leftMouseUp) closePress(event.location());
}

// The bound runs from the release, as a trip's own wait for its application does: while
// the user still drags, nothing is decided.
void TriggerTap::closePress(std::optional<Point> release) {
    Hold& hold = *hold_;
    hold.isReleased = true;
    hold.release = release;
    std::weak_ptr<TriggerTap> weak = weak_from_this();
    const uint64_t number = hold.number;
    const int32_t pid = hold.press.processIdentifier;
    platform::spawnMain([weak, number, pid]() -> Task<void> {
        auto answering = BusyApplications::answers(pid);
        const bool answered = co_await answering;
        if (const auto tap = weak.lock()) tap->decideHold(number, answered);
    });
}

// An application that still does not answer cannot say what lay under the press: as any
// lookup that fails, that lets the press through to it as the user made it, and its own
// minimize button minimizes the window as the system does.
void TriggerTap::decideHold(uint64_t number, bool answered) {
    if (!hold_ || hold_->number != number) return;
    Hold hold = std::move(*hold_);
    hold_.reset();
    const bool fired = answered && (hold.press.kind == HeldKind::buttonClick
                                        ? firesHeldButtonClick(hold.press, hold.release)
                                        : firesHeldDoubleClick(hold.press));
    giveBack(hold.events, !fired);
}

// A time-out comes from the press that began the hold: its look at the application is the
// one slow answer the tap gives, and the window server let that press go on. Switched off
// by the user's input, the tap may have missed the press's release: the left button is up.
// Switched off while it gives back, it let the event given back last go by: the rest goes
// on behind it.
void TriggerTap::holdMissedEvents(EventType notice) {
    if (!hold_) {
        lookedAtAgain_.reset();
        giveBackNext();
    } else if (notice == EventType::tapDisabledByTimeout) {
        Hold hold = std::move(*hold_);
        hold_.reset();
        giveBack(hold.events, true, 1);
    } else if (!hold_->isReleased && (platform::InputState::pressedMouseButtons() & 1) == 0) {
        closePress(std::nullopt);
    }
}

// The hold's tap goes only after everything is given back: an event still waiting on it
// would otherwise go on ahead of what it kept.
void TriggerTap::releaseHold() {
    if (tap_) {
        if (hold_) {
            for (const HeldEvent& held : hold_->events) tap_->post(givenBack(held.event), EventTapPosting::afterTap);
        }
        for (const EventRecord& event : waiting_) tap_->post(givenBack(event), EventTapPosting::afterTap);
    }
    hold_.reset();
    waiting_.clear();
    lookedAtAgain_.reset();
    removeHoldTap();
}

// The press's own events go on past the tap, so that it does not take them for a new
// press; the others wait to be looked at as new, one after another.
void TriggerTap::giveBack(const std::vector<HeldEvent>& events, bool withPress, size_t from) {
    if (!tap_) return;
    for (size_t i = from; i < events.size(); ++i) {
        const HeldEvent& held = events[i];
        if (!held.isPressOwn) {
            waiting_.push_back(held.event);
        } else if (withPress) {
            tap_->post(givenBack(held.event), EventTapPosting::afterTap);
        }
    }
    giveBackNext();
}

// Up to the next event the tap looks at: that one comes to it again, as new, and the rest
// waits until it has been looked at, for it may begin a hold of its own that they must
// stay behind. What the tap does not see goes on past it; a key does too while secure
// input hides keys from every tap.
void TriggerTap::giveBackNext() {
    while (tap_ && !waiting_.empty()) {
        EventRecord event = givenBack(std::move(waiting_.front()));
        waiting_.pop_front();
        const bool isHidden = event.isKeyboardEvent() && platform::isSecureEventInputEnabled();
        if (tap_->sees(event.type()) && !isHidden) {
            lookedAtAgain_ = event;
            tap_->post(std::move(event), EventTapPosting::atTap);
            return;
        }
        tap_->post(std::move(event), EventTapPosting::afterTap);
    }
    waiting_.clear();
    if (!hold_) removeHoldTap();
}

// Once the event given back has been looked at: a hold it began takes what waits behind
// it, in order; else the giving back goes on.
void TriggerTap::goOnGivingBack() {
    if (!hold_) {
        giveBackNext();
        return;
    }
    std::deque<EventRecord> behind = std::move(waiting_);
    waiting_.clear();
    for (const EventRecord& event : behind) takeIntoHold(event.type(), event);
}

// Given back at the tap, the event comes to it before either tap is shown anything else,
// as nothing that has not come past the tap may overtake it. Another event first means
// that it went by while the tap was switched off: this one came after everything still
// waiting, and waits behind it, while the rest goes on.
bool TriggerTap::lookAgainAt(const EventRecord& event) {
    const bool isGivenBack = event == *lookedAtAgain_;
    lookedAtAgain_.reset();
    if (isGivenBack) return false;
    const bool waits = !waiting_.empty();
    if (waits) waiting_.push_back(event);
    giveBackNext();
    return waits;
}

// At the tail, the hold's tap sees what passed the tap above, whoever gave it back.
void TriggerTap::installHoldTap() {
    if (!holdTap_) {
        addTap(platform::EventTapPlacement::tailAppend, kHoldMask, &TriggerTap::holdCallback, holdTap_, holdSource_);
    }
}

void TriggerTap::removeHoldTap() {
    dropTap(holdTap_, holdSource_);
    giversBefore_.clear();
}

EventRecord TriggerTap::givenBack(EventRecord event) {
    using platform::EventField;
    event.setIntegerValueField(EventField::eventSourceUserData, ownProcessIdentifier());
    if (event.isMouseDown() && !event.hasField(EventField::mouseEventWindowUnderMousePointerThatCanHandleThisEvent)) {
        event.setIntegerValueField(EventField::mouseEventWindowUnderMousePointerThatCanHandleThisEvent,
                                   event.integerValueField(EventField::mouseEventWindowUnderMousePointer));
    }
    return event;
}

void TriggerTap::noteGiver(const EventRecord& event) {
    const auto giver = processIn(event, platform::EventField::eventSourceUserData);
    if (giver && *giver != ownProcessIdentifier()) giversBefore_.insert(*giver);
}

bool TriggerTap::hasPassedTapAbove(const EventRecord& event) const {
    const auto giver = processIn(event, platform::EventField::eventSourceUserData);
    return !giver || giversBefore_.contains(*giver);
}

// The user's input and what instances before this one gave back is taken into the hold, or
// waits behind what is still to be given back, behind the event given back last too: it
// came past the tap above before that one was given back.
std::optional<EventRecord> TriggerTap::holdCallback(platform::EventTapProxy, EventType type, const EventRecord& event,
                                                    void* userInfo) {
    auto* self = static_cast<TriggerTap*>(userInfo);
    if (!self) return event;
    if (type == EventType::tapDisabledByTimeout || type == EventType::tapDisabledByUserInput) {
        if (self->holdTap_) self->holdTap_->enable(true);
        return event;
    }
    if (!self->hasPassedTapAbove(event)) return event;
    if (self->hold_) {
        self->takeIntoHold(type, event);
        return std::nullopt;
    }
    if (!self->lookedAtAgain_ && self->waiting_.empty()) return event;
    self->waiting_.push_back(event);
    return std::nullopt;
}

}  // namespace furlpane
