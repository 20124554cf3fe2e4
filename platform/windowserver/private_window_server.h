#pragma once

// Private window-server calls. Programs find them by name through lookupSymbol
// ("CGSMainConnectionID", "CGSGetWindowBounds"); a system may lack any of them.

#include <cstdint>

#include "platform/geometry/geometry.h"

namespace platform {

enum class WindowServerError : int32_t {
    success = 0,
    failure = 1000,
    illegalArgument = 1001,
    invalidConnection = 1002,
};

// This process's connection to the window server.
int32_t windowServerMainConnection();

// Fills `bounds` with a window's bounds (top-left global coordinates) and returns 0; a
// wrong connection, an unknown or closed window or a null `bounds` give an error. While a
// window travels, the bounds may lag behind the window list's (Window::lagPrivateBounds).
// Fault injection: FaultCall::windowBounds (an error, or a rectangle as the answer).
int32_t windowServerWindowBounds(int32_t connection, uint32_t window, Rect* bounds);

using MainConnectionCall = int32_t (*)();
using WindowBoundsCall = int32_t (*)(int32_t connection, uint32_t window, Rect* bounds);

}  // namespace platform
