#pragma once

// The stand-in drawing of a transition: the window picture as one quad that moves from
// the window's frame to the stand-in's as the progress runs from 0 to 1, its corners
// rounded with the window's corner radius, fading towards the stand-in's opacity, and
// cropped to the title strip's share of the picture when the stand-in is a title strip.
// Every effect without a model of its own is drawn this way, and so is a modelled effect
// until its own drawing takes over.

#include <string_view>

#include "platform/gpu/gpu.h"
#include "platform/simd/simd.h"
#include "transitions/effect_pass.h"
#include "transitions/effects/transition_uniforms.h"

namespace furlpane {

// Where the picture is drawn at the uniforms' progress.
struct PictureQuad {
    platform::simd::float4 rect;  // origin x, origin y, width, height in points
    float visibleHeight;          // the share of the picture's height shown, 0 ... 1
    float radius;                 // corner radius in points
    float opacity;
};
PictureQuad pictureQuad(const TransitionUniforms& u);
// The same at the eased progress e instead of the uniforms' own.
PictureQuad pictureQuad(const TransitionUniforms& u, float e);

// Registers the picture quad's functions as "<name>Vertex" and "<name>Fragment".
void registerPictureShaders(platform::gpu::ShaderCatalog& catalog, std::string_view name);

// Registers, as "<name>Vertex" and "<name>Fragment", a copy of fragment texture 0 over
// the whole target: one triangle of 3 vertices. The stand-in of offscreen pipelines.
void registerCopyShaders(platform::gpu::ShaderCatalog& catalog, std::string_view name);

// Draws the picture quad with the pair of the scene's effect.
void drawPicture(const EffectPass& pass);

}  // namespace furlpane
