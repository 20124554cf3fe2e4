#include "transitions/drawing/click_sparks/click_sparks_drawing.h"

#include "transitions/drawing/click_sparks/spark_shaders.h"
#include "transitions/transition_renderer.h"

namespace furlpane {

using namespace platform::gpu;

namespace {

effects::Rect2 rectOf(platform::simd::float4 r) { return {{r.x, r.y}, {r.z, r.w}}; }

}  // namespace

void registerSparksShaders(ShaderCatalog& catalog) { sparks::registerShaders(catalog); }

bool prepareSparks(TransitionRenderer& renderer, TransitionScene& scene, CommandBuffer&) {
    const TransitionUniforms& u = scene.uniforms;
    if (!scene.clickSparks) {
        auto made = std::make_shared<ClickSparksDrawing>();
        made->making = effects::clickSparksPlan(u);
        scene.clickSparks = std::move(made);
    }
    ClickSparksDrawing& drawing = *scene.clickSparks;
    const effects::SparkFrames frame =
        effects::sparkFrames(drawing.making, u.progress, rectOf(u.standIn), rectOf(u.room), u.opacity);
    drawing.sparks = renderer.makeBuffer(frame.frames);
    drawing.count = drawing.sparks ? static_cast<int>(frame.frames.size()) : 0;
    drawing.look = frame.look;
    return drawing.sparks != nullptr;
}

void drawSparks(const EffectPass& pass) {
    const ClickSparksDrawing* drawing = pass.scene.clickSparks.get();
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
