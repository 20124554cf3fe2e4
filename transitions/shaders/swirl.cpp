// swirl: the picture's grid twists about its centre as it goes. The sheet moves from
// the window onto the stand-in like the picture quad while every point of its grid turns
// about the sheet's centre, the more the nearer it lies to the centre, so that the middle
// of the picture winds into a vortex that unwinds again as it lands.
//
// One triangle strip per row of the effect grid (22-point cells).

#include <algorithm>
#include <cmath>
#include <numbers>

#include "transitions/shaders/effect_shaders.h"
#include "transitions/shaders/picture_quad.h"
#include "transitions/shaders/sheet.h"
#include "transitions/transition_renderer.h"

namespace furlpane {

using namespace platform::gpu;
using platform::simd::float2;
using platform::simd::float4;

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kTurn = 1.7f * kPi;  // how far the centre turns at the middle of the transition

struct Mesh {
    std::uint32_t columns;
    std::uint32_t rows;
};

Mesh swirlMesh(const TransitionUniforms& u) {
    return {std::clamp(u.grid.x, 2u, 64u), std::clamp(u.grid.y, 2u, 64u)};
}

VertexOutput swirlVertex(const VertexInput& in) {
    const TransitionUniforms& u = shaders::uniformsOf(in.resources);
    const Mesh mesh = swirlMesh(u);
    if (in.instanceId >= mesh.rows) return shaders::hiddenVertex();
    const float p = shaders::clamp01(u.progress);
    const PictureQuad sheet = pictureQuad(u, shaders::smoothstep01(p));
    const float2 cell = shaders::rowVertexUV(in.instanceId, in.vertexId, mesh.columns, mesh.rows,
                                             shaders::Rows::even, u);
    const float2 size = sheet.rect.zw();
    const float2 centre = sheet.rect.xy() + size * 0.5f;
    const float2 d = (cell - float2{0.5f, 0.5f}) * size;
    const float reach = std::max(0.5f * length(size), 1.0f);
    const float fall = 1 - shaders::smoothstep01(length(d) / reach);
    const float angle = kTurn * std::sin(kPi * p) * fall * fall;
    const float c = std::cos(angle), s = std::sin(angle);
    shaders::SheetPoint point;
    point.at = centre + float2{c * d.x - s * d.y, s * d.x + c * d.y};
    point.uv = {cell.x, cell.y * sheet.visibleHeight};
    point.alpha = sheet.opacity;
    point.light = 1 - 0.18f * std::sin(kPi * p) * fall;
    point.scale = u.window.z > 0 ? size.x / u.window.z : 1;
    return shaders::sheetVertex(point, u);
}

}  // namespace

void registerSwirlShaders(ShaderCatalog& catalog) {
    shaders::registerPair(catalog, "swirl", shaders::kSheetVaryings, swirlVertex);
}

void drawSwirl(const EffectPass& pass) {
    const Mesh mesh = swirlMesh(pass.scene.uniforms);
    shaders::drawRows(pass, mesh.columns, mesh.rows);
}

}  // namespace furlpane
