#include "transitions/transition_picture.h"

#include <gtest/gtest.h>

#include "renderer_test_support.h"
#include "transitions/transition_renderer.h"

namespace furlpane {
namespace {

using namespace platform::gpu;
using platform::ColorSpace;
using platform::Image;
using platform::InterpolationQuality;
using testing::makeRenderer;
using testing::pixelsOf;
using testing::solidImage;

TEST(BitmapContext, RedrawsAtThePicturesOwnSizeByDefault) {
    const Image picture = testing::twoToneImage(30, 20, 5, 0x80402010u, 0x00000000u);
    const auto context = bitmapContext(picture, ColorSpace::sRGB());
    ASSERT_TRUE(context);
    EXPECT_EQ(context->width(), 30);
    EXPECT_EQ(context->height(), 20);
    EXPECT_EQ(context->blendMode(), platform::BlendMode::copy);
    EXPECT_EQ(context->interpolationQuality(), InterpolationQuality::defaultQuality);
    EXPECT_TRUE(std::equal(picture.bytes().begin(), picture.bytes().end(), context->bytes().begin()));
}

TEST(BitmapContext, AnotherSizeIsDrawnWithHighInterpolation) {
    const auto context = bitmapContext(solidImage(30, 20, 200, 100, 50), ColorSpace::sRGB(), PixelSize{60, 10});
    ASSERT_TRUE(context);
    EXPECT_EQ(context->width(), 60);
    EXPECT_EQ(context->height(), 10);
    EXPECT_EQ(context->interpolationQuality(), InterpolationQuality::high);
    EXPECT_EQ(context->pixel(59, 9).r, 200);
}

TEST(BitmapContext, UnusableSizesAndSpacesGiveNone) {
    const Image picture = solidImage(4, 4, 1, 2, 3);
    EXPECT_FALSE(bitmapContext(picture, ColorSpace::sRGB(), PixelSize{20000, 4}));
    EXPECT_FALSE(bitmapContext(picture, ColorSpace::sRGB(), PixelSize{0, 4}));
    EXPECT_FALSE(bitmapContext(picture, ColorSpace::sRGB(), PixelSize{4, -1}));
    EXPECT_FALSE(bitmapContext(picture, ColorSpace::genericGray()));
    EXPECT_TRUE(bitmapContext(picture, ColorSpace::sRGB(), PixelSize{16384, 1}));
}

TEST(MakePicture, UploadsThePictureWithItsMipLevels) {
    const auto renderer = makeRenderer();
    const auto picture = makePicture(*renderer, solidImage(64, 32, 255, 0, 0, 128), std::nullopt, std::nullopt);
    ASSERT_TRUE(picture && picture->texture);
    EXPECT_FALSE(picture->framing);
    const Texture& t = *picture->texture;
    EXPECT_EQ(t.pixelFormat(), PixelFormat::bgra8Unorm);
    EXPECT_EQ(t.width(), 64);
    EXPECT_EQ(t.mipLevelCount(), 7);
    EXPECT_EQ(pixelsOf(t).at(10, 10), 0x80800000u);  // premultiplied red at half alpha
    EXPECT_EQ(pixelsOf(t, 6).at(0, 0), 0x80800000u);
}

TEST(MakePicture, NoTextureNoPicture) {
    const auto renderer = makeRenderer();
    renderer->device()->failNext(Resource::texture);
    EXPECT_FALSE(makePicture(*renderer, solidImage(8, 8, 1, 2, 3), std::nullopt, std::nullopt));
    renderer->device()->failNext(Resource::commandBuffer);
    EXPECT_FALSE(redrawImage(*renderer, solidImage(8, 8, 1, 2, 3), ColorSpace::sRGB()));
    EXPECT_FALSE(makePicture(*renderer, solidImage(8, 8, 1, 2, 3), std::nullopt, ColorSpace::genericGray()));
}

// Records the calls the picture preparation makes and finds the plain picture 3 pixels
// right and 2 down in the framed one.
class RecordingAnalysis final : public WindowFramingAnalysis {
public:
    mutable std::vector<std::string> calls;
    bool finds = true;

