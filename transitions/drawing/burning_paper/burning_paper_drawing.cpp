#include "transitions/drawing/burning_paper/burning_paper_drawing.h"

#include "transitions/shaders/picture_quad.h"
#include "transitions/shaders/shader_support.h"
#include "transitions/transition_renderer.h"

namespace furlpane {

using namespace platform::gpu;
using platform::simd::float4;

namespace {

// The stand-in of the paper look: the picture's light and dark laid on warm paper
// with a grain from the renderer's noise.
void paperFragment(FragmentQuad& q) {
    const Texture* source = q.resources->texture(0);
    const Texture* noise = q.resources->texture(2);
    const Sampler* sampler = q.resources->sampler(0);
    if (!source || !sampler) {
        q.discardMask = 0xF;
        return;
    }
    const auto uv = q.varying2(0);
    const auto colors = source->sample(*sampler, uv);
    for (int lane = 0; lane < 4; ++lane) {
        const auto i = static_cast<size_t>(lane);
        const float4 c = colors[i];
        const float light = c.w > 0 ? (0.3f * c.x + 0.59f * c.y + 0.11f * c.z) / c.w : 1;
        const float grain = noise ? noise->read(q.x + (lane & 1), q.y + (lane >> 1)).x : 0.5f;
        const float tone = (0.5f + 0.5f * light) * (0.94f + 0.06f * grain);
        q.color[lane] = float4{0.95f * tone, 0.89f * tone, 0.77f * tone, 1} * c.w;
    }
}

}  // namespace

std::shared_ptr<Texture> makePaper(const std::shared_ptr<Texture>& source, const TransitionRenderer& renderer,
                                   CommandBuffer& commands, const TransitionScene& scene) {
    if (!source) return nullptr;
    auto paper = renderer.device()->makeTexture(TextureDescriptor::texture2D(
        PixelFormat::bgra8Unorm, source->width(), source->height(), Mipmapped::no,
        TextureUsage::shaderReadAndRenderTarget));
    if (!paper) return nullptr;
    RenderPassDescriptor pass;
    pass.colorAttachment.texture = paper;
    pass.colorAttachment.loadAction = LoadAction::dontCare;
    pass.colorAttachment.storeAction = StoreAction::store;
    RenderEncoder* e = commands.makeRenderEncoder(pass);
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

void registerBurningPaperShaders(ShaderCatalog& catalog) {
    registerPictureShaders(catalog, "burningPaper");
    registerCopyShaders(catalog, "paperDrawing");
    catalog.addFragmentFunction("paperDrawingFragment", paperFragment);
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
    drawPicture(pass);
}

}  // namespace furlpane
