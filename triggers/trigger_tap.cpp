// Installing the tap, following the master switch, routing events to the recognisers,
// and handing recognised triggers to the engine.

#include "triggers/trigger_tap.h"

#include <limits>

#include "platform/accessibility/trust.h"
#include "platform/events/input_state.h"
#include "platform/runtime/observation.h"
#include "platform/runtime/process_once.h"
#include "platform/runtime/task.h"
#include "platform/runtime/verify.h"
#include "windows/access/main_thread.h"
#include "windows/access/own_windows.h"

namespace furlpane {

using platform::EventRecord;
using platform::EventType;
using platform::MainLoop;
using platform::Point;
using platform::Task;

namespace {

std::shared_ptr<TriggerTap>& sharedTap() {
    static platform::ProcessLocal<std::shared_ptr<TriggerTap>> tap;
    return tap.get();
}

}  // namespace

std::shared_ptr<TriggerTap> TriggerTap::create(std::shared_ptr<Preferences> preferences,
                                               std::shared_ptr<ActionRules> rules,
                                               std::weak_ptr<WindowEffects> engine) {
    return std::make_shared<TriggerTap>(Key{}, std::move(preferences), std::move(rules), std::move(engine));
}

// The double tap's interval is half the system's double-click interval of this moment;
// later changes of the system setting are not followed.
TriggerTap::TriggerTap(const Key&, std::shared_ptr<Preferences> preferences, std::shared_ptr<ActionRules> rules,
                       std::weak_ptr<WindowEffects> engine)
    : preferences_(std::move(preferences)), rules_(std::move(rules)), engine_(std::move(engine)) {
    doubleTap_.interval = platform::InputState::doubleClickInterval() * 0.5;
}

// The callback holds this object as a bare pointer: the tap must end with it.
TriggerTap::~TriggerTap() {
    if (tap_) tap_->invalidate();
    if (holdTap_) holdTap_->invalidate();
    if (grantPoll_) grantPoll_->invalidate();
}

TriggerTap& TriggerTap::shared() {
    auto& tap = sharedTap();
    if (!tap) {
        tap = create(Preferences::shared().shared_from_this(), ActionRules::shared().shared_from_this(),
                     WindowEffects::shared().weak_from_this());
    }
    return *tap;
}

void TriggerTap::setShared(std::shared_ptr<TriggerTap> tap) { sharedTap() = std::move(tap); }

// ---- Installing

void TriggerTap::update() {
    requireMainThread("TriggerTap::update");
    if (!preferences_->isEnabled()) {
        stop();
        return;
    }
    if (tap_) return;
    if (platform::AccessibilityTrust::isProcessTrusted() && installTap()) {
        if (grantPoll_) grantPoll_->invalidate();
        grantPoll_.reset();
        return;
    }
    startGrantPoll();
}

std::optional<int32_t> TriggerTap::processIn(const EventRecord& event, platform::EventField field) {
    const int64_t pid = event.integerValueField(field);
    if (pid <= 0 || pid > std::numeric_limits<int32_t>::max()) return std::nullopt;
    return static_cast<int32_t>(pid);
}

// One tap: a second would see every event twice, and the first would outlive its removal.
bool TriggerTap::installTap() {
    VERIFY_WITH(!tap_, "the trigger tap is installed once");
    return addTap(platform::EventTapPlacement::headInsert, kEventMask, &TriggerTap::eventCallback, tap_, source_);
}

// Its source goes into every mode the callbacks run in, the Dock's message mode with them.
bool TriggerTap::addTap(platform::EventTapPlacement placement, platform::EventMask mask,
                        platform::EventTapCallback callback, std::shared_ptr<platform::EventTap>& tap,
                        std::shared_ptr<platform::RunLoopSource>& source) {
    auto made = platform::EventTap::create(platform::EventTapLocation::session, placement,
                                           platform::EventTapOptions::defaultTap, mask, std::move(callback), this);
    if (!made) return false;
    auto madeSource = made->runLoopSource();
    MainLoop::main().add(madeSource, platform::modes::kCommon);
    MainLoop::main().add(madeSource, dockMessageMode());
    tap = std::move(made);
    source = std::move(madeSource);
    return true;
}

void TriggerTap::dropTap(std::shared_ptr<platform::EventTap>& tap, std::shared_ptr<platform::RunLoopSource>& source) {
    if (tap) tap->invalidate();
    if (source) {
        MainLoop::main().remove(source, platform::modes::kCommon);
        MainLoop::main().remove(source, dockMessageMode());
    }
    tap.reset();
    source.reset();
}

void TriggerTap::startGrantPoll() {
    if (grantPoll_) return;
    std::weak_ptr<TriggerTap> weak = weak_from_this();
    grantPoll_ = platform::Timer::make(kGrantPollInterval, true, [weak] {
        if (auto tap = weak.lock()) tap->update();
    });
    MainLoop::main().add(grantPoll_, platform::modes::kCommon);
}

// What is held goes to its applications before the tap goes: nothing of the program will
// look at it any more.
void TriggerTap::removeTap() {
    requireMainThread("TriggerTap::removeTap");
    releaseHold();
    if (tap_) tap_->enable(false);
    dropTap(tap_, source_);
    isSwallowingMouseUp_ = false;
    buttonPress_.reset();
    pressedButton_.reset();
    swallowedKeyCode_.reset();
}

void TriggerTap::stop() {
    removeTap();
    if (grantPoll_) grantPoll_->invalidate();
    grantPoll_.reset();
}

void TriggerTap::observePreferences() {
    platform::withObservationTracking([this] { trackPreferences(); }, preferencesChanged());
}

void TriggerTap::trackPreferences() const { (void)preferences_->isEnabled(); }

// The handler runs just before the change: the task that follows it re-arms first and
// then updates, so it sees the new value and misses no later change.
std::function<void()> TriggerTap::preferencesChanged() {
    std::weak_ptr<TriggerTap> weak = weak_from_this();
    return [weak] {
        platform::spawnMain([weak]() -> Task<void> {
            if (auto tap = weak.lock()) {
                tap->observePreferences();
                tap->update();
            }
            co_return;
        });
    };
}

// ---- Routing

std::optional<EventRecord> TriggerTap::eventCallback(platform::EventTapProxy, EventType type,
                                                     const EventRecord& event, void* userInfo) {
    if (!userInfo) return event;
    if (static_cast<TriggerTap*>(userInfo)->handleEvent(type, event)) return std::nullopt;
    return event;
}

// An event given back after a hold is looked at as new, and what waits behind it goes on
// once it has been. What another instance gave back and this tap is shown while the hold's
// tap is up tells that instance's tap comes first.
bool TriggerTap::handleEvent(EventType type, const EventRecord& event) {
    if (holdTap_) noteGiver(event);
    const bool isNotice = type == EventType::tapDisabledByTimeout || type == EventType::tapDisabledByUserInput;
    if (!lookedAtAgain_ || isNotice || type == EventType::flagsChanged) return lookAt(type, event);
    if (lookAgainAt(event)) return true;
    const bool swallowed = lookAt(type, event);
    goOnGivingBack();
    return swallowed;
}

// Any click or key but a left mouse-up breaks a modifier double tap. While a press is
// held, every click and key waits behind it; modifier changes go on.
bool TriggerTap::lookAt(EventType type, const EventRecord& event) {
    if (hold_ && type != EventType::flagsChanged && type != EventType::tapDisabledByTimeout &&
        type != EventType::tapDisabledByUserInput) {
        if (type != EventType::leftMouseUp) doubleTap_.reset();
        takeIntoHold(type, event);
        return true;
    }
    switch (type) {
        case EventType::tapDisabledByTimeout:
        case EventType::tapDisabledByUserInput:
            swallowedKeyCode_.reset();
            if (tap_) tap_->enable(true);
            if (hold_ || lookedAtAgain_) holdMissedEvents(type);
            return false;
        case EventType::leftMouseDown: {
            doubleTap_.reset();
            const bool swallowed = mouseDown(event);
            keepPressOfNewHold(event);
            return swallowed;
        }
        case EventType::leftMouseUp:
            return mouseUp(event);
        case EventType::rightMouseDown:
        case EventType::otherMouseDown:
            doubleTap_.reset();
            return false;
        case EventType::keyDown:
            doubleTap_.reset();
            return keyDown(event);
        case EventType::keyUp:
            doubleTap_.reset();
            return keyUp(event);
        case EventType::flagsChanged:
            flagsChanged(event);
            return false;
        default:
            return false;
    }
}

// Only the one key-up of the key swallowed last.
bool TriggerTap::keyUp(const EventRecord& event) {
    const int64_t keyCode = event.integerValueField(platform::EventField::keyboardEventKeycode);
    if (!swallowedKeyCode_ || *swallowedKeyCode_ != keyCode) return false;
    swallowedKeyCode_.reset();
    return true;
}

// ---- Handing triggers to the engine

TriggerTap::Scope TriggerTap::scopeOf(platform::EventFlags held) {
    return (held & platform::event_flags::option) != 0 ? Scope::everyWindow : Scope::oneWindow;
}

Speed TriggerTap::speedOf(platform::EventFlags held) {
    return (held & platform::event_flags::shift) != 0 ? Speed::slowMotion : Speed::normal;
}

// The jobs are queued here, in the callback, so that the chain's order is the events'
// order: a later trigger can never overtake an earlier one.
void TriggerTap::dispatchWindowTrigger(WindowAction action, TargetWindow target, Scope scope, Speed speed,
                                       std::optional<Point> point, int32_t processIdentifier) {
    queueTrigger(processIdentifier, [action, target = std::move(target), scope, speed, point](WindowEffects& engine) {
        if (scope == Scope::everyWindow) return engine.performFromTrigger(action, target, point, speed);
        return engine.act(action, target, point, Raising::inPlace, speed);
    });
}

void TriggerTap::queueTrigger(int32_t processIdentifier, WindowEffects::Job change) {
    const auto engine = engine_.lock();
    if (!engine) return;
    ++changesWaiting_[processIdentifier];
    engine->onMainActor(std::move(change));
    std::weak_ptr<TriggerTap> weak = weak_from_this();
    engine->queueStep([weak, processIdentifier](WindowEffects&) {
        if (auto tap = weak.lock()) tap->releaseChange(processIdentifier);
    });
}

void TriggerTap::releaseChange(int32_t processIdentifier) {
    const auto found = changesWaiting_.find(processIdentifier);
    if (found == changesWaiting_.end()) return;
    if (found->second < 2) {
        changesWaiting_.erase(found);
    } else {
        --found->second;
    }
}

}  // namespace furlpane
