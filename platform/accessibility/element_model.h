#pragma once

// What the world's objects show through accessibility (internal to the stand-in): the
// attributes of each kind of element, what writing them and performing actions does,
// and hit testing. Every function here is called with the world locked and the element
// resolved (its object exists).

#include <optional>
#include <string>
#include <vector>

#include "platform/accessibility/value.h"
#include "platform/desktop/desktop.h"

namespace platform::accessibility_detail {

Result<AccessibilityValue, AccessibilityError> readAttribute(const desktop::Desktop& world,
                                                             const AccessibilityElement& element,
                                                             const std::string& name);
std::vector<std::string> attributeNames(const desktop::Desktop& world, const AccessibilityElement& element);
Result<AccessibilityValue, AccessibilityError> readParameterized(const desktop::Desktop& world,
                                                                 const AccessibilityElement& element,
                                                                 const std::string& name,
                                                                 const AccessibilityValue& parameter);
std::vector<std::string> parameterizedNames(const desktop::Desktop& world, const AccessibilityElement& element);

bool isSettable(const desktop::Desktop& world, const AccessibilityElement& element, const std::string& name);
AccessibilityError writeAttribute(desktop::Desktop& world, const AccessibilityElement& element, const std::string& name,
                                  const AccessibilityValue& value);
std::vector<std::string> actionNames(const desktop::Desktop& world, const AccessibilityElement& element);
AccessibilityError perform(desktop::Desktop& world, const AccessibilityElement& element, const std::string& action);

// The deepest element of a window under a top-left point: a control, else the window.
AccessibilityElement hitTest(const desktop::Desktop& world, const desktop::Window& window, Point point);

// Length of a UTF-8 string in UTF-16 code units, as the system counts characters.
int64_t utf16Length(const std::string& text);

}  // namespace platform::accessibility_detail
