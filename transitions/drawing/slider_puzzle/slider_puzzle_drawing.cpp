#include "transitions/drawing/slider_puzzle/slider_puzzle_drawing.h"

#include <cmath>

#include "transitions/transition_renderer.h"

namespace furlpane {

using namespace platform::gpu;
using platform::simd::float4;

namespace {

PuzzleInfo infoOf(const effects::SliderPuzzle& plan) {
    const auto columns = static_cast<std::uint32_t>(plan.columns), rows = static_cast<std::uint32_t>(plan.rows);
    return {columns, rows, columns * rows, static_cast<float>(plan.titleBar)};
}

}  // namespace

bool prepareSliderPuzzle(TransitionRenderer& renderer, TransitionScene& scene, CommandBuffer&) {
    const TransitionUniforms& u = scene.uniforms;
    SliderPuzzleDrawing& d = *scene.keepDrawing<SliderPuzzleDrawing>([&] {
        auto made = std::make_shared<SliderPuzzleDrawing>();
        made->sliding = effects::sliderPuzzlePlan(u);
        return made;
    });
    effects::PuzzleFrames frame =
        effects::tileFrames(d.sliding, effects::saneFraction(u.progress), effects::placementOf(u, scene.slowdown));
    d.tiles = renderer.makeBuffer(frame.records);
    d.look = std::move(frame.look);
    return d.tiles != nullptr;
}

void drawSliderPuzzle(const EffectPass& pass) {
    const SliderPuzzleDrawing* d = pass.scene.drawingAs<SliderPuzzleDrawing>();
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
