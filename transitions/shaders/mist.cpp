// mist: the picture dissolves into a haze that drifts off. Patch by patch (a pattern of
// the renderer's noise) the picture turns into a pale, blurred mist that rises and
// swirls and thins out beyond the window's edges; bound for a thumbnail the mist then
// gathers on the stand-in and clears into its picture. A title strip's body dissolves
// into mist that rises past the title bar, which stays.
//
// Twin quads (sheet.h) with a margin the haze drifts into.

#include <algorithm>
#include <cmath>

#include "platform/gpu/hot_path.h"
#include "transitions/shaders/effect_shaders.h"
#include "transitions/shaders/sheet.h"
#include "transitions/transition_renderer.h"

namespace furlpane {

using namespace platform::gpu;
using platform::simd::float2;
using platform::simd::float4;

namespace {

constexpr float kMargin = 48;  // points the haze spreads beyond the window
constexpr float4 kHaze{0.9f, 0.92f, 0.96f, 1};

VertexOutput mistVertex(const VertexInput& in) { return shaders::twinQuadVertex(in, kMargin); }

// What the mist reads once per draw.
struct MistConstants {
    shaders::SpanPicture picture;
    BoundTexture noise;  // empty without the noise or a sampler: it then reads 0.5
    float noiseSide;
    const TransitionUniforms* uniforms;
    float share;  // of the picture's height the title bar takes
    float keep;   // the title bar's alpha
    float fade;
    float marginX, marginY;  // in picture coordinates
    bool silhouette;
};

void prepareMist(const StageResources& r, MistConstants& c) {
    c.picture.bind(r);
    if (const Texture* noise = r.texture(2); noise && r.sampler(0)) {
        c.noise = {noise, r.sampler(0)};
        c.noiseSide = float(noise->width());
    }
    const TransitionUniforms& u = shaders::uniformsOf(r);
    c.uniforms = &u;
    c.share = shaders::titleShare(u);
    c.keep = shaders::arrivingAlpha(u, shaders::clamp01(u.progress));
    c.fade = shaders::shadowOf(r).unframedFade;
    c.marginX = kMargin / std::max(u.window.z, 1.0f);
    c.marginY = kMargin / std::max(u.window.w, 1.0f);
    c.silhouette = shaders::isSilhouettePass(r);
}

using shaders::lanes4::f32x8;
using shaders::lanes4::i32x8;
namespace lanes = platform::gpu::lanes;

// The renderer's noise (shaders::noiseTexels) at the lanes' points p, `cells` cells a unit.
void noiseAt(const MistConstants& c, f32x8 u, f32x8 v, float cells, SpanColors& out) {
    if (!c.noise) {
        for (float* channel : {out.r, out.g, out.b, out.a}) lanes::store8(channel, lanes::splat8(0.5f));
        return;
    }
    alignas(32) float at[2][kSpanLanes];
    lanes::store8(at[0], (u * cells + 0.5f) / c.noiseSide);
    lanes::store8(at[1], (v * cells + 0.5f) / c.noiseSide);
    c.noise.sample(at[0], at[1], out);
}

// Fades the haze out beyond the picture's edges.
f32x8 inside(f32x8 u, f32x8 v, float marginX, float marginY) {
    using namespace shaders::lanes4;
    const f32x8 zero = lanes::splat8(0.0f);
    const f32x8 x = larger(larger(-u, u - 1.0f), zero) / marginX, y = larger(larger(-v, v - 1.0f), zero) / marginY;
    return lanes::clamp01(1.0f - larger(x, y));
}

// The mist over the sharp picture (color, the lanes' channels) where the lanes have turned
// to mist by `misted`: the picture blurred where the mist has drifted from, paled into
// haze and thinned out.
void mistOver(const FragmentSpan& s, const MistConstants& c, f32x8 (&color)[4], f32x8 m, float gone) {
    using namespace shaders::lanes4;
    const f32x8 pu = of(s.varyings[0]), pv = of(s.varyings[1]);
    const f32x8 du = pu * 0.7f + 0.0f, dv = pv * 0.7f + 0.5f * gone;
    SpanColors swirl, wisps;
    noiseAt(c, du, dv, 5, swirl);  // x in channel 2, y in 3
    noiseAt(c, du, dv, 13, wisps);
    const f32x8 sx = lanes::load8(swirl.b), sy = lanes::load8(swirl.a);
    const f32x8 fu = pu + (sx - 0.5f) * 0.3f * m, fv = pv + (0.25f + (sy - 0.5f) * 0.2f) * m;
    const f32x8 weight = inside(fu, fv, c.marginX, c.marginY) * inside(pu, pv, c.marginX, c.marginY);
    const f32x8 lod = 1.0f + 4.5f * m;
    // A helper lane's colour is never used; the rest pays for the blurred read only
    // where it counts (a sample of the picture, finite and not negative, times 0 is 0).
    i32x8 shown = m > 0.0f, readLanes{};
    unsigned read = 0;
    for (int lane = 0; lane < kSpanLanes; ++lane) {
        if (!(s.liveMask & (1u << lane))) shown[lane] = 0;
        if (shown[lane] && weight[lane] > 0) read |= 1u << lane, readLanes[lane] = -1;
    }
    alignas(32) float at[3][kSpanLanes];
    lanes::store8(at[0], fu), lanes::store8(at[1], fv), lanes::store8(at[2], lod);
    SpanColors sharp;
    c.picture.picture.sample(at[0], at[1], at[2], read, sharp);
    const f32x8 zero = lanes::splat8(0.0f);
    f32x8 blurred[4];
    const float* channels[4] = {sharp.r, sharp.g, sharp.b, sharp.a};
    for (int k = 0; k < 4; ++k) blurred[k] = select(readLanes, lanes::load8(channels[k]) * weight, zero);
    const f32x8 thin = m * (1.0f - m) * 2.0f + (1 - gone) * m;
    const f32x8 density = lanes::clamp01((1.0f - m) + thin * (0.3f + 0.7f * lanes::load8(wisps.r)) * (1 - gone));
    const f32x8 e = lanes::clamp01(m * 1.5f), blend = e * e * (3.0f - 2.0f * e);
    for (int k = 0; k < 4; ++k) {
        const f32x8 haze = blurred[k] + (kHaze[k] * blurred[3] - blurred[k]) * 0.5f;
        color[k] = select(shown, (color[k] + (haze - color[k]) * blend) * density, color[k]);
    }
}

// Whether any lane of a span holds a value above 0.
bool anyAbove0(f32x8 v) { return !lanes::allZero(v > 0.0f); }

FURLPANE_HOT_PATH void mistSpan(FragmentSpan& s, const MistConstants& c) {
    const TransitionUniforms& u = *c.uniforms;
    const float gone = shaders::twinProgress(u, s.varyings[6][0]);  // flat: both quads are of one triangle
    if (!c.picture.picture || (gone >= 1 && !isTitleStrip(u))) {  // nothing to draw with, or the mist has cleared
        s.discardMask = 0xFF;
        return;
    }
    // How far each patch has turned to mist; how much of each lane lies on the picture.
    using namespace shaders::lanes4;
    const f32x8 pu = of(s.varyings[0]), pv = of(s.varyings[1]);
    const f32x8 onPicture = inside(pu, pv, 1e-3f, 1e-3f);
    const i32x8 bar = (pv < c.share) & (onPicture > 0.0f);
    SpanColors patches, fine;
    noiseAt(c, pu, pv, 7, patches);
    noiseAt(c, pu, pv, 23, fine);
    const f32x8 misted = select(bar, lanes::splat8(0.0f),
                                lanes::clamp01(1.7f * gone - 0.7f * (0.7f * lanes::load8(patches.r) +
                                                                     0.3f * lanes::load8(fine.g))));
    // Off the picture (on the margin the haze drifts into) the sharp picture counts for
    // nothing: its colours are not read there.
    f32x8 color[4] = {};
    if (anyAbove0(onPicture)) shaders::pictureColors(c.picture, s.varyings[0], s.varyings[1], color);
    for (f32x8& channel : color) channel = channel * onPicture;
    if (anyAbove0(misted)) mistOver(s, c, color, misted, gone);
    const f32x8 corners =
        select(onPicture > 0.0f, sheetCorners(pu, pv, of(s.varyings[5]), u), lanes::splat8(1.0f));
    const f32x8 alpha = of(s.varyings[2]) * c.fade * select(bar, lanes::splat8(c.keep), lanes::splat8(1.0f)) *
                        (corners + (1.0f - corners) * misted);
    emitSheet(s, color, alpha, c.silhouette);
    discardClearLanes(s);  // mostly the margin, where no haze has drifted
}

// The quad form: the quad as the left half of a span, its right half the same lanes again,
// none of them live.
void mistFragment(FragmentQuad& q) {
    MistConstants c{};
    prepareMist(*q.resources, c);
    FragmentSpan s;
    s.x = q.x, s.y = q.y, s.liveMask = q.liveMask, s.frontFacing = q.frontFacing, s.instanceId = q.instanceId;
    s.resources = q.resources;
    for (int k = 0; k < shaders::kTwinVaryings.count; ++k)
        for (int lane = 0; lane < kSpanLanes; ++lane) s.varyings[k][lane] = q.varyings[k][lane & 3];
    mistSpan(s, c);
    q.discardMask = s.discardMask & 0xFu;
    for (int lane = 0; lane < 4; ++lane)
        q.color[lane] = {s.color.r[lane], s.color.g[lane], s.color.b[lane], s.color.a[lane]};
}

}  // namespace

void registerMistShaders(ShaderCatalog& catalog) {
    shaders::registerPair(catalog, "mist", shaders::kTwinVaryings, mistVertex, mistFragment,
                          spanFunction<MistConstants, prepareMist, mistSpan>());
}

void drawMist(const EffectPass& pass) { shaders::drawTwinQuads(pass); }

}  // namespace furlpane
