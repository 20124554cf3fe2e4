#pragma once

// What lies under the pointer in another application, as the click recognisers ask it:
// the accessibility element at a point and the window that element belongs to. Each
// answer costs one request to the application (bounded by the messaging timeout).
// Main thread.

#include <optional>
#include <string>

#include "platform/accessibility/element.h"
#include "platform/geometry/geometry.h"

namespace furlpane {

// What the system-wide hit test found at a top-left point: the element, or none when
// the application under the point refused or did not answer. One that did not answer in
// time is told apart: another instance of the program may have sent one of its windows
// on a trip, and it answers again once the trip is over.
struct PointedElement {
    std::optional<platform::AccessibilityElement> element;
    bool isUnanswered = false;
};
PointedElement elementAtPoint(platform::Point location);
// The window of an element whose role is known (or not): the element itself for a
// window, else its "AXWindow" attribute.
std::optional<platform::AccessibilityElement> windowOfElement(const platform::AccessibilityElement& element,
                                                              const std::optional<std::string>& role);

}  // namespace furlpane
