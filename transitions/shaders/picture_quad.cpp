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

// The same a span at a time, with the textures bound and the blocks read once per draw.
struct PictureConstants {
    BoundTexture picture;
    BoundTexture fresh;  // empty unless the fresher picture is mixed in
    float freshness;
    float fade;
    float pixelsPerPoint;
    bool silhouette;
};

void preparePicture(const StageResources& r, PictureConstants& c) {
    const Texture* picture = r.texture(0);
    const Texture* fresh = r.texture(1);
    const Sampler* sampler = r.sampler(0);
    if (!picture || !sampler) return;
    const TransitionUniforms& u = shaders::uniformsOf(r);
    c.picture = {picture, sampler};
    c.freshness = clamp01(u.freshness);
    if (fresh && fresh != picture && c.freshness > 0) c.fresh = {fresh, sampler};
    c.fade = shaders::shadowOf(r).unframedFade;
    c.pixelsPerPoint = u.pixelsPerPoint;
    c.silhouette = shaders::isSilhouettePass(r);
}

void pictureSpan(FragmentSpan& s, const PictureConstants& c) {
    if (!c.picture) {
        s.discardMask = 0xFF;
        return;
    }
    SpanColors colors;
    c.picture.sample(s.varyings[0], s.varyings[1], colors);
    if (c.fresh) {
        SpanColors later;
        c.fresh.sample(s.varyings[0], s.varyings[1], later);
        for (int i = 0; i < kSpanLanes; ++i) {
            colors.r[i] = shaders::mix(colors.r[i], later.r[i], c.freshness);
            colors.g[i] = shaders::mix(colors.g[i], later.g[i], c.freshness);
            colors.b[i] = shaders::mix(colors.b[i], later.b[i], c.freshness);
            colors.a[i] = shaders::mix(colors.a[i], later.a[i], c.freshness);
        }
    }
    for (int lane = 0; lane < kSpanLanes; ++lane) {
        const int first = lane & ~3;  // the flat varyings, from the quad's first lane
        const float2 half{s.varyings[4][first], s.varyings[5][first]};
        const float radius = s.varyings[6][first], opacity = s.varyings[7][first];
        const float2 local{s.varyings[2][lane], s.varyings[3][lane]};
        const float a = shaders::cornerCoverage(local, half, radius, c.pixelsPerPoint) * opacity * c.fade;
        const float4 color = float4{colors.r[lane], colors.g[lane], colors.b[lane], colors.a[lane]} * a;
        const float4 out = c.silhouette ? float4(color.w) : color;
        s.color.r[lane] = out.x, s.color.g[lane] = out.y, s.color.b[lane] = out.z, s.color.a[lane] = out.w;
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

struct CopyConstants {
    BoundTexture source;
};

void prepareCopy(const StageResources& r, CopyConstants& c) { c.source = {r.texture(0), r.sampler(0)}; }

void copySpan(FragmentSpan& s, const CopyConstants& c) {
    if (!c.source) {
        s.discardMask = 0xFF;
        return;
    }
    c.source.sample(s.varyings[0], s.varyings[1], s.color);
}

}  // namespace

void registerCopyShaders(ShaderCatalog& catalog, std::string_view name) {
    catalog.addVertexFunction(std::string(name) + "Vertex", {2, 0}, copyVertex);
    catalog.addFragmentFunction(std::string(name) + "Fragment", copyFragment,
                                spanFunction<CopyConstants, prepareCopy, copySpan>());
}

void registerPictureShaders(ShaderCatalog& catalog, std::string_view name) {
    catalog.addVertexFunction(std::string(name) + "Vertex", {8, 0xF0u}, pictureVertex);
    catalog.addFragmentFunction(std::string(name) + "Fragment", pictureFragment,
                                spanFunction<PictureConstants, preparePicture, pictureSpan>());
}

void drawPicture(const EffectPass& pass) {
    if (!pass.scene.picture) return;
    pass.use(pass.renderer.pictures(pass.scene.effect));
    pass.encoder.drawPrimitives(PrimitiveType::triangleStrip, 0, 4);
}

}  // namespace furlpane
