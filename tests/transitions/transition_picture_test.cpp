#include "transitions/transition_picture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

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

TEST(BitmapContext, RedrawsByCopyingAtThePicturesSizeOrWithHighInterpolationAtAnother) {
    const Image picture = testing::twoToneImage(30, 20, 5, 0x80402010u, 0x00000000u);
    const auto same = bitmapContext(picture, ColorSpace::sRGB());
    ASSERT_TRUE(same);
    EXPECT_EQ(std::tuple(same->width(), same->height(), same->blendMode(), same->interpolationQuality()),
              std::tuple(30, 20, platform::BlendMode::copy, InterpolationQuality::defaultQuality));
    EXPECT_TRUE(std::equal(picture.bytes().begin(), picture.bytes().end(), same->bytes().begin()));

    const auto other = bitmapContext(solidImage(30, 20, 200, 100, 50), ColorSpace::sRGB(), PixelSize{60, 10});
    ASSERT_TRUE(other);
    EXPECT_EQ(std::tuple(other->width(), other->height(), other->interpolationQuality()),
              std::tuple(60, 10, InterpolationQuality::high));
    EXPECT_EQ(other->pixel(59, 9).r, 200);
}

TEST(BitmapContext, UnusableSizesAndSpacesGiveNone) {
    const Image picture = solidImage(4, 4, 1, 2, 3);
    for (const PixelSize size : {PixelSize{20000, 4}, PixelSize{0, 4}, PixelSize{4, -1}})
        EXPECT_FALSE(bitmapContext(picture, ColorSpace::sRGB(), size)) << size.width << "x" << size.height;
    EXPECT_FALSE(bitmapContext(picture, ColorSpace::genericGray()));
    EXPECT_TRUE(bitmapContext(picture, ColorSpace::sRGB(), PixelSize{16384, 1}));
}

TEST(MakePicture, UploadsThePictureWithItsMipLevels) {
    const auto renderer = makeRenderer();
    const auto picture = makePicture(*renderer, solidImage(64, 32, 255, 0, 0, 128), std::nullopt, std::nullopt);
    ASSERT_TRUE(picture && picture->texture);
    EXPECT_FALSE(picture->framing);
    const Texture& t = *picture->texture;
    EXPECT_EQ(std::tuple(t.pixelFormat(), t.width(), t.mipLevelCount()), std::tuple(PixelFormat::bgra8Unorm, 64, 7));
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

// A window's framed picture: the plain picture (opaque blue, 20 × 20) 3 pixels right and
// 2 down, in a quarter-opaque black shadow of 26 × 24.
Image framedPicture() {
    std::vector<std::uint8_t> bytes(26 * 24 * 4);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 26; ++x) {
            const bool window = x >= 3 && x < 23 && y >= 2 && y < 22;
            const std::uint32_t pixel = window ? 0xFF0000FFu : 0x40000000u;
            std::memcpy(bytes.data() + (y * 26 + x) * 4, &pixel, 4);
        }
    return *Image::create(26, 24, bytes, 26 * 4, ColorSpace::sRGB());
}

TEST(MakePicture, AFramedPictureIsAnalysedPlainFirst) {
    const auto renderer = makeRenderer();
    const auto picture = makePicture(*renderer, solidImage(20, 20, 0, 0, 255), framedPicture(), std::nullopt);
    ASSERT_TRUE(picture && picture->framing);
    const TransitionPicture::Framing& f = *picture->framing;
    EXPECT_EQ(f.geometry, (WindowFraming::Geometry{26, 24, 3, 2, 0}));
    EXPECT_EQ(f.source.geometry, f.geometry);
    EXPECT_EQ(f.source.strips.size(), 4u);
    ASSERT_TRUE(f.texture);
    EXPECT_EQ(f.texture->width(), 26);
    // The shadow around the window is in the strips; the interior is clear.
    const auto framing = pixelsOf(*f.texture);
    EXPECT_EQ(framing.at(5, 1), 0x40000000u);
    EXPECT_EQ(framing.at(25, 3), 0x40000000u);
    EXPECT_EQ(framing.at(10, 10), 0u);
}

