// Double-clicks on title bars: every left mouse-down passes here first, and what is no
// title-bar trigger goes on to the minimize-button path.

#include "platform/appkit/application.h"
#include "platform/services/workspace.h"
#include "platform/windowserver/window_list.h"
#include "triggers/pointer_lookup.h"
#include "triggers/trigger_tap.h"
#include "windows/access/accessibility_elements.h"
#include "windows/access/own_windows.h"

namespace furlpane {

using platform::EventFlags;
using platform::EventRecord;
using platform::Point;
namespace flags = platform::event_flags;

namespace {

// Control or Command choose the trigger; with both there is none.
std::optional<Trigger> titleBarTrigger(EventFlags held) {
    const bool control = (held & flags::control) != 0;
    const bool command = (held & flags::command) != 0;
    if (control && command) return std::nullopt;
    if (control) return Trigger::controlTitleBarDoubleClick;
    if (command) return Trigger::commandTitleBarDoubleClick;
    return Trigger::titleBarDoubleClick;
}

// The role of the element hit and its window's element, in the program's own windows
// (through AppKit) or in another application's (through accessibility); or that the
// application did not answer.
struct ElementHit {
    std::optional<std::string> role;
    std::optional<platform::AccessibilityElement> window;
    bool isUnanswered = false;
};

std::optional<ElementHit> ownElementHit(uint32_t number, Point location) {
    const auto window = platform::Application::shared().windowWithWindowNumber(number);
    if (!window || !isEligibleOwnWindow(*window)) return std::nullopt;
    const auto hit = hitTestOwnWindow(*window, location);
    if (!hit) return std::nullopt;
    return ElementHit{hit->role, windowElement(number, ownProcessIdentifier())};
}

std::optional<ElementHit> foreignElementHit(Point location) {
    const auto pointed = elementAtPoint(location);
    if (pointed.isUnanswered) return ElementHit{std::nullopt, std::nullopt, true};
    if (!pointed.element) return std::nullopt;
    auto role = stringAttribute(platform::ax::attribute::role, *pointed.element);
    auto window = windowOfElement(*pointed.element, role);
    return ElementHit{std::move(role), std::move(window)};
}

}  // namespace

// A click state of 2 is a double-click; 1 and 3 or more take the minimize-button path,
// which also catches a double-click that is no title-bar trigger.
bool TriggerTap::mouseDown(const EventRecord& event) {
    isSwallowingMouseUp_ = false;
    buttonPress_.reset();
    const std::optional<PressedButton> previous = std::exchange(pressedButton_, std::nullopt);
    if (isOffItsWindow(event)) return false;
    const Point location = event.location();
    const EventFlags held = event.flags();
    const std::optional<int32_t> targetProcess = processIn(event, platform::EventField::eventTargetUnixProcessID);
    const std::set<Trigger>& intercepted = rules_->interceptedTriggers();
    const int64_t clickState = event.clickState();
    if (clickState == 2 && titleBarDoubleClick(location, held, targetProcess, intercepted)) return true;
    if (clickState <= 0) return false;
    if (clickState != 1 && repeatsPressedButton(previous, location, targetProcess)) return true;
    return minimizeButtonPress(held, targetProcess, intercepted, location);
}

// The double-click's mouse-up is swallowed with it.
bool TriggerTap::titleBarDoubleClick(Point location, EventFlags held, std::optional<int32_t> targetProcess,
                                     const std::set<Trigger>& intercepted) {
    const auto trigger = titleBarTrigger(held);
    if (!trigger || !intercepted.contains(*trigger)) return false;
    auto found = lookUpTitleBar(location, targetProcess);
    if (found.isOnOwnTrip) {
        isSwallowingMouseUp_ = true;
        return true;
    }
    if (found.unansweredHit) {
        return deferTitleBarDoubleClick(*trigger, location, held, targetProcess, *found.unansweredHit);
    }
    auto& target = found.target;
    if (!target) return false;
    const auto action = rules_->tapActionForTrigger(*trigger, target->bundleIdentifier);
    if (!action) return false;
    isSwallowingMouseUp_ = true;
    const int32_t pid = target->processIdentifier;
    dispatchWindowTrigger(*action, std::move(*target), scopeOf(held), speedOf(held), location, pid);
    return true;
}

std::optional<TargetWindow> TriggerTap::titleBarTarget(Point location, std::optional<int32_t> targetProcess) {
    return lookUpTitleBar(location, targetProcess).target;
}

// An application busy with a trip into or out of the Dock is not asked anything: its
// remembered window answers, on its bare title bar only. A window of this instance's on
// its trip answers nothing, and the double-click stays here: it was meant for the
// stand-in, not for another instance to take the window beneath. A window another
// instance holds answers nothing either, and the double-click goes on to that instance.
TriggerTap::TitleBarLookup TriggerTap::lookUpTitleBar(Point location, std::optional<int32_t> targetProcess) {
    const auto hit = titleZoneHit(location, targetProcess);
    if (!hit || isHeldElsewhere(hit->id)) return {};
    if (isTravelling(hit->processIdentifier)) {
        auto known = knownTarget(hit->id, hit->processIdentifier);
        if (!known) return {.isOnOwnTrip = holdsWindow(hit->id)};
        const Point relative{location.x - hit->bounds.minX(), location.y - hit->bounds.minY()};
        if (!known->isOnBareTitleBar(relative)) return {};
        return {std::move(known)};
    }
    const auto element = hit->processIdentifier == ownProcessIdentifier() ? ownElementHit(hit->id, location)
                                                                          : foreignElementHit(location);
    if (!element) return {};
    if (element->isUnanswered) return {.unansweredHit = hit};
    if (element->role && controlRoles().contains(*element->role)) return {};
    if (!element->window) return {};
    auto target = TargetWindow::create(*element->window);
    // The window the window server shows under the pointer, and no other.
    if (!target || target->id != hit->id) return {};
    if (!target->titleBarContains(location)) return {};
    return {std::move(target)};
}

// The application did not answer: another instance of the program has sent one of its
// windows on a trip, which this one does not count. The double-click is held and looked
// at again once the application answers, within the bound that ends a trip of this
// instance's own, and acted on when it lies on a title bar then; else the application
// gets it. Only one in the row of the window buttons is held back so: one deeper may be
// the application's own.
bool TriggerTap::deferTitleBarDoubleClick(Trigger trigger, Point location, EventFlags held,
                                          std::optional<int32_t> targetProcess, const WindowServer::WindowHit& hit) {
    if (location.y - hit.bounds.minY() > title_bar::kDefaultButtonRow) return false;
    const auto action = actionInApplication(trigger, hit.processIdentifier);
    if (!action) return false;
    beginHold({HeldKind::titleBarDoubleClick, location, hit.id, hit.processIdentifier, targetProcess, *action,
               scopeOf(held), speedOf(held)});
    return true;
}

bool TriggerTap::firesHeldDoubleClick(const HeldPress& press) {
    auto target = titleBarTarget(press.location, press.targetProcess);
    if (!target || target->id != press.window) return false;
    const int32_t pid = target->processIdentifier;
    dispatchWindowTrigger(press.action, std::move(*target), press.scope, press.speed, press.location, pid);
    return true;
}

std::optional<WindowAction> TriggerTap::actionInApplication(Trigger trigger, int32_t processIdentifier) const {
    const auto owner = platform::RunningApplication::withProcessIdentifier(processIdentifier);
    return rules_->tapActionForTrigger(trigger, owner ? owner->bundleIdentifier() : std::nullopt);
}

// ---- What both click recognisers share

std::optional<WindowServer::WindowHit> TriggerTap::windowHit(Point location, std::optional<int32_t> targetProcess) {
    using platform::WindowList;
    const auto list = WindowList::copyWindowInfo(WindowList::onScreenOnly | WindowList::excludeDesktopElements,
                                                 WindowList::kNullWindow);
    if (!list) return std::nullopt;
    return WindowServer::windowUnderPoint(location, targetProcess, *list);
}

bool TriggerTap::isOffItsWindow(const EventRecord& event) {
    using platform::EventField;
    constexpr EventField named = EventField::mouseEventWindowUnderMousePointerThatCanHandleThisEvent;
    if (!event.hasField(named)) return false;
    const auto hit = windowHit(event.location(), processIn(event, platform::EventField::eventTargetUnixProcessID));
    return event.integerValueField(named) != (hit ? hit->id : 0);
}

// A press made on one of the program's own windows (a floating window's live copy, which
// a click puts away) that has gone from under the pointer since is the program's: it is
// no press on the window that shows there now.
std::optional<WindowServer::WindowHit> TriggerTap::titleZoneHit(Point location, std::optional<int32_t> targetProcess) {
    auto hit = windowHit(location, targetProcess);
    if (!hit || !hit->isLayerZero) return std::nullopt;
    const int32_t own = ownProcessIdentifier();
    if (targetProcess == own && hit->processIdentifier != own) return std::nullopt;
    if (location.y - hit->bounds.minY() > kTitleZoneDepth) return std::nullopt;
    return hit;
}

bool TriggerTap::isTravelling(int32_t processIdentifier) const {
    const auto engine = engine_.lock();
    return engine && engine->isBusy(processIdentifier);
}

bool TriggerTap::holdsWindow(uint32_t window) const {
    const auto engine = engine_.lock();
    return engine && engine->holdsWindow(window);
}

bool TriggerTap::isHeldElsewhere(uint32_t window) const {
    const auto engine = engine_.lock();
    return engine && engine->isHeldElsewhere(window);
}

std::optional<TargetWindow> TriggerTap::knownTarget(uint32_t window, int32_t processIdentifier) const {
    const auto engine = engine_.lock();
    if (!engine) return std::nullopt;
    return engine->knownTarget(window, processIdentifier);
}

}  // namespace furlpane
