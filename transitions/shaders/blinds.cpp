// blinds: the rows of the picture close like the slats of a blind. Each row of the
// effect grid (16-point rows) turns about its middle line until it stands edge-on, the
// top rows first, darkening as it turns away from the light. Bound for a thumbnail the
// stand-in's slats then open the same way where it stands; a title strip keeps its
// title bar, which is not a slat.
//
// One quad per slat: the window's slats, then (for a thumbnail) the stand-in's.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "transitions/shaders/effect_shaders.h"
#include "transitions/shaders/sheet.h"
#include "transitions/transition_renderer.h"

namespace furlpane {

using namespace platform::gpu;
using platform::simd::float2;
using platform::simd::float4;

namespace {

constexpr float kQuarter = 0.5f * std::numbers::pi_v<float>;
constexpr float kClosed = 0.65f;  // thumbnail: the window's slats have closed by then
constexpr float kOpens = 0.35f;   // thumbnail: the stand-in's slats start to open
constexpr float kWave = 0.5f;     // share of the turn by which the last slat follows the first

std::uint32_t slatRows(const TransitionUniforms& u) { return shaders::meshRows(std::clamp(u.grid.y, 1u, 120u), u); }

std::uint32_t slatCount(const TransitionUniforms& u) { return slatRows(u) * (isTitleStrip(u) ? 1u : 2u); }

// How far slat `slat` of `slats` has turned at the local progress q of its set.
float turnOf(float q, std::uint32_t slat, std::uint32_t slats) {
    const float start = kWave * float(slat) / float(std::max(slats, 1u));
    return shaders::smoothstep01((q - start) / (1 - kWave));
}

VertexOutput slatVertex(const VertexInput& in) {
    const TransitionUniforms& u = shaders::uniformsOf(in.resources);
    const std::uint32_t rows = slatRows(u);
    if (in.instanceId >= slatCount(u)) return shaders::hiddenVertex();
    const bool atStandIn = in.instanceId >= rows;
    const std::uint32_t row = in.instanceId % rows;
    const float2 corner = shaders::stripCorner(in.vertexId);
    const float top = shaders::rowTop(row, rows, shaders::Rows::titleBarFirst, u);
    const float bottom = shaders::rowTop(row + 1, rows, shaders::Rows::titleBarFirst, u);
    const float p = shaders::clamp01(u.progress);
    const float4 rect = atStandIn ? u.standIn : u.window;
    shaders::SheetPoint point;
    point.uv = {corner.x, corner.y > 0 ? bottom : top};
    point.at = rect.xy() + point.uv * rect.zw();
    point.scale = u.window.z > 0 ? rect.z / u.window.z : 1;
    const bool titleBar = isTitleStrip(u) && row == 0;
    point.alpha = titleBar ? shaders::arrivingAlpha(u, shaders::smoothstep01(p)) : atStandIn ? u.opacity : 1;
    if (titleBar) return shaders::sheetVertex(point, u);
    float turned;  // of a quarter turn
    if (isTitleStrip(u)) turned = turnOf(p, row - 1, rows - 1);
    else if (atStandIn) turned = 1 - turnOf((p - kOpens) / (1 - kOpens), rows - 1 - row, rows);
    else turned = turnOf(p / kClosed, row, rows);
    const float angle = kQuarter * turned;
    // A slat edge-on is gone, not a line.
    point.alpha *= 1 - shaders::smoothstep01((turned - 0.85f) / 0.15f);
    // Flat slats meet their neighbours exactly; turned ones turn about their middle
    // line, the lower edge towards the viewer.
    if (!(angle > 0)) return shaders::sheetVertex(point, u);
    const float middle = rect.y + 0.5f * (top + bottom) * rect.w, half = 0.5f * (bottom - top) * rect.w;
    const float along = corner.y > 0 ? half : -half;
    point.at.y = middle + along * std::cos(angle);
    point.depth = along * std::sin(angle);
    // Lit from above: a turning slat darkens, its upper edge the most.
    point.light = 0.3f + 0.7f * std::cos(angle) + (corner.y > 0 ? 0.15f : -0.3f) * std::sin(angle);
    return shaders::sheetVertex(point, u);
}

}  // namespace

void registerBlindsShaders(ShaderCatalog& catalog) {
    shaders::registerPair(catalog, "blinds", shaders::kSheetVaryings, slatVertex);
}

void drawBlinds(const EffectPass& pass) {
    shaders::drawRows(pass, 1, slatCount(pass.scene.uniforms), DepthTest::lessAndWrite);  // a quad per slat
}

}  // namespace furlpane
