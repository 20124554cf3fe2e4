#include "transitions/pipelines.h"

#include <gtest/gtest.h>

#include "renderer_test_support.h"
#include "transitions/effect_pass.h"
#include "transitions/effect_table.h"
#include "transitions/shaders/picture_quad.h"
#include "transitions/transition_renderer.h"

namespace furlpane {
namespace {

using namespace platform::gpu;
using testing::makeRenderer;

std::shared_ptr<const ShaderLibrary> pictureLibrary(Device& device) {
    ShaderCatalog catalog;
    registerPictureShaders(catalog, "quad");
    return device.makeLibrary(catalog);
}

TEST(MakePipelines, AMissingFunctionFailsThePair) {
    auto device = Device::create({1});
    const auto library = pictureLibrary(*device);
    EXPECT_TRUE(makePipelines("quadVertex", "quadFragment", *library, *device).ok());
    const auto noVertex = makePipelines("otherVertex", "quadFragment", *library, *device);
    EXPECT_FALSE(noVertex.ok());
    EXPECT_NE(noVertex.error().find("otherVertex"), std::string::npos);
    EXPECT_FALSE(makePipelines("quadVertex", "otherFragment", *library, *device).ok());
    // Stages swapped: a vertex function where the fragment belongs.
    EXPECT_FALSE(makePipelines("quadVertex", "quadVertex", *library, *device).ok());
}

TEST(MakePipelines, ColourAndSilhouetteTargetsWithTheSameBlending) {
    auto device = Device::create({1});
    const auto library = pictureLibrary(*device);
    const Pipelines pair = makePipelines("quadVertex", "quadFragment", *library, *device).value();
    const RenderPipelineDescriptor& c = pair.color->descriptor();
    const RenderPipelineDescriptor& s = pair.silhouette->descriptor();
    EXPECT_EQ(c.rasterSampleCount, 4);
    EXPECT_EQ(c.depthAttachmentPixelFormat, PixelFormat::depth32Float);
    EXPECT_EQ(c.colorAttachment.pixelFormat, PixelFormat::bgra8Unorm);
    EXPECT_EQ(s.rasterSampleCount, 1);
    EXPECT_EQ(s.depthAttachmentPixelFormat, PixelFormat::invalid);
    EXPECT_EQ(s.colorAttachment.pixelFormat, PixelFormat::r8Unorm);
    for (const auto* d : {&c, &s}) {
        EXPECT_TRUE(d->colorAttachment.blendingEnabled);
        EXPECT_EQ(d->colorAttachment.sourceRGBBlendFactor, BlendFactor::one);
        EXPECT_EQ(d->colorAttachment.sourceAlphaBlendFactor, BlendFactor::one);
        EXPECT_EQ(d->colorAttachment.destinationRGBBlendFactor, BlendFactor::oneMinusSourceAlpha);
        EXPECT_EQ(d->colorAttachment.destinationAlphaBlendFactor, BlendFactor::oneMinusSourceAlpha);
        EXPECT_TRUE(d->label.empty());
    }
}

TEST(MakePipelines, TheColourFailureSkipsTheSilhouette) {
    auto device = Device::create({1});
    const auto library = pictureLibrary(*device);
    device->failNext(Resource::pipeline);
    EXPECT_FALSE(makePipelines("quadVertex", "quadFragment", *library, *device).ok());
    // Only the colour pipeline took the fault: the next pair is made whole.
    EXPECT_TRUE(makePipelines("quadVertex", "quadFragment", *library, *device).ok());
}

// The silhouette collects coverage: a shape of alpha 0.5 over nothing gives 0.5, an
// opaque shape over a half-covered pixel gives full coverage.
TEST(MakePipelines, TheSilhouetteCollectsCoverage) {
    auto device = Device::create({1});
    const auto library = pictureLibrary(*device);
    const Pipelines pair = makePipelines("quadVertex", "quadFragment", *library, *device).value();
    auto target = device->makeTexture(
        TextureDescriptor::texture2D(PixelFormat::r8Unorm, 8, 8, Mipmapped::no, TextureUsage::renderTarget));
    auto picture = device->makeTexture(TextureDescriptor::texture2D(PixelFormat::bgra8Unorm, 1, 1, Mipmapped::no));
    const std::uint8_t white[4] = {255, 255, 255, 255};
    picture->replaceRegion({0, 0, 1, 1}, 0, white, 4);
    SamplerDescriptor sd;
    auto sampler = device->makeSampler(sd);
    TransitionUniforms u;
    u.viewSize = {8, 8};
    u.window = u.standIn = {0, 0, 4, 8};
    u.progress = 1;
    ShadowParameters shadow;
    shadow.unframedFade = 1;
    auto commands = device->makeCommandQueue("test")->makeCommandBuffer();
    RenderPassDescriptor pass;
    pass.colorAttachment.texture = target;
    pass.colorAttachment.loadAction = LoadAction::clear;
    pass.colorAttachment.clearColor = {0, 0, 0, 0};
    RenderEncoder* e = commands->makeRenderEncoder(pass);
    e->setRenderPipelineState(pair.silhouette);
    e->setFragmentValue(shadow, kShadowParametersIndex);
    e->setFragmentValue(PassInfo{1, 1, 8, 8}, kPassInfoIndex);
    e->setFragmentTexture(picture, 0);
    e->setFragmentSampler(sampler, 0);
    u.opacity = 0.5f;
    e->setVertexValue(u, 0);
    e->setFragmentValue(u, 0);
    e->drawPrimitives(PrimitiveType::triangleStrip, 0, 4);
    u.standIn = u.window = {2, 0, 6, 8};
    u.opacity = 1;
    e->setVertexValue(u, 0);
    e->setFragmentValue(u, 0);
    e->drawPrimitives(PrimitiveType::triangleStrip, 0, 4);
    e->endEncoding();
    commands->commit();
    ASSERT_EQ(commands->status(), CommandBufferStatus::completed) << commands->error();
    std::uint8_t row[8];
    target->getBytes(row, 8, {0, 4, 8, 1}, 0);
    EXPECT_NEAR(row[0], 128, 1);
    EXPECT_NEAR(row[1], 128, 1);
    EXPECT_EQ(row[2], 255);
    EXPECT_EQ(row[3], 255);
    EXPECT_EQ(row[7], 255);
}

TEST(TransitionRendererSetUp, EveryPairAndSinglePipelineIsMade) {
    const auto renderer = makeRenderer();
    ASSERT_TRUE(renderer);
    EXPECT_EQ(renderer->queue()->label(), "Stand-in transitions");
    for (const TransitionEffect e : allEffects()) {
        EXPECT_TRUE(renderer->pictures(e).color) << effectName(e);
        EXPECT_TRUE(renderer->pictures(e).silhouette) << effectName(e);
    }
    EXPECT_EQ(renderer->pictures(TransitionEffect::cut).color, renderer->pictures(TransitionEffect::scale).color);
    EXPECT_NE(renderer->pictures(TransitionEffect::fade).color, renderer->pictures(TransitionEffect::scale).color);
    for (int i = 0; i < kPiecePairCount; ++i) EXPECT_TRUE(renderer->pair(PiecePair(i)).silhouette) << i;
    for (int i = 0; i < kSingleCount; ++i) EXPECT_TRUE(renderer->single(Single(i))) << i;
    EXPECT_EQ(renderer->single(Single::lens)->descriptor().rasterSampleCount, 4);
    EXPECT_EQ(renderer->single(Single::pageCopies)->descriptor().rasterSampleCount, 1);
    EXPECT_EQ(renderer->single(Single::pageCopies)->descriptor().depthAttachmentPixelFormat, PixelFormat::invalid);
    EXPECT_TRUE(renderer->sampler());
    EXPECT_EQ(renderer->noise()->width(), 256);
    EXPECT_FALSE(renderer->stampFace());
}

TEST(TransitionRendererSetUp, TheFirstFailureLeavesNoRenderer) {
    for (const Resource r : {Resource::pipeline, Resource::library, Resource::texture}) {
        auto device = Device::create({1});
        device->failNext(r);
        EXPECT_FALSE(TransitionRenderer::create(device)) << int(r);
        EXPECT_TRUE(TransitionRenderer::create(device)) << int(r);
    }
    EXPECT_FALSE(TransitionRenderer::create(Device::create({1}), {2}));
    EXPECT_FALSE(TransitionRenderer::create(nullptr));
}

TEST(EffectTable, EveryModelledEffectHasOneEntry) {
    const TransitionEffect modelled[] = {
        TransitionEffect::burningPaper, TransitionEffect::origami,  TransitionEffect::shatter,
        TransitionEffect::shade,        TransitionEffect::sliderPuzzle, TransitionEffect::taco,
        TransitionEffect::classified,   TransitionEffect::water,    TransitionEffect::moonless,
        TransitionEffect::blutVene,     TransitionEffect::sparks};
    EXPECT_EQ(modelledEffects().size(), std::size(modelled));
    for (const TransitionEffect e : modelled) {
        const EffectHooks* hooks = effectHooks(e);
        ASSERT_TRUE(hooks) << effectName(e);
        EXPECT_EQ(hooks->effect, e);
        EXPECT_TRUE(hooks->registerShaders && hooks->prepare && hooks->draw);
    }
    for (const TransitionEffect e : {TransitionEffect::swirl, TransitionEffect::fade, TransitionEffect::cut})
        EXPECT_FALSE(effectHooks(e)) << effectName(e);
}

}  // namespace
}  // namespace furlpane
