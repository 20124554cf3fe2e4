#pragma once

// The slider-puzzle effect on the GPU: its plan and the tile records of each frame, with
// the tray under the tiles.
//
// The renderer reaches this effect only through the three functions below, listed in
// its effect table (transitions/effect_table.cpp). Bindings of the draws (besides the
// frame's, effect_pass.h):
//   vertex buffer 2    the frame's SliderPuzzle::TileFrame records (tiles only)
//   both, bytes 3      `look`, the seven entries of tileFrames
//   both, bytes 4      PuzzleInfo
// The tray is one quad (4 vertices as a strip) of the "puzzleTrays" pair; the tiles are
// instances of a quad of the "sliderPuzzle" pair, one per tile in tile order and, for a
// title strip, one more that draws the title bar over the rising columns.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gpu/gpu.h"
#include "transitions/effect_buffers.h"
#include "transitions/effect_pass.h"
#include "transitions/effects/slider_puzzle/slider_puzzle.h"
#include "transitions/transition_scene.h"

namespace furlpane {

class TransitionRenderer;

template <>
struct RecordLayout<effects::SliderPuzzle::TileFrame> {
    static constexpr std::size_t size = 32;
};

// What the puzzle's shaders need of the plan.
struct PuzzleInfo {
    std::uint32_t columns = 1;
    std::uint32_t rows = 1;
    std::uint32_t tiles = 1;      // columns × rows; instance `tiles` is the title bar
    float titleBar = 0;           // points; 0 for a thumbnail
};
static_assert(sizeof(PuzzleInfo) == 16);

struct SliderPuzzleDrawing : EffectDrawing {
    effects::SliderPuzzle sliding;
    std::shared_ptr<platform::gpu::Buffer> tiles;  // none until a frame's records are made
    std::vector<platform::simd::float4> look;
};

// Registers the shader functions of "sliderPuzzle" and "puzzleTrays".
void registerSliderPuzzleShaders(platform::gpu::ShaderCatalog& catalog);
// On the first frame builds the plan; every frame computes the tiles (their motion
// drawn over one display frame, slowed with the scene's slowdown) and uploads them.
bool prepareSliderPuzzle(TransitionRenderer& renderer, TransitionScene& scene, platform::gpu::CommandBuffer& commands);
void drawSliderPuzzle(const EffectPass& pass);

}  // namespace furlpane
