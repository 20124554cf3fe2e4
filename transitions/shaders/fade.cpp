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
    const auto uv = q.varying2(0);
    const auto colors = shaders::pictureColors(r, uv);
    for (int lane = 0; lane < 4; ++lane) {
        const auto i = static_cast<size_t>(lane);
        // The silhouette takes the shapes whole: their shadows fade with the frame's own
        // window and stand-in weights, which follow the fade already.
        const float alpha = silhouette ? 1 : uv[i].y < titleBar ? keep : q.varying(2, lane);
        shaders::emitSheet(q, lane, colors[i], alpha * shaders::sheetCorners(uv[i], q.varying(5, lane), u), silhouette);
    }
}

}  // namespace

void registerFadeShaders(ShaderCatalog& catalog) {
    shaders::registerPair(catalog, "fade", {7, 0x40u}, fadeVertex, fadeFragment);
}

void drawFade(const EffectPass& pass) {
    shaders::drawTwinQuads(pass);
}

}  // namespace furlpane
