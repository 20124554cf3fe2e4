#pragma once

// Trips into and out of the Dock. Minimizing a window (Window::minimize, which setting
// "AXMinimized", pressing its minimize button and Minimize All all come down to) and
// bringing it back are journeys that take time on the world's clock, as the Dock's
// animation does:
//
// - Into the Dock. At the start the application reports the window minimized
//   ("AXMinimized" reads true) and its focus passes on, but the window stays on screen
//   (window lists list it with "kCGWindowIsOnscreen") until it arrives. Meanwhile the
//   private bounds call reports the shape shrinking from the window's frame towards the
//   Dock. When the trip ends the window leaves the screen, the private bounds are the
//   window-list bounds again, and the world reports windowMinimized (observers get
//   "AXWindowMiniaturized").
// - Out of the Dock. At the start the window is no longer minimized and comes to the
//   front on screen; the private bounds grow from the Dock towards its frame and meet
//   the window-list bounds when the trip ends, when windowDeminimized is reported.
// - Busy. From the start of a trip the window's application does not answer
//   accessibility for the silence interval (every request meanwhile costs its timeout);
//   by default it is silent for the whole trip. The program's own process stays
//   answering.
// - The program's own windows. When an own window's trip ends, the world posts
//   "NSWindowDidMiniaturizeNotification" or "NSWindowDidDeminiaturizeNotification" to
//   NotificationCenter::defaultCenter() on the main thread, with the window's
//   notification object (the AppKit window registers its own; the world's window record
//   by default), always after the call that began the trip has returned. A test can
//   make the notifications never come.
//
// A trip takes its direction's duration times the Dock's "genie-speed" (Dock::genieSpeed).
// With a duration of 0 a trip ends within the call that began it, as it did before trips
// took time (only the own window's notification still comes later). Minimizing a window
// on its way out of the Dock, or bringing back one on its way in, turns it round: the
// first trip ends without a report of its own.

#include <cstdint>
#include <map>
#include <optional>

#include "platform/desktop/window.h"
#include "platform/desktop/world_lock.h"
#include "platform/geometry/geometry.h"

namespace platform::desktop {

class Desktop;

enum class TripNotifications { atEnd, never };

class DockTrips {
public:
    static constexpr double kDefaultDuration = 0.5;
    // The side of the square in the Dock a window shrinks to.
    static constexpr double kIconSide = 48;

    explicit DockTrips(Desktop& world) : world_(world) {}

    // The duration of trips in both directions, or of one; negative or non-finite
    // values count as 0.
    void setDuration(double seconds);
    void setDuration(DockTravel direction, double seconds);
    // The duration a trip begun now would take (the Dock's genie speed included).
    double duration(DockTravel direction) const;
    // How long the application of a travelling window stays silent from the start of the
    // trip; none: for as long as the trip takes.
    void setSilence(std::optional<double> seconds);
    void setOwnWindowNotifications(TripNotifications when);
    // The object the own window's end-of-trip notifications carry; null: the record.
    void setNotificationObject(uint32_t window, const void* object);
    const void* notificationObject(uint32_t window) const;

    // Trips under way and trips that ended (cancelled ones do not count as ended).
    int tripsUnderway() const;
    int tripsEnded() const { return readLocked(world_, ended_); }
    // Where in the Dock a window shrinks to: a square centred in the Dock's strip.
    Rect dockTarget() const;

    // The shape between `from` and `to` at `now`, for a trip from `start` to `end`.
    static Rect shapeAt(const Rect& from, const Rect& to, double start, double end, double now);

private:
    friend class Window;

    // Begins a trip of a window whose state allows it; true when it began.
    bool begin(Window& window, DockTravel direction);
    void arrive(uint32_t window, uint64_t trip);
    void silence(Window& window, double duration);
    void notifyOwnWindow(const Window& window, DockTravel direction);

    Desktop& world_;
    double durations_[2] = {kDefaultDuration, kDefaultDuration};
    std::optional<double> silence_;
    TripNotifications notifications_ = TripNotifications::atEnd;
    std::map<uint32_t, const void*> objects_;
    uint64_t nextTrip_ = 1;
    int ended_ = 0;
};

}  // namespace platform::desktop
