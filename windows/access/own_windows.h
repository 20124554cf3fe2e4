#pragma once

// The program's own windows (the settings window among them), which triggers act on as
// on other applications' windows but which are reached through AppKit rather than the
// accessibility interface: the program's process identifier (by which every other part
// tells its own windows apart), whether an own window may be acted on, bringing it
// forward, miniaturizing it, placing it by its top-left corner, hit-testing it, and
// running work once it has finished its trip into or out of the Dock.
//
// Points are in top-left coordinates and convert to AppKit's with the first screen's
// maxY (0 without screens).
//
// Threads: everything but ownProcessIdentifier runs on the main thread, as AppKit
// requires; afterDockTrip's finish checks it (main_thread.h).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/appkit/window.h"
#include "platform/geometry/geometry.h"

namespace furlpane {

// The program's own process identifier, read once per process. Any thread.
int32_t ownProcessIdentifier();

// The private run-loop mode ("dockmsg-mode") in which the main loop waits while an own
// window travels to or from the Dock. Nothing here runs the loop in it; sources that
// must keep firing meanwhile (the event tap, display links, fallback timers) are added
// to it besides the common modes.
const std::string& dockMessageMode();

// Whether triggers may act on this own window: not a panel, titled, not in full screen,
// not a sheet, without an attached sheet, not the modal window, and with the standard
// window or dialog subrole.
bool isEligibleOwnWindow(const platform::Window& window);

// The program's window with this number; none without the application object or such a
// window.
std::shared_ptr<platform::Window> ownWindow(uint32_t number);
// Activates the program, makes the window key and brings it to the front, then calls the
// completion, if any.
void bringOwnWindowForward(platform::Window& window, std::function<void()> completion = {});

// Miniaturizes the window into the Dock; false, doing nothing, when it is not visible or
// already miniaturized. A window without the miniaturizable style gets it for the trip
// and loses it again once it is in the Dock (or 1.5 seconds later at the latest).
bool miniaturizeOwnWindow(platform::Window& window);

// Takes the miniaturizable bit (4) out of the window's style.
void removeMiniaturizable(platform::Window& window);

// Places the window's top-left corner at a top-left point.
void setOwnWindowTopLeft(platform::Window& window, platform::Point topLeft);

// What the window's accessibility hit test finds at a top-left point: nothing when it
// finds nothing; the role and subrole of what it finds, either missing when the object
// does not tell (both missing for an object that answers no accessibility at all).
struct OwnWindowHit {
    std::optional<std::string> role;
    std::optional<std::string> subrole;
    friend bool operator==(const OwnWindowHit&, const OwnWindowHit&) = default;
};
std::optional<OwnWindowHit> hitTestOwnWindow(const platform::Window& window, platform::Point topLeft);

enum class DockTripDirection { miniaturizing, deminiaturizing };

// How long afterDockTrip waits for the end-of-trip notification, unless told otherwise.
inline constexpr double kDockTripLimit = 1.5;

// Runs `work` once on the main thread: one main-queue turn after the window's
// end-of-trip notification ("NSWindowDidMiniaturizeNotification" or
// "NSWindowDidDeminiaturizeNotification", for this window only), or `limit` seconds after
// this call, whichever comes first. The later of the two finds nothing to do. A limit
// that is not a number, or endless, counts as kDockTripLimit; a negative one as 0.
void afterDockTrip(platform::Window& window, DockTripDirection direction, std::function<void()> work,
                   double limit = kDockTripLimit);

}  // namespace furlpane
