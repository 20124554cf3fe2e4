#pragma once

// The slider-puzzle effect: its plan and the tile records of each frame, with the tray
// under the tiles.
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

struct PuzzleDrawing {};

// Registers the shader functions of "sliderPuzzle", "puzzleTrays".
void registerSliderPuzzleShaders(platform::gpu::ShaderCatalog& catalog);
bool prepareSliderPuzzle(TransitionRenderer& renderer, TransitionScene& scene, platform::gpu::CommandBuffer& commands);
void drawSliderPuzzle(const EffectPass& pass);

}  // namespace furlpane
