#pragma once

// Helpers of the effect drawing tests, beside the renderer tests' own
// (renderer_test_support.h): a window picture with a title bar and lines of text, and a
// scene of one effect with that picture uploaded.

#include <cstdint>
#include <vector>

#include "platform/graphics/image.h"
#include "tests/transitions/renderer_test_support.h"
#include "transitions/transition_renderer.h"
#include "transitions/transition_scene.h"

namespace furlpane::drawing_tests {

using testing::keepFrame;
using testing::makeRenderer;
using testing::makeTarget;
using testing::Pixels;
using testing::pixelsOf;

// A white window of width × height pixels with a grey title bar (titleBar pixels high)
// and dark lines of text below it, starting at textTop and 18 pixels apart.
platform::Image textWindow(int width, int height, int titleBar, int textTop = 50);

// The rows (from the top, in pixels of the picture) at which textWindow's lines start.
std::vector<int> textBaselines(int height, int textTop = 50);

// A scene of the effect with the picture uploaded: the window at (60, 40) in a view of
// viewWidth × viewHeight points, one pixel per point unless said otherwise.
struct SceneOptions {
    TransitionEffect effect = TransitionEffect::classified;
    bool titleStrip = false;
    int viewWidth = 640;
    int viewHeight = 480;
    float pixelsPerPoint = 1;
    std::uint32_t seed = 7;
};
TransitionScene makeScene(const TransitionRenderer& renderer, const platform::Image& picture, SceneOptions options);

// The pixels for which test(blue, green, red, alpha) holds.
long countWhere(const Pixels& pixels, bool (*test)(int b, int g, int r, int a));
inline bool holds(const Pixels& p, int x, int y, bool (*test)(int b, int g, int r, int a)) {
    return test(p.blue(x, y), p.green(x, y), p.red(x, y), p.alpha(x, y));
}

}  // namespace furlpane::drawing_tests
