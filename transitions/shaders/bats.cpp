// bats: the picture breaks into the cells of the effect grid (30-point cells) and they
// flap away as a flock. Each cell folds about its vertical middle line like a pair of
// wings, takes off (the cells nearest the stand-in first), darkens into a silhouette and
// flies with the others in a swarm that swings over the way to the stand-in, where each
// lands on its own cell of the stand-in with its wings spread. Bound for a title strip
// the flock flies up and away and fades, leaving the title bar.
//
// Six vertices per cell (left, middle and right edges, top and bottom): one instance per
// cell, and for a title strip one more that is its title bar.

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
constexpr float kFlight = 0.55f;  // how long one bat flies
constexpr float kFlaps = 7;       // wing beats on the way

struct Flock {
    std::uint32_t columns;
    std::uint32_t rows;
    std::uint32_t cells() const { return columns * rows; }
};

Flock flockOf(const TransitionUniforms& u) { return {std::clamp(u.grid.x, 1u, 64u), std::clamp(u.grid.y, 1u, 48u)}; }

// A cell's rectangle in picture coordinates: the body below a title bar for a title strip.
float4 cellRect(const Flock& f, std::uint32_t column, std::uint32_t row, float share) {
    const float body = 1 - share;
    return {float(column) / float(f.columns), share + body * float(row) / float(f.rows), 1.0f / float(f.columns),
            body / float(f.rows)};
}

// The picture coordinates of vertex `vertex` of a cell, computed from whole numbers so
// that neighbouring cells share their edges to the bit.
float2 cellVertexUV(const Flock& f, std::uint32_t column, std::uint32_t row, std::uint32_t vertex, float share) {
    const std::uint32_t edge = std::min(vertex / 2, 2u);
    const float x = float(2 * column + edge) / float(2 * f.columns);
    const float y = share + (1 - share) * float(row + (vertex & 1u)) / float(f.rows);
    return {x, y};
}

// Where one bat is on its way at f (0 ... 1), from `home` to `to` by a swing through
// `swarm`.
float2 along(float2 home, float2 swarm, float2 to, float f) {
    const float e = shaders::smoothstep01(f), g = 1 - e;
    return home * (g * g) + swarm * (2 * g * e) + to * (e * e);
}

// The six vertices of a bat: left, middle, right edge (x), top and bottom (y), with the
// wings lifted by the beat.
shaders::SheetPoint wing(float2 centre, float2 size, float beat, std::uint32_t vertex) {
    const auto edge = static_cast<int>(std::min(vertex / 2, 2u)) - 1;  // -1 left, 0 middle, 1 right
    const float down = (vertex & 1u) ? 0.5f : -0.5f;
    shaders::SheetPoint point;
    point.at = centre + float2{float(edge) * 0.5f * size.x * std::cos(beat),
                               down * size.y - (edge != 0 ? 0.45f * size.x * std::sin(std::fabs(beat)) : 0.0f)};
    point.depth = edge != 0 ? 0.5f * size.x * std::sin(std::fabs(beat)) : 0.0f;
    return point;
}

VertexOutput titleBarVertex(const TransitionUniforms& u, std::uint32_t vertex) {
    const float x = 0.5f * float(std::min(vertex / 2, 2u)), y = (vertex & 1u) ? shaders::titleShare(u) : 0.0f;
    shaders::SheetPoint point;
    point.uv = {x, y};
    point.at = u.window.xy() + point.uv * u.window.zw();
    point.alpha = shaders::arrivingAlpha(u, shaders::smoothstep01(shaders::clamp01(u.progress)));
    VertexOutput out = shaders::sheetVertex(point, u);
    out.varyings[6] = 2 * x - 1;
    out.varyings[7] = y;
    return out;
}

