// fade: nothing moves. The window's picture fades out where it stands while the stand-in's
// picture fades in where it stands; a title strip keeps its title bar, which only takes
// on the stand-in's opacity, while the body below it fades away.
//
// Two instances of one quad: 0 the window, 1 the stand-in (none for a title strip).

#include <algorithm>

#include "transitions/shaders/effect_shaders.h"
#include "platform/gpu/hot_path.h"
#include "transitions/shaders/sheet.h"
#include "transitions/shaders/span_quads.h"
#include "transitions/transition_renderer.h"

namespace furlpane {

using namespace platform::gpu;
using platform::simd::float2;
using platform::simd::float4;

namespace {

// Varyings: the sheet's (sheet.h), then 6 the title bar's share of the picture (flat).
constexpr VaryingLayout kFadeVaryings{7, 0x40u};

VertexOutput fadeVertex(const VertexInput& in) {
    const TransitionUniforms& u = shaders::uniformsOf(in.resources);
    const float p = shaders::clamp01(u.progress);
    const bool atStandIn = in.instanceId == 1;
    if (atStandIn && isTitleStrip(u)) return shaders::hiddenVertex();
    const float4 rect = atStandIn ? u.standIn : u.window;
    shaders::SheetPoint point;
    point.uv = shaders::stripCorner(in.vertexId);
    point.at = rect.xy() + point.uv * rect.zw();
    point.alpha = atStandIn ? p * u.opacity : 1 - p;
    point.scale = atStandIn && u.window.z > 0 ? rect.z / u.window.z : 1;
    VertexOutput out = shaders::sheetVertex(point, u);
    out.varyings[6] = atStandIn ? 0 : shaders::titleShare(u);
    return out;
}

// What the fade fragment reads from the draw.
struct FadeLook {
    const TransitionUniforms* uniforms;
    float keep;  // the title bar's alpha
    bool silhouette;
};

FadeLook fadeLook(const StageResources& r) {
    const TransitionUniforms& u = shaders::uniformsOf(r);
    return {&u, shaders::mix(1.0f, u.opacity, shaders::clamp01(u.progress)), shaders::isSilhouettePass(r)};
}

[[gnu::always_inline]] inline void shadeFade(FragmentQuad& q, const Quad<float4>& colors, const FadeLook& look) {
    const float titleBar = q.varying(6, 0);
    using namespace shaders::lanes4;
    f32x4 color[4];
    channels(colors, color);
    const f32x4 u0 = of(q.varyings[0]), v0 = of(q.varyings[1]);
    // The silhouette takes the shapes whole: their shadows fade with the frame's own
    // window and stand-in weights, which follow the fade already.
    const f32x4 bar = platform::gpu::lanes::splat(look.keep);
    const f32x4 alpha =
        look.silhouette ? platform::gpu::lanes::splat(1.0f) : select(v0 < titleBar, bar, of(q.varyings[2]));
    emitSheet(q, color, alpha * sheetCorners(u0, v0, of(q.varyings[5]), *look.uniforms), look.silhouette);
}

void fadeFragment(FragmentQuad& q) {
    if (!shaders::readyToDraw(q)) return;
    shadeFade(q, shaders::pictureColors(*q.resources, q.varying2(0)), fadeLook(*q.resources));
}

// The same a span at a time, with the picture bound and the look read once per draw.
FURLPANE_HOT_PATH void fadeSpan(FragmentSpan& s, const shaders::PictureSpanConstants<FadeLook>& c) {
    shaders::shadePictureSpan<shadeFade>(s, c, kFadeVaryings.count);
}

}  // namespace

void registerFadeShaders(ShaderCatalog& catalog) {
    catalog.addVertexFunction("fadeVertex", kFadeVaryings, fadeVertex);
    using Constants = shaders::PictureSpanConstants<FadeLook>;
    catalog.addFragmentFunction("fadeFragment", fadeFragment,
                                spanFunction<Constants, shaders::preparePictureSpan<FadeLook, fadeLook>, fadeSpan>());
}

void drawFade(const EffectPass& pass) {
    shaders::drawTwinQuads(pass);
}

}  // namespace furlpane
