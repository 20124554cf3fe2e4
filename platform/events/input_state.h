#pragma once

// The state of the user's input devices, as programs ask the system for it: where the
// pointer is, which modifier keys and mouse buttons are down, the double-click
// interval, and whether secure event input is on. Read from the current world (see
// simulated_input.h); without a world: the origin, no flags, no buttons, 0.5 seconds,
// secure input off. Any thread.

#include <cstdint>

#include "platform/events/event_record.h"
#include "platform/geometry/geometry.h"

namespace platform {

class InputState {
public:
    // In global top-left coordinates (AppKit's mouseLocation is the same point in its
    // bottom-left coordinates).
    static Point mouseLocation();
    static EventFlags currentModifierFlags();
    // Bit 0 the left button, 1 the right, 2 the others.
    static uint32_t pressedMouseButtons();
    static double doubleClickInterval();
};

// Whether some process has turned on secure event input (a password field has the
// keyboard).
bool isSecureEventInputEnabled();

}  // namespace platform
