#include "transitions/drawing/taco/taco_drawing.h"

#include <algorithm>

#include "transitions/transition_renderer.h"

namespace furlpane {

using namespace platform::gpu;

int tacoSheetRows(const TransitionUniforms& uniforms) {
    const std::uint32_t rows = uniforms.grid.y;
    return rows == 0 ? 64 : static_cast<int>(std::min<std::uint32_t>(rows, 2048));
}

bool prepareTaco(TransitionRenderer& renderer, TransitionScene& scene, CommandBuffer&) {
    if (!scene.picture) return false;
    const TransitionUniforms& u = scene.uniforms;
    TacoDrawing& d = *scene.keepDrawing<TacoDrawing>([&] {
        auto made = std::make_shared<TacoDrawing>();
        made->making = effects::tacoPlan(u);
        return made;
    });
    effects::TacoFrame frame = effects::tacoFrame(d.making, u.progress, effects::placementOf(u));
    auto pieces = renderer.makeBuffer(frame.records);
    if (!frame.records.empty() && !pieces) return false;
    d.pieces = std::move(pieces);
    d.pieceCount = static_cast<int>(frame.records.size());
    d.behind = frame.behind;
    d.look = std::move(frame.look);
    return true;
}

namespace {

// Sheet rows j0 ... j1 - 1 of the mesh (mesh row 0 is the flat strip at the top, rows 1
// ... n the grid's rows below it), as one triangle strip.
void drawSheetRows(const EffectPass& pass, int j0, int j1) {
    if (j1 <= j0) return;
    pass.encoder.drawPrimitives(PrimitiveType::triangleStrip, static_cast<std::uint32_t>(2 * j0),
                                static_cast<std::uint32_t>(2 * (j1 - j0 + 1)));
}

void drawPieces(const EffectPass& pass, const TacoDrawing& d, int first, int count) {
    if (count <= 0 || !d.pieces) return;
    pass.use(pass.renderer.pair(PiecePair::tacoPieces));
    pass.encoder.setVertexBuffer(d.pieces, 0, 2);
    pass.encoder.drawPrimitives(PrimitiveType::triangleStrip, 0, 4, static_cast<std::uint32_t>(count),
                                static_cast<std::uint32_t>(first));
}

}  // namespace

void drawTaco(const EffectPass& pass) {
    const TacoDrawing* d = pass.scene.drawingAs<TacoDrawing>();
    if (!d || d->look.size() < 22) return;
    const int rows = tacoSheetRows(pass.scene.uniforms);
    const int split = d->making.splitCount(rows);
    RenderEncoder& e = pass.encoder;
    e.setVertexArray(std::span<const platform::simd::float4>(d->look), 3);
    e.setFragmentArray(std::span<const platform::simd::float4>(d->look), 3);
    const auto bites = tacoBites(d->look);
    e.setFragmentArray(std::span<const platform::simd::float4>(bites), 4);

    pass.use(pass.renderer.pictures(TransitionEffect::taco));
    drawSheetRows(pass, 0, split + 1);
    drawPieces(pass, *d, 0, d->behind);
    pass.use(pass.renderer.pictures(TransitionEffect::taco));
    drawSheetRows(pass, split + 1, rows + 1);
    drawPieces(pass, *d, d->behind, d->pieceCount - d->behind);
}

}  // namespace furlpane
