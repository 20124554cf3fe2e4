#pragma once

// Helpers of the effect drawing tests: a renderer on a small device, a window picture
// with a title bar and lines of text, a scene of one effect, a frame's pixels, and the
// frame kept as PNG in FURLPANE_FRAME_DIR when that is set, to be looked at.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gpu/gpu.h"
#include "platform/graphics/image.h"
#include "transitions/transition_renderer.h"
#include "transitions/transition_scene.h"

namespace furlpane::drawing_tests {

std::shared_ptr<TransitionRenderer> makeRenderer(int sampleCount = 1, int threads = 2);

// A white window of width × height pixels with a grey title bar (titleBar pixels high)
// and dark lines of text below it, starting at textTop and 18 pixels apart.
platform::Image textWindow(int width, int height, int titleBar, int textTop = 50);

// The rows (from the top, in pixels of the picture) of the text lines drawn by textWindow.
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

std::shared_ptr<platform::gpu::Texture> makeTarget(const TransitionRenderer& renderer, int width, int height);

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bytes;  // BGRA, rows from the top
    const std::uint8_t* at(int x, int y) const { return bytes.data() + (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4; }
    int alpha(int x, int y) const { return at(x, y)[3]; }
    std::uint64_t hash() const;
    long countWhere(bool (*test)(const std::uint8_t*)) const;
};
Pixels pixelsOf(const platform::gpu::Texture& texture, int level = 0);
void keepFrame(const Pixels& pixels, const std::string& name);

}  // namespace furlpane::drawing_tests
