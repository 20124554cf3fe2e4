// mist: the picture dissolves into a haze that drifts off. Patch by patch (a pattern of
// the renderer's noise) the picture turns into a pale, blurred mist that rises and
// swirls and thins out beyond the window's edges; bound for a thumbnail the mist then
// gathers on the stand-in and clears into its picture. A title strip's body dissolves
// into mist that rises past the title bar, which stays.
//
// Twin quads (sheet.h) with a margin the haze drifts into.

#include <algorithm>
#include <cmath>

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

// Fades the haze out beyond the picture's edges. Inline: its vectors would go through
// the stack.
[[gnu::always_inline]] inline float inside(float2 uv, float2 margin) {
    const float2 out = max(max(-uv, uv - float2{1, 1}), float2{0, 0}) / margin;
    return shaders::clamp01(1 - std::max(out.x, out.y));
}

// inside() for the four lanes of a quad at once.
shaders::lanes4::f32x4 insideLanes(shaders::lanes4::f32x4 u, shaders::lanes4::f32x4 v, float2 margin) {
    using namespace shaders::lanes4;
    const f32x4 zero = lanes::splat(0.0f);
    const f32x4 x = larger(larger(-u, u - 1.0f), zero) / margin.x, y = larger(larger(-v, v - 1.0f), zero) / margin.y;
    return lanes::clamp01(1.0f - larger(x, y));
}

// The mist over the sharp picture (color, the lanes' channels) where the lanes have turned
// to mist by `misted`: the picture blurred where the mist has drifted from, paled into
// haze and thinned out.
void mistOver(FragmentQuad& q, shaders::lanes4::f32x4 (&color)[4], shaders::lanes4::f32x4 m,
              const Quad<float2>& uv, float gone, float2 margin, const Texture& picture, const Sampler& sampler) {
    using namespace shaders::lanes4;
    const StageResources& r = *q.resources;
    Quad<float2> drift;
    for (size_t i = 0; i < 4; ++i) drift[i] = uv[i] * 0.7f + float2{0, 0.5f * gone};
    const auto swirl = shaders::noiseTexels(r, drift, 5);  // x in channel 2, y in 3
    const f32x4 wisps = of(shaders::noiseAt(r, drift, 13, 0));
    const f32x4 sx{swirl[0].z, swirl[1].z, swirl[2].z, swirl[3].z}, sy{swirl[0].w, swirl[1].w, swirl[2].w, swirl[3].w};
    const f32x4 pu = of(q.varyings[0]), pv = of(q.varyings[1]);
    const f32x4 fu = pu + (sx - 0.5f) * 0.3f * m, fv = pv + (0.25f + (sy - 0.5f) * 0.2f) * m;
    const f32x4 weight = insideLanes(fu, fv, margin) * insideLanes(pu, pv, margin), lod = 1.0f + 4.5f * m;
    // A helper lane's colour is never used; the rest pays for the blurred read only
    // where it counts (a sample of the picture, finite and not negative, times 0 is 0).
    f32x4 blurred[4] = {};
    i32x4 shown = m > 0.0f;
    for (int lane = 0; lane < 4; ++lane) {
        if (!(q.liveMask & (1u << lane))) shown[lane] = 0;
        if (!shown[lane] || !(weight[lane] > 0)) continue;
        const float4 b = picture.sample(sampler, {fu[lane], fv[lane]}, lod[lane]) * weight[lane];
        for (int k = 0; k < 4; ++k) blurred[k][lane] = b[k];
    }
    const f32x4 thin = m * (1.0f - m) * 2.0f + (1 - gone) * m;
    const f32x4 density = lanes::clamp01((1.0f - m) + thin * (0.3f + 0.7f * wisps) * (1 - gone));
    const f32x4 e = lanes::clamp01(m * 1.5f), blend = e * e * (3.0f - 2.0f * e);
    for (int k = 0; k < 4; ++k) {
        const f32x4 haze = blurred[k] + (kHaze[k] * blurred[3] - blurred[k]) * 0.5f;
        color[k] = select(shown, (color[k] + (haze - color[k]) * blend) * density, color[k]);
    }
}

void mistFragment(FragmentQuad& q) {
    if (!shaders::readyToDraw(q)) return;
    const StageResources& r = *q.resources;
    const Texture* picture = r.texture(0);
    const Sampler* sampler = r.sampler(0);
    const TransitionUniforms& u = shaders::uniformsOf(r);
    const bool silhouette = shaders::isSilhouettePass(r);
    const float gone = shaders::twinProgress(u, q.varying(6, 0));
    const float share = shaders::titleShare(u), keep = shaders::arrivingAlpha(u, shaders::clamp01(u.progress));
    const float2 margin = float2{kMargin, kMargin} / float2{std::max(u.window.z, 1.0f), std::max(u.window.w, 1.0f)};
    const auto uv = q.varying2(0);
    if (gone >= 1 && !isTitleStrip(u)) {  // the mist has cleared
        q.discardMask = 0xF;
        return;
    }
    // How far each patch has turned to mist; how much of each lane lies on the picture.
    using namespace shaders::lanes4;
    const f32x4 pu = of(q.varyings[0]), pv = of(q.varyings[1]);
    const f32x4 onPicture = insideLanes(pu, pv, {1e-3f, 1e-3f});
    const i32x4 bar = (pv < share) & (onPicture > 0.0f);
    const f32x4 patches = of(shaders::noiseAt(r, uv, 7, 0)), fine = of(shaders::noiseAt(r, uv, 23, 1));
    const f32x4 misted =
        select(bar, lanes::splat(0.0f), lanes::clamp01(1.7f * gone - 0.7f * (0.7f * patches + 0.3f * fine)));
    float most = 0, anyPicture = 0;
    for (int i = 0; i < 4; ++i) {
        most = std::max(most, misted[i]);
        anyPicture = std::max(anyPicture, onPicture[i]);
    }
    // Off the picture (on the margin the haze drifts into) the sharp picture counts for
    // nothing: its colours are not read there.
    f32x4 color[4] = {};
    if (anyPicture > 0) channels(shaders::pictureColors(r, uv), color);
    for (f32x4& c : color) c = c * onPicture;
    const float fade = shaders::shadowOf(r).unframedFade;
    if (most > 0) mistOver(q, color, misted, uv, gone, margin, *picture, *sampler);
    const f32x4 corners = select(onPicture > 0.0f, sheetCorners(pu, pv, of(q.varyings[5]), u), lanes::splat(1.0f));
    const f32x4 alpha = of(q.varyings[2]) * fade * select(bar, lanes::splat(keep), lanes::splat(1.0f)) *
                        (corners + (1.0f - corners) * misted);
    emitSheet(q, color, alpha, silhouette);
}

}  // namespace

void registerMistShaders(ShaderCatalog& catalog) {
    shaders::registerPair(catalog, "mist", shaders::kTwinVaryings, mistVertex, mistFragment);
}

void drawMist(const EffectPass& pass) { shaders::drawTwinQuads(pass); }

}  // namespace furlpane
