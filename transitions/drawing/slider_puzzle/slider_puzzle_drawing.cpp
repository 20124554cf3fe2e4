#include "transitions/drawing/slider_puzzle/slider_puzzle_drawing.h"

#include <cmath>

#include "transitions/transition_renderer.h"

namespace furlpane {

using namespace platform::gpu;
using platform::simd::float4;

namespace {

// The slow-motion factor; anything that is not a positive number counts as 1.
double slowdownOf(const TransitionScene& scene) {
    return std::isfinite(scene.slowdown) && scene.slowdown > 0 ? scene.slowdown : 1.0;
}

PuzzleInfo infoOf(const effects::SliderPuzzle& plan) {
    const auto columns = static_cast<std::uint32_t>(plan.columns), rows = static_cast<std::uint32_t>(plan.rows);
    return {columns, rows, columns * rows, static_cast<float>(plan.titleBar)};
}

}  // namespace

bool prepareSliderPuzzle(TransitionRenderer& renderer, TransitionScene& scene, CommandBuffer&) {
    if (!scene.puzzle) {
        scene.puzzle = std::make_shared<PuzzleDrawing>();
        scene.puzzle->sliding = effects::sliderPuzzlePlan(scene.uniforms);
    }
    PuzzleDrawing& d = *scene.puzzle;
    const TransitionUniforms& u = scene.uniforms;
    const effects::TileFrames frame = effects::tileFrames(
        d.sliding, effects::saneFraction(u.progress), effects::saneRect(u.window), effects::saneRect(u.standIn),
        effects::saneRect(u.room), effects::saneSize(u.viewSize), effects::saneFraction(u.opacity),
        (1.0 / 144) / slowdownOf(scene));
    d.tiles = renderer.makeBuffer(frame.tiles);
    d.look = frame.look;
    return d.tiles != nullptr;
}

void drawSliderPuzzle(const EffectPass& pass) {
    const auto& d = pass.scene.puzzle;
    if (!d || !d->tiles || !pass.scene.picture) return;
    RenderEncoder& e = pass.encoder;
    const PuzzleInfo info = infoOf(d->sliding);
    e.setVertexArray(std::span<const float4>(d->look), 3);
    e.setFragmentArray(std::span<const float4>(d->look), 3);
    e.setVertexValue(info, 4);
    e.setFragmentValue(info, 4);
    pass.use(pass.renderer.pair(PiecePair::puzzleTrays));
    e.drawPrimitives(PrimitiveType::triangleStrip, 0, 4);
    pass.use(pass.renderer.pictures(pass.scene.effect));
    e.setVertexBuffer(d->tiles, 0, 2);
    e.drawPrimitives(PrimitiveType::triangleStrip, 0, 4, info.tiles + (d->sliding.isTitleStrip ? 1 : 0));
}

}  // namespace furlpane
