#pragma once

// The sparks effect: the click-spark plan and the spark records of each frame.
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

struct ClickSparksDrawing {};

// Registers the shader functions of "sparks".
void registerSparksShaders(platform::gpu::ShaderCatalog& catalog);
bool prepareSparks(TransitionRenderer& renderer, TransitionScene& scene, platform::gpu::CommandBuffer& commands);
void drawSparks(const EffectPass& pass);

}  // namespace furlpane
