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

std::optional<TriggerTap::ButtonTarget> foreignButtonTarget(uint32_t number, Point location) {
    namespace ax = platform::ax;
    const auto element = elementAtPoint(location);
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
    auto found = minimizeButtonTarget(location, targetProcess);
    if (!found) return false;
    const auto action = rules_->tapActionForTrigger(Trigger::minimizeButton, found->target.bundleIdentifier);
    if (!action) return false;
    isSwallowingMouseUp_ = true;
    buttonPress_ = ButtonPress{found->frame, std::move(found->target), *action, scopeOf(held), speedOf(held)};
    return true;
}

// Only the top corners of a window are searched, and no application is asked about a
// point outside them. An application busy with a trip into or out of the Dock is not
// asked at all: its remembered window's button answers.
std::optional<TriggerTap::ButtonTarget> TriggerTap::minimizeButtonTarget(Point location,
                                                                          std::optional<int32_t> targetProcess) {
    const auto hit = titleZoneHit(location, targetProcess);
    if (!hit) return std::nullopt;
    const Rect& bounds = hit->bounds;
    if (location.x - bounds.minX() > kButtonZoneWidth && bounds.maxX() - location.x > kButtonZoneWidth) {
        return std::nullopt;
    }
    if (isTravelling(hit->processIdentifier)) {
        auto known = knownTarget(hit->id, hit->processIdentifier);
        if (!known) return std::nullopt;
        const auto frame = minimizeButtonFrame(*known, bounds.origin);
        if (!frame || !isOnButton(*frame, location)) return std::nullopt;
        return ButtonTarget{std::move(*known), *frame};
    }
    if (hit->processIdentifier == ownProcessIdentifier()) return ownButtonTarget(hit->id, location);
    return foreignButtonTarget(hit->id, location);
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
