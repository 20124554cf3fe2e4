// Shadows and rims read from the silhouette of the frame's shapes (an R8 texture at a
// reduced size with mip levels): a soft shadow is the silhouette seen through a mip
// level as wide as its blur radius, moved down by its drop and kept out from under the
// shapes; the rim is the band just outside the shapes' edge, where a slightly blurred
// silhouette exceeds the sharp one, and the inner rim the band just inside it.

#include <cmath>

#include "transitions/shaders/main_pass_shaders.h"
#include "transitions/shaders/shader_support.h"

namespace furlpane {

using namespace platform::gpu;
using platform::simd::float2;
using platform::simd::float4;

namespace {

VertexOutput overlayVertex(const VertexInput& in) {
    const TransitionUniforms& u = shaders::uniformsOf(in.resources);
    const auto* bounds = in.resources.value<OverlayBounds>(2);
    VertexOutput out;
    if (!bounds) return out;
    out.position = shaders::clipPosition(bounds->rect.xy() + shaders::stripCorner(in.vertexId) * bounds->rect.zw(), u);
    return out;
}

// What every silhouette read needs.
struct SilhouetteView {
    const Texture* texture = nullptr;
    const Sampler* sampler = nullptr;
    float2 targetSize;
    float pixelsPerPoint = 1;  // target pixels per point of the view
    float texelsPerPoint = 1;  // silhouette texels per point of the view

    bool valid() const { return texture && sampler && targetSize.x > 0 && targetSize.y > 0; }
    // The silhouette at pixel position p of the target, blurred over `radius` points.
    float at(float2 p, float radius) const {
        const float lod = std::log2(std::max(1.0f, radius * texelsPerPoint));
        return texture->sample(*sampler, p / targetSize, lod).x;
    }
};

SilhouetteView silhouetteOf(const StageResources& r) {
    SilhouetteView v;
    v.texture = r.texture(kSilhouetteTexture);
    v.sampler = r.sampler(0);
    const auto* pass = r.value<PassInfo>(kPassInfoIndex);
    if (!v.texture || !pass) return v;
    v.targetSize = {float(pass->width), float(pass->height)};
    const float ppp = shaders::uniformsOf(r).pixelsPerPoint;
    v.pixelsPerPoint = ppp > 0 ? ppp : 1.0f;
    v.texelsPerPoint = v.pixelsPerPoint * float(v.texture->width()) / std::max(1.0f, v.targetSize.x);
    return v;
}

void shadowFragment(FragmentQuad& q) {
    const StageResources& r = *q.resources;
    const SilhouetteView s = silhouetteOf(r);
    const auto* look = r.value<ShadowLook>(2);
    if (!s.valid() || !look) {
        q.discardMask = 0xF;
        return;
    }
    const float blur = look->softness > 0 ? look->radius : 0.0f;
    for (int lane = 0; lane < 4; ++lane) {
        const float2 p = q.position(lane);
        const float cast = s.at(p - float2(0.0f, look->drop * s.pixelsPerPoint), blur);
        const float a = shaders::clamp01(look->opacity) * cast * (1.0f - s.at(p, 0));
        q.color[lane] = {0, 0, 0, a};
    }
}

// The band of about `width` points around the edge: outside when sign is 1, inside
// when it is −1.
float edgeBand(const SilhouetteView& s, float2 p, float width, float sign) {
    const float sharp = s.at(p, 0);
    const float soft = s.at(p, 2 * std::max(width, 0.5f));
    return shaders::clamp01((soft - sharp) * sign * 2);
}

void rimFragment(FragmentQuad& q) {
    const StageResources& r = *q.resources;
    const SilhouetteView s = silhouetteOf(r);
    if (!s.valid()) {
        q.discardMask = 0xF;
        return;
    }
    const ShadowParameters& p = shaders::shadowOf(r);
    const float strength = shaders::clamp01(p.windowBorder + p.standInBorder);
    const float width = std::max(p.windowBorder > 0 ? p.windowBorderWidth : 0.0f,
                                 p.standInBorder > 0 ? p.standInBorderWidth : 0.0f);
    for (int lane = 0; lane < 4; ++lane)
        q.color[lane] = {0, 0, 0, strength * edgeBand(s, q.position(lane), width, 1)};
}

void innerRimFragment(FragmentQuad& q) {
    const StageResources& r = *q.resources;
    const SilhouetteView s = silhouetteOf(r);
    if (!s.valid()) {
        q.discardMask = 0xF;
        return;
    }
    const ShadowParameters& p = shaders::shadowOf(r);
    const float density = shaders::clamp01(p.innerRimDensity);
    for (int lane = 0; lane < 4; ++lane)
        q.color[lane] = float4(density * edgeBand(s, q.position(lane), p.innerRimWidth, -1));
}

}  // namespace

void registerShadowShaders(ShaderCatalog& catalog) {
    for (const char* name : {"shadowVertex", "rimVertex", "innerRimVertex"})
        catalog.addVertexFunction(name, {0, 0}, overlayVertex);
    catalog.addFragmentFunction("shadowFragment", shadowFragment);
    catalog.addFragmentFunction("rimFragment", rimFragment);
    catalog.addFragmentFunction("innerRimFragment", innerRimFragment);
}

}  // namespace furlpane
