#pragma once

// Helpers of the renderer tests: a renderer on a small device, solid and two-tone
// pictures, targets, and the target's pixels.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gpu/gpu.h"
#include "platform/graphics/image.h"
#include "transitions/transition_renderer.h"

namespace furlpane::testing {

std::shared_ptr<TransitionRenderer> makeRenderer(int sampleCount = 4, int threads = 2);

// A picture of one colour (straight, not premultiplied, components 0 ... 255).
platform::Image solidImage(int width, int height, int r, int g, int b, int a = 255);
// The top `split` rows in one colour, the rest in another (both opaque).
platform::Image twoToneImage(int width, int height, int split, std::uint32_t topBGRA, std::uint32_t bottomBGRA);

std::shared_ptr<platform::gpu::Texture> makeTarget(const TransitionRenderer& renderer, int width, int height);

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bytes;  // BGRA, rows from the top

    // B, G, R, A of a pixel.
    std::uint32_t at(int x, int y) const;
    int blue(int x, int y) const { return bytes[index(x, y)]; }
    int green(int x, int y) const { return bytes[index(x, y) + 1]; }
    int red(int x, int y) const { return bytes[index(x, y) + 2]; }
    int alpha(int x, int y) const { return bytes[index(x, y) + 3]; }
    std::size_t index(int x, int y) const { return (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4; }
    // FNV-1a of the bytes.
    std::uint64_t hash() const;
};

Pixels pixelsOf(const platform::gpu::Texture& texture, int level = 0);

// Writes the pixels as PNG into the folder named by FURLPANE_FRAME_DIR, when it is set,
// so that a person can look at what a test drew.
void keepFrame(const Pixels& pixels, const std::string& name);

}  // namespace furlpane::testing
