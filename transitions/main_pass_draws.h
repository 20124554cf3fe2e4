#pragma once

// The renderer's own draws in the main pass, besides the effect: the backdrop through
// the lens, the shadows and rims read from the silhouette, and the framing. Each binds
// what it needs; afterwards the frame's bindings (effect_pass.h) must be set again.

#include <memory>

#include "platform/gpu/gpu.h"
#include "platform/simd/simd.h"
#include "transitions/frame_parameters.h"
#include "transitions/transition_scene.h"
#include "transitions/transition_uniforms.h"

namespace furlpane {

class TransitionRenderer;

// The backdrop over the view through the lens pipeline: the uniforms as vertex and
// fragment bytes 0, the frame (its rectangle, 16 bytes) as fragment bytes 1, the
// backdrop as fragment texture 0 with the renderer's sampler; 4 vertices as a strip.
void drawBackdrop(const TransitionRenderer& renderer, const TransitionUniforms& uniforms,
                  const std::shared_ptr<platform::gpu::Texture>& backdrop, platform::gpu::RenderEncoder& encoder,
                  platform::simd::float4 frame);

// The rectangle (points) that the shadows and rims of a frame may reach: the window's
// and the stand-in's rectangles together, grown by the widest shadow and rim, cut to
// the view. Empty when nothing of it lies in the view.
platform::simd::float4 overlayBounds(const TransitionScene& scene);

// The soft shadows of the window (weighted by windowFade) and of the stand-in (by
// standInFade), each drawn only when its weight and opacity are above 0.
void drawShadows(const TransitionRenderer& renderer, const TransitionScene& scene, const ShadowParameters& shadow,
                 const std::shared_ptr<platform::gpu::Texture>& silhouette, platform::gpu::RenderEncoder& encoder);
// The rim (when a border is above 0) and the inner rim (when its density is).
void drawRims(const TransitionRenderer& renderer, const TransitionScene& scene, const ShadowParameters& shadow,
              const std::shared_ptr<platform::gpu::Texture>& silhouette, platform::gpu::RenderEncoder& encoder);
// The framing under the picture, with framingParameters at vertex and fragment bytes 2.
void drawFraming(const TransitionRenderer& renderer, const TransitionScene& scene, const ShadowParameters& shadow,
                 platform::gpu::RenderEncoder& encoder);

}  // namespace furlpane