// A texture with mip levels of the bitmap's bytes, made as the redraw used to make them.
std::shared_ptr<Texture> uploadedRedraw(const TransitionRenderer& renderer, const platform::BitmapContext& bitmap) {
    auto texture = renderer.device()->makeTexture(
        TextureDescriptor::texture2D(PixelFormat::bgra8Unorm, bitmap.width(), bitmap.height(), Mipmapped::yes));
    texture->replaceRegion({0, 0, bitmap.width(), bitmap.height()}, 0, bitmap.bytes().data(), bitmap.bytesPerRow());
    const auto commands = renderer.queue()->makeCommandBuffer();
    BlitEncoder* blit = commands->makeBlitEncoder();
    blit->generateMipmaps(texture);
    blit->endEncoding();
    commands->commit();
    return texture;
}

void expectSameLevels(const Texture& made, const Texture& redrawn, const std::string& what) {
    ASSERT_EQ(made.mipLevelCount(), redrawn.mipLevelCount()) << what;
    for (int level = 0; level < made.mipLevelCount(); ++level)
        EXPECT_EQ(pixelsOf(made, level).bytes, pixelsOf(redrawn, level).bytes) << what << ", level " << level;
}

// Pictures at their own size are uploaded from their own pixels: every level holds the
// bytes an upload of the redrawn bitmap holds, translucent and odd-sized pictures and
// other RGB spaces included.
TEST(MakePicture, AtItsOwnSizeHoldsTheBytesOfTheRedraw) {
    const auto renderer = makeRenderer();
    struct Case {
        const char* what;
        Image picture;
        ColorSpace space;
    };
    const Case cases[] = {
        {"opaque, two tones", testing::twoToneImage(37, 21, 6, 0xFF102030u, 0xFF405060u), ColorSpace::sRGB()},
        {"translucent", solidImage(9, 33, 200, 100, 50, 77), ColorSpace::sRGB()},
        {"one pixel", solidImage(1, 1, 1, 2, 3, 4), ColorSpace::sRGB()},
        {"display space", framedPicture(), ColorSpace::displayRGB()},
    };
    for (const Case& c : cases) {
        const auto bitmap = bitmapContext(c.picture, c.space);
        ASSERT_TRUE(bitmap) << c.what;
        const auto redrawn = uploadedRedraw(*renderer, *bitmap);
        const auto plain = makePicture(*renderer, c.picture, std::nullopt, c.space);
        ASSERT_TRUE(plain && plain->texture) << c.what;
        expectSameLevels(*plain->texture, *redrawn, std::string(c.what) + " (picture)");
        const auto texture = redrawImage(*renderer, c.picture, c.space);
        ASSERT_TRUE(texture) << c.what;
        expectSameLevels(*texture, *redrawn, std::string(c.what) + " (redraw)");
        const auto icon = makeIconPicture(*renderer, c.picture, std::nullopt, c.picture.width(), c.picture.height());
        ASSERT_TRUE(icon && icon->texture) << c.what;
        expectSameLevels(*icon->texture, *uploadedRedraw(*renderer, *bitmapContext(c.picture, c.picture.colorSpace())),
                         std::string(c.what) + " (icon)");
    }
    EXPECT_FALSE(redrawImage(*renderer, solidImage(8, 8, 1, 2, 3), ColorSpace::genericGray()));
}

