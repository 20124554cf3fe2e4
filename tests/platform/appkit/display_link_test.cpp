// Display links, layers fed by the graphics processor, and what the screens tell of
// their refresh and their Spaces.

#include <memory>

#include "appkit_support.h"
#include "platform/appkit/display_link.h"
#include "platform/appkit/layer_rendering.h"
#include "platform/appkit/screen.h"
#include "platform/appkit/texture_layer.h"
#include "platform/gpu/device.h"

namespace appkit_test {
namespace {

class DisplayLinkTest : public AppKitTest {
protected:
    uint32_t display() const { return world.displays().first()->number(); }
    std::shared_ptr<DisplayLink> counting(int& calls) {
        return DisplayLink::make(*Screen::withDisplayNumber(display()), [&calls](const DisplayLink::Frame&) { ++calls; });
    }
};

TEST_F(DisplayLinkTest, FiresAtTheDisplaysRateOnlyInItsModesAndWhileItsDisplayIsThere) {
    world.displays().setRefreshRate(display(), 60);
    EXPECT_EQ(Screen::withDisplayNumber(display())->maximumFramesPerSecond(), 60);
    int calls = 0;
    auto link = counting(calls);
    ASSERT_TRUE(link);
    loop.advance(0.5);
    EXPECT_EQ(calls, 0);  // not yet in any mode
    link->add(loop, modes::kDockMessage);
    loop.advance(0.5);
    EXPECT_EQ(calls, 0);  // the loop runs in the default mode
    loop.runInMode(modes::kDockMessage, 0.5, [] { return false; });
    EXPECT_NEAR(calls, 30, 1);
    link->add(loop, modes::kCommon);
    calls = 0;
    loop.advance(1.0);
    EXPECT_NEAR(calls, 60, 1);

    const auto second = world.displays().add({.frame = {1440, 0, 800, 600}});
    world.displays().remove(display());
    calls = 0;
    loop.advance(0.5);
    EXPECT_EQ(calls, 0);  // its display is gone
    EXPECT_EQ(Screen::withDisplayNumber(second)->maximumFramesPerSecond(), 120);
}

TEST_F(DisplayLinkTest, PausedOrInvalidatedFromItsOwnHandlerItStops) {
    int calls = 0;
    std::shared_ptr<DisplayLink> link;
    link = DisplayLink::make(*Screen::withDisplayNumber(display()), [&](const DisplayLink::Frame& frame) {
        EXPECT_NEAR(frame.targetTimestamp - frame.timestamp, 1.0 / 120, 1e-12);
        if (++calls == 3) link->invalidate();
    });
    link->add(loop, modes::kCommon);
    loop.advance(1.0);
    EXPECT_EQ(calls, 3);
    EXPECT_FALSE(link->isValid());

    int paused = 0;
    auto other = counting(paused);
    other->add(loop, modes::kCommon);
    other->setPaused(true);
    loop.advance(0.5);
    EXPECT_EQ(paused, 0);
}

TEST_F(DisplayLinkTest, ScreensTellWhetherTheyHaveSeparateSpaces) {
    EXPECT_TRUE(Screen::screensHaveSeparateSpaces());
    world.spaces().setDisplaysHaveSeparateSpaces(false);
    EXPECT_FALSE(Screen::screensHaveSeparateSpaces());
    EXPECT_FALSE(world.displays().setRefreshRate(display(), 0));
    EXPECT_FALSE(world.displays().setRefreshRate(display(), std::nan("")));
}

TEST_F(DisplayLinkTest, ATextureLayerShowsTheFramePresentedLastInWindowPictures) {
    auto device = gpu::Device::create({1});
    const auto target = [&](gpu::PixelFormat format) {
        return device->makeTexture(gpu::TextureDescriptor::texture2D(format, 4, 2, gpu::Mipmapped::no,
                                                                     gpu::TextureUsage::shaderReadAndRenderTarget));
    };
    auto frame = target(gpu::PixelFormat::bgra8Unorm);
    const std::vector<uint32_t> red(8, 0xFFFF0000u);  // opaque red, B G R A in memory
    ASSERT_TRUE(frame->replaceRegion({0, 0, 4, 2}, 0, red.data(), 16));

    auto layer = TextureLayer::make();
    EXPECT_FALSE(layer->present(nullptr));
    EXPECT_FALSE(layer->present(target(gpu::PixelFormat::r8Unorm)));
    EXPECT_FALSE(layer->presentedContents());
    ASSERT_TRUE(layer->present(frame));
    EXPECT_EQ(layer->presentCount(), 1);

    auto panel = std::make_shared<Panel>(appKit({10, 10, 4, 2}), borderlessWindowMask);
    auto content = std::make_shared<View>(Rect{0, 0, 4, 2});
    content->setWantsLayer(true);
    layer->setFrame({0, 0, 4, 2});
    content->layer()->addSublayer(layer);
    panel->setContentView(content);
    const auto picture = renderWindowPicture(*panel, 1);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->words()[0], 0xFFFF0000u);
    EXPECT_EQ(picture->words()[7], 0xFFFF0000u);
}

}  // namespace
}  // namespace appkit_test
