#pragma once

// The renderer's own draws in the main pass, besides the effect: the backdrop through
// the lens, the shadows and rims read from the silhouette, and the framing. Each binds
// what it needs; afterwards the frame's bindings (effect_pass.h) must be set again.

#include <memory>

#include "platform/gpu/gpu.h"
#include "platform/simd/simd.h"
#include "transitions/frame_parameters.h"
#include "transitions/shaders/main_pass_shaders.h"
#include "transitions/transition_scene.h"
#include "transitions/effects/transition_uniforms.h"

namespace furlpane {

class TransitionRenderer;

// The backdrop over the view through the lens pipeline: the uniforms as vertex and
// fragment bytes 0, the frame (its rectangle, 16 bytes) as fragment bytes 1, the
// backdrop as fragment texture 0 with the renderer's sampler; 4 vertices as a strip.
// The pass's first draw, over its transparent clear: the lens replaces what lies below
// rather than blending over it, which would give the same bytes at a greater cost.
void drawBackdrop(const TransitionRenderer& renderer, const TransitionUniforms& uniforms,
                  const std::shared_ptr<platform::gpu::Texture>& backdrop, platform::gpu::RenderEncoder& encoder,
                  platform::simd::float4 frame);

// The rectangle (points) a shadow or rim draw covers: the window's or the stand-in's
// rectangle grown by the draw's reach, cut to the view. Empty when nothing of it lies in
// the view. The window's shadow and rim leave while the shapes are still near the
// window, and the stand-in's arrive when they are near the stand-in.
platform::simd::float4 overlayBounds(const TransitionUniforms& uniforms, platform::simd::float4 rect, float reach);

// What a shadow draw reads: its opacity weighted by the fade, its drop, the level of
// detail of its blur and the coarse checks that let quads away from every edge stop.
// Lengths in points of the view; the silhouette is read at its own size.
OverlayLook shadowLook(const TransitionScene& scene, const platform::gpu::Texture& silhouette,
                       const TransitionShadow& shadow, float weight, float softness);
// The same for a rim band of `width` points, outside the edge (sign 1) or inside (−1).
OverlayLook rimLook(const TransitionScene& scene, const platform::gpu::Texture& silhouette, float alpha, float width,
                    float sign);

// The soft shadows of the window (weighted by windowFade) and of the stand-in (by
// standInFade), each drawn around its rectangle only when its weight and opacity are
// above 0.
void drawShadows(const TransitionRenderer& renderer, const TransitionScene& scene, const ShadowParameters& shadow,
                 const std::shared_ptr<platform::gpu::Texture>& silhouette, platform::gpu::RenderEncoder& encoder);
// The window's and the stand-in's rims (when their borders are above 0) and the inner
// rim (when its density is), each around its rectangle.
void drawRims(const TransitionRenderer& renderer, const TransitionScene& scene, const ShadowParameters& shadow,
              const std::shared_ptr<platform::gpu::Texture>& silhouette, platform::gpu::RenderEncoder& encoder);
// The framing under the picture, with framingParameters at vertex and fragment bytes 2.
void drawFraming(const TransitionRenderer& renderer, const TransitionScene& scene, const ShadowParameters& shadow,
                 platform::gpu::RenderEncoder& encoder);

}  // namespace furlpane