// A picture's texture let go of is used again for the next picture of its size, which it
// then holds on every level; one still held, or of another size, is not.
TEST(MakePicture, TexturesLetGoOfAreUsedAgainWholeForTheNextOfTheirSize) {
    const auto renderer = makeRenderer();
    const Image first = testing::twoToneImage(40, 24, 9, 0xFF2040F0u, 0xFFF0F0F0u);
    const Image second = solidImage(40, 24, 10, 200, 30, 90);
    auto held = makePicture(*renderer, first, std::nullopt, std::nullopt);
    ASSERT_TRUE(held && held->texture);
    const Texture* used = held->texture.get();
    const auto whileHeld = redrawImage(*renderer, second, ColorSpace::sRGB(), PictureTexture::kept);
    const auto otherSize =
        redrawImage(*renderer, solidImage(24, 40, 1, 2, 3), ColorSpace::sRGB(), PictureTexture::kept);
    EXPECT_NE(whileHeld.get(), used);
    EXPECT_NE(otherSize.get(), used);
    held.reset();
    EXPECT_EQ(renderer->keptPictureTextures(40, 24), std::pair(std::size_t(3), std::size_t(1)));
    const auto again = makePicture(*renderer, second, std::nullopt, std::nullopt);
    ASSERT_TRUE(again && again->texture);
    EXPECT_EQ(again->texture.get(), used);
    expectSameLevels(*again->texture, *uploadedRedraw(*renderer, *bitmapContext(second, ColorSpace::sRGB())),
                     "used again");
    // Never more than a few are kept; those made beyond them are not kept.
    std::vector<std::shared_ptr<Texture>> more;
    for (int i = 0; i < 6; ++i)
        more.push_back(redrawImage(*renderer, solidImage(8, 8, i, 0, 0), ColorSpace::sRGB(), PictureTexture::kept));
    EXPECT_EQ(renderer->keptPictureTextures(8, 8).first, 4u);
    more.clear();
    EXPECT_EQ(renderer->keptPictureTextures(8, 8).second, 1u);
    // A texture made for its picture is never one of those kept.
    const auto made = redrawImage(*renderer, second, ColorSpace::sRGB());
    EXPECT_NE(made.get(), used);
    EXPECT_EQ(renderer->keptPictureTextures(40, 24).first, 4u);
}

TEST(MakePicture, WithoutAnOffsetOrAFramedPictureThereIsNoFraming) {
    const auto renderer = makeRenderer();
    const Image blue = solidImage(20, 20, 0, 0, 255);
    // No framed picture; one whose middle differs from the plain one (not located); and
    // the two swapped, the framed picture smaller than the plain one.
    for (const auto& [plain, framed] : {std::pair<Image, std::optional<Image>>{blue, std::nullopt},
                                        {blue, solidImage(26, 24, 0, 255, 0)}, {framedPicture(), blue}}) {
        const auto picture = makePicture(*renderer, plain, framed, std::nullopt);
        ASSERT_TRUE(picture);
        EXPECT_FALSE(picture->framing);
    }
}

TEST(MakeIconPicture, RedrawsAtTheGivenSizeAndKeepsTheFraming) {
    const auto renderer = makeRenderer();
    const Image green = solidImage(16, 16, 0, 128, 0);
    WindowFraming framing;
    framing.geometry = {40, 30, 2, 2, 0};
    // The second strip does not fit the framing's size and is left out.
    framing.strips = {{0, 0, 40, 2, std::vector<std::uint8_t>(40 * 2 * 4, 0x80)},
                      {39, 0, 4, 4, std::vector<std::uint8_t>(64, 0xFF)}};
    const auto icon = makeIconPicture(*renderer, green, framing, 36, 26);
    ASSERT_TRUE(icon && icon->framing);
    EXPECT_EQ(std::tuple(icon->texture->width(), icon->texture->height()), std::tuple(36, 26));
    EXPECT_EQ(icon->framing->geometry, framing.geometry);
    EXPECT_EQ(pixelsOf(*icon->framing->texture).at(39, 1), 0x80808080u);
    EXPECT_FALSE(makeIconPicture(*renderer, green, std::nullopt, 0, 26));
    // A framing of an unusable size is dropped, the picture kept.
    framing.geometry.width = 0;
    const auto unframed = makeIconPicture(*renderer, green, framing, 8, 8);
    ASSERT_TRUE(unframed);
    EXPECT_FALSE(unframed->framing);
}

}  // namespace
}  // namespace furlpane
