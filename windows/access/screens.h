#pragma once

// Screens and the Dock in the program's one coordinate space: top-left coordinates,
// with the origin at the top-left corner of the first screen (the one with the menu
// bar) and y growing downwards, in points. AppKit's rectangles convert as
// (minX, H − maxY, width, height), H being the maxY of the first screen's frame (0
// without screens), read again at every conversion.
//
// Screens and the Dock's settings are read afresh at every call, so a change of displays
// or of the Dock takes effect at the next one. The only value kept is the number of the
// Dock's window, so that finding the Dock's screen usually asks about one window.
//
// Threads: the operations that read screens or window lists run on the main thread and
// check it (main_thread.h); screenNumber, dockSettings, extendOverHiddenDock and
// clampRect may run anywhere.

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/appkit/screen.h"
#include "platform/geometry/geometry.h"
#include "platform/plist/value.h"

namespace furlpane {

enum class DockEdge { bottom = 0, left = 1, right = 2 };

// Where the Dock sits and whether it hides itself, as its own preferences say.
struct DockSettings {
    DockEdge edge = DockEdge::bottom;
    bool autohides = false;
    friend bool operator==(const DockSettings&, const DockSettings&) = default;
};

// A screen's display number and frame.
struct ScreenDisplay {
    std::optional<uint32_t> display;
    platform::Rect frame;
    friend bool operator==(const ScreenDisplay&, const ScreenDisplay&) = default;
};

struct DisplayFrame {
    uint32_t display = 0;
    platform::Rect frame;
    friend bool operator==(const DisplayFrame&, const DisplayFrame&) = default;
};

// The Dock's window and the frame of the screen it lies on.
struct DockWindowScreen {
    uint32_t window = 0;
    platform::Rect screen;
    friend bool operator==(const DockWindowScreen&, const DockWindowScreen&) = default;
};

// "NSScreenNumber" of the screen's device description; nothing when it is missing or
// is not a number that fits 32 bits.
std::optional<uint32_t> screenNumber(const platform::Screen& screen);

// Every screen's frame in AppKit's screen order; empty without screens.
std::vector<platform::Rect> screenFrames();
std::vector<ScreenDisplay> screenFramesWithDisplays();
// Whether the rectangle meets some screen's frame with a common area.
bool meetsAnyScreen(const platform::Rect& rect);
// Nothing when the screen has no display number.
std::optional<DisplayFrame> screenDisplayFrame(const platform::Screen& screen);

// The first screen whose frame holds the point (minimum edges in, maximum edges out),
// else the first screen; nothing only without screens.
std::optional<platform::Screen> screenContaining(platform::Point point);

// The frame for a rectangle: the first that holds its midpoint, else the one it
// overlaps most (the first of equal overlaps), else 0 when it overlaps none; nothing
// only for an empty list.
std::optional<size_t> bestFrameIndex(const platform::Rect& rect, const std::vector<platform::Rect>& frames);
std::optional<platform::Screen> screenForRect(const platform::Rect& rect);

// Read from the "com.apple.dock" domain: "orientation" exactly "left" or "right", else
// bottom; "autohide" as a Boolean, false when missing or unreadable.
DockSettings dockSettings();

// The visible frame stretched over the strip of a Dock that hides itself (both frames
// top-left); unchanged for a Dock that stays. A stretched side never goes below 0.
platform::Rect extendOverHiddenDock(const DockSettings& settings, const platform::Rect& screenFrame,
                                    const platform::Rect& visibleFrame);

// The rectangle moved, never resized, to lie inside the bounds as far as it can: one
// wider than the bounds sits at their left edge, one taller at their top edge.
platform::Rect clampRect(const platform::Rect& rect, const platform::Rect& bounds);

// Where the system keeps a window of this frame: where it is while it meets a screen's
// frame; else moved, never resized, inside the first screen's visible frame, as the
// windows of a display that went are. Nothing without screens.
std::optional<platform::Rect> frameOnConnectedScreen(const platform::Rect& frame);

// The frame stand-ins may use on the screen of screenForRect (screenContaining): the
// visible frame, stretched over a hidden Dock. Nothing without screens.
std::optional<platform::Rect> usableFrameForRect(const platform::Rect& rect);
std::optional<platform::Rect> usableFrameAtPoint(platform::Point point);

// The first window of the list that is the Dock's ("Dock" at the Dock level, with a
// number and bounds) and whose midpoint lies on one of the screen frames, with that
// frame.
std::optional<DockWindowScreen> dockWindowScreen(const platform::plist::Array& windows,
                                                 const std::vector<platform::Rect>& screenFrames);

// The frame of the screen on which the Dock's window lies; nothing when no Dock window
// can be found (while the Dock restarts, for instance).
std::optional<platform::Rect> dockScreenFrame();

}  // namespace furlpane
