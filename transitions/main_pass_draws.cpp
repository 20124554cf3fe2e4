#include "transitions/main_pass_draws.h"

#include <algorithm>
#include <cmath>

#include "transitions/shaders/main_pass_shaders.h"
#include "transitions/transition_renderer.h"

namespace furlpane {

using namespace platform::gpu;
using platform::simd::float4;

namespace {

// The coarse level and the reach (in its texels) that cover `span` texels of the
// silhouette around a quad: the level whose texels are span / 2 ... span wide, so that
// the reach is 1 or 2 texels.
void coarseCheck(float span, int levels, std::int32_t& level, std::int32_t& reach) {
    span = std::max(1.0f, span);
    level = std::clamp(static_cast<int>(log2Portable(span)), 0, levels - 1);
    reach = std::min(static_cast<int>(std::ceil(span / static_cast<float>(1 << level))), 64);
}

// Silhouette texels per point of the view.
float texelsPerPoint(const TransitionScene& scene, const Texture& silhouette) {
    return scene.uniforms.viewSize.x > 0 ? float(silhouette.width()) / scene.uniforms.viewSize.x : 1.0f;
}

// Draws one overlay over the rectangle grown by reach points.
void drawOverlay(const TransitionRenderer& renderer, Single single, const TransitionScene& scene, float4 rect,
                 float reach, const std::shared_ptr<Texture>& silhouette, const OverlayLook& look,
                 RenderEncoder& encoder) {
    const float4 bounds = overlayBounds(scene.uniforms, rect, reach);
    if (!(bounds.z > 0)) return;
    encoder.setFragmentValue(look, 2);
    encoder.setRenderPipelineState(renderer.single(single));
    encoder.setDepthStencilState(nullptr);
    encoder.setVertexValue(OverlayBounds{bounds}, 2);
    encoder.setFragmentTexture(silhouette, kSilhouetteTexture);
    encoder.setFragmentSampler(renderer.sampler(), 0);
    encoder.drawPrimitives(PrimitiveType::triangleStrip, 0, 4);
}

}  // namespace

void drawBackdrop(const TransitionRenderer& renderer, const TransitionUniforms& uniforms,
                  const std::shared_ptr<Texture>& backdrop, RenderEncoder& encoder, float4 frame) {
    encoder.setRenderPipelineState(renderer.single(Single::lens));
    encoder.setDepthStencilState(nullptr);
    encoder.setVertexValue(uniforms, 0);
    encoder.setFragmentValue(uniforms, 0);
    encoder.setFragmentValue(frame, 1);
    encoder.setFragmentTexture(backdrop, 0);
    encoder.setFragmentSampler(renderer.sampler(), 0);
    encoder.drawPrimitives(PrimitiveType::triangleStrip, 0, 4);
}

float4 overlayBounds(const TransitionUniforms& u, float4 rect, float reach) {
    const float x0 = std::max(rect.x - reach, 0.0f), y0 = std::max(rect.y - reach, 0.0f);
    const float x1 = std::min(rect.x + rect.z + reach, u.viewSize.x);
    const float y1 = std::min(rect.y + rect.w + reach, u.viewSize.y);
    if (!(x1 > x0 && y1 > y0)) return {};
    return {x0, y0, x1 - x0, y1 - y0};
}

OverlayLook shadowLook(const TransitionScene& scene, const Texture& silhouette, const TransitionShadow& shadow,
                       float weight, float softness) {
    const float tpp = texelsPerPoint(scene, silhouette);
    const float blur = softness > 0 ? std::max(shadow.radius, 0.0f) * tpp : 0.0f;
    OverlayLook look;
    look.alpha = std::clamp(shadow.opacity * weight, 0.0f, 1.0f);
    if (!(look.alpha > 0)) look.alpha = 0;
    look.dropPixels = shadow.drop * scene.uniforms.pixelsPerPoint;
    look.lod = std::round(log2Portable(std::max(1.0f, blur)));
    coarseCheck(2 * std::max(blur, 1.0f) + std::fabs(shadow.drop) * tpp + 1, silhouette.mipLevelCount(),
                look.emptyLevel, look.emptyReach);
    coarseCheck(1, silhouette.mipLevelCount(), look.fullLevel, look.fullReach);
    return look;
}

OverlayLook rimLook(const TransitionScene& scene, const Texture& silhouette, float alpha, float width, float sign) {
    const float blur = 2 * std::max(width, 0.5f) * texelsPerPoint(scene, silhouette);
    OverlayLook look;
    look.alpha = std::clamp(alpha, 0.0f, 1.0f);
    look.lod = std::round(log2Portable(std::max(1.0f, blur)));
    look.sign = sign;
    coarseCheck(2 * std::max(blur, 1.0f) + 1, silhouette.mipLevelCount(), look.emptyLevel, look.emptyReach);
    look.fullLevel = look.emptyLevel;
    look.fullReach = look.emptyReach;
    return look;
}

void drawShadows(const TransitionRenderer& renderer, const TransitionScene& scene, const ShadowParameters& shadow,
                 const std::shared_ptr<Texture>& silhouette, RenderEncoder& encoder) {
    const auto draw = [&](float4 rect, const TransitionShadow& s, float weight, float softness) {
        const OverlayLook look = shadowLook(scene, *silhouette, s, weight, softness);
        const float reach = 2 * std::max(s.radius, 0.0f) + std::fabs(s.drop) + 2;
        if (look.alpha > 0) drawOverlay(renderer, Single::shadow, scene, rect, reach, silhouette, look, encoder);
    };
    draw(scene.uniforms.window, scene.windowShadow, shadow.windowFade, shadow.windowSoftness);
    draw(scene.uniforms.standIn, scene.standInShadow, shadow.standInFade, shadow.standInSoftness);
}

void drawRims(const TransitionRenderer& renderer, const TransitionScene& scene, const ShadowParameters& shadow,
              const std::shared_ptr<Texture>& silhouette, RenderEncoder& encoder) {
    const auto draw = [&](Single single, float4 rect, float alpha, float width, float sign) {
        if (!(alpha > 0)) return;
        const float reach = 4 * std::max(width, 0.5f) + 2;
        drawOverlay(renderer, single, scene, rect, reach, silhouette, rimLook(scene, *silhouette, alpha, width, sign),
                    encoder);
    };
    draw(Single::rim, scene.uniforms.window, shadow.windowBorder, shadow.windowBorderWidth, 1);
    draw(Single::rim, scene.uniforms.standIn, shadow.standInBorder, shadow.standInBorderWidth, 1);
    draw(Single::innerRim, scene.uniforms.standIn, shadow.innerRimDensity, shadow.innerRimWidth, -1);
}

void drawFraming(const TransitionRenderer& renderer, const TransitionScene& scene, const ShadowParameters& shadow,
                 RenderEncoder& encoder) {
    if (!scene.framing || !scene.framing->texture || !scene.picture) return;
    const FramingParameters f = framingParameters(scene, shadow.framingFade);
    encoder.setRenderPipelineState(renderer.single(Single::framing));
    encoder.setDepthStencilState(nullptr);
    encoder.setVertexValue(f, 2);
    encoder.setFragmentValue(f, 2);
    encoder.setVertexTexture(scene.picture, 0);
    encoder.setFragmentTexture(scene.picture, 0);
    encoder.setFragmentTexture(scene.framing->texture, kFramingTexture);
    const auto& fresh = scene.freshFraming && scene.freshFraming->texture ? scene.freshFraming->texture
                                                                           : scene.framing->texture;
    encoder.setFragmentTexture(fresh, kFreshFramingTexture);
    encoder.setFragmentSampler(renderer.sampler(), 0);
    encoder.drawPrimitives(PrimitiveType::triangleStrip, 0, 4);
}

}  // namespace furlpane
