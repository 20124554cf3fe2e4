#include "triggers/pointer_lookup.h"

#include "windows/access/accessibility_elements.h"

namespace furlpane {

platform::Result<platform::AccessibilityElement, platform::AccessibilityError> elementAtPoint(
    platform::Point location) {
    return systemWideElement().copyElementAtPosition(static_cast<float>(location.x), static_cast<float>(location.y));
}

std::optional<platform::AccessibilityElement> windowOfElement(const platform::AccessibilityElement& element,
                                                              const std::optional<std::string>& role) {
    if (role == platform::ax::role::window) return element;
    return elementAttribute(platform::ax::attribute::window, element);
}

}  // namespace furlpane
