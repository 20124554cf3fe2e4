#pragma once

// The moonless effect: the smoke field its shaders draw smoke from, an RG16Float
// texture of one texel per smoke cell over the window (below its title bar for a title
// strip), made and drawn once on the scene's first frame: per cell, when it turns to
// smoke (red, 0 ... 1) and a number of its own (green). The effect draws its twin quads
// (shaders/moonless.cpp) with the field as fragment texture 3 and the look value, (cell
// size in points, texels across, texels down, 0), as vertex and fragment bytes at index 2.
//
// The renderer reaches this effect only through its preparation and its draw, listed
// in its effect table (transitions/effect_table.cpp) with the shaders' registration.

#include <memory>

#include "platform/gpu/gpu.h"
#include "transitions/effect_pass.h"
#include "transitions/transition_scene.h"

namespace furlpane {

class TransitionRenderer;

struct MoonlessDrawing : EffectDrawing {
    std::shared_ptr<platform::gpu::Texture> field;
    platform::simd::float4 look{};
};

inline constexpr int kSmokeLookIndex = 2;
inline constexpr int kSmokeFieldTexture = 3;

// The side of one smoke cell in points: about 50,000 cells over the window's area below
// the title bar (the whole window for a thumbnail), each between 2 and 8 points.
float smokeCellSize(const TransitionUniforms& uniforms);

// Makes and draws the smoke field once; false, keeping nothing (tried again next frame),
// when the field, its pipeline or its encoder cannot be made.
bool prepareMoonless(TransitionRenderer& renderer, TransitionScene& scene, platform::gpu::CommandBuffer& commands);
void drawMoonless(const EffectPass& pass);

}  // namespace furlpane
