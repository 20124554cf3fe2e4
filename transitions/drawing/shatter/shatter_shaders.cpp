// Stand-in shaders of the shatter effect. Each mesh vertex is placed by its shard's
// transform (a perspective of window points onto the view, see shard_frames.cpp); the
// fragment shows the window picture at the vertex's own window point, darkened where
// the shard is seen edge-on, with bright crack lines along its crack edges and a glint.

#include <algorithm>
#include <cmath>

#include "transitions/drawing/shatter/shatter_drawing.h"
#include "transitions/shaders/shader_support.h"

namespace furlpane {

using namespace platform::gpu;
using platform::simd::float2;
using platform::simd::float4;
using shaders::clamp01;

namespace {

constexpr int kMesh = 2, kEdges = 3, kShards = 4, kLook = 5;

// The shard's depth towards the viewer, turned into 0 ... 1 (nearer is smaller).
float depthOf(float z) { return clamp01(0.5f - z / 8000.0f); }

// Varyings: 0-1 picture coordinates, 2-3 window point, 4 shard (flat), 5 alpha,
// 6 facing, 7 glint, 8 crack (5 to 8 flat).
VertexOutput shatterVertex(const VertexInput& in) {
    const TransitionUniforms& u = shaders::uniformsOf(in.resources);
    const auto mesh = in.resources.array<float4>(kMesh);
    const auto shards = in.resources.array<effects::Shatter::ShardFrame>(kShards);
    const auto look = in.resources.array<float4>(kLook);
    VertexOutput out;
    if (in.vertexId >= mesh.size() || look.empty()) return out;
    const float4 v = mesh[in.vertexId];
    const auto shard = static_cast<std::size_t>(std::max(0.0f, v.z));
    if (shard >= shards.size()) return out;
    const effects::Shatter::ShardFrame& f = shards[shard];
    const float4 p = f.transform.columns[0] * v.x + f.transform.columns[1] * v.y + f.transform.columns[3];
    const float w = std::max(p.w, 0.05f);
    const float4 clip = shaders::clipPosition({p.x / w, p.y / w}, u);
    out.position = {clip.x * w, clip.y * w, depthOf(p.z) * w, w};
    const float2 size{std::max(look[0].x, 1.0f), std::max(look[0].y, 1.0f)};
    out.varyings = {v.x / size.x, v.y / size.y, v.x, v.y, v.z, f.look.x, f.look.y, f.flash.x, f.flash.y};
    return out;
}

// How brightly the crack edges of the shard show at window point p: 1 on a crack, fading
// over the crack width.
float crackLine(std::span<const float4> edges, std::size_t shard, float2 p, float width) {
    float line = 0;
    for (std::size_t k = shard * 8; k < shard * 8 + 8 && k < edges.size(); ++k) {
        const float4 e = edges[k];
        if (e.w != 0.0f) continue;
        const float distance = e.x * p.x + e.y * p.y + e.z;
        line = std::max(line, 1.0f - shaders::smoothstep01(distance / width));
    }
    return line;
}

void shatterFragment(FragmentQuad& q) {
    const StageResources& r = *q.resources;
    const Texture* picture = r.texture(0);
    const Sampler* sampler = r.sampler(0);
    const auto look = r.array<float4>(kLook);
    if (!picture || !sampler || look.size() < 2) {
        q.discardMask = 0xF;
        return;
    }
    const bool silhouette = shaders::isSilhouettePass(r);
    const float fade = shaders::shadowOf(r).unframedFade;
    const auto edges = r.array<float4>(kEdges);
    const auto colors = picture->sample(*sampler, q.varying2(0));
    const auto shard = static_cast<std::size_t>(std::max(0.0f, q.varying(4, 0)));
    const float alpha = clamp01(q.varying(5, 0)) * fade;
    const float shade = 0.72f + 0.28f * std::fabs(q.varying(6, 0));
    const float glint = clamp01(q.varying(7, 0)), crack = clamp01(q.varying(8, 0));
    const auto points = q.varying2(2);
    for (int lane = 0; lane < 4; ++lane) {
        const auto i = static_cast<std::size_t>(lane);
        const float4 c = colors[i];
        const float light = clamp01(0.6f * glint + 0.85f * crack * crackLine(edges, shard, points[i], look[1].x));
        const float4 lit{c.x * shade + (c.w - c.x * shade) * light, c.y * shade + (c.w - c.y * shade) * light,
                         c.z * shade + (c.w - c.z * shade) * light, c.w};
        shaders::emit(q, lane, lit * alpha, silhouette);
    }
}

}  // namespace

void registerShatterShaders(ShaderCatalog& catalog) {
    catalog.addVertexFunction("shatterVertex", {9, 0x1F0u}, shatterVertex);
    catalog.addFragmentFunction("shatterFragment", shatterFragment);
}

}  // namespace furlpane