    std::optional<FramingOffset> scan(const PixelView& plain, const PixelView& framed) const override {
        calls.push_back("scan " + std::to_string(plain.width) + " " + std::to_string(framed.width));
        if (!finds) return std::nullopt;
        return FramingOffset{3, 2};
    }
    int agreementDepth(const PixelView& framed, const PixelView& plain, FramingOffset offset) const override {
        calls.push_back("depth " + std::to_string(framed.width) + " " + std::to_string(plain.width) + " " +
                        std::to_string(offset.left));
        return 1;
    }
    WindowFraming make(const PixelView& framed, FramingOffset offset, int depth, int, int) const override {
        calls.push_back("make");
        WindowFraming f;
        f.geometry = {framed.width, framed.height, offset.left, offset.top, depth};
        WindowFraming::Strip top{0, 0, framed.width, 3, {}};
        top.bytes.assign(std::size_t(framed.width) * 3 * 4, 0xFF);
        WindowFraming::Strip outside{framed.width - 1, 0, 4, 4, std::vector<std::uint8_t>(64, 0xFF)};
        f.strips = {top, outside};
        return f;
    }
};

TEST(MakePicture, AFramedPictureIsAnalysedPlainFirst) {
    const auto renderer = makeRenderer();
    RecordingAnalysis analysis;
    const auto picture = makePicture(*renderer, solidImage(20, 20, 0, 0, 255), solidImage(26, 24, 0, 255, 0),
                                     std::nullopt, analysis);
    ASSERT_TRUE(picture && picture->framing);
    EXPECT_EQ(analysis.calls, (std::vector<std::string>{"scan 20 26", "depth 26 20 3", "make"}));
    const TransitionPicture::Framing& f = *picture->framing;
    EXPECT_EQ(f.geometry, (WindowFraming::Geometry{26, 24, 3, 2, 1}));
    EXPECT_EQ(f.source.geometry, f.geometry);
    ASSERT_TRUE(f.texture);
    EXPECT_EQ(f.texture->width(), 26);
    // The top strip is placed; the strip that does not fit is left out; the rest is clear.
    const auto framing = pixelsOf(*f.texture);
    EXPECT_EQ(framing.at(5, 1), 0xFFFFFFFFu);
    EXPECT_EQ(framing.at(25, 3), 0u);
    EXPECT_EQ(framing.at(10, 10), 0u);
}

TEST(MakePicture, WithoutAnOffsetOrAFramedPictureThereIsNoFraming) {
    const auto renderer = makeRenderer();
    RecordingAnalysis analysis;
    analysis.finds = false;
    auto picture = makePicture(*renderer, solidImage(20, 20, 0, 0, 255), solidImage(26, 24, 0, 255, 0), std::nullopt,
                               analysis);
    ASSERT_TRUE(picture);
    EXPECT_FALSE(picture->framing);
    EXPECT_EQ(analysis.calls, (std::vector<std::string>{"scan 20 26"}));
    analysis.calls.clear();
    picture = makePicture(*renderer, solidImage(20, 20, 0, 0, 255), std::nullopt, std::nullopt, analysis);
    EXPECT_TRUE(analysis.calls.empty());
    // The stand-in analysis finds nothing either.
    picture = makePicture(*renderer, solidImage(20, 20, 0, 0, 255), solidImage(26, 24, 0, 255, 0), std::nullopt);
    ASSERT_TRUE(picture);
    EXPECT_FALSE(picture->framing);
}

TEST(MakeIconPicture, RedrawsAtTheGivenSizeAndKeepsTheFraming) {
    const auto renderer = makeRenderer();
    WindowFraming framing;
    framing.geometry = {40, 30, 2, 2, 0};
    framing.strips = {{0, 0, 40, 2, std::vector<std::uint8_t>(40 * 2 * 4, 0x80)}};
    const auto icon = makeIconPicture(*renderer, solidImage(16, 16, 0, 128, 0), framing, 36, 26);
    ASSERT_TRUE(icon && icon->framing);
    EXPECT_EQ(icon->texture->width(), 36);
    EXPECT_EQ(icon->texture->height(), 26);
    EXPECT_EQ(icon->framing->geometry, framing.geometry);
    EXPECT_EQ(pixelsOf(*icon->framing->texture).at(39, 1), 0x80808080u);
    EXPECT_FALSE(makeIconPicture(*renderer, solidImage(16, 16, 0, 128, 0), std::nullopt, 0, 26));
    // A framing of an unusable size is dropped, the picture kept.
    framing.geometry.width = 0;
    const auto unframed = makeIconPicture(*renderer, solidImage(16, 16, 0, 128, 0), framing, 8, 8);
    ASSERT_TRUE(unframed);
    EXPECT_FALSE(unframed->framing);
}

}  // namespace
}  // namespace furlpane
