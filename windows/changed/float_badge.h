#pragma once

// Where the float badge sits on a floating window's title bar (FloatBadge), and its
// picture (floatBadgeImage).
//
// The badge is the program's own icon, 16 points square, drawn at 80 % opacity in the
// slot just beyond the last title-bar button, or further out beyond the title when the
// title would come too close. Positions are top-left, relative to the window (or to the
// stand-in that shows the badge in its place). A window whose buttons run from the right
// edge leftwards measures from the right edge.

#include <map>
#include <optional>

#include "platform/accessibility/element.h"
#include "platform/geometry/geometry.h"
#include "platform/graphics/image.h"
#include "windows/access/target_window.h"

namespace furlpane {

struct FloatBadge {
    static constexpr double kSide = 16;
    static constexpr double kOpacity = 0.8;

    // The buttons run from the right edge leftwards; distances count from the right edge.
    bool isFromRight = false;
    // x: the distance of the badge's centre from that edge (the pushed position); y: the
    // distance of its centre from the top.
    platform::Point center{85, 16};
    // The slot after the buttons: the least distance at which the badge may stand when a
    // narrow window pulls it back.
    double nearest = 85;

    friend bool operator==(const FloatBadge&, const FloatBadge&) = default;

    // The badge of a window with these buttons (rectangles relative to the window's
    // top-left corner), title frame (the same; none when unknown) and width. Without
    // buttons the badge stands 85 points in and 16 down, which is also its slot.
    static FloatBadge measure(const std::map<WindowButton, platform::Rect>& buttons,
                              std::optional<platform::Rect> titleFrame, double windowWidth);
    // Reads the window's frame, buttons and title text again and measures; none when the
    // window's frame cannot be read. Main thread.
    static std::optional<FloatBadge> remeasure(const platform::AccessibilityElement& window);
    // The badge's 16 × 16 rectangle in the bounds (top-left): at its pushed position, pulled
    // back to 16 points from the far edge in a narrow window, and none when even the slot
    // lies beyond that or the rectangle leaves the bounds.
    static std::optional<platform::Rect> rect(const FloatBadge& badge, const platform::Rect& bounds);
};

// The program's icon drawn at the badge's size for a backing scale, in sRGB: cached per
// pixel size for the life of the process. None (and nothing cached) without an icon or
// when the drawing fails. Main thread.
std::optional<platform::Image> floatBadgeImage(double scale);

}  // namespace furlpane
