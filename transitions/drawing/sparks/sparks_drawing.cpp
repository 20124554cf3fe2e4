#include "transitions/drawing/sparks/sparks_drawing.h"

#include "transitions/drawing/sparks/sparks_shaders.h"
#include "transitions/transition_renderer.h"

namespace furlpane {

using namespace platform::gpu;

void registerSparksShaders(ShaderCatalog& catalog) { sparks::registerShaders(catalog); }

bool prepareSparks(TransitionRenderer& renderer, TransitionScene& scene, CommandBuffer&) {
    const TransitionUniforms& u = scene.uniforms;
    SparksDrawing& drawing = *scene.keepDrawing<SparksDrawing>([&] {
        auto made = std::make_shared<SparksDrawing>();
        made->making = effects::sparksPlan(u);
        return made;
    });
    effects::SparksFrame frame = effects::sparkFrames(drawing.making, u.progress, effects::placementOf(u));
    drawing.sparks = renderer.makeBuffer(frame.records);
    drawing.count = drawing.sparks ? static_cast<int>(frame.records.size()) : 0;
    drawing.look = std::move(frame.look);
    return drawing.sparks != nullptr;
}

void drawSparks(const EffectPass& pass) {
    const SparksDrawing* drawing = pass.scene.drawingAs<SparksDrawing>();
    if (!drawing || !drawing->sparks || !pass.scene.picture) return;
    const std::span<const platform::simd::float4> look(drawing->look);
    pass.encoder.setVertexBuffer(drawing->sparks, 0, kSparkRecordsIndex);
    pass.encoder.setFragmentBuffer(drawing->sparks, 0, kSparkRecordsIndex);
    pass.encoder.setVertexArray(look, kSparkLookIndex);
    pass.encoder.setFragmentArray(look, kSparkLookIndex);
    pass.use(pass.renderer.pictures(TransitionEffect::sparks));
    const auto instances = static_cast<std::uint32_t>(drawing->count + (drawing->making.isTitleStrip ? 1 : 0));
    pass.encoder.drawPrimitives(PrimitiveType::triangleStrip, 0, 4, instances);
}

}  // namespace furlpane
