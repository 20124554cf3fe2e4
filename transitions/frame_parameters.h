#pragma once

// The two small blocks that every frame computes from the scene and hands to the shaders
// as bytes: ShadowParameters (the shadow, rim, inner-rim and framing fades) and
// FramingParameters (where the framings lie in their pictures). Both are 48 bytes and
// their field order is a contract with the shaders.

#include <cstddef>
#include <cstdint>

#include "transitions/transition_scene.h"

namespace furlpane {

struct ShadowParameters {
    float windowBorder = 0;       // the window's rim strength; 0 with a framing
    float windowBorderWidth = 0;  // 0 with a framing
    float standInBorder = 0;
    float standInBorderWidth = 0;
    float windowFade = 0;         // the window's shadow weight, 1 − in; 0 with a framing
    float standInFade = 0;        // the stand-in's shadow weight, opacity × out
    float innerRimDensity = 0;
    float innerRimWidth = 0;
    float windowSoftness = 0;     // 1 when the window's shadow is soft
    float standInSoftness = 0;
    float unframedFade = 0;       // how much of the picture without its framing shows
    float framingFade = 0;        // how much of the framing shows
};
static_assert(sizeof(ShadowParameters) == 48);
static_assert(offsetof(ShadowParameters, framingFade) == 44);

struct FramingParameters {
    std::int32_t framing[4] = {};       // left, top, width, height of the picture's framing
    std::int32_t freshFraming[4] = {};  // the same of the fresh picture's framing
    std::int32_t depth = 0;
    std::int32_t freshDepth = 0;
    float fade = 0;       // the frame's framingFade
    float freshness = 0;  // the uniforms' freshness when there is a fresh framing
};
static_assert(sizeof(FramingParameters) == 48);
static_assert(offsetof(FramingParameters, fade) == 40);

// The in and out ramps of an effect at progress p (0 at the window, 1 at the stand-in):
// the window's weight leaves while `in` rises at the start, the stand-in's arrives while
// `out` rises at the end. Single-precision, as the shaders would compute them.
struct ShadowRamps {
    float in = 0;
    float out = 0;
};
ShadowRamps shadowRamps(TransitionEffect effect, float progress);

ShadowParameters shadowParameters(const TransitionScene& scene, float progress);
FramingParameters framingParameters(const TransitionScene& scene, float framingFade);

// Whether a frame with these parameters draws the silhouette pass and the shadow, rim
// and inner-rim draws that read it.
bool drawsPoses(const ShadowParameters& p);

}  // namespace furlpane
