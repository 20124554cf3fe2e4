#include "transitions/drawing/slider_puzzle/slider_puzzle_drawing.h"

#include "transitions/shaders/picture_quad.h"

namespace furlpane {

void registerSliderPuzzleShaders(platform::gpu::ShaderCatalog& catalog) {
    registerPictureShaders(catalog, "sliderPuzzle");
    registerPictureShaders(catalog, "puzzleTrays");
}

bool prepareSliderPuzzle(TransitionRenderer&, TransitionScene&, platform::gpu::CommandBuffer&) { return true; }

void drawSliderPuzzle(const EffectPass& pass) { drawPicture(pass); }

}  // namespace furlpane
