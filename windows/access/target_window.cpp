// Resolving a window element into a TargetWindow, and what that needs.

#include "windows/access/target_window.h"

#include <algorithm>

#include "platform/accessibility/value.h"
#include "platform/appkit/application.h"
#include "platform/services/workspace.h"
#include "windows/access/accessibility_elements.h"
#include "windows/access/main_thread.h"
#include "windows/access/own_windows.h"
#include "windows/access/window_server.h"

namespace furlpane {

using platform::AccessibilityElement;
using platform::AccessibilityError;
using platform::Rect;

namespace {

using Children = std::vector<std::pair<AccessibilityElement, std::optional<std::string>>>;

bool hasSheet(const Children& children) {
    return std::any_of(children.begin(), children.end(),
                       [](const auto& child) { return child.second == ax::role::sheet; });
}

// Own windows pass AppKit's test instead of the accessibility one.
bool isEligibleOwnElement(const AccessibilityElement& element) {
    const auto number = windowNumber(element);
    if (!number) return false;
    const auto window = platform::Application::shared().windowWithWindowNumber(*number);
    return window && isEligibleOwnWindow(*window);
}

// The window-server bounds when the capture group has them, else the accessibility
// frame; both are top-left global coordinates.
std::optional<Rect> frameOf(const AccessibilityElement& element, uint32_t id) {
    if (const auto symbols = WindowServer::loadCaptureSymbols()) {
        if (auto bounds = symbols->windowBounds(id)) return bounds;
    }
    const auto frame = elementFrame(element);
    if (!frame.ok()) return std::nullopt;
    return frame.value();
}

Rect relativeTo(const Rect& frame, const Rect& window) { return frame.offsetBy(-window.origin.x, -window.origin.y); }

std::map<WindowButton, Rect> buttonFrames(const AccessibilityElement& element, const Rect& window) {
    std::map<WindowButton, Rect> buttons;
    for (WindowButton button : kAllWindowButtons) {
        const auto buttonElement = elementAttribute(attributeName(button), element);
        if (!buttonElement) continue;
        const auto frame = elementFrame(*buttonElement);
        if (frame.ok()) buttons.emplace(button, relativeTo(frame.value(), window));
    }
    return buttons;
}

std::vector<Rect> toolbarFrames(const Children& children, const Rect& window) {
    std::vector<Rect> toolbars;
    for (const auto& [child, role] : children) {
        if (role != ax::role::toolbar) continue;
        const auto frame = elementFrame(child);
        if (frame.ok()) toolbars.push_back(relativeTo(frame.value(), window));
    }
    return toolbars;
}

// The owner's bundle identifier and name; none and empty when it cannot be found.
std::pair<std::optional<std::string>, std::string> applicationOf(int32_t pid) {
    const auto application = platform::RunningApplication::withProcessIdentifier(pid);
    if (!application) return {std::nullopt, ""};
    return {application->bundleIdentifier(), application->localizedName().value_or("")};
}

}  // namespace

const char* attributeName(WindowButton button) {
    switch (button) {
    case WindowButton::close: return ax::attribute::closeButton;
    case WindowButton::minimize: return ax::attribute::minimizeButton;
    case WindowButton::zoom: return ax::attribute::zoomButton;
    }
    return "";
}

const std::set<std::string>& standardSubroles() {
    static const std::set<std::string> subroles{ax::subrole::standardWindow, ax::subrole::dialog};
    return subroles;
}

const std::set<std::string>& controlRoles() {
    static const std::set<std::string> roles{
        ax::role::button,      ax::role::checkBox,     ax::role::radioButton,      ax::role::popUpButton,
        ax::role::menuButton,  ax::role::textField,    ax::role::textArea,         ax::role::comboBox,
        ax::role::slider,      ax::role::incrementor,  ax::role::colorWell,        ax::role::disclosureTriangle,
        ax::role::scrollBar,   ax::role::valueIndicator, ax::role::menuBar,        ax::role::menuItem,
        ax::role::link,        ax::role::dateField,    ax::role::segmentedControl, ax::role::searchField,
    };
    return roles;
}

bool isStandardWindow(const AccessibilityElement& element) {
    if (stringAttribute(ax::attribute::role, element) != ax::role::window) return false;
    const auto subrole = stringAttribute(ax::attribute::subrole, element);
    if (!subrole || !standardSubroles().contains(*subrole)) return false;
    const auto minimizeButton = elementAttribute(ax::attribute::minimizeButton, element);
    return minimizeButton && boolAttribute(ax::attribute::enabled, *minimizeButton) != false;
}

Children childrenWithRoles(const AccessibilityElement& element) {
    requireMainThread("childrenWithRoles");
    auto value = element.copyAttributeValue(ax::attribute::children);
    const auto* items = value.ok() ? value->array() : nullptr;
    if (!items) return {};
    Children children;
    for (const auto& item : *items) {
        if (!item.element()) return {};
        children.emplace_back(*item.element(), std::nullopt);
    }
    for (auto& [child, role] : children) role = stringAttribute(ax::attribute::role, child);
    return children;
}

SheetAndFullScreen sheetAndFullScreen(const AccessibilityElement& element) {
    requireMainThread("sheetAndFullScreen");
    auto answer = element.copyAttributeValues({ax::attribute::children, ax::attribute::fullScreen});
    if (!answer.ok() || answer->size() != 2) return {};
    SheetAndFullScreen result;
    if (const auto* children = (*answer)[0].array()) {
        // A list that holds anything but elements is no list of children.
        const bool allElements = std::all_of(children->begin(), children->end(), [](const auto& c) { return c.element(); });
        for (size_t i = 0; allElements && i < children->size() && !result.hasSheet; ++i) {
            result.hasSheet = stringAttribute(ax::attribute::role, *(*children)[i].element()) == ax::role::sheet;
        }
    }
    result.isFullScreen = (*answer)[1].boolean().value_or(false);
    return result;
}

std::optional<TargetWindow> TargetWindow::create(const AccessibilityElement& element) {
    requireMainThread("TargetWindow::create");
    const auto pid = element.processIdentifier();
    if (!pid.ok()) return std::nullopt;
    const bool own = pid.value() == ownProcessIdentifier();
    if (own ? !isEligibleOwnElement(element) : !isStandardWindow(element)) return std::nullopt;
    if (boolAttribute(ax::attribute::fullScreen, element) == true) return std::nullopt;
    const auto id = windowNumber(element);
    if (!id) return std::nullopt;
    const auto frame = frameOf(element, *id);
    if (!frame) return std::nullopt;
    const Children children = childrenWithRoles(element);
    if (hasSheet(children)) return std::nullopt;

    auto buttons = buttonFrames(element, *frame);
    const std::vector<Rect> toolbars = toolbarFrames(children, *frame);
    auto [bundleIdentifier, applicationName] = applicationOf(pid.value());
    auto title = stringAttribute(ax::attribute::title, element).value_or("");
    const auto minimizeButton = buttons.find(WindowButton::minimize);
    const auto minimizeFrame =
        minimizeButton == buttons.end() ? std::nullopt : std::optional<Rect>(minimizeButton->second);
    auto titleBar = measureTitleBar(minimizeFrame, toolbars, frame->height());
    return TargetWindow{*id,
                        pid.value(),
                        element,
                        std::move(bundleIdentifier),
                        std::move(applicationName),
                        std::move(title),
                        *frame,
                        std::move(titleBar),
                        std::move(buttons)};
}

AccessibilityError TargetWindow::minimize() const {
    if (processIdentifier != ownProcessIdentifier()) return element.setAttributeValue(ax::attribute::minimized, true);
    const auto window = platform::Application::shared().windowWithWindowNumber(id);
    return window && miniaturizeOwnWindow(*window) ? AccessibilityError::success : AccessibilityError::failure;
}

}  // namespace furlpane
