#include "transitions/frame_targets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "renderer_test_support.h"

namespace furlpane {
namespace {

using namespace platform::gpu;

TEST(FrameTargets, AFreedTargetIsHandedOutAgainAtItsSizeOnly) {
    const auto device = Device::create({1});
    FrameTargetPool pool;
    auto a = pool.take(*device, 64, 40);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->pixelFormat(), PixelFormat::bgra8Unorm);
    EXPECT_EQ(a->usage(), TextureUsage::shaderReadAndRenderTarget);
    auto b = pool.take(*device, 64, 40);
    EXPECT_NE(a, b);  // a is held
    const Texture* first = a.get();
    a.reset();
    EXPECT_EQ(pool.take(*device, 64, 40).get(), first);
    EXPECT_NE(pool.take(*device, 40, 64).get(), first);
    EXPECT_EQ(pool.kept(), 3u);
    // A target the screen still shows is not free.
    std::shared_ptr<const Texture> shown = b;
    b.reset();
    EXPECT_NE(pool.take(*device, 64, 40).get(), shown.get());
}

// Made resident, a new texture of any size, format or levels still holds its zeros (and
// nothing past its levels is written: the sanitizers watch).
TEST(FrameTargets, MakingATextureResidentKeepsItsZeros) {
    const auto device = Device::create({1});
    const struct {
        PixelFormat format;
        int width, height;
        Mipmapped mipmapped;
        int samples;
    } cases[] = {{PixelFormat::bgra8Unorm, 1, 1, Mipmapped::no, 1},
                 {PixelFormat::bgra8Unorm, 1283, 797, Mipmapped::yes, 1},
                 {PixelFormat::r8Unorm, 1027, 3, Mipmapped::yes, 1},
                 {PixelFormat::depth32Float, 130, 67, Mipmapped::no, 4}};
    for (const auto& c : cases) {
        auto d = TextureDescriptor::texture2D(c.format, c.width, c.height, c.mipmapped, TextureUsage::renderTarget);
        d.sampleCount = c.samples;
        const auto t = device->makeTexture(d);
        ASSERT_TRUE(t) << c.width << "x" << c.height;
        makeResident(*t);
        for (int i = 0; i < t->mipLevelCount(); ++i) {
            const Texture::Level& l = t->level(i);
            const std::size_t size = l.rowBytes * std::size_t(l.height);
            EXPECT_EQ(std::count(l.data, l.data + size, 0), std::ptrdiff_t(size)) << c.width << "x" << c.height;
        }
    }
}

TEST(FrameTargets, ThePoolKeepsAFewDroppingFreeOnesOfOtherSizesFirst) {
    const auto device = Device::create({1});
    FrameTargetPool pool;
    std::vector<std::shared_ptr<Texture>> held;
    for (std::size_t i = 0; i < FrameTargetPool::kKept; ++i) held.push_back(pool.take(*device, 16, 16));
    // All held: a further one is made but not kept.
    EXPECT_TRUE(pool.take(*device, 16, 16));
    EXPECT_EQ(pool.kept(), FrameTargetPool::kKept);
    held.pop_back();
    auto other = pool.take(*device, 32, 8);
    EXPECT_EQ(pool.kept(), FrameTargetPool::kKept);
    EXPECT_EQ(pool.freeOfSize(16, 16), 0u);
    other.reset();
    held.clear();
    EXPECT_TRUE(pool.stock(*device, 24, 24, 100));
    EXPECT_EQ(pool.freeOfSize(24, 24), FrameTargetPool::kKept);
}

TEST(FrameTargets, AbsurdSizesAndDeviceFaultsMakeNone) {
    const auto device = Device::create({1});
    FrameTargetPool pool;
    for (const auto& [w, h] : {std::pair{0, 10}, std::pair{10, -1}, std::pair{kMaxTextureSide + 1, 1}})
        EXPECT_FALSE(pool.take(*device, w, h)) << w << "x" << h;
    device->failNext(Resource::texture);
    EXPECT_FALSE(pool.stock(*device, 8, 8, 2));
    EXPECT_TRUE(pool.stock(*device, 8, 8, 2));
    EXPECT_EQ(pool.kept(), 2u);
}

TEST(FrameTargets, PreparingARendererMakesWhatItsFirstFrameNeeds) {
    auto renderer = testing::makeRenderer(4, 2);
    EXPECT_FALSE(renderer->prepare(0, 10));
    EXPECT_FALSE(renderer->prepare(kMaxTextureSide + 1, 10));
    renderer->device()->failNext(Resource::texture);
    EXPECT_FALSE(renderer->prepare(200, 150));
    ASSERT_TRUE(renderer->prepare(200, 150));
    EXPECT_EQ(renderer->frameTargets().freeOfSize(200, 150), 2u);
    // A frame at the prepared size makes nothing more, so a device fault cannot reach it.
    TransitionScene scene;
    scene.effect = TransitionEffect::scale;
    scene.uniforms.viewSize = {200, 150};
    auto target = renderer->frameTarget(200, 150);
    renderer->device()->failNext(Resource::texture, 3);
    EXPECT_TRUE(renderer->render(scene, target));
}

// Preparing again for the size of the last frame draws no blank frame, so a command
// buffer the device would refuse is not asked for; a new size, or one whose blank frame
// failed, draws it.
TEST(FrameTargets, PreparingAgainForTheLastFramesSizeDrawsNothing) {
    auto renderer = testing::makeRenderer(4, 2);
    ASSERT_TRUE(renderer->prepare(200, 150));
    struct Step {
        int width, height;
        bool refused;  // the device refuses the next command buffer
        bool prepared;
    };
    const Step steps[] = {
        {200, 150, true, true},    // nothing drawn: the fault stays armed
        {120, 90, false, false},   // the armed fault reaches the blank frame of a new size
        {120, 90, false, true},    // that frame failed: drawn now
        {120, 90, true, true},
        {200, 150, false, false},  // back to the first size, whose attachments went
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(std::to_string(step.width) + "x" + std::to_string(step.height));
        if (step.refused) renderer->device()->failNext(Resource::commandBuffer);
        EXPECT_EQ(renderer->prepare(step.width, step.height), step.prepared);
        EXPECT_EQ(renderer->frameTargets().freeOfSize(step.width, step.height), 2u);
    }
}

}  // namespace
}  // namespace furlpane
