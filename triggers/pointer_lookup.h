#pragma once

// What lies under the pointer in another application, as the click recognisers ask it:
// the accessibility element at a point and the window that element belongs to. Each
// answer costs one request to the application (bounded by the messaging timeout).
// Main thread.

#include <optional>
#include <string>

#include "platform/accessibility/element.h"
#include "platform/geometry/geometry.h"
#include "platform/runtime/result.h"

namespace furlpane {

// The element the system-wide hit test finds at a top-left point, or the error:
// cannotComplete when the application under the point did not answer in time.
platform::Result<platform::AccessibilityElement, platform::AccessibilityError> elementAtPoint(
    platform::Point location);
// The window of an element whose role is known (or not): the element itself for a
// window, else its "AXWindow" attribute.
std::optional<platform::AccessibilityElement> windowOfElement(const platform::AccessibilityElement& element,
                                                              const std::optional<std::string>& role);

}  // namespace furlpane
