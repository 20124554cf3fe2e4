#include "transitions/drawing/moonless/moonless_drawing.h"

#include <algorithm>
#include <cmath>

#include "transitions/effects/foundations.h"
#include "transitions/pipelines.h"
#include "transitions/shaders/sheet.h"
#include "transitions/transition_renderer.h"

namespace furlpane {

using namespace platform::gpu;

namespace {

// The window's height below its title bar for a title strip, its whole height otherwise.
double smokeHeight(const TransitionUniforms& u) {
    const double h = u.window.w;
    if (!isTitleStrip(u)) return h;
    return h - std::min(std::max(static_cast<double>(u.titleBarHeight), 0.0), h);
}

int texelsAcross(double length, double cell) {
    const double n = std::ceil(std::max(1.0, length) / cell);
    return static_cast<int>(std::clamp(std::isfinite(n) ? n : 1.0, 1.0, double(kMaxTextureSide)));
}

// The field pass: one triangle over the field.
bool encodeField(const TransitionRenderer& renderer, const TransitionUniforms& u,
                 const std::shared_ptr<Texture>& field, CommandBuffer& commands) {
    auto pipeline = makePipeline("moonlessFieldVertex", "moonlessFieldFragment", *renderer.library(),
                                 *renderer.device(), PipelineTarget{PixelFormat::rg16Float, 1});
    if (!pipeline) return false;
    RenderEncoder* e = beginOffscreenPass(commands, field, LoadAction::dontCare);
    if (!e) return false;
    e->setRenderPipelineState(*pipeline);
    e->setFragmentValue(u, kUniformsIndex);
    e->setFragmentTexture(renderer.noise(), 2);
    e->setFragmentSampler(renderer.sampler(), 0);
    e->drawPrimitives(PrimitiveType::triangle, 0, 3);
    e->endEncoding();
    return true;
}

}  // namespace

float smokeCellSize(const TransitionUniforms& u) {
    const double w = std::max(1.0, static_cast<double>(u.window.z));
    const double s = std::sqrt(std::max(1.0, smokeHeight(u)) * w * 50 / 2'500'000);
    // A size that is not a number lands on the lower bound.
    return static_cast<float>(std::min(8.0, std::max(2.0, s)));
}

bool prepareMoonless(TransitionRenderer& renderer, TransitionScene& scene, CommandBuffer& commands) {
    if (scene.drawingAs<MoonlessDrawing>()) return true;
    const TransitionUniforms& u = scene.uniforms;
    const float cell = smokeCellSize(u);
    // A window no picture could be as large as gets no field larger than the largest.
    const int across = texelsAcross(effects::saneLength(u.window.z), cell);
    const int down = texelsAcross(effects::saneLength(smokeHeight(u)), cell);
    auto field = renderer.device()->makeTexture(TextureDescriptor::texture2D(
        PixelFormat::rg16Float, across, down, Mipmapped::no, TextureUsage::shaderReadAndRenderTarget));
    if (!field || !encodeField(renderer, u, field, commands)) return false;
    auto drawing = std::make_shared<MoonlessDrawing>();
    drawing->field = std::move(field);
    drawing->look = {cell, static_cast<float>(across), static_cast<float>(down), 0};
    scene.drawing = std::move(drawing);
    return true;
}

void drawMoonless(const EffectPass& pass) {
    if (const MoonlessDrawing* smoke = pass.scene.drawingAs<MoonlessDrawing>()) {
        pass.encoder.setFragmentTexture(smoke->field, kSmokeFieldTexture);
        pass.encoder.setVertexValue(smoke->look, kSmokeLookIndex);
        pass.encoder.setFragmentValue(smoke->look, kSmokeLookIndex);
    }
    shaders::drawTwinQuads(pass);
}

}  // namespace furlpane
