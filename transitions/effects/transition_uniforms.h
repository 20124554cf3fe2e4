#pragma once

// The per-frame block of values handed to the graphics processor at buffer index 0 of
// both shader stages, and read by the effect models (which widen every Float to
// Double). Built by the transition driver and refreshed every frame.
//
// Layout (bytes): window 0, standIn 16, room 32 (origin x, origin y, width, height in
// points of the drawing view, origin top left, y down), viewSize 48, grid 56 (columns,
// rows), progress 64, pixelsPerPoint 68, titleBarHeight 72, opacity 76, cornerRadius 80,
// standInCrop 84, freshness 88, restoring 92, seed 96, then reserved words up to 144
// that the shaders do not read. The layout is a contract with the shaders: change it
// only together with them.

#include <cstddef>
#include <cstdint>

#include "platform/simd/simd.h"

namespace furlpane {

struct TransitionUniforms {
    platform::simd::float4 window{};
    platform::simd::float4 standIn{};
    platform::simd::float4 room{};
    platform::simd::float2 viewSize{};
    platform::simd::uint2 grid{};
    // The drawn progress t in 0...1, already turned around when restoring.
    float progress = 0;
    float pixelsPerPoint = 1;
    float titleBarHeight = 0;
    // The stand-in's opacity, towards which effects fade as they arrive.
    float opacity = 1;
    float cornerRadius = 0;
    // Below 1 the stand-in is a title strip, otherwise a thumbnail.
    float standInCrop = 1;
    float freshness = 0;
    // Above 0.5 when the transition goes from the stand-in back to the window.
    float restoring = 0;
    uint32_t seed = 0;
    uint32_t reserved[11] = {};
};

static_assert(sizeof(TransitionUniforms) == 144, "the uniform block is 144 bytes");
static_assert(offsetof(TransitionUniforms, viewSize) == 48);
static_assert(offsetof(TransitionUniforms, grid) == 56);
static_assert(offsetof(TransitionUniforms, progress) == 64);
static_assert(offsetof(TransitionUniforms, seed) == 96);

// A stand-in is a title strip exactly when its crop is below 1 (a Float comparison).
inline bool isTitleStrip(const TransitionUniforms& u) { return u.standInCrop < 1.0f; }

}  // namespace furlpane
