// rollUp: the sheet rolls up from its bottom edge. The bottom edge curls towards the
// viewer and winds into a roll that climbs the picture, the paper's back showing on the
// roll; bound for a title strip the roll climbs to the title bar, which stays, and
// vanishes there. Bound for a thumbnail the sheet rolls half up while it flies to the
// stand-in and unrolls onto it.
//
// One triangle strip down the sheet, one pair of vertices per row of the effect grid
// (2-point rows, at most 512), drawn with the depth test so that the roll's layers hide
// one another.

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
using platform::simd::float3;
using platform::simd::float4;

namespace {

constexpr float kThickness = 2.4f;  // points between the roll's layers

std::uint32_t rollRows(const TransitionUniforms& u) { return std::clamp(u.grid.y, 1u, 512u); }

// Where the roll stands (points from the sheet's top) and how much of the sheet is
// wound past it, for a sheet of height h; the alpha of the wound part.
struct Roll {
    float line;
    float radius;
    float fade = 1;
};

Roll rollAt(const TransitionUniforms& u, float p, float h) {
    const float radius = std::clamp(0.03f * h, 4.0f, 14.0f);
    if (isTitleStrip(u)) {
        const float bar = shaders::titleShare(u) * h;
        return {h - (h - bar) * shaders::smoothstep01(p), radius, 1 - shaders::smoothstep01((p - 0.82f) / 0.18f)};
    }
    const float up = shaders::smoothstep01(p / 0.35f) * (1 - shaders::smoothstep01((p - 0.6f) / 0.35f));
    return {h * (1 - 0.7f * up), radius};
}

// A point s points past the roll's line on a sheet whose end lies `rest` points past it:
// wound on a spiral whose outermost layer touches the sheet, the end innermost. (y, z)
// relative to the line, and the angle turned.
float3 wound(float s, float rest, float radius) {
    const float outer = radius + kThickness * rest / (2 * std::numbers::pi_v<float> * radius);
    const float here = radius + kThickness * (rest - s) / (2 * std::numbers::pi_v<float> * radius);
    const float angle = s / (0.5f * (outer + here));
    return {here * std::sin(angle), outer - here * std::cos(angle), angle};
}

VertexOutput rollVertex(const VertexInput& in) {
    const TransitionUniforms& u = shaders::uniformsOf(in.resources);
    const std::uint32_t rows = rollRows(u);
    if (in.vertexId >= 2 * (rows + 1)) return shaders::hiddenVertex();
    const float p = shaders::clamp01(u.progress);
    const float flight = isTitleStrip(u) ? 0 : shaders::smoothstep01((p - 0.25f) / 0.5f);
    const PictureQuad sheet = pictureQuad(u, flight);
    const float2 uv{float(in.vertexId & 1u), float(in.vertexId / 2) / float(rows)};
    const float h = sheet.rect.w;
    const Roll roll = rollAt(u, p, h);
    const float y = uv.y * h;
    shaders::SheetPoint point;
    point.uv = uv;
    point.alpha = isTitleStrip(u) ? shaders::arrivingAlpha(u, shaders::smoothstep01(p)) : sheet.opacity;
    point.scale = u.window.z > 0 ? sheet.rect.z / u.window.z : 1;
    point.at = sheet.rect.xy() + uv * sheet.rect.zw();
    if (y > roll.line) {
        const float3 w = wound(y - roll.line, h - roll.line, roll.radius);
        point.at.y = sheet.rect.y + roll.line + w.x;
        point.depth = w.y;
        point.facing = std::cos(w.z);
        point.light = 0.55f + 0.45f * std::fabs(point.facing);
        point.alpha *= roll.fade;
    }
    return shaders::sheetVertex(point, u);
}

}  // namespace

void registerRollUpShaders(ShaderCatalog& catalog) {
    shaders::registerPair(catalog, "rollUp", shaders::kSheetVaryings, rollVertex);
}

void drawRollUp(const EffectPass& pass) {
    // One strip down the sheet: a pair of vertices per row boundary.
    shaders::drawRows(pass, rollRows(pass.scene.uniforms), 1, DepthTest::lessAndWrite);
}

}  // namespace furlpane
