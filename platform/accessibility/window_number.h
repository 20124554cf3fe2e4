#pragma once

// The private call that gives an accessibility window element's window-server number.
// Programs find it by name ("_AXUIElementGetWindow") through the symbol lookup of the
// window-server stand-in; a system may lack it.
//
// It fills `number` and returns success for a window element (sheets included); other
// elements give illegalArgument, and requests fail as every accessibility request does
// (an application that does not answer, a window that has gone).

#include <cstdint>

#include "platform/accessibility/element.h"

namespace platform {

AccessibilityError copyElementWindowNumber(const AccessibilityElement& element, uint32_t* number);

using ElementWindowNumberCall = AccessibilityError (*)(const AccessibilityElement&, uint32_t*);

}  // namespace platform
