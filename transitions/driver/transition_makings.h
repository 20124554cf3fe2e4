#pragma once

// What a stand-in transition is made from, besides its window and effect: the display
// it plays on, the stand-in it lands on or leaves, and the pictures taken before it
// (the window, what lay behind it, the other screens).
//
// Rectangles are in top-left coordinates (origin at the top-left corner of the first
// screen, y downwards), in points.

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/geometry/geometry.h"
#include "platform/graphics/image.h"
#include "transitions/transition_picture.h"

namespace furlpane {

// Whether the window goes into its stand-in or comes back out of it.
enum class TransitionDirection { minimizing, restoring };

// A picture of what a part of the screens showed, and where.
struct FrozenPicture {
    platform::Rect frame;
    platform::Image picture;
};

// The display a window stands on, as a transition needs it.
struct TransitionDisplay {
    platform::Rect frame{};    // the display's frame
    platform::Rect visible{};  // its visible frame (without menu bar and Dock)
    std::vector<platform::Rect> screens{};  // every screen's frame, in the screens' order
    double scale = 1;                     // pixels per point
    // The other screens, each without the strip above its visible frame (the menu
    // bar): what a transition freezes there while it plays.
    std::vector<platform::Rect> elsewhere{};
    bool hasSeparateSpaces = true;
    uint32_t number = 0;  // the display number, for the display link
};

// The stand-in as a transition sees it.
struct StandInShape {
    platform::Rect frame{};
    // Where the application's icon lies over a thumbnail.
    std::optional<platform::Rect> icon{};
    double cornerRadius = 0;
    bool isTitleStrip = false;
    double opacity = 1;  // the stand-in panel's alpha
    bool isDark = false;
};

// The pictures a transition is made from, prepared off the main thread.
struct TransitionMakings {
    TransitionPicture picture;
    // What lay behind the window on its display, without it and without the program's
    // own transition panels, and the rectangle it was taken of.
    FrozenPicture backdrop;
    std::vector<FrozenPicture> elsewhere{};
};

// A rectangle with finite coordinates and some width and height.
inline bool hasArea(const platform::Rect& r) { return r.isFinite() && !r.isEmpty(); }

// The part of a screen below the strip above its visible frame: the whole screen but
// its menu bar. Empty when the frames do not meet.
platform::Rect belowMenuBar(const platform::Rect& frame, const platform::Rect& visible);

}  // namespace furlpane
