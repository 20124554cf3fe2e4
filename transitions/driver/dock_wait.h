#pragma once

// The Dock's part of a transition: waiting until a window's trip into or out of the Dock
// is over, as the window server shows it.
//
// Another application's window: a look at the window server on the serial queue
// "com.brindlewick.FurlpaneNovan.dock" every few milliseconds. A trip into the Dock is
// over once the window has left the screen; a trip out of it once the window is on
// screen and its shape (the private bounds call) has grown back to its frame, or at
// once on screen when that call is missing. The program's own windows end their trips
// with AppKit's notification (afterDockTrip).
//
// Every wait, for the program's own windows too, ends at its limit at the latest,
// whatever the window does (it may never leave, be closed, or the look may hang); a
// trip played in slow motion is given a limit as much longer.

#include <cstdint>

#include "platform/runtime/dispatch_queue.h"
#include "platform/runtime/task.h"
#include "windows/access/own_windows.h"

namespace furlpane {

inline constexpr const char* kDockQueueLabel = "com.brindlewick.FurlpaneNovan.dock";

// The queue on which the Dock's part of transitions is watched.
platform::DispatchQueue& dockQueue();

// One look at the window server: whether the window's trip in that direction looks over.
// Any thread.
bool dockTripLooksOver(uint32_t window, DockTripDirection direction);

// Returns once the window's trip is over, or after `limit` seconds.
platform::Task<void> waitForDockTrip(uint32_t window, DockTripDirection direction, double limit);

}  // namespace furlpane
