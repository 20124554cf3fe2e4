#pragma once

// The water effect: its plan, the field texture and the drop records of each frame.
//
// The renderer reaches this effect only through the three functions below, listed in
// its effect table (transitions/effect_table.cpp); the record is the scene's cached
// drawing of the effect. Until the effect draws itself, the record is empty, the
// preparation has nothing to do and the effect is drawn as the picture quad with the
// stand-in shaders registered under its names.

#include "platform/gpu/gpu.h"
#include "transitions/effect_pass.h"
#include "transitions/transition_scene.h"

namespace furlpane {

class TransitionRenderer;

struct WaterDrawing {};

// Registers the shader functions of "water".
void registerWaterShaders(platform::gpu::ShaderCatalog& catalog);
bool prepareWater(TransitionRenderer& renderer, TransitionScene& scene, platform::gpu::CommandBuffer& commands);
void drawWater(const EffectPass& pass);

}  // namespace furlpane
