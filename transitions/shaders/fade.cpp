// fade: nothing moves. The window's picture fades out where it stands while the stand-in's
// picture fades in where it stands; a title strip keeps its title bar, which only takes
// on the stand-in's opacity, while the body below it fades away.
//
// Two instances of one quad: 0 the window, 1 the stand-in (none for a title strip).

#include <algorithm>

#include "transitions/shaders/effect_shaders.h"
#include "transitions/shaders/sheet.h"
#include "transitions/transition_renderer.h"

namespace furlpane {

using namespace platform::gpu;
using platform::simd::float2;
using platform::simd::float4;

namespace {

// Varyings: the sheet's (sheet.h), then 6 the title bar's share of the picture (flat).
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

void fadeFragment(FragmentQuad& q) {
    if (!shaders::readyToDraw(q)) return;
    const StageResources& r = *q.resources;
    const TransitionUniforms& u = shaders::uniformsOf(r);
    const bool silhouette = shaders::isSilhouettePass(r);
    const float titleBar = q.varying(6, 0);
    const float keep = shaders::mix(1.0f, u.opacity, shaders::clamp01(u.progress));
    using namespace shaders::lanes4;
    f32x4 color[4];
    channels(shaders::pictureColors(r, q.varying2(0)), color);
    const f32x4 u0 = of(q.varyings[0]), v0 = of(q.varyings[1]);
    // The silhouette takes the shapes whole: their shadows fade with the frame's own
    // window and stand-in weights, which follow the fade already.
    const f32x4 alpha = silhouette ? platform::gpu::lanes::splat(1.0f)
                                   : select(v0 < titleBar, platform::gpu::lanes::splat(keep), of(q.varyings[2]));
    emitSheet(q, color, alpha * sheetCorners(u0, v0, of(q.varyings[5]), u), silhouette);
}

}  // namespace

void registerFadeShaders(ShaderCatalog& catalog) {
    shaders::registerPair(catalog, "fade", {7, 0x40u}, fadeVertex, fadeFragment);
}

void drawFade(const EffectPass& pass) {
    shaders::drawTwinQuads(pass);
}

}  // namespace furlpane
