// Stand-in shaders of the origami. Every mesh vertex is carried by the transform of the
// facet it names, then seen in a simple perspective about the view's centre with the
// frame's depth scale D, so that folds standing out of the plane and the dart's lift
// read as depth. A facet shows the picture on its front and plain paper on its back,
// lit by how squarely it faces the viewer; the crease marks darken the edges that folds
// made; a tucked facet is not drawn.

#include "transitions/drawing/origami/origami_shaders.h"

#include <algorithm>
#include <cmath>

#include "transitions/drawing/origami/origami_drawing.h"
#include "transitions/shaders/shader_support.h"

namespace furlpane::origami {

using namespace platform::gpu;
using effects::Origami;
using platform::simd::float2;
using platform::simd::float4;

namespace {

constexpr float4 kPaper{0.96f, 0.95f, 0.91f, 1};
constexpr float kCreaseWidth = 2.5f;  // points of sheet over which a crease mark fades

VertexOutput offscreen() {
    VertexOutput out;
    out.position = {2, 2, 0, 1};
    return out;
}

// Varyings: 0-1 the sheet point; 2 the facet; 3 how squarely it faces the viewer
// (negative when its back shows); 4 its opacity factor (2 to 4 flat).
VertexOutput facetVertex(const VertexInput& in) {
    const TransitionUniforms& u = shaders::uniformsOf(in.resources);
    const auto mesh = in.resources.array<float4>(kOrigamiMeshIndex);
    const auto frames = in.resources.array<Origami::FacetFrame>(kOrigamiFacetsIndex);
    const auto look = in.resources.array<float4>(kOrigamiLookIndex);
    if (in.vertexId >= mesh.size() || look.empty()) return offscreen();
    const float4 v = mesh[in.vertexId];
    const auto facet = static_cast<size_t>(std::max(0.0f, v.z));
    if (facet >= frames.size() || frames[facet].look.y <= 0) return offscreen();
    const Origami::FacetFrame& frame = frames[facet];
    const float4 p = frame.transform * float4{v.x, v.y, 0, 1};
    const float4 normal = frame.transform * float4{0, 0, 1, 0};
    const float depth = std::max(1.0f, look[0].y);
    const float2 centre = u.viewSize * 0.5f;
    const float k = depth / std::max(depth - p.z, 0.1f * depth);
    VertexOutput out;
    out.position = shaders::clipPosition(centre + (p.xy() - centre) * k, u);
    out.position.z = shaders::clamp01(0.5f - p.z / (2 * depth));
    const float length = std::sqrt(dot(normal, normal));
    out.varyings = {v.x, v.y, v.z, length > 0 ? normal.z / length : 1, frame.look.w};
    return out;
}

// How much the crease marks of the facet's folded edges darken a sheet point.
float creaseShadow(std::span<const float4> edges, std::span<const float4> look, size_t facet, float2 p) {
    float shadow = 0;
    for (size_t e = 0; e < static_cast<size_t>(effects::kOrigamiEdgesPerFacet); ++e) {
        const size_t index = facet * effects::kOrigamiEdgesPerFacet + e;
        if (index >= edges.size()) break;
        const float4 edge = edges[index];
        if (edge.w < 0 || edge.w >= effects::kMaxOrigamiFolds) continue;
        const auto fold = static_cast<int>(edge.w);
        const float mark = look[static_cast<size_t>(1 + fold / 4)][fold % 4];
        const float inside = edge.x * p.x + edge.y * p.y + edge.z;
        shadow = std::max(shadow, mark * shaders::clamp01(1 - inside / kCreaseWidth));
    }
    return 0.45f * shadow;
}

void facetFragment(FragmentQuad& q) {
    const StageResources& r = *q.resources;
    const Texture* picture = r.texture(0);
    const Sampler* sampler = r.sampler(0);
    const auto look = r.array<float4>(kOrigamiLookIndex);
    if (!picture || !sampler || look.size() < 5) {
        q.discardMask = 0xF;
        return;
    }
    const TransitionUniforms& u = shaders::uniformsOf(r);
    const auto edges = r.array<float4>(kOrigamiSidesIndex);
    const float2 size{std::max(1.0f, u.window.z), std::max(1.0f, u.window.w)};
    const auto sheet = q.varying2(0);
    Quad<float2> uv;
    for (size_t i = 0; i < 4; ++i) uv[i] = sheet[i] / size;
    const auto colors = picture->sample(*sampler, uv);
    const auto facet = static_cast<size_t>(std::max(0.0f, q.varying(2, 0)));
    const float facing = q.varying(3, 0);
    const float alpha = q.varying(4, 0) * shaders::shadowOf(r).unframedFade;
    const float light = 0.6f + 0.4f * std::fabs(facing);
    const bool silhouette = shaders::isSilhouettePass(r);
    for (int lane = 0; lane < 4; ++lane) {
        const auto i = static_cast<size_t>(lane);
        const float4 base = facing >= 0 ? colors[i] : kPaper;
        const float tone = light * (1 - creaseShadow(edges, look, facet, sheet[i]));
        const float4 color{base.x * tone, base.y * tone, base.z * tone, base.w};
        shaders::emit(q, lane, color * alpha, silhouette);
    }
}

}  // namespace

void registerShaders(ShaderCatalog& catalog) {
    catalog.addVertexFunction("origamiVertex", {5, 0x1Cu}, facetVertex);
    catalog.addFragmentFunction("origamiFragment", facetFragment);
}

}  // namespace furlpane::origami
