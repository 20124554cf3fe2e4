// The backdrop through the lens: what lies behind the window, drawn over the whole view
// and drawn in towards the stand-in while the black hole is strongest, in the middle of
// the transition.

#include "transitions/shaders/main_pass_shaders.h"
#include "transitions/shaders/shader_support.h"

namespace furlpane {

using namespace platform::gpu;
using platform::simd::float2;
using platform::simd::float4;

namespace {

VertexOutput fullViewVertex(const VertexInput& in) {
    const TransitionUniforms& u = shaders::uniformsOf(in.resources);
    VertexOutput out;
    out.position = shaders::clipPosition(shaders::stripCorner(in.vertexId) * u.viewSize, u);
    return out;
}

// Where the lens shows the point p (points): pulled towards the centre by up to
// `strength` of its distance, the pull falling off with distance as 1 / (1 + r²)² (no
// library functions, so that every machine draws the same bits).
float2 lensed(float2 p, float2 centre, float strength, float reach) {
    const float2 d = p - centre;
    const float f = 1.0f + dot(d, d) / (reach * reach);
    return centre + d * (1.0f - strength / (f * f));
}

void lensFragment(FragmentQuad& q) {
    const StageResources& r = *q.resources;
    const Texture* backdrop = r.texture(0);
    const Sampler* sampler = r.sampler(0);
    const auto* frame = r.value<float4>(1);
    if (!backdrop || !sampler || !frame || frame->z <= 0 || frame->w <= 0) {
        q.discardMask = 0xF;
        return;
    }
    const TransitionUniforms& u = shaders::uniformsOf(r);
    const float ppp = u.pixelsPerPoint > 0 ? u.pixelsPerPoint : 1.0f;
    const float2 centre = u.standIn.xy() + u.standIn.zw() * 0.5f;
    const float t = shaders::clamp01(u.progress);
    const float strength = 1.4f * t * (1.0f - t);  // strongest (0.35) halfway
    const float reach = 2.5f * std::max(80.0f, 0.5f * length(u.standIn.zw()));
    Quad<float2> uv;
    for (size_t i = 0; i < 4; ++i) {
        const float2 p = lensed(q.position(int(i)) / ppp, centre, strength, reach);
        uv[i] = (p - frame->xy()) / frame->zw();
    }
    const auto colors = backdrop->sample(*sampler, uv);
    for (int lane = 0; lane < 4; ++lane) {
        const float2 t = uv[size_t(lane)];
        if (!(t.x >= 0 && t.x <= 1 && t.y >= 0 && t.y <= 1)) q.discard(lane);
        q.color[lane] = colors[size_t(lane)];
    }
}

}  // namespace

void registerLensShaders(ShaderCatalog& catalog) {
    catalog.addVertexFunction("lensVertex", {0, 0}, fullViewVertex);
    catalog.addFragmentFunction("lensFragment", lensFragment);
}

}  // namespace furlpane
