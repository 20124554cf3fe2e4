// magnet: the stand-in pulls the picture in. The window's edge nearest the stand-in
// goes first and the rest follows, each point of the grid the later the farther it lies
// from that edge; on its way a point is drawn across towards the stand-in's span before
// it is drawn along, so the grid bends into a funnel that pours into the stand-in. A
// title strip pulls its body up into the title bar, which stays.
//
// One triangle strip per row of the effect grid (8-point cells, at most 64 × 48: finer
// meshes bend no more smoothly and cost more triangles than they show).

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

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kLag = 0.7f;  // how much later the far edge starts than the near one

struct Mesh {
    std::uint32_t columns;
    std::uint32_t rows;
};

Mesh magnetMesh(const TransitionUniforms& u) {
    return {std::clamp(u.grid.x, 2u, 64u), shaders::meshRows(std::clamp(u.grid.y, 2u, 48u), u)};
}

// Where the pull comes from: the axis along which points are drawn (0 x, 1 y), the
// picture coordinate of the nearest edge on it (0 or 1).
struct Pull {
    int axis;
    float nearEdge;
};

Pull pullOf(const TransitionUniforms& u) {
    const float2 w{std::max(u.window.z, 1.0f), std::max(u.window.w, 1.0f)};
    const float2 d = (u.standIn.xy() + u.standIn.zw() * 0.5f) - (u.window.xy() + w * 0.5f);
    if (std::fabs(d.x) / w.x > std::fabs(d.y) / w.y) return {0, d.x > 0 ? 1.0f : 0.0f};
    return {1, d.y > 0 ? 1.0f : 0.0f};
}

// How far a point at distance s (0 at the near edge, 1 at the far one) has been pulled.
float pulled(float p, float s) { return shaders::clamp01(p * (1 + kLag) - kLag * s); }

shaders::SheetPoint toThumbnail(const TransitionUniforms& u, float2 uv, float p) {
    const Pull pull = pullOf(u);
    const float s = std::fabs(uv[pull.axis] - pull.nearEdge);
    const float a = pulled(p, s);
    const float across = shaders::smoothstep01(a * 2.2f), along = a * a;
    const float2 from = u.window.xy() + uv * u.window.zw(), to = u.standIn.xy() + uv * u.standIn.zw();
    shaders::SheetPoint point;
    point.at[pull.axis] = shaders::mix(from[pull.axis], to[pull.axis], along);
    point.at[1 - pull.axis] = shaders::mix(from[1 - pull.axis], to[1 - pull.axis], across);
    point.alpha = shaders::mix(1.0f, u.opacity, along);
    point.light = 1 - 0.2f * std::sin(kPi * a);
    point.scale = shaders::mix(1.0f, u.window.z > 0 ? u.standIn.z / u.window.z : 1.0f, across);
    return point;
}

// A title strip's body is pulled up into the title bar, narrowing towards its middle.
shaders::SheetPoint toTitleBar(const TransitionUniforms& u, float2 uv, float p) {
    const float share = shaders::titleShare(u);
    const float2 from = u.window.xy() + uv * u.window.zw();
    shaders::SheetPoint point;
    point.at = from;
    point.alpha = shaders::arrivingAlpha(u, shaders::smoothstep01(p));
    if (uv.y <= share) return point;
    const float a = pulled(p, (uv.y - share) / std::max(1 - share, 1e-3f));
    const float across = shaders::smoothstep01(a * 2.2f), along = a * a;
    const float middle = u.window.x + 0.5f * u.window.z, bar = u.window.y + share * u.window.w;
    point.at = {shaders::mix(from.x, shaders::mix(from.x, middle, 0.4f), across), shaders::mix(from.y, bar, along)};
    point.alpha *= 1 - shaders::smoothstep01((a - 0.8f) / 0.2f);
    point.light = 1 - 0.2f * std::sin(kPi * a);
    return point;
}

VertexOutput magnetVertex(const VertexInput& in) {
    const TransitionUniforms& u = shaders::uniformsOf(in.resources);
    const Mesh mesh = magnetMesh(u);
    if (in.instanceId >= mesh.rows) return shaders::hiddenVertex();
    const float2 uv = shaders::rowVertexUV(in.instanceId, in.vertexId, mesh.columns, mesh.rows,
                                           shaders::Rows::titleBarFirst, u);
    const float p = shaders::clamp01(u.progress);
    shaders::SheetPoint point = isTitleStrip(u) ? toTitleBar(u, uv, p) : toThumbnail(u, uv, p);
    point.uv = uv;
    return shaders::sheetVertex(point, u);
}

}  // namespace

void registerMagnetShaders(ShaderCatalog& catalog) {
    shaders::registerPair(catalog, "magnet", shaders::kSheetVaryings, magnetVertex);
}

void drawMagnet(const EffectPass& pass) {
    const Mesh mesh = magnetMesh(pass.scene.uniforms);
    shaders::drawRows(pass, mesh.columns, mesh.rows);
}

}  // namespace furlpane
