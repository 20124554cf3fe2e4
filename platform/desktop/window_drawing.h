#pragma once

// How the world draws window pictures (internal to the simulated desktop; see
// window_pictures.h for what the pictures look like). Pure functions of their inputs.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/geometry/geometry.h"
#include "platform/graphics/color_space.h"
#include "platform/graphics/image.h"
#include "platform/graphics/text.h"

namespace platform::desktop::drawing {

struct Button {
    Rect frame;  // relative to the window's top-left corner, in points
    Color color;
};

struct WindowLook {
    int width = 0;  // pixels
    int height = 0;
    double scale = 1;  // pixels per point
    bool rounded = true;
    double titleBarHeight = 0;  // points
    std::vector<Button> buttons;
    std::string title;
    bool full = true;  // title and marks shown
    uint64_t seed = 0;
    const Font* font = nullptr;  // null: no title text
};

// A number that mixes the seed with the title, so that two windows differ.
uint64_t contentSeed(uint64_t seed, const std::string& title);

std::optional<Image> drawWindow(const WindowLook& look);
std::optional<Image> drawDesktopPicture(int width, int height, uint64_t seed);
std::optional<Image> drawDockStrip(int width, int height, double scale);
// The framed picture of a plain one (see window_pictures.h).
std::optional<Image> drawFramed(const Image& plain, double scale, bool rounded, int left, int top, int right,
                                int bottom);

}  // namespace platform::desktop::drawing
