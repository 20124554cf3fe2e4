#include "transitions/frame_parameters.h"

#include <algorithm>

#include "transitions/effects/foundations.h"

namespace furlpane {

namespace {

using effects::clamp01;
float ease(float x) { return x * x * (3.0f - 2.0f * x); }

// in = ease(clamp(p / span)), out = ease(clamp((p − (1 − span)) / (1 − (1 − span)))).
// The second divisor is computed in single precision as written, which makes it one
// unit in the last place larger than span itself.
ShadowRamps easedRamps(float p, float span) {
    const float start = 1.0f - span;
    const float outSpan = 1.0f - start;
    return {ease(clamp01(p / span)), ease(clamp01((p - start) / outSpan))};
}

}  // namespace

ShadowRamps shadowRamps(TransitionEffect effect, float p) {
    const int n = effectNumber(effect);
    if (n >= effectNumber(TransitionEffect::blackHole) && n <= effectNumber(TransitionEffect::moonFang))
        return easedRamps(p, 0.06f);
    if (effect == TransitionEffect::fade) return {p, p};
    return easedRamps(p, 0.12f);  // swirl, rollUp, scale and cut
}

ShadowParameters shadowParameters(const TransitionScene& scene, float progress) {
    const ShadowRamps r = shadowRamps(scene.effect, progress);
    ShadowParameters s;
    s.standInFade = scene.uniforms.opacity * r.out;
    s.standInBorder = scene.standInShadow.border * s.standInFade;
    s.standInBorderWidth = scene.standInShadow.width;
    if (s.standInFade > 0) {
        s.innerRimDensity = r.out * scene.standInInnerRim.density;
        s.innerRimWidth = scene.standInInnerRim.width;
    }
    if (scene.framing) {
        s.framingFade = 1 - r.in;
        s.unframedFade = scene.effect == TransitionEffect::fade ? 1.0f : r.in;
    } else {
        s.windowFade = 1 - r.in;
        s.windowBorder = scene.windowShadow.border * (1 - r.in);
        s.windowBorderWidth = scene.windowShadow.width;
        s.unframedFade = 1;
    }
    s.windowSoftness = scene.windowShadow.isSoft ? 1.0f : 0.0f;
    s.standInSoftness = scene.standInShadow.isSoft ? 1.0f : 0.0f;
    return s;
}

namespace {
void copyGeometry(const WindowFraming::Geometry& g, std::int32_t (&out)[4], std::int32_t& depth) {
    out[0] = g.left;
    out[1] = g.top;
    out[2] = g.width;
    out[3] = g.height;
    depth = g.depth;
}
}  // namespace

FramingParameters framingParameters(const TransitionScene& scene, float framingFade) {
    FramingParameters f;
    if (scene.framing) copyGeometry(scene.framing->geometry, f.framing, f.depth);
    if (scene.freshFraming) {
        copyGeometry(scene.freshFraming->geometry, f.freshFraming, f.freshDepth);
        f.freshness = scene.uniforms.freshness;
    }
    f.fade = framingFade;
    return f;
}

bool drawsPoses(const ShadowParameters& p) {
    return p.windowBorder > 0 || p.windowFade > 0 || p.standInBorder > 0 || p.standInFade > 0 ||
           p.innerRimDensity > 0;
}

}  // namespace furlpane
