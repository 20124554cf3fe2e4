// wired: the picture turns into a wire mesh that collapses. Its cells empty until only
// the wires of their grid are left, lit in the picture's own colours; then the mesh
// gives way, every knot falling at its own moment and crumpling on the way, into the
// stand-in, where the cells fill in again. A title strip's mesh collapses up into its
// title bar, which stays whole.
//
// A mesh of cells about 28 points on a side (at most 48 × 36), one strip per row.

#include <algorithm>
#include <cmath>
#include <numbers>

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

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kCellPoints = 28;
constexpr float kWirePixels = 1.6f;       // the width of a wire
constexpr float4 kGlow{0.55f, 0.95f, 1, 1};

struct Mesh {
    std::uint32_t columns;
    std::uint32_t bodyRows;
    std::uint32_t rows;  // with the title bar's row
};

Mesh wireMesh(const TransitionUniforms& u) {
    const auto cells = [](float length, float most) {
        return static_cast<std::uint32_t>(std::clamp(shaders::roundHalfAway(length / kCellPoints), 3.0f, most));
    };
    const float w = std::isfinite(u.window.z) ? u.window.z : 0, h = std::isfinite(u.window.w) ? u.window.w : 0;
    const std::uint32_t body = cells(h * (1 - shaders::titleShare(u)), 36);
    return {cells(w, 48), body, shaders::meshRows(body, u)};
}

// How much the wires show: none at the window and at the stand-in, all in between.
float wiring(const TransitionUniforms& u) {
    const float p = shaders::clamp01(u.progress);
    const float fill = isTitleStrip(u) ? 1 : 1 - shaders::smoothstep01((p - 0.8f) / 0.2f);
    return shaders::smoothstep01(p / 0.18f) * fill;
}

VertexOutput wireVertex(const VertexInput& in) {
    const TransitionUniforms& u = shaders::uniformsOf(in.resources);
    const Mesh mesh = wireMesh(u);
    if (in.instanceId >= mesh.rows) return shaders::hiddenVertex();
    const float2 uv = shaders::rowVertexUV(in.instanceId, in.vertexId, mesh.columns, mesh.rows,
                                           shaders::Rows::titleBarFirst, u);
    const float p = shaders::clamp01(u.progress);
    const bool strip = isTitleStrip(u);
    shaders::SheetPoint point;
    point.uv = uv;
    point.at = u.window.xy() + uv * u.window.zw();
    point.alpha = shaders::arrivingAlpha(u, shaders::smoothstep01(p));
    if (strip && in.instanceId == 0) return shaders::sheetVertex(point, u);
    // Every knot, named by its column and row line, falls at a moment of its own.
    const std::uint32_t knotX = in.vertexId / 2, knotY = in.instanceId + (in.vertexId & 1u);
    const float2 target = strip ? float2{0.5f, 0} : u.standIn.xy() + u.standIn.zw() * 0.5f - u.window.xy();
    const float2 size{std::max(u.window.z, 1.0f), std::max(u.window.w, 1.0f)};
    const float near = std::min(length(uv * size - (strip ? target * size : target)) / length(size), 1.0f);
    const float delay = 0.16f * near + 0.08f * shaders::hash01(knotX, knotY, u.seed);
    const float c = shaders::clamp01((p - 0.18f - delay) / 0.5f), fall = shaders::smoothstep01(c);
    const float2 to = strip ? float2{point.at.x, u.window.y + shaders::titleShare(u) * u.window.w}
                            : u.standIn.xy() + uv * u.standIn.zw();
    const float2 crumple{shaders::hash01(knotY, knotX, u.seed) - 0.5f, shaders::hash01(knotX, knotY, ~u.seed) - 0.5f};
    const float amplitude = (strip ? 0.05f : 0.07f) * std::min(u.window.z, u.window.w);
    point.at = mix(point.at, to, fall) + crumple * (2 * amplitude * std::sin(kPi * c));
    point.depth = amplitude * std::sin(kPi * c) * (crumple.x + crumple.y);
    point.scale = strip ? 1 : shaders::mix(1.0f, u.window.z > 0 ? u.standIn.z / u.window.z : 1.0f, fall);
    point.alpha = strip ? point.alpha * (1 - shaders::smoothstep01((c - 0.7f) / 0.3f))
                        : shaders::mix(1.0f, u.opacity, fall);
    return shaders::sheetVertex(point, u);
}

