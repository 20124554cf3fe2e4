#include "transitions/drawing/blut_vene/blut_vene_drawing.h"

#include <algorithm>
#include <cmath>

#include "transitions/drawing/blut_vene/blut_vene_shaders.h"
#include "transitions/pipelines.h"
#include "transitions/transition_renderer.h"

namespace furlpane {

using namespace platform::gpu;

namespace {

int fieldSide(double points) {
    const double texels = std::ceil(points * kBlutVeneFieldScale);
    return static_cast<int>(std::clamp(std::isfinite(texels) ? texels : 1.0, 1.0, double(kBlutVeneFieldMaxSide)));
}

// Copies of the field's levels 3 and 4 (both or none), filled after its mip levels.
bool copyFlushLevels(const TransitionRenderer& renderer, BlutVeneDrawing& drawing, BlitEncoder& blit) {
    const Texture& field = *drawing.field;
    if (field.mipLevelCount() <= kBlutVeneFlushLevels[1]) return true;
    std::shared_ptr<Texture> copies[2];
    for (int i = 0; i < 2; ++i) {
        const int level = kBlutVeneFlushLevels[i];
        copies[i] = renderer.device()->makeTexture(TextureDescriptor::texture2D(
            field.pixelFormat(), field.width(level), field.height(level), Mipmapped::no, TextureUsage::shaderRead));
        if (!copies[i]) return false;
        blit.copyFromTexture(drawing.field, level, {0, 0, field.width(level), field.height(level)}, copies[i], 0, 0, 0);
    }
    drawing.flushLevels[0] = std::move(copies[0]);
    drawing.flushLevels[1] = std::move(copies[1]);
    return true;
}

// The field pass: every shown segment drawn once into the field, then its mip levels.
bool encodeField(const TransitionRenderer& renderer, BlutVeneDrawing& drawing, const std::shared_ptr<Texture>& field,
                 CommandBuffer& commands) {
    auto pipeline = makePipeline("blutVeneFieldVertex", "blutVeneFieldFragment", *renderer.library(),
                                 *renderer.device(), PipelineTarget::offscreen());
    if (!pipeline) return false;
    RenderEncoder* e = beginOffscreenPass(commands, field, LoadAction::clear);
    if (!e) return false;
    const blut_vene::FieldPass block{effects::toFloat4(drawing.making.region)};
    e->setRenderPipelineState(*pipeline);
    e->setVertexValue(block, kBlutVeneLookIndex);
    e->setFragmentValue(block, kBlutVeneLookIndex);
    if (drawing.segments) {
        e->setVertexBuffer(drawing.segments, 0, kBlutVeneSegmentsIndex);
        e->setFragmentBuffer(drawing.segments, 0, kBlutVeneSegmentsIndex);
        e->drawPrimitives(PrimitiveType::triangleStrip, 0, 4, static_cast<std::uint32_t>(drawing.making.segments.size()));
    }
    e->endEncoding();
    BlitEncoder* blit = commands.makeBlitEncoder();
    if (!blit) return false;
    blit->generateMipmaps(field);
    drawing.field = field;
    const bool copied = copyFlushLevels(renderer, drawing, *blit);
    blit->endEncoding();
    return copied;
}

std::shared_ptr<Texture> makeField(const TransitionRenderer& renderer, BlutVeneDrawing& drawing,
                                   CommandBuffer& commands) {
    const auto& region = drawing.making.region;
    auto field = renderer.device()->makeTexture(TextureDescriptor::texture2D(
        PixelFormat::bgra8Unorm, fieldSide(region.z), fieldSide(region.w), Mipmapped::yes,
        TextureUsage::shaderReadAndRenderTarget));
    if (!field || !encodeField(renderer, drawing, field, commands)) return nullptr;
    return field;
}

}  // namespace

void registerBlutVeneShaders(ShaderCatalog& catalog) { blut_vene::registerShaders(catalog); }

bool prepareBlutVene(TransitionRenderer& renderer, TransitionScene& scene, CommandBuffer& commands) {
    if (scene.drawingAs<BlutVeneDrawing>()) return true;
    auto drawing = std::make_shared<BlutVeneDrawing>();
    drawing->making = effects::blutVenePlan(scene.uniforms);
    const auto& segments = drawing->making.segments;
    if (!segments.empty() && !(drawing->segments = renderer.makeBuffer(segments))) return false;
    if (!(drawing->field = makeField(renderer, *drawing, commands))) return false;
    drawing->look = effects::blutVeneFrame(drawing->making, scene.uniforms.progress, {}).look;
    scene.drawing = std::move(drawing);
    return true;
}

void drawBlutVene(const EffectPass& pass) {
    const BlutVeneDrawing* drawing = pass.scene.drawingAs<BlutVeneDrawing>();
    if (!drawing || !pass.scene.picture) return;
    const std::span<const platform::simd::float4> look(drawing->look);
    pass.encoder.setVertexArray(look, kBlutVeneLookIndex);
    pass.encoder.setFragmentArray(look, kBlutVeneLookIndex);
    if (drawing->segments) {
        pass.encoder.setVertexBuffer(drawing->segments, 0, kBlutVeneSegmentsIndex);
        pass.encoder.setFragmentBuffer(drawing->segments, 0, kBlutVeneSegmentsIndex);
    }
    pass.encoder.setFragmentTexture(drawing->field, kBlutVeneFieldTexture);
    for (int i = 0; i < 2; ++i) pass.encoder.setFragmentTexture(drawing->flushLevels[i], kBlutVeneFlushTextures[i]);
    pass.use(pass.renderer.pictures(TransitionEffect::blutVene));
    pass.encoder.drawPrimitives(PrimitiveType::triangleStrip, 0, 4);
}

}  // namespace furlpane
