#pragma once

// The burning-paper effect: the paper textures of the picture and of the fresh picture,
// rendered once each with the paperDrawing pipeline. The effect draws its twin quads
// (shaders/burning_paper.cpp) with the paper bound beside the picture as fragment
// texture 3 (the fresh picture's paper as texture 4).
//
// The renderer reaches this effect only through its preparation and its draw, listed
// in its effect table (transitions/effect_table.cpp) with the shaders' registration.

#include <memory>

#include "platform/gpu/gpu.h"
#include "transitions/effect_pass.h"
#include "transitions/transition_scene.h"

namespace furlpane {

class TransitionRenderer;

inline constexpr int kPaperTexture = 3;
inline constexpr int kFreshPaperTexture = 4;

// Encodes into commands the rendering of the source picture into a new paper texture
// (BGRA8Unorm, the source's size, no mip levels, readable and renderable) through the
// paperDrawing pipeline, with the scene's uniforms but a freshness of 0; the caller
// commits. None when the texture or the encoder cannot be made.
std::shared_ptr<platform::gpu::Texture> makePaper(const std::shared_ptr<platform::gpu::Texture>& source,
                                                  const TransitionRenderer& renderer,
                                                  platform::gpu::CommandBuffer& commands, const TransitionScene& scene);

// Makes the picture's paper once, and the fresh picture's whenever the fresh picture is
// new. A paper that cannot be made is tried again on the next frame; the effect draws
// either way.
bool prepareBurningPaper(TransitionRenderer& renderer, TransitionScene& scene, platform::gpu::CommandBuffer& commands);
void drawBurningPaper(const EffectPass& pass);

}  // namespace furlpane
