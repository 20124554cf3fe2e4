// Clicks on minimize buttons. Like a real button, the trigger is taken on the press and
// fires on the release over the button: the window's own button never sees the press,
// and a release away from it cancels silently.

#include "platform/appkit/application.h"
#include "platform/appkit/window.h"
#include "triggers/pointer_lookup.h"
#include "triggers/trigger_tap.h"
#include "windows/access/accessibility_elements.h"
#include "windows/access/own_windows.h"

namespace furlpane {

using platform::EventFlags;
using platform::EventRecord;
using platform::Point;
using platform::Rect;

namespace {

// A press or release counts as on a button within this margin around it.
bool isOnButton(const Rect& frame, Point location) {
    const double margin = title_bar::kButtonMargin;
    return frame.insetBy(-margin, -margin).contains(location);
}

// The minimize button's frame kept in a target (relative to its window), moved to the
// window's top-left corner on screen.
std::optional<Rect> minimizeButtonFrame(const TargetWindow& target, Point windowOrigin) {
    const auto found = target.buttons.find(WindowButton::minimize);
    if (found == target.buttons.end()) return std::nullopt;
    return found->second.offsetBy(windowOrigin.x, windowOrigin.y);
}

// The target of a window element, when it is the window the window server showed.
std::optional<TargetWindow> matchingTarget(const std::optional<platform::AccessibilityElement>& element,
                                           uint32_t number) {
    if (!element) return std::nullopt;
    auto target = TargetWindow::create(*element);
    if (!target || target->id != number) return std::nullopt;
    return target;
}

std::optional<TriggerTap::ButtonTarget> ownButtonTarget(uint32_t number, Point location) {
    const auto window = platform::Application::shared().windowWithWindowNumber(number);
    if (!window || !isEligibleOwnWindow(*window)) return std::nullopt;
    const auto hit = hitTestOwnWindow(*window, location);
    if (!hit || hit->subrole != platform::ax::subrole::minimizeButton) return std::nullopt;
    const auto* button = window->standardWindowButton(platform::WindowButtonKind::miniaturize);
    if (!button || !button->isEnabled()) return std::nullopt;
    auto target = matchingTarget(windowElement(number, ownProcessIdentifier()), number);
    if (!target) return std::nullopt;
    const auto frame = minimizeButtonFrame(*target, target->frame.origin);
    if (!frame) return std::nullopt;
    return TriggerTap::ButtonTarget{std::move(*target), *frame};
}

// The minimize button that the hit test found in another application's window.
std::optional<TriggerTap::ButtonTarget> foreignButtonTarget(
    uint32_t number, const std::optional<platform::AccessibilityElement>& element) {
    namespace ax = platform::ax;
    if (!element) return std::nullopt;
    if (stringAttribute(ax::attribute::subrole, *element) != ax::subrole::minimizeButton) return std::nullopt;
    const auto frame = elementFrame(*element);
    if (!frame) return std::nullopt;
    auto target = matchingTarget(windowOfElement(*element, stringAttribute(ax::attribute::role, *element)), number);
    if (!target) return std::nullopt;
    return TriggerTap::ButtonTarget{std::move(*target), *frame};
}

}  // namespace

// Nothing goes to the engine yet: the release decides.
bool TriggerTap::minimizeButtonPress(EventFlags held, std::optional<int32_t> targetProcess,
                                     const std::set<Trigger>& intercepted, Point location) {
    using namespace platform::event_flags;
    if (!intercepted.contains(Trigger::minimizeButton) || (held & (control | command)) != 0) return false;
    auto lookup = lookUpButton(location, targetProcess);
    if (lookup.unansweredHit) return holdButtonPress(location, held, targetProcess, *lookup.unansweredHit);
    auto& found = lookup.target;
    if (!found) return false;
    const auto action = rules_->tapActionForTrigger(Trigger::minimizeButton, found->target.bundleIdentifier);
    if (!action) return false;
    isSwallowingMouseUp_ = true;
    buttonPress_ = ButtonPress{found->frame, std::move(found->target), *action, scopeOf(held), speedOf(held)};
    return true;
}

std::optional<TriggerTap::ButtonTarget> TriggerTap::minimizeButtonTarget(Point location,
                                                                          std::optional<int32_t> targetProcess) {
    return lookUpButton(location, targetProcess).target;
}

// Only the top corners of a window are searched, and no application is asked about a
// point outside them. An application busy with a trip into or out of the Dock is not
// asked at all: its remembered window's button answers. A window another instance holds
// answers nothing, and the click goes on to that instance.
TriggerTap::ButtonLookup TriggerTap::lookUpButton(Point location, std::optional<int32_t> targetProcess) {
    const auto hit = titleZoneHit(location, targetProcess);
    if (!hit) return {};
    const Rect& bounds = hit->bounds;
    if (location.x - bounds.minX() > kButtonZoneWidth && bounds.maxX() - location.x > kButtonZoneWidth) return {};
    // Asked only in the corners: the other instances' lists are read from the settings file.
    if (isHeldElsewhere(hit->id)) return {};
    if (isTravelling(hit->processIdentifier)) {
        auto known = knownTarget(hit->id, hit->processIdentifier);
        if (!known) return {};
        const auto frame = minimizeButtonFrame(*known, bounds.origin);
        if (!frame || !isOnButton(*frame, location)) return {};
        return {ButtonTarget{std::move(*known), *frame}};
    }
    if (hit->processIdentifier == ownProcessIdentifier()) return {ownButtonTarget(hit->id, location)};
    const auto pointed = elementAtPoint(location);
    if (pointed.isUnanswered) return {.unansweredHit = hit};
    return {foreignButtonTarget(hit->id, pointed.element)};
}

// The application did not answer: another instance of the program has sent one of its
// windows on a trip, which this one does not count. A press in the row of the window
// buttons is held with what follows it, and once the application answers again, within
// the bound that ends a trip of this instance's own, the action runs when the press and
// its release both lie on the window's minimize button; else the application gets them.
// Deeper in the window the press may be the application's own, and it goes through.
bool TriggerTap::holdButtonPress(Point location, EventFlags held, std::optional<int32_t> targetProcess,
                                 const WindowServer::WindowHit& hit) {
    if (location.y - hit.bounds.minY() > title_bar::kDefaultButtonRow) return false;
    const auto action = actionInApplication(Trigger::minimizeButton, hit.processIdentifier);
    if (!action) return false;
    beginHold({HeldKind::buttonClick, location, hit.id, hit.processIdentifier, targetProcess, *action, scopeOf(held),
               speedOf(held)});
    return true;
}

// Fired, the button counts as pressed, as one fired at once would: the further clicks of
// a double-click on it stay here.
bool TriggerTap::firesHeldButtonClick(const HeldPress& press, std::optional<Point> release) {
    if (!release) return false;
    auto found = minimizeButtonTarget(press.location, press.targetProcess);
    if (!found || found->target.id != press.window || !isOnButton(found->frame, *release)) return false;
    pressedButton_ = PressedButton{found->target.id, found->frame};
    const int32_t pid = found->target.processIdentifier;
    dispatchWindowTrigger(press.action, std::move(found->target), press.scope, press.speed, *release, pid);
    return true;
}

// Once the mouse-up is taken it is swallowed, whatever follows.
bool TriggerTap::mouseUp(const EventRecord& event) {
    if (!isSwallowingMouseUp_) return false;
    isSwallowingMouseUp_ = false;
    if (!buttonPress_) return true;
    ButtonPress press = std::move(*buttonPress_);
    buttonPress_.reset();
    const Point location = event.location();
    if (!isOnButton(press.frame, location)) return true;
    const PressedButton pressed{press.target.id, press.frame};
    const int32_t pid = press.target.processIdentifier;
    dispatchWindowTrigger(press.action, std::move(press.target), press.scope, press.speed, location, pid);
    pressedButton_ = pressed;
    return true;
}

// The further clicks of a double- or triple-click on a button that has just fired never
// reach the window: while the pointer stays on the button of the same window, they are
// swallowed, press and release.
bool TriggerTap::repeatsPressedButton(const std::optional<PressedButton>& previous, Point location,
                                      std::optional<int32_t> targetProcess) {
    if (!previous || !isOnButton(previous->frame, location)) return false;
    const auto hit = windowHit(location, targetProcess);
    if (!hit || hit->id != previous->window) return false;
    isSwallowingMouseUp_ = true;
    pressedButton_ = previous;
    return true;
}

}  // namespace furlpane
