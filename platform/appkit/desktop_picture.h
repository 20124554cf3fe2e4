#pragma once

// A picture of what the current world shows on its screens, for people and tests to look
// at: every window on screen, back to front (the world's stacking order), over the
// screens' area. It belongs to the simulated desktop's side: programs take pictures of
// windows through the window server.
//
// The program's own windows are drawn from their layers (layer_rendering.h) after a
// display cycle, so pending layout and display show. Other windows are drawn by the
// picture hook when one is given and it answers, else as a flat placeholder: a body in a
// colour that follows from the owner and the window number, a title bar with its buttons
// and title for titled windows, the desktop-level windows (desktop pictures) in a dark
// blue, the menu bar light and the Dock grey. Each window's alpha applies.
//
// The area is the union of the screens' frames in top-left coordinates unless given; the
// picture is in sRGB at `scale` pixels per point, top row first.

#include <filesystem>
#include <functional>
#include <optional>

#include "platform/desktop/window.h"
#include "platform/geometry/geometry.h"
#include "platform/graphics/image.h"
#include "platform/runtime/result.h"

namespace platform {

struct DesktopPictureOptions {
    double scale = 1;
    // Top-left coordinates; default: every screen.
    std::optional<Rect> area{};
    // The picture of a window of another process at a scale, when there is one.
    std::function<std::optional<Image>(const desktop::Window&, double scale)> windowPicture{};
};

// Nothing without a world, without screens (and no area), or for a picture larger than
// images can be.
std::optional<Image> renderDesktop(const DesktopPictureOptions& options = {});
Result<void> writeDesktopPNG(const std::filesystem::path& file, const DesktopPictureOptions& options = {});

}  // namespace platform