VertexOutput batVertex(const VertexInput& in) {
    const TransitionUniforms& u = shaders::uniformsOf(in.resources);
    const Flock flock = flockOf(u);
    const bool strip = isTitleStrip(u);
    if (in.instanceId == flock.cells() && strip) return titleBarVertex(u, in.vertexId);
    if (in.instanceId >= flock.cells()) return shaders::hiddenVertex();
    const std::uint32_t column = in.instanceId % flock.columns, row = in.instanceId / flock.columns;
    const float4 cell = cellRect(flock, column, row, shaders::titleShare(u));
    const float4 w = u.window, s = u.standIn;
    const float2 middle{cell.x + 0.5f * cell.z, cell.y + 0.5f * cell.w};
    const float2 home = w.xy() + middle * w.zw();
    const float luck = shaders::hash01(column, row, u.seed), wander = shaders::hash01(row, column, ~u.seed);
    const float2 target = strip ? float2{home.x + (luck - 0.5f) * 0.8f * w.z, w.y - 0.9f * w.w}
                                : s.xy() + middle * s.zw();
    const float2 centres = (w.xy() + w.zw() * 0.5f + target) * 0.5f;
    const float spread = 0.3f * std::min(w.z, w.w);
    const float2 swarm = centres + float2{(luck - 0.5f) * 2 * spread, (wander - 0.7f) * spread};
    const float reach = std::max(length(w.zw()), 1.0f);
    const float start = 0.03f + 0.32f * (0.55f * std::min(length(home - target) / reach, 1.0f) + 0.45f * luck);
    const float p = shaders::clamp01(u.progress), f = shaders::clamp01((p - start) / kFlight);
    const float flying = std::sin(kPi * f);
    const float2 size = mix(cell.zw() * w.zw(), strip ? cell.zw() * w.zw() : cell.zw() * s.zw(), f) *
                        (1 + 0.4f * flying);
    const float beat = 1.2f * std::sqrt(flying) * std::sin(2 * kPi * (kFlaps * f + wander));
    shaders::SheetPoint point = wing(along(home, swarm, target, f), size, beat, in.vertexId);
    point.uv = cellVertexUV(flock, column, row, in.vertexId, shaders::titleShare(u));
    if (f <= 0) point = {w.xy() + point.uv * w.zw(), 0, point.uv};
    else if (f >= 1 && !strip) point = {s.xy() + point.uv * s.zw(), 0, point.uv};
    // Dark as a bat while it flies; the bat's outline shows while it is in the air.
    const float dusk = shaders::smoothstep01(f / 0.25f) * (1 - shaders::smoothstep01((f - 0.75f) / 0.25f));
    point.light = 1 - 0.8f * dusk;
    point.alpha = strip ? 1 - shaders::smoothstep01((f - 0.55f) / 0.45f) : shaders::mix(1.0f, u.opacity, f);
    point.scale = u.window.z > 0 && !strip ? shaders::mix(1.0f, s.z / u.window.z, f) : 1.0f;
    VertexOutput out = shaders::sheetVertex(point, u);
    out.varyings[6] = float(std::min(in.vertexId / 2, 2u)) - 1;
    out.varyings[7] = float(in.vertexId & 1u);
    out.varyings[8] = dusk;
    return out;
}

// How much of a bat covers the point (x across its span, -1 ... 1; y down, 0 ... 1):
// a small body with ears in the middle, and wings that sweep up to their tips with a
// scalloped trailing edge.
float batShape(float x, float y) {
    const float ax = std::fabs(x), v = 2 * y - 1;
    if (ax < 0.08f) return v > (ax > 0.035f ? -0.55f : -0.4f) && v < 0.4f ? 1.0f : 0.0f;
    const float leading = -0.2f - 0.45f * ax;
    const float trailing = 0.3f - 0.4f * ax - 0.2f * std::fabs(std::sin(3 * kPi * ax));
    return v > leading && v < trailing ? 1.0f : 0.0f;
}

void batFragment(FragmentQuad& q) {
    if (!shaders::readyToDraw(q)) return;
    const StageResources& r = *q.resources;
    const TransitionUniforms& u = shaders::uniformsOf(r);
    const bool silhouette = shaders::isSilhouettePass(r);
    const float fade = shaders::shadowOf(r).unframedFade, dusk = q.varying(8, 0);
    using namespace shaders::lanes4;
    f32x4 color[4];
    channels(shaders::pictureColors(r, q.varying2(0)), color);
    // In daylight the cell is whole: mix(1, shape, 0) is 1 whatever the shape (0 or 1).
    float shape[4] = {1, 1, 1, 1};
    if (dusk != 0)
        for (int lane = 0; lane < 4; ++lane)
            shape[lane] = shaders::mix(1.0f, batShape(q.varying(6, lane), q.varying(7, lane)), dusk);
    const f32x4 corners = sheetCorners(of(q.varyings[0]), of(q.varyings[1]), of(q.varyings[5]), u);
    emitSheet(q, color, of(q.varyings[2]) * fade * of(shape) * corners, silhouette);
}

}  // namespace

void registerBatsShaders(ShaderCatalog& catalog) {
    shaders::registerPair(catalog, "bats", {9, 0x100u}, batVertex, batFragment);
}

void drawBats(const EffectPass& pass) {
    const TransitionUniforms& u = pass.scene.uniforms;
    // Two quads per bat, one a wing.
    shaders::drawRows(pass, 2, flockOf(u).cells() + (isTitleStrip(u) ? 1 : 0), DepthTest::lessAndWrite);
}

}  // namespace furlpane
