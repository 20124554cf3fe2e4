#pragma once

// The roller-shade effect: its plan and the look values of each frame, drawn as the
// sheet, flaps, hem, cord and ring.
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

struct ShadeDrawing {};

// Registers the shader functions of "shade", "shadeFlaps", "hemBars", "pullCords", "pullRings".
void registerShadeShaders(platform::gpu::ShaderCatalog& catalog);
bool prepareShade(TransitionRenderer& renderer, TransitionScene& scene, platform::gpu::CommandBuffer& commands);
void drawShade(const EffectPass& pass);

}  // namespace furlpane
