#pragma once

// The blutVene effect: the vein network, its segment records and the vein field texture.
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

struct VeinsDrawing {};

// Registers the shader functions of "blutVene".
void registerBlutVeneShaders(platform::gpu::ShaderCatalog& catalog);
bool prepareBlutVene(TransitionRenderer& renderer, TransitionScene& scene, platform::gpu::CommandBuffer& commands);
void drawBlutVene(const EffectPass& pass);

}  // namespace furlpane
