#pragma once

// The one pixel format of pictures and bitmap contexts: 32 bits per pixel, 8 bits per
// component, alpha premultiplied and first in a 32-bit little-endian word. In memory a
// pixel is the four bytes B, G, R, A; read as a uint32_t on this (little-endian) machine
// it is A << 24 | R << 16 | G << 8 | B. Premultiplied means every colour byte is at most
// the alpha byte; a transparent pixel is all zeros.

#include <bit>
#include <cstdint>

#include "platform/graphics/color_space.h"

namespace platform {

static_assert(std::endian::native == std::endian::little,
              "pixels are handled as little-endian 32-bit words");

// How drawing combines with what is already there. `normal` is source-over on
// premultiplied pixels: result = source + destination × (1 − source alpha). `copy`
// replaces the destination where the shape covers it: result = source × coverage +
// destination × (1 − coverage), so anti-aliased edges still blend.
enum class BlendMode { normal, copy };

struct Pixel {
    uint8_t b = 0;
    uint8_t g = 0;
    uint8_t r = 0;
    uint8_t a = 0;

    static constexpr Pixel fromWord(uint32_t w) {
        return {uint8_t(w), uint8_t(w >> 8), uint8_t(w >> 16), uint8_t(w >> 24)};
    }
    constexpr uint32_t word() const {
        return uint32_t(b) | uint32_t(g) << 8 | uint32_t(r) << 16 | uint32_t(a) << 24;
    }
    friend bool operator==(const Pixel&, const Pixel&) = default;
};

// The premultiplied pixel of a colour: each component clamped to 0...1, multiplied by
// alpha and rounded to the nearest byte.
uint32_t premultipliedWord(const Color& color);

// Makes a word premultiplied by lowering each colour byte above alpha to alpha.
constexpr uint32_t clampedToAlpha(uint32_t w) {
    const uint32_t a = w >> 24;
    uint32_t out = w & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t c = (w >> shift) & 0xFFu;
        out |= (c < a ? c : a) << shift;
    }
    return out;
}

}  // namespace platform
