#include "transitions/drawing/burning_paper/burning_paper_drawing.h"

#include "transitions/frame_targets.h"
#include "transitions/shaders/sheet.h"
#include "transitions/shaders/shader_support.h"
#include "transitions/transition_renderer.h"

namespace furlpane {

using namespace platform::gpu;
using platform::simd::float4;

std::shared_ptr<Texture> makePaper(const std::shared_ptr<Texture>& source, const TransitionRenderer& renderer,
                                   CommandBuffer& commands, const TransitionScene& scene) {
    if (!source) return nullptr;
    auto paper = renderer.device()->makeTexture(TextureDescriptor::texture2D(
        PixelFormat::bgra8Unorm, source->width(), source->height(), Mipmapped::no,
        TextureUsage::shaderReadAndRenderTarget));
    if (!paper) return nullptr;
    // Its pages are made here, on one thread: made by the pass's workers at once, they
    // would queue for the system's lock on the address space.
    makeResident(*paper);
    RenderEncoder* e = beginOffscreenPass(commands, paper, LoadAction::dontCare);
    if (!e) return nullptr;
    TransitionUniforms uniforms = scene.uniforms;
    uniforms.freshness = 0;
    e->setRenderPipelineState(renderer.single(Single::paperDrawing));
    e->setFragmentValue(uniforms, kUniformsIndex);
    e->setFragmentTexture(source, 0);
    e->setFragmentTexture(renderer.noise(), 2);
    e->setFragmentSampler(renderer.sampler(), 0);
    e->drawPrimitives(PrimitiveType::triangle, 0, 3);
    e->endEncoding();
    return paper;
}

bool prepareBurningPaper(TransitionRenderer& renderer, TransitionScene& scene, CommandBuffer& commands) {
    if (!scene.paper) scene.paper = makePaper(scene.picture, renderer, commands, scene);
    const bool freshIsNew = scene.fresh && (!scene.freshPaper || scene.freshPaper->picture != scene.fresh);
    if (freshIsNew) {
        if (auto paper = makePaper(scene.fresh, renderer, commands, scene))
            scene.freshPaper = TransitionScene::FreshPaper{scene.fresh, std::move(paper)};
    }
    return true;
}

void drawBurningPaper(const EffectPass& pass) {
    if (pass.scene.paper) pass.encoder.setFragmentTexture(pass.scene.paper, kPaperTexture);
    if (pass.scene.freshPaper) pass.encoder.setFragmentTexture(pass.scene.freshPaper->paper, kFreshPaperTexture);
    shaders::drawTwinQuads(pass);
}

}  // namespace furlpane
