#include "windows/access/minimize_all.h"

#include <limits>
#include <vector>

#include "platform/accessibility/value.h"
#include "windows/access/accessibility_elements.h"
#include "windows/access/main_thread.h"
#include "windows/access/spaces.h"

namespace furlpane {

using platform::AccessibilityElement;
using platform::AccessibilityValue;

namespace {

constexpr const char* kMinimizeAllIdentifier = "miniaturizeAll:";
constexpr const char* kMinimizeKey = "M";
constexpr uint32_t kCommand = 0;
constexpr uint32_t kOptionCommand = 2;

// An element's "AXChildren" as elements; empty when unreadable.
std::vector<AccessibilityElement> childrenOf(const AccessibilityElement& element) {
    std::vector<AccessibilityElement> children;
    auto value = element.copyAttributeValue(ax::attribute::children);
    const auto* items = value.ok() ? value->array() : nullptr;
    if (!items) return children;
    for (const auto& item : *items) {
        if (!item.element()) return {};
        children.push_back(*item.element());
    }
    return children;
}

std::optional<uint32_t> modifiersOf(const AccessibilityValue& value) {
    const auto n = value.integer();
    if (!n || *n < 0 || *n > std::numeric_limits<uint32_t>::max()) return std::nullopt;
    return static_cast<uint32_t>(*n);
}

bool isKey(const MinimizeAll::Item& item, uint32_t modifiers) {
    return item.key == kMinimizeKey && item.modifiers == modifiers;
}

// The candidate of one menu: by identifier first, else by the Option-Command-M that
// directly follows a Command-M.
std::optional<size_t> candidateIn(const std::vector<MinimizeAll::Item>& items) {
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].identifier == kMinimizeAllIdentifier) return i;
    }
    for (size_t i = 1; i < items.size(); ++i) {
        if (isKey(items[i], kOptionCommand) && isKey(items[i - 1], kCommand)) return i;
    }
    return std::nullopt;
}

// The first candidate of the menus under one menu-bar item, in order.
std::optional<AccessibilityElement> candidateUnder(const AccessibilityElement& menuBarItem) {
    for (const auto& menu : childrenOf(menuBarItem)) {
        const auto elements = childrenOf(menu);
        if (elements.empty()) continue;
        std::vector<MinimizeAll::Item> items;
        items.reserve(elements.size());
        for (const auto& element : elements) items.push_back(MinimizeAll::readItem(element));
        if (const auto index = candidateIn(items)) return elements[*index];
    }
    return std::nullopt;
}

bool isMinimizable(const AccessibilityElement& window) {
    if (boolAttribute(ax::attribute::minimized, window) == true) return false;
    if (boolAttribute(ax::attribute::fullScreen, window) == true) return false;
    const auto button = elementAttribute(ax::attribute::minimizeButton, window);
    return button && boolAttribute(ax::attribute::enabled, *button) != false;
}

}  // namespace

MinimizeAll::Item MinimizeAll::readItem(const AccessibilityElement& item) {
    auto answer = item.copyAttributeValues(
        {ax::attribute::identifier, ax::attribute::menuItemCommandCharacter, ax::attribute::menuItemCommandModifiers});
    if (!answer.ok() || answer->size() != 3) return {};
    const auto& values = answer.value();
    Item result;
    if (values[0].string()) result.identifier = *values[0].string();
    if (values[1].string()) result.key = *values[1].string();
    result.modifiers = modifiersOf(values[2]);
    return result;
}

std::optional<AccessibilityElement> MinimizeAll::menuItem(int32_t pid) {
    requireMainThread("MinimizeAll::menuItem");
    const auto menuBar = elementAttribute(ax::attribute::menuBar, AccessibilityElement::application(pid));
    if (!menuBar) return std::nullopt;
    const auto menuBarItems = childrenOf(*menuBar);
    // Minimize All lives in the Window menu, near the end of the menu bar.
    for (auto it = menuBarItems.rbegin(); it != menuBarItems.rend(); ++it) {
        const auto candidate = candidateUnder(*it);
        if (!candidate) continue;
        // The first candidate ends the search, enabled or not.
        if (boolAttribute(ax::attribute::enabled, *candidate) == false) return std::nullopt;
        return candidate;
    }
    return std::nullopt;
}

std::optional<std::set<uint32_t>> MinimizeAll::minimizableWindowIDs(int32_t pid) {
    if (hasWindowsOnOtherSpace(pid)) return std::nullopt;
    std::set<uint32_t> numbers;
    for (const auto& window : applicationWindows(pid)) {
        if (!isMinimizable(window)) continue;
        if (const auto number = windowNumber(window)) numbers.insert(*number);
    }
    return numbers;
}

}  // namespace furlpane
