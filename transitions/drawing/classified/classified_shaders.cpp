// Stand-in shaders of the classified effect: the strips cut from the page (and the stamps
// in the air) for the effect's pair, and the three pipelines that compose the page.
//
// Strips are ribbons: each is placed by its model matrix, turned about its long axis by
// its turn, the part the shredder has cut free swaying, twisting, curling and leaning
// as its record says, and seen through a camera at the look's distance, so that a strip
// lifted off the page grows a little. Bars grow from left to right over their stroke time with
// ragged edges; stamp prints are the face in red ink with some grain.

#include <algorithm>
#include <cmath>
#include <string>

#include "transitions/drawing/classified/classified_drawing.h"
#include "transitions/shaders/shader_support.h"

namespace furlpane {

using namespace platform::gpu;
using platform::simd::float2;
using platform::simd::float4;
using platform::simd::float4x4;
using shaders::clamp01;

namespace {

using Strip = effects::Classified::StripFrame;
using Bar = effects::Classified::BarFrame;

constexpr int kStrips = 2;
constexpr int kLook = 3;
constexpr int kPage = 3;
constexpr int kFace = 4;

VertexOutput hidden() {
    VertexOutput out;
    out.position = {-2, -2, 0, 1};
    return out;
}

float4 transformPoint(const float4x4& m, float4 p) { return m * p; }

// A point of the overlay (points, with depth toward the viewer) in clip space, seen
// from the camera distance in front of the view's centre.
float4 perspective(float4 p, float camera, const TransitionUniforms& u) {
    const float2 c{u.viewSize.x / 2, u.viewSize.y / 2};
    const float w = std::max(camera - p.z, 1.0f) / std::max(camera, 1.0f);
    const float2 seen{c.x + (p.x - c.x) / w, c.y + (p.y - c.y) / w};
    const float4 clip = shaders::clipPosition(seen, u);
    return {clip.x * w, clip.y * w, 0, w};
}

// How the part of a strip below its uncut length moves, at `along` points down a strip
// of `length`: the further down, the more it sways aside (wave: attached, sway, sway
// phase, twist), twists about its length, curls out of the page and leans (bend: twist
// phase, turn, curl, lean). Nothing moves above the cut.
struct Dangle {
    float aside = 0;
    float out = 0;
    float twist = 0;
};

Dangle dangle(const Strip& s, float along, float length) {
    const float attached = std::clamp(s.wave.x, 0.0f, length);
    const float free = clamp01((along - attached) / std::max(length - attached, 1.0f));
    if (!(free > 0)) return {};
    return {s.wave.y * std::sin(s.wave.z + 3 * free) * free + s.bend.w * free, s.bend.z * free * free,
            s.wave.w * std::sin(s.bend.x + 2 * free) * free};
}

// Varyings: 0-1 texture coordinates (page or face), 2 alpha, 3 shade, 4 kind (0 strip,
// 1 stamp), 5 ink; 2, 4 and 5 flat.
VertexOutput stripVertex(const Strip& s, float2 corner, std::span<const float4> look, const TransitionUniforms& u) {
    const float width = s.source.z, length = s.source.w;
    const float pageW = std::max(look[2].x, 1.0f), pageH = std::max(look[2].y, 1.0f);
    const float2 onPage{s.source.x + corner.x * width, s.source.y + corner.y * length};
    float4 p;
    float turn = s.bend.y;
    if (look[0].x == 2) {  // the thumbnail's final frames: the page on the stand-in
        p = {u.standIn.x + onPage.x / pageW * u.standIn.z, u.standIn.y + onPage.y / pageH * u.standIn.w, 0, 1};
    } else {
        const Dangle d = dangle(s, corner.y * length, length);
        turn += d.twist;
        const float across = (corner.x - 0.5f) * width;
        p = transformPoint(s.transform,
                           {across * std::cos(turn) + d.aside, corner.y * length, across * std::sin(turn) + d.out, 1});
    }
    VertexOutput out;
    out.position = perspective(p, look[0].y, u);
    out.varyings = {onPage.x / pageW, onPage.y / pageH, s.look.x, 0.55f + 0.45f * std::fabs(std::cos(turn)), 0, 0};
    return out;
}

VertexOutput stampVertex(std::size_t k, float2 corner, std::span<const float4> look, const TransitionUniforms& u) {
    const std::size_t base = 8 + 7 * k;
    if (look.size() < base + 7 || !(look[base + 4].x > 0)) return hidden();
    const float4x4 model{look[base], look[base + 1], look[base + 2], look[base + 3]};
    const float2 size = look[base + 5].xy();
    float4 p = transformPoint(model, {(corner.x - 0.5f) * size.x, (corner.y - 0.5f) * size.y, 0, 1});
    p.x += u.window.x;
    p.y += u.window.y;
    VertexOutput out;
    out.position = perspective(p, look[0].y, u);
    out.varyings = {corner.x, corner.y, look[base + 4].x, 1, 1, look[base + 4].y};
    return out;
}

VertexOutput classifiedVertex(const VertexInput& in) {
    const TransitionUniforms& u = shaders::uniformsOf(in.resources);
    const auto strips = in.resources.array<Strip>(kStrips);
    const auto look = in.resources.array<float4>(kLook);
    if (look.size() < 8) return hidden();
    // A strip is kStripSegments quads down its length, so that it can bend; a stamp is
    // one quad, the vertices past it repeating its bottom edge.
    const std::uint32_t row = in.vertexId >> 1;
    const float2 corner{float(in.vertexId & 1u), float(std::min(row, kStripSegments)) / float(kStripSegments)};
    if (in.instanceId < strips.size()) return stripVertex(strips[in.instanceId], corner, look, u);
    return stampVertex(in.instanceId - strips.size(), {corner.x, row > 0 ? 1.0f : 0.0f}, look, u);
}

void classifiedFragment(FragmentQuad& q) {
    const StageResources& r = *q.resources;
    const Sampler* sampler = r.sampler(0);
    const bool stamp = q.varying(4, 0) > 0.5f;
    const Texture* texture = r.texture(stamp ? kFace : kPage);
    if (!texture || !sampler) {
        q.discardMask = 0xF;
        return;
    }
    const bool silhouette = shaders::isSilhouettePass(r);
    const auto colors = texture->sample(*sampler, q.varying2(0));
    const float alpha = clamp01(q.varying(2, 0)), shade = q.varying(3, 0), ink = q.varying(5, 0);
    for (int lane = 0; lane < 4; ++lane) {
        const float4 c = colors[static_cast<std::size_t>(lane)];
        float4 out;
        if (stamp) {  // the rubber block, its face showing in red
            const float face = c.w * ink;
            out = float4{0.16f + 0.6f * face, 0.05f + 0.02f * face, 0.05f + 0.05f * face, 1} * alpha;
        } else {
            out = float4{c.x * shade, c.y * shade, c.z * shade, c.w} * alpha;
        }
        shaders::emit(q, lane, out, silhouette);
    }
}

// ---- The page ----

VertexOutput pageCopiesVertex(const VertexInput& in) {
    const float x = in.vertexId == 1 ? 2.0f : 0.0f, y = in.vertexId == 2 ? 2.0f : 0.0f;
    VertexOutput out;
    out.position = {x * 2 - 1, 1 - y * 2, 0, 1};
    out.varyings[0] = x;
    out.varyings[1] = y;
    return out;
}

void pageCopiesFragment(FragmentQuad& q) {
    const StageResources& r = *q.resources;
    const Texture* picture = r.texture(0);
    const Texture* fresh = r.texture(1);
    const Sampler* sampler = r.sampler(0);
    if (!picture || !sampler) {
        q.discardMask = 0xF;
        return;
    }
    const auto uv = q.varying2(0);
    auto colors = picture->sample(*sampler, uv);
    const float freshness = clamp01(shaders::uniformsOf(r).freshness);
    if (fresh && fresh != picture && freshness > 0) {
        const auto later = fresh->sample(*sampler, uv);
        for (std::size_t i = 0; i < 4; ++i) colors[i] = mix(colors[i], later[i], freshness);
    }
    for (int lane = 0; lane < 4; ++lane) q.color[lane] = colors[static_cast<std::size_t>(lane)];
}

float4 pageClip(float2 point, std::span<const float4> look) {
    const float w = std::max(look[2].x, 1.0f), h = std::max(look[2].y, 1.0f);
    return {point.x / w * 2 - 1, 1 - point.y / h * 2, 0, 1};
}

// Varyings: 0-1 position in the bar (points), 2-3 its drawn size, 4 its phase (2 to 4 flat).
VertexOutput pageBarsVertex(const VertexInput& in) {
    const auto bars = in.resources.array<Bar>(kStrips);
    const auto look = in.resources.array<float4>(kLook);
    if (in.instanceId >= bars.size() || look.size() < 8) return hidden();
    const Bar& bar = bars[in.instanceId];
    const float t = shaders::uniformsOf(in.resources).progress;
    const float drawn = bar.timing.y > 0 ? clamp01((t - bar.timing.x) / bar.timing.y) : (t >= bar.timing.x ? 1.0f : 0.0f);
    if (!(drawn > 0)) return hidden();
    const float2 c = shaders::stripCorner(in.vertexId);
    const float2 size{bar.rect.z * drawn, bar.rect.w};
    VertexOutput out;
    out.position = pageClip({bar.rect.x + c.x * size.x, bar.rect.y + c.y * size.y}, look);
    out.varyings = {c.x * size.x, c.y * size.y, size.x, size.y, bar.timing.z};
    return out;
}

void pageBarsFragment(FragmentQuad& q) {
    for (int lane = 0; lane < 4; ++lane) {
        const float x = q.varying(0, lane), y = q.varying(1, lane);
        const float h = q.varying(3, lane), phase = q.varying(4, lane);
        // A marker's edges wander a little along the stroke.
        const float wander = 0.45f + 0.35f * std::sin(x * 0.21f + phase * 50.0f) + 0.2f * std::sin(x * 0.57f + phase * 13.0f);
        const float inside = std::min(y, h - y) - 0.5f * wander;
        const float a = 0.97f * clamp01(inside + 0.5f);
        q.color[lane] = float4{0.03f, 0.03f, 0.035f, 1} * a;
    }
}

// Varyings: 0-1 face coordinates, 2 ink (flat).
VertexOutput pageStampsVertex(const VertexInput& in) {
    const auto look = in.resources.array<float4>(kLook);
    const std::size_t base = 4 + 2 * static_cast<std::size_t>(in.instanceId);
    if (look.size() < base + 2 || look.size() < 8) return hidden();
    const float4 place = look[base], how = look[base + 1];
    if (!(look[3].x >= how.y)) return hidden();  // not printed yet
    const float2 c = shaders::stripCorner(in.vertexId);
    const float2 local{(c.x - 0.5f) * place.z, (c.y - 0.5f) * place.w};
    const float co = std::cos(how.x), si = std::sin(how.x);
    VertexOutput out;
    out.position = pageClip({place.x + local.x * co - local.y * si, place.y + local.x * si + local.y * co}, look);
    out.varyings = {c.x, c.y, how.z};
    return out;
}

void pageStampsFragment(FragmentQuad& q) {
    const StageResources& r = *q.resources;
    const Texture* face = r.texture(3);
    const Texture* noise = r.texture(2);
    const Sampler* sampler = r.sampler(0);
    if (!face || !sampler) {
        q.discardMask = 0xF;
        return;
    }
    const auto uv = q.varying2(0);
    const auto faces = face->sample(*sampler, uv);
    const float ink = q.varying(2, 0);
    for (int lane = 0; lane < 4; ++lane) {
        const auto i = static_cast<std::size_t>(lane);
        const float grain = noise ? noise->sample(*sampler, uv[i]).x : 1.0f;
        const float a = clamp01(faces[i].w * ink * (0.7f + 0.3f * grain));
        q.color[lane] = float4{0.78f, 0.09f, 0.11f, 1} * a;
    }
}

void addPair(ShaderCatalog& catalog, const std::string& name, VaryingLayout layout, VertexFunction vertex,
             FragmentFunction fragment) {
    catalog.addVertexFunction(name + "Vertex", layout, std::move(vertex));
    catalog.addFragmentFunction(name + "Fragment", std::move(fragment));
}

}  // namespace

void registerClassifiedShaders(ShaderCatalog& catalog) {
    addPair(catalog, "classified", {6, 0b110100u}, classifiedVertex, classifiedFragment);
    addPair(catalog, "pageCopies", {2, 0}, pageCopiesVertex, pageCopiesFragment);
    addPair(catalog, "pageBars", {5, 0b11100u}, pageBarsVertex, pageBarsFragment);
    addPair(catalog, "pageStamps", {3, 0b100u}, pageStampsVertex, pageStampsFragment);
}

}  // namespace furlpane
