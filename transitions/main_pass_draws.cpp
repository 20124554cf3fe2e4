#include "transitions/main_pass_draws.h"

#include <algorithm>
#include <cmath>

#include "transitions/shaders/main_pass_shaders.h"
#include "transitions/transition_renderer.h"

namespace furlpane {

using namespace platform::gpu;
using platform::simd::float4;

namespace {

float4 unionRect(float4 a, float4 b) {
    const float x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
    const float x1 = std::max(a.x + a.z, b.x + b.z), y1 = std::max(a.y + a.w, b.y + b.w);
    return {x0, y0, x1 - x0, y1 - y0};
}

float reach(const TransitionShadow& s) {
    return 2 * std::max(s.radius, 0.0f) + std::fabs(s.drop) + 2 * std::max(s.width, 0.0f);
}

void drawOverlay(const TransitionRenderer& renderer, Single single, const TransitionScene& scene,
                 const std::shared_ptr<Texture>& silhouette, RenderEncoder& encoder) {
    encoder.setRenderPipelineState(renderer.single(single));
    encoder.setDepthStencilState(nullptr);
    encoder.setVertexValue(OverlayBounds{overlayBounds(scene)}, 2);
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

float4 overlayBounds(const TransitionScene& scene) {
    const TransitionUniforms& u = scene.uniforms;
    const float margin = std::max(reach(scene.windowShadow), reach(scene.standInShadow)) +
                         2 * std::max(scene.standInInnerRim.width, 0.0f) + 2;
    const float4 r = unionRect(u.window, u.standIn);
    const float x0 = std::max(r.x - margin, 0.0f), y0 = std::max(r.y - margin, 0.0f);
    const float x1 = std::min(r.x + r.z + margin, u.viewSize.x), y1 = std::min(r.y + r.w + margin, u.viewSize.y);
    if (!(x1 > x0 && y1 > y0)) return {};
    return {x0, y0, x1 - x0, y1 - y0};
}

void drawShadows(const TransitionRenderer& renderer, const TransitionScene& scene, const ShadowParameters& shadow,
                 const std::shared_ptr<Texture>& silhouette, RenderEncoder& encoder) {
    const auto draw = [&](const TransitionShadow& s, float weight, float softness) {
        const float opacity = s.opacity * weight;
        if (!(opacity > 0)) return;
        encoder.setFragmentValue(ShadowLook{s.radius, s.drop, opacity, softness}, 2);
        drawOverlay(renderer, Single::shadow, scene, silhouette, encoder);
    };
    draw(scene.windowShadow, shadow.windowFade, shadow.windowSoftness);
    draw(scene.standInShadow, shadow.standInFade, shadow.standInSoftness);
}

void drawRims(const TransitionRenderer& renderer, const TransitionScene& scene, const ShadowParameters& shadow,
              const std::shared_ptr<Texture>& silhouette, RenderEncoder& encoder) {
    if (shadow.windowBorder > 0 || shadow.standInBorder > 0)
        drawOverlay(renderer, Single::rim, scene, silhouette, encoder);
    if (shadow.innerRimDensity > 0) drawOverlay(renderer, Single::innerRim, scene, silhouette, encoder);
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
    encoder.setFragmentTexture(scene.framing->texture, kFramingTexture);
    const auto& fresh = scene.freshFraming && scene.freshFraming->texture ? scene.freshFraming->texture
                                                                           : scene.framing->texture;
    encoder.setFragmentTexture(fresh, kFreshFramingTexture);
    encoder.setFragmentSampler(renderer.sampler(), 0);
    encoder.drawPrimitives(PrimitiveType::triangleStrip, 0, 4);
}

}  // namespace furlpane