// The wire fragment works on the four lanes of a quad at once (sheet.h).
using namespace shaders::lanes4;

// How much of each pixel of the quad the wires cover: the distance to the nearest grid
// line against how fast the grid runs across the pixels, so that a wire stays about
// kWirePixels wide however the mesh is stretched. The grid counts cells across and rows
// down the body; none on the title bar, which takes `share` of the picture's height.
[[gnu::always_inline]] inline f32x4 wireCover(f32x4 u, f32x4 v, const Mesh& mesh, float share) {
    const float body = std::max(1 - share, 1e-3f);
    const f32x4 gx = u * float(mesh.columns), gy = (v - share) / body * float(mesh.bodyRows);
    const auto size = [](float d) { return d < 0 ? -d : d; };
    const float wx = kWirePixels * (size(gx[1] - gx[0]) + size(gx[2] - gx[0])) + 1e-6f;
    const float wy = kWirePixels * (size(gy[1] - gy[0]) + size(gy[2] - gy[0])) + 1e-6f;
    const auto line = [](f32x4 x, float w) { return lanes::clamp01(1.0f - magnitude(x - roundHalfAway(x)) / w); };
    return select(v < share, lanes::splat(0.0f), larger(line(gx, wx), line(gy, wy)));
}

// What the wire fragment reads from the draw. The draw binds its mesh: working it out
// costs more than the rest of a quad's set-up.
struct WireLook {
    Mesh mesh;
    const TransitionUniforms* uniforms;
    float fade, wires, share;
    bool silhouette;
};

WireLook wireLook(const StageResources& r) {
    const TransitionUniforms& u = shaders::uniformsOf(r);
    const Mesh* bound = r.value<Mesh>(kFirstEffectIndex);
    return {bound ? *bound : wireMesh(u), &u, shaders::shadowOf(r).unframedFade, wiring(u), shaders::titleShare(u),
            shaders::isSilhouettePass(r)};
}

[[gnu::always_inline]] inline void shadeWires(FragmentQuad& q, const Quad<float4>& colors, const WireLook& w) {
    const f32x4 pu = of(q.varyings[0]), pv = of(q.varyings[1]);
    // The title bar stays whole.
    const i32x4 bar = pv < w.share;
    const f32x4 cover = select(bar, lanes::splat(0.0f), w.wires * wireCover(pu, pv, w.mesh, w.share));
    const f32x4 inside = select(bar, lanes::splat(1.0f), lanes::splat(1 - 0.97f * w.wires));
    const f32x4 alpha = of(q.varyings[2]) * w.fade * sheetCorners(pu, pv, of(q.varyings[5]), *w.uniforms);
    const f32x4 keep = inside * (1.0f - cover);
    f32x4 channel[4];
    channels(colors, channel);
    const f32x4 a = channel[3];
    for (int k = 0; k < 4; ++k) {
        const f32x4 c = channel[k], glow = (c + (kGlow[k] * a - c) * 0.7f) * 1.2f;
        channel[k] = glow * cover + c * keep;
    }
    channel[3] = smaller(channel[3], lanes::splat(1.0f));
    emitSheet(q, channel, alpha, w.silhouette);
}

void wireFragment(FragmentQuad& q) {
    if (!shaders::readyToDraw(q)) return;
    shadeWires(q, shaders::pictureColors(*q.resources, q.varying2(0)), wireLook(*q.resources));
}

// The same a span at a time, with the picture bound and the look read once per draw.
FURLPANE_HOT_PATH void wireSpan(FragmentSpan& s, const shaders::PictureSpanConstants<WireLook>& c) {
    shaders::shadePictureSpan<shadeWires>(s, c, shaders::kSheetVaryings.count);
}

}  // namespace

void registerWiredShaders(ShaderCatalog& catalog) {
    catalog.addVertexFunction("wiredVertex", shaders::kSheetVaryings, wireVertex);
    using Constants = shaders::PictureSpanConstants<WireLook>;
    catalog.addFragmentFunction("wiredFragment", wireFragment,
                                spanFunction<Constants, shaders::preparePictureSpan<WireLook, wireLook>, wireSpan>());
}

void drawWired(const EffectPass& pass) {
    const Mesh mesh = wireMesh(pass.scene.uniforms);
    pass.encoder.setFragmentValue(mesh, kFirstEffectIndex);
    shaders::drawRows(pass, mesh.columns, mesh.rows);
}

}  // namespace furlpane
