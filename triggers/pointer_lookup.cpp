#include "triggers/pointer_lookup.h"

#include "windows/access/accessibility_elements.h"

namespace furlpane {

std::optional<platform::AccessibilityElement> elementAtPoint(platform::Point location) {
    auto element = systemWideElement().copyElementAtPosition(static_cast<float>(location.x),
                                                             static_cast<float>(location.y));
    if (!element) return std::nullopt;
    return *element;
}

std::optional<platform::AccessibilityElement> windowOfElement(const platform::AccessibilityElement& element,
                                                              const std::optional<std::string>& role) {
    if (role == platform::ax::role::window) return element;
    return elementAttribute(platform::ax::attribute::window, element);
}

}  // namespace furlpane
