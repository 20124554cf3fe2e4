// The framing under the picture: the window as the framed capture shows it (its own
// frame and shadow around the plain picture), placed so that the plain picture's pixels
// land on the picture quad, fading out as the transition leaves the window while the
// picture quad fades in. The framing texture holds the strips outside the interior where
// the two captures agree; inside it the plain picture is shown.

#include "platform/gpu/gpu.h"
#include "transitions/shaders/main_pass_shaders.h"
#include "transitions/shaders/picture_quad.h"
#include "transitions/shaders/shader_support.h"

namespace furlpane {

using namespace platform::gpu;
using platform::simd::float2;
using platform::simd::float4;

namespace {

// The framed picture's rectangle (points) around the picture quad: the plain picture
// lies at (left, top) in it, at the quad's scale. Empty without a framing.
float4 framedRect(const TransitionUniforms& u, const FramingParameters& f, const Texture& picture) {
    const PictureQuad q = pictureQuad(u);
    const float sx = q.rect.z / float(picture.width());
    const float sy = q.rect.w / (float(picture.height()) * std::max(q.visibleHeight, 1e-3f));
    if (f.framing[2] <= 0 || f.framing[3] <= 0) return {};
    return {q.rect.x - float(f.framing[0]) * sx, q.rect.y - float(f.framing[1]) * sy, float(f.framing[2]) * sx,
            float(f.framing[3]) * sy};
}

VertexOutput framingVertex(const VertexInput& in) {
    const TransitionUniforms& u = shaders::uniformsOf(in.resources);
    const auto* f = in.resources.value<FramingParameters>(2);
    const Texture* picture = in.resources.texture(0);
    VertexOutput out;
    if (!f || !picture) return out;
    const float4 rect = framedRect(u, *f, *picture);
    const float2 c = shaders::stripCorner(in.vertexId);
    out.position = shaders::clipPosition(rect.xy() + c * rect.zw(), u);
    out.varyings[0] = c.x;
    out.varyings[1] = c.y;
    return out;
}

// Where a lane lies inside the interior (the plain picture shrunk by the depth), its
// colour is the plain picture's.
void showInterior(const FragmentQuad& q, const FramingParameters& f, const Texture& picture, const Sampler& sampler,
                  const Quad<float2>& uv, Quad<float4>& colors) {
    const float2 framedSize{float(f.framing[2]), float(f.framing[3])};
    const float2 plainSize{float(picture.width()), float(picture.height())};
    const float2 offset{float(f.framing[0]), float(f.framing[1])};
    const float depth = float(std::max(f.depth, 0));
    Quad<float2> plainUV;
    for (size_t i = 0; i < 4; ++i) plainUV[i] = (uv[i] * framedSize - offset) / plainSize;
    const auto inner = picture.sample(sampler, plainUV);
    for (size_t i = 0; i < 4; ++i) {
        const float2 p = plainUV[i] * plainSize;
        if ((q.liveMask >> i & 1u) && p.x >= depth && p.y >= depth && p.x < plainSize.x - depth &&
            p.y < plainSize.y - depth)
            colors[i] = inner[i];
    }
}

void framingFragment(FragmentQuad& q) {
    const StageResources& r = *q.resources;
    const Texture* framing = r.texture(kFramingTexture);
    const Texture* fresh = r.texture(kFreshFramingTexture);
    const Sampler* sampler = r.sampler(0);
    const auto* f = r.value<FramingParameters>(2);
    if (!framing || !sampler || !f) {
        q.discardMask = 0xF;
        return;
    }
    const auto uv = q.varying2(0);
    auto colors = framing->sample(*sampler, uv);
    if (const Texture* picture = r.texture(0)) showInterior(q, *f, *picture, *sampler, uv, colors);
    const float freshness = shaders::clamp01(f->freshness);
    if (fresh && fresh != framing && freshness > 0) {
        const auto later = fresh->sample(*sampler, uv);
        for (size_t i = 0; i < 4; ++i) colors[i] = mix(colors[i], later[i], freshness);
    }
    const float fade = shaders::clamp01(f->fade);
    for (int lane = 0; lane < 4; ++lane) q.color[lane] = colors[size_t(lane)] * fade;
}

}  // namespace

void registerFramingShaders(ShaderCatalog& catalog) {
    catalog.addVertexFunction("framingVertex", {2, 0}, framingVertex);
    catalog.addFragmentFunction("framingFragment", framingFragment);
}

}  // namespace furlpane
