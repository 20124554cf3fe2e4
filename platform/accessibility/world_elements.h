#pragma once

// The accessibility elements of the simulated world's windows and controls, for the
// stand-in itself, tests and tools. A program finds its elements through the interface
// (an application's windows, the element under a point), never from the world's records.

#include "platform/accessibility/element.h"
#include "platform/desktop/control.h"
#include "platform/desktop/window.h"

namespace platform {

AccessibilityElement elementOf(const desktop::Window& window);
AccessibilityElement elementOf(const desktop::Control& control);

}  // namespace platform
