#pragma once

// Helpers for the transitions' shader functions: reading the blocks the renderer binds
// (effect_pass.h), placing points of the drawing view in clip space, writing colour in
// either pass, and the rounded-rectangle coverage that pictures are cut with.
//
// Shaders run on many threads at once: everything here is a pure function.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/gpu/gpu.h"
#include "platform/simd/simd.h"
#include "transitions/effect_pass.h"
#include "transitions/effects/foundations.h"
#include "transitions/frame_parameters.h"
#include "transitions/effects/transition_uniforms.h"

namespace furlpane::shaders {

using platform::gpu::FragmentQuad;
using platform::gpu::StageResources;
using platform::gpu::VertexInput;
using platform::gpu::VertexOutput;
using platform::simd::float2;
using platform::simd::float4;

// The bound uniforms, or defaults when nothing is bound (the draw then shows nothing
// sensible, but reads nothing out of bounds).
inline const TransitionUniforms& uniformsOf(const StageResources& r) {
    static const TransitionUniforms none{};
    const auto* u = r.value<TransitionUniforms>(kUniformsIndex);
    return u ? *u : none;
}
inline const ShadowParameters& shadowOf(const StageResources& r) {
    static const ShadowParameters none{};
    const auto* s = r.value<ShadowParameters>(kShadowParametersIndex);
    return s ? *s : none;
}
inline bool isSilhouettePass(const StageResources& r) {
    const auto* p = r.value<PassInfo>(kPassInfoIndex);
    return p != nullptr && p->silhouette != 0;
}

// A point of the drawing view (points, origin top left, y down) in clip space.
inline float4 clipPosition(float2 point, const TransitionUniforms& u) {
    const float w = u.viewSize.x > 0 ? u.viewSize.x : 1.0f;
    const float h = u.viewSize.y > 0 ? u.viewSize.y : 1.0f;
    return {point.x / w * 2.0f - 1.0f, 1.0f - point.y / h * 2.0f, 0.0f, 1.0f};
}

// Corner i of a quad drawn as a 4-vertex strip: (0, 0), (1, 0), (0, 1), (1, 1).
inline float2 stripCorner(std::uint32_t vertexId) {
    return {static_cast<float>(vertexId & 1u), static_cast<float>((vertexId >> 1) & 1u)};
}

inline float mix(float a, float b, float t) { return a + (b - a) * t; }
using effects::clamp01;
inline float smoothstep01(float x) {
    const float c = clamp01(x);
    return c * c * (3.0f - 2.0f * c);
}

// The premultiplied colour of one lane; in the silhouette pass its alpha in every
// component, so that the R8 target collects coverage.
inline void emit(FragmentQuad& q, int lane, float4 premultiplied, bool silhouette) {
    q.color[lane] = silhouette ? float4(premultiplied.w) : premultiplied;
}

// Coverage of a pixel by the corners of a rounded rectangle: 1 outside the corner
// squares (the straight edges are left to the rasterizer, which resolves them with its
// samples), the anti-aliased disc inside them. p is relative to the rectangle's centre,
// in points; pixelsPerPoint sets the width of the soft edge.
inline float cornerCoverage(float2 p, float2 half, float radius, float pixelsPerPoint) {
    if (radius <= 0) return 1.0f;
    const float cx = std::fabs(p.x) - (half.x - radius);
    const float cy = std::fabs(p.y) - (half.y - radius);
    if (cx <= 0 || cy <= 0) return 1.0f;
    const float distance = std::sqrt(cx * cx + cy * cy) - radius;
    return clamp01(0.5f - distance * pixelsPerPoint);
}

// A sampler that reads as `sampler` does at level of detail 0 (its magnification filter
// on the first level) whatever the quad's derivatives: a whole quad sampled with it gives
// the same bits as each lane sampled alone at level of detail 0, at the cost of one quad.
inline platform::gpu::Sampler atLevelZero(const platform::gpu::Sampler& sampler) {
    platform::gpu::SamplerDescriptor d = sampler.descriptor();
    d.minFilter = d.magFilter;
    d.mipFilter = platform::gpu::MipFilter::notMipmapped;
    return platform::gpu::Sampler(d);
}

}  // namespace furlpane::shaders
