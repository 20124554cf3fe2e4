#include "triggers/pointer_lookup.h"

#include "windows/access/accessibility_elements.h"

namespace furlpane {

PointedElement elementAtPoint(platform::Point location) {
    std::optional<platform::AccessibilityElement> element;
    const platform::AccessibilityElement systemWide = systemWideElement();
    const Answer answer = timedRequest(systemWide, [&element, &systemWide, location] {
        auto found = systemWide.copyElementAtPosition(static_cast<float>(location.x), static_cast<float>(location.y));
        if (!found) return found.error();
        element = std::move(*found);
        return platform::AccessibilityError::success;
    });
    return {std::move(element), answer.isUnanswered};
}

std::optional<platform::AccessibilityElement> windowOfElement(const platform::AccessibilityElement& element,
                                                              const std::optional<std::string>& role) {
    if (role == platform::ax::role::window) return element;
    return elementAttribute(platform::ax::attribute::window, element);
}

}  // namespace furlpane
