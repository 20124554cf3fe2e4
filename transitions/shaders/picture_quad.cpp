#include "transitions/shaders/picture_quad.h"

#include <string>

#include "transitions/shaders/shader_support.h"
#include "transitions/transition_renderer.h"

namespace furlpane {

using namespace platform::gpu;
using platform::simd::float2;
using platform::simd::float4;
using shaders::clamp01;

PictureQuad pictureQuad(const TransitionUniforms& u) { return pictureQuad(u, shaders::smoothstep01(u.progress)); }

PictureQuad pictureQuad(const TransitionUniforms& u, float e) {
    PictureQuad q;
    q.rect = mix(u.window, u.standIn, e);
    q.visibleHeight = isTitleStrip(u) ? shaders::mix(1.0f, clamp01(u.standInCrop), e) : 1.0f;
    const float scale = u.window.z > 0 ? std::min(1.0f, q.rect.z / u.window.z) : 1.0f;
    const float largest = 0.5f * std::min(std::fabs(q.rect.z), std::fabs(q.rect.w));
    q.radius = std::clamp(u.cornerRadius * scale, 0.0f, largest);
    q.opacity = shaders::mix(1.0f, u.opacity, e);
    return q;
}

namespace {

// Varyings: 0-1 texture coordinates, 2-3 position from the quad's centre in points,
// 4-5 half the quad's size, 6 corner radius, 7 opacity (4 to 7 flat).
VertexOutput pictureVertex(const VertexInput& in) {
    const TransitionUniforms& u = shaders::uniformsOf(in.resources);
    const PictureQuad q = pictureQuad(u);
    const float2 c = shaders::stripCorner(in.vertexId);
    const float2 size = q.rect.zw();
    VertexOutput out;
    out.position = shaders::clipPosition(q.rect.xy() + c * size, u);
    out.varyings = {c.x, c.y * q.visibleHeight, (c.x - 0.5f) * size.x, (c.y - 0.5f) * size.y,
                    0.5f * std::fabs(size.x), 0.5f * std::fabs(size.y), q.radius, q.opacity};
    return out;
}

void pictureFragment(FragmentQuad& q) {
    const StageResources& r = *q.resources;
    const Texture* picture = r.texture(0);
    const Texture* fresh = r.texture(1);
    const Sampler* sampler = r.sampler(0);
    if (!picture || !sampler) {
        q.discardMask = 0xF;
        return;
    }
    const TransitionUniforms& u = shaders::uniformsOf(r);
    const float fade = shaders::shadowOf(r).unframedFade;
    const bool silhouette = shaders::isSilhouettePass(r);
    const auto uv = q.varying2(0);
    auto colors = picture->sample(*sampler, uv);
    const float freshness = clamp01(u.freshness);
    if (fresh && fresh != picture && freshness > 0) {
        const auto later = fresh->sample(*sampler, uv);
        for (size_t i = 0; i < 4; ++i) colors[i] = mix(colors[i], later[i], freshness);
    }
    const auto local = q.varying2(2);
    const float2 half{q.varying(4, 0), q.varying(5, 0)};
    const float radius = q.varying(6, 0), opacity = q.varying(7, 0);
    for (int lane = 0; lane < 4; ++lane) {
        const auto i = static_cast<size_t>(lane);
        const float a = shaders::cornerCoverage(local[i], half, radius, u.pixelsPerPoint) * opacity * fade;
        shaders::emit(q, lane, colors[i] * a, silhouette);
    }
}

// One triangle that covers the target: corners (-1, -1), (3, -1) and (-1, 3) in clip
// space, texture coordinates running 0 ... 1 over the target.
VertexOutput copyVertex(const VertexInput& in) {
    const float x = in.vertexId == 1 ? 2.0f : 0.0f, y = in.vertexId == 2 ? 2.0f : 0.0f;
    VertexOutput out;
    out.position = {x * 2.0f - 1.0f, 1.0f - y * 2.0f, 0.0f, 1.0f};
    out.varyings[0] = x;
    out.varyings[1] = y;
    return out;
}

void copyFragment(FragmentQuad& q) {
    const Texture* source = q.resources->texture(0);
    const Sampler* sampler = q.resources->sampler(0);
    if (!source || !sampler) {
        q.discardMask = 0xF;
        return;
    }
    const auto colors = source->sample(*sampler, q.varying2(0));
    for (int lane = 0; lane < 4; ++lane) q.color[lane] = colors[size_t(lane)];
}

}  // namespace

void registerCopyShaders(ShaderCatalog& catalog, std::string_view name) {
    catalog.addVertexFunction(std::string(name) + "Vertex", {2, 0}, copyVertex);
    catalog.addFragmentFunction(std::string(name) + "Fragment", copyFragment);
}

void registerPictureShaders(ShaderCatalog& catalog, std::string_view name) {
    catalog.addVertexFunction(std::string(name) + "Vertex", {8, 0xF0u}, pictureVertex);
    catalog.addFragmentFunction(std::string(name) + "Fragment", pictureFragment);
}

void drawPicture(const EffectPass& pass) {
    if (!pass.scene.picture) return;
    pass.use(pass.renderer.pictures(pass.scene.effect));
    pass.encoder.drawPrimitives(PrimitiveType::triangleStrip, 0, 4);
}

}  // namespace furlpane
