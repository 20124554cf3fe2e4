#include "transitions/shaders/sheet.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/gpu/hot_path.h"
#include "transitions/transition_renderer.h"

namespace furlpane::shaders {

using namespace platform::gpu;

float cameraDistance(const TransitionUniforms& u) {
    return 1.8f * std::max({1.0f, u.viewSize.x, u.viewSize.y});
}

// Seen from the camera in front of the view's centre; a point at depth 0 stays where it
// is, to the bit, so that a flat sheet lies exactly where the picture quad would.
VertexOutput sheetVertex(const SheetPoint& point, const TransitionUniforms& u) {
    const float camera = cameraDistance(u);
    const float w = std::max(camera - point.depth, 1.0f) / camera;
    const float2 centre = u.viewSize * 0.5f;
    const float2 seen = point.depth == 0 ? point.at : centre + (point.at - centre) / w;
    const float4 clip = clipPosition(seen, u);
    VertexOutput out;
    out.position = {clip.x * w, clip.y * w, clamp01(0.5f - point.depth / (2 * camera)) * w, w};
    out.varyings = {point.uv.x, point.uv.y, point.alpha, point.light, point.facing, point.scale};
    return out;
}

VertexOutput hiddenVertex() {
    VertexOutput out;
    out.position = {-2, -2, 0, 1};
    return out;
}

void sheetFragment(FragmentQuad& q) {
    if (!readyToDraw(q)) return;
    const StageResources& r = *q.resources;
    const TransitionUniforms& u = uniformsOf(r);
    const bool silhouette = isSilhouettePass(r);
    const float fade = shadowOf(r).unframedFade;
    using namespace lanes4;
    f32x4 color[4];
    channels(pictureColors(r, q.varying2(0)), color);
    const f32x4 corners = lanes4::sheetCorners(of(q.varyings[0]), of(q.varyings[1]), of(q.varyings[5]), u);
    lanes4::emitSheet(q, color, of(q.varyings[2]) * fade * corners, silhouette);
}

void pictureColors(const SpanPicture& picture, const float* u, const float* v, lanes4::f32x8 (&out)[4]) {
    SpanColors c;
    picture.colors(u, v, c);
    out[0] = lanes::load8(c.r), out[1] = lanes::load8(c.g), out[2] = lanes::load8(c.b), out[3] = lanes::load8(c.a);
}

void prepareSheet(const StageResources& r, SheetConstants& c) {
    c.picture.bind(r);
    c.uniforms = &uniformsOf(r);
    c.fade = shadowOf(r).unframedFade;
    c.silhouette = isSilhouettePass(r);
}

FURLPANE_HOT_PATH void sheetSpan(FragmentSpan& s, const SheetConstants& c) {
    if (!c.picture.picture) {
        s.discardMask = 0xFF;
        return;
    }
    using namespace lanes4;
    f32x8 color[4];
    pictureColors(c.picture, s.varyings[0], s.varyings[1], color);
    const f32x8 corners = sheetCorners(of(s.varyings[0]), of(s.varyings[1]), of(s.varyings[5]), *c.uniforms);
    emitSheet(s, color, of(s.varyings[2]) * c.fade * corners, c.silhouette);
}

float titleShare(const TransitionUniforms& u) { return isTitleStrip(u) ? clamp01(u.standInCrop) : 0.0f; }

float rowTop(std::uint32_t row, std::uint32_t rows, Rows layout, const TransitionUniforms& u) {
    rows = std::max(rows, 1u);
    const float share = layout == Rows::titleBarFirst ? titleShare(u) : 0.0f;
    if (row >= rows) return 1;
    if (!(share > 0)) return float(row) / float(rows);
    if (row == 0) return 0;
    const std::uint32_t body = std::max(rows - 1, 1u);
    return share + (1 - share) * float(row - 1) / float(body);
}

float2 rowVertexUV(std::uint32_t row, std::uint32_t vertex, std::uint32_t columns, std::uint32_t rows, Rows layout,
                   const TransitionUniforms& u) {
    const std::uint32_t column = std::min(vertex / 2, columns);
    return {float(column) / float(std::max(columns, 1u)), rowTop(row + (vertex & 1u), rows, layout, u)};
}

std::uint32_t meshRows(std::uint32_t bodyRows, const TransitionUniforms& u) {
    return std::max(bodyRows, 1u) + (titleShare(u) > 0 ? 1u : 0u);
}

bool placesSoundly(const TransitionUniforms& u) {
    const auto sound = [](float4 r) {
        return effects::saneRect(r) == effects::Rect2{{r.x, r.y}, {r.z, r.w}};
    };
    return sound(u.window) && sound(u.standIn) && sound({0, 0, u.viewSize.x, u.viewSize.y});
}

void drawRows(const EffectPass& pass, std::uint32_t columns, std::uint32_t rows, DepthTest depth) {
    if (!pass.scene.picture || !placesSoundly(pass.scene.uniforms)) return;
    pass.use(pass.renderer.pictures(pass.scene.effect), depth);
    pass.encoder.drawPrimitives(PrimitiveType::triangleStrip, 0, 2 * (columns + 1), rows);
}

void registerPair(ShaderCatalog& catalog, std::string_view name, VaryingLayout layout, VertexFunction vertex,
                  FragmentFunction fragment, SpanFunction span) {
    if (!fragment) {
        fragment = sheetFragment;
        span = spanFunction<SheetConstants, prepareSheet, sheetSpan>();
    }
    catalog.addVertexFunction(std::string(name) + "Vertex", layout, std::move(vertex));
    catalog.addFragmentFunction(std::string(name) + "Fragment", std::move(fragment), span);
}

bool readyToDraw(FragmentQuad& q) {
    if (q.resources->texture(0) && q.resources->sampler(0)) return true;
    q.discardMask = 0xF;
    return false;
}

VertexOutput twinQuadVertex(const VertexInput& in, float margin) {
    const TransitionUniforms& u = uniformsOf(in.resources);
    const bool atStandIn = in.instanceId == 1;
    if (in.instanceId > 1 || (atStandIn && isTitleStrip(u))) return hiddenVertex();
    const float4 rect = atStandIn ? u.standIn : u.window;
    const float scale = atStandIn && u.window.z > 0 ? rect.z / u.window.z : 1;
    const float2 size{std::max(u.window.z, 1.0f), std::max(u.window.w, 1.0f)};
    const float2 grown = float2{margin, margin} / size;
    SheetPoint point;
    point.uv = stripCorner(in.vertexId) * (float2{1, 1} + 2.0f * grown) - grown;
    point.at = rect.xy() + point.uv * rect.zw();
    point.alpha = atStandIn ? u.opacity : 1;
    point.scale = scale;
    VertexOutput out = sheetVertex(point, u);
    out.varyings[6] = atStandIn ? 1 : 0;
    return out;
}

void drawTwinQuads(const EffectPass& pass) { drawRows(pass, 1, 2); }

float twinProgress(const TransitionUniforms& u, float instance) {
    const float p = clamp01(u.progress);
    if (isTitleStrip(u)) return p;
    if (instance < 0.5f) return clamp01(p / kTwinGone);
    return 1 - clamp01((p - kTwinBack) / (1 - kTwinBack));
}

float hash01(std::uint32_t a, std::uint32_t b, std::uint32_t seed) {
    std::uint32_t h = a * 0x8DA6B343u ^ b * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return float(h >> 8) * (1.0f / 16777216.0f);
}

}  // namespace furlpane::shaders
