// blackHole: the picture falls into a hole over the backdrop, which the lens bends
// around the stand-in (lens_shaders.cpp). Every point of the picture spirals in towards
// the hole at the stand-in's centre, the nearer ones first, shrinking and darkening as
// it goes, until the whole window has gone in; then the stand-in's picture comes out of
// the hole onto the stand-in. A title strip's body falls into a hole below the middle of
// its title bar, which stays.
//
// A mesh of cells about 20 points on a side (8 ... 48 each way), one strip per row.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/gpu/hot_path.h"
#include "transitions/shaders/effect_shaders.h"
#include "transitions/shaders/sheet.h"
#include "transitions/transition_renderer.h"

namespace furlpane {

using namespace platform::gpu;
using platform::simd::float2;
using platform::simd::float4;

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kIn = 0.75f;       // the picture has gone in by this progress
constexpr float kOut = 0.75f;      // the stand-in comes out of the hole from here on
constexpr float kSpiral = 4.5f;    // how far (radians) a point at the rim turns on its way in
constexpr float kCellPoints = 20;
constexpr float kHoleSize = 0.07f;  // the hole's radius against the window's shorter side
constexpr float4 kRim{1.0f, 0.72f, 0.4f, 1};

struct Mesh {
    std::uint32_t columns;
    std::uint32_t rows;
};

Mesh holeMesh(const TransitionUniforms& u) {
    const auto cells = [](float length) {
        return static_cast<std::uint32_t>(std::clamp(std::round(length / kCellPoints), 8.0f, 48.0f));
    };
    const float w = std::isfinite(u.window.z) ? u.window.z : 0, h = std::isfinite(u.window.w) ? u.window.w : 0;
    return {cells(w), shaders::meshRows(cells(h), u)};
}

float2 holeCentre(const TransitionUniforms& u) {
    if (isTitleStrip(u)) return {u.standIn.x + 0.5f * u.standIn.z, u.standIn.y + u.standIn.w};
    return u.standIn.xy() + u.standIn.zw() * 0.5f;
}

// A point of the window at `from` on its way into the hole at time a (0 ... 1 of its own way).
float2 fallen(float2 from, float2 hole, float a, float twist) {
    const float2 d = from - hole;
    const float angle = -twist * a;  // anticlockwise on the screen
    const float c = std::cos(angle), s = std::sin(angle);
    const float shrink = (1 - a) * std::sqrt(1 - a);
    return hole + float2{c * d.x - s * d.y, s * d.x + c * d.y} * shrink;
}

// The hole itself: a dark disc with a glowing rim, widest in the middle of the
// transition. Varyings: 0-1 the point from its centre in radii, 2 its strength; 6 marks it.
VertexOutput holeDisc(const TransitionUniforms& u, std::uint32_t vertex) {
    if (vertex >= 4) return shaders::hiddenVertex();
    const float p = shaders::clamp01(u.progress);
    const float open = shaders::smoothstep01(p / 0.12f) * (1 - shaders::smoothstep01((p - kOut) / (0.95f - kOut)));
    const float radius = kHoleSize * std::min(u.window.z, u.window.w) * open;
    const float2 corner = shaders::stripCorner(vertex) * 2.0f - float2{1, 1};
    float2 centre = holeCentre(u);
    if (isTitleStrip(u)) centre.y += radius;
    shaders::SheetPoint point;
    point.at = centre + corner * std::max(radius, 0.0f);
    point.uv = corner;
    point.alpha = radius > 0 ? 1.0f : 0.0f;
    VertexOutput out = shaders::sheetVertex(point, u);
    out.varyings[6] = 1;
    return out;
}

void holeFragment(FragmentQuad& q) {
    if (q.varying(6, 0) < 0.5f) return shaders::sheetFragment(q);
    const bool silhouette = shaders::isSilhouettePass(*q.resources);
    const auto at = q.varying2(0);
    for (int lane = 0; lane < 4; ++lane) {
        const float d = length(at[static_cast<size_t>(lane)]);
        const float core = shaders::clamp01((0.78f - d) * 12), rim = shaders::clamp01(1 - std::fabs(d - 0.8f) / 0.2f);
        const float4 glow = kRim * (rim * rim) * (1 - core);
        shaders::emit(q, lane, (float4{0, 0, 0, core} + glow) * q.varying(2, lane), silhouette);
    }
}

// holeFragment a span at a time: the disc's lanes side by side, the same operations in
// the same order.
FURLPANE_HOT_PATH void holeSpan(FragmentSpan& s, const shaders::SheetConstants& c) {
    if (s.varyings[6][0] < 0.5f) return shaders::sheetSpan(s, c);
    using namespace shaders::lanes4;
    namespace lanes = platform::gpu::lanes;
    const f32x8 x = of(s.varyings[0]), y = of(s.varyings[1]), strength = of(s.varyings[2]);
    const f32x8 d = lanes::sqrt(x * x + y * y);
    const f32x8 core = lanes::clamp01((0.78f - d) * 12.0f), rim = lanes::clamp01(1.0f - magnitude(d - 0.8f) / 0.2f);
    const f32x8 rim2 = rim * rim, uncovered = 1.0f - core;
    f32x8 out[4];
    for (int k = 0; k < 3; ++k) out[k] = (0.0f + kRim[k] * rim2 * uncovered) * strength;
    out[3] = (core + kRim[3] * rim2 * uncovered) * strength;
    if (c.silhouette) out[0] = out[1] = out[2] = out[3];
    lanes::store8(s.color.r, out[0]);
    lanes::store8(s.color.g, out[1]);
    lanes::store8(s.color.b, out[2]);
    lanes::store8(s.color.a, out[3]);
}

VertexOutput holeVertex(const VertexInput& in) {
    const TransitionUniforms& u = shaders::uniformsOf(in.resources);
    const Mesh mesh = holeMesh(u);
    if (in.instanceId == mesh.rows) return holeDisc(u, in.vertexId);
    if (in.instanceId > mesh.rows) return shaders::hiddenVertex();
    const float2 uv = shaders::rowVertexUV(in.instanceId, in.vertexId, mesh.columns, mesh.rows,
                                           shaders::Rows::titleBarFirst, u);
    const float p = shaders::clamp01(u.progress);
    const float2 hole = holeCentre(u), from = u.window.xy() + uv * u.window.zw();
    const float2 corners[4] = {u.window.xy(), u.window.xy() + u.window.zw(), {u.window.x, u.window.y + u.window.w},
                               {u.window.x + u.window.z, u.window.y}};
    float reach = 1;
    for (const float2 c : corners) reach = std::max(reach, length(c - hole));
    const float distance = std::min(length(from - hole) / reach, 1.0f);
    shaders::SheetPoint point;
    point.uv = uv;
    point.at = from;
    point.alpha = shaders::arrivingAlpha(u, shaders::smoothstep01(p));
    if (isTitleStrip(u) && in.instanceId == 0) return shaders::sheetVertex(point, u);
    // Nearer points start sooner and every point is in by kIn.
    const float start = 0.45f * distance, a = shaders::clamp01((p / kIn - start) / 0.55f);
    const float in2 = a * a;
    point.at = fallen(from, hole, in2, kSpiral * (1.6f - distance));
    point.alpha = 1 - in2 * in2;
    point.light = 1 - 0.65f * in2;
    point.scale = (1 - in2) * std::sqrt(1 - in2);
    if (!isTitleStrip(u)) {
        const float out = shaders::smoothstep01((p - kOut) / (1 - kOut));
        const float2 to = u.standIn.xy() + uv * u.standIn.zw();
        point.at = mix(point.at, to, out);
        point.alpha = shaders::mix(point.alpha, u.opacity, out);
        point.light = shaders::mix(point.light, 1.0f, out);
        point.scale = shaders::mix(point.scale, u.window.z > 0 ? u.standIn.z / u.window.z : 1.0f, out);
    }
    point.light *= 1 - 0.1f * std::sin(kPi * p);
    return shaders::sheetVertex(point, u);
}

}  // namespace

void registerBlackHoleShaders(ShaderCatalog& catalog) {
    shaders::registerPair(catalog, "blackHole", {7, 0x40u}, holeVertex, holeFragment,
                          spanFunction<shaders::SheetConstants, shaders::prepareSheet, holeSpan>());
}

void drawBlackHole(const EffectPass& pass) {
    const Mesh mesh = holeMesh(pass.scene.uniforms);
    shaders::drawRows(pass, mesh.columns, mesh.rows + 1);
}

}  // namespace furlpane
