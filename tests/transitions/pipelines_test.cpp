#include "transitions/pipelines.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <tuple>

#include "renderer_test_support.h"
#include "transitions/effect_pass.h"
#include "transitions/effect_table.h"
#include "transitions/shaders/picture_quad.h"
#include "transitions/transition_renderer.h"

namespace furlpane {
namespace {

using namespace platform::gpu;
using testing::makeRenderer;

// A device of one thread and a library of the picture shaders ("quadVertex", "quadFragment").
struct PictureShaders {
    std::shared_ptr<Device> device = Device::create({1});
    std::shared_ptr<const ShaderLibrary> library = [this] {
        ShaderCatalog catalog;
        registerPictureShaders(catalog, "quad");
        return device->makeLibrary(catalog);
    }();
    platform::Result<Pipelines> make(std::string_view vertex, std::string_view fragment) {
        return makePipelines(vertex, fragment, *library, *device);
    }
};

TEST(MakePipelines, AMissingFunctionFailsThePair) {
    PictureShaders s;
    EXPECT_TRUE(s.make("quadVertex", "quadFragment").ok());
    const auto noVertex = s.make("otherVertex", "quadFragment");
    EXPECT_FALSE(noVertex.ok());
    EXPECT_NE(noVertex.error().message.find("otherVertex"), std::string::npos);
    EXPECT_FALSE(s.make("quadVertex", "otherFragment").ok());
    // Stages swapped: a vertex function where the fragment belongs.
    EXPECT_FALSE(s.make("quadVertex", "quadVertex").ok());
    // Only the colour pipeline takes the fault: the next pair is made whole.
    s.device->failNext(Resource::pipeline);
    EXPECT_FALSE(s.make("quadVertex", "quadFragment").ok());
    EXPECT_TRUE(s.make("quadVertex", "quadFragment").ok());
}

TEST(MakePipelines, ColourAndSilhouetteTargetsWithTheSameBlending) {
    PictureShaders s;
    const Pipelines pair = s.make("quadVertex", "quadFragment").value();
    const auto target = [](const RenderPipelineDescriptor& d) {
        return std::tuple{d.rasterSampleCount, d.depthAttachmentPixelFormat, d.colorAttachment.pixelFormat};
    };
    EXPECT_EQ(target(pair.color->descriptor()), std::tuple(4, PixelFormat::depth32Float, PixelFormat::bgra8Unorm));
    EXPECT_EQ(target(pair.silhouette->descriptor()), std::tuple(1, PixelFormat::invalid, PixelFormat::r8Unorm));
    for (const auto& pipeline : {pair.color, pair.silhouette}) {
        const ColorAttachmentDescriptor& a = pipeline->descriptor().colorAttachment;
        EXPECT_TRUE(a.blendingEnabled);
        EXPECT_EQ(std::tuple(a.sourceRGBBlendFactor, a.sourceAlphaBlendFactor),
                  std::tuple(BlendFactor::one, BlendFactor::one));
        EXPECT_EQ(std::tuple(a.destinationRGBBlendFactor, a.destinationAlphaBlendFactor),
                  std::tuple(BlendFactor::oneMinusSourceAlpha, BlendFactor::oneMinusSourceAlpha));
    }
}

// The silhouette collects coverage: a shape of alpha 0.5 over nothing gives 0.5, an
// opaque shape over a half-covered pixel gives full coverage.
TEST(MakePipelines, TheSilhouetteCollectsCoverage) {
    PictureShaders s;
    const Pipelines pair = s.make("quadVertex", "quadFragment").value();
    auto target = s.device->makeTexture(
        TextureDescriptor::texture2D(PixelFormat::r8Unorm, 8, 8, Mipmapped::no, TextureUsage::renderTarget));
    auto picture = s.device->makeTexture(TextureDescriptor::texture2D(PixelFormat::bgra8Unorm, 1, 1, Mipmapped::no));
    const std::uint8_t white[4] = {255, 255, 255, 255};
    picture->replaceRegion({0, 0, 1, 1}, 0, white, 4);
    ShadowParameters shadow;
    shadow.unframedFade = 1;
    auto commands = s.device->makeCommandQueue("test")->makeCommandBuffer();
    RenderPassDescriptor pass;
    pass.colorAttachment.texture = target;
    pass.colorAttachment.loadAction = LoadAction::clear;
    pass.colorAttachment.clearColor = {0, 0, 0, 0};
    RenderEncoder* e = commands->makeRenderEncoder(pass);
    e->setRenderPipelineState(pair.silhouette);
    e->setFragmentValue(shadow, kShadowParametersIndex);
    e->setFragmentValue(PassInfo{1, 1, 8, 8}, kPassInfoIndex);
    e->setFragmentTexture(picture, 0);
    e->setFragmentSampler(s.device->makeSampler(SamplerDescriptor{}), 0);
    const auto draw = [e](platform::simd::float4 rect, float opacity) {
        TransitionUniforms u;
        u.viewSize = {8, 8};
        u.window = u.standIn = rect;
        u.progress = 1;
        u.opacity = opacity;
        e->setVertexValue(u, 0);
        e->setFragmentValue(u, 0);
        e->drawPrimitives(PrimitiveType::triangleStrip, 0, 4);
    };
    draw({0, 0, 4, 8}, 0.5f);
    draw({2, 0, 6, 8}, 1);
    e->endEncoding();
    commands->commit();
    ASSERT_EQ(commands->status(), CommandBufferStatus::completed) << commands->error();
    std::uint8_t row[8];
    target->getBytes(row, 8, {0, 4, 8, 1}, 0);
    EXPECT_NEAR(row[0], 128, 1);
    EXPECT_NEAR(row[1], 128, 1);
    for (const int x : {2, 3, 7}) EXPECT_EQ(row[x], 255) << x;
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

TEST(EffectTable, EveryEffectHasOneEntryAndThoseThatKeepSomethingPrepare) {
    using E = TransitionEffect;
    const E preparing[] = {E::burningPaper, E::origami, E::shatter,  E::shade,    E::sliderPuzzle, E::taco,
                           E::classified,   E::water,   E::moonless, E::blutVene, E::sparks};
    ASSERT_EQ(effectTable().size(), static_cast<size_t>(kEffectCount));
    for (const E e : allEffects()) {
        const EffectHooks& hooks = effectHooks(e);
        EXPECT_EQ(hooks.effect, e);
        EXPECT_TRUE(hooks.draw) << effectName(e);
        EXPECT_EQ(hooks.registerShaders != nullptr, e != E::cut) << effectName(e);
        EXPECT_EQ(hooks.prepare != nullptr,
                  std::find(std::begin(preparing), std::end(preparing), e) != std::end(preparing))
            << effectName(e);
    }
    EXPECT_EQ(effectHooks(E::cut).draw, effectHooks(E::scale).draw);
}

}  // namespace
}  // namespace furlpane
