#pragma once

// Pixel arithmetic shared by the drawing operations: premultiplied source-over and copy
// with 8-bit coverage, two colour channels at a time in one 32-bit word.

#include <cstdint>

#include "platform/graphics/pixel.h"

namespace platform::raster {

// Every byte of p multiplied by f / 255, rounded to nearest.
inline uint32_t scaleWord(uint32_t p, uint32_t f) {
    uint32_t rb = (p & 0x00FF00FFu) * f + 0x00800080u;
    rb = ((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
    uint32_t ag = ((p >> 8) & 0x00FF00FFu) * f + 0x00800080u;
    ag = (ag + ((ag >> 8) & 0x00FF00FFu)) & 0xFF00FF00u;
    return rb | ag;
}

inline uint8_t scaleByte(uint32_t v, uint32_t f) {
    const uint32_t x = v * f + 128;
    return uint8_t((x + (x >> 8)) >> 8);
}

// s is the source already multiplied by its coverage c.
inline uint32_t blendCovered(uint32_t s, uint32_t c, uint32_t d, BlendMode mode) {
    if (mode == BlendMode::copy) return c == 255 ? s : s + scaleWord(d, 255 - c);
    const uint32_t sa = s >> 24;
    if (sa == 255) return s;
    if (sa == 0 && s == 0) return d;
    return s + scaleWord(d, 255 - sa);
}

// dst[i] combined with `color` at one coverage for the whole span.
inline void compositeSolidUniform(uint32_t* dst, int n, uint32_t c, uint32_t color, BlendMode mode) {
    if (c == 0) return;
    const uint32_t s = c == 255 ? color : scaleWord(color, c);
    if (c == 255 && (mode == BlendMode::copy || (s >> 24) == 255)) {
        for (int i = 0; i < n; ++i) dst[i] = s;
        return;
    }
    for (int i = 0; i < n; ++i) dst[i] = blendCovered(s, c, dst[i], mode);
}

// dst[i] combined with `color` at coverage[i]. Runs of full coverage, the inside of
// every large shape, go through the uniform path.
inline void compositeSolid(uint32_t* dst, const uint8_t* coverage, int n, uint32_t color, BlendMode mode) {
    int i = 0;
    while (i < n) {
        const uint32_t c = coverage[i];
        if (c == 255) {
            int end = i + 1;
            while (end < n && coverage[end] == 255) ++end;
            compositeSolidUniform(dst + i, end - i, 255, color, mode);
            i = end;
            continue;
        }
        if (c != 0) dst[i] = blendCovered(scaleWord(color, c), c, dst[i], mode);
        ++i;
    }
}

}  // namespace platform::raster
