#include <gtest/gtest.h>

#include "platform/graphics/image.h"
#include "tests/platform/graphics/graphics_test_support.h"

namespace platform {
namespace {

TEST(ColorSpace, WellKnownSpacesAreDistinctAndOnlyRGBModelsCountAsRGB) {
    EXPECT_NE(ColorSpace::sRGB(), ColorSpace::displayRGB());
    EXPECT_NE(ColorSpace::sRGB(), ColorSpace::genericRGB());
    EXPECT_NE(ColorSpace::displayRGB(), ColorSpace::genericRGB());
    // Same name but another model is another space.
    EXPECT_NE(ColorSpace::named("Custom", ColorModel::rgb), ColorSpace::named("Custom", ColorModel::gray));
    EXPECT_EQ(ColorSpace::named("Custom", ColorModel::rgb), ColorSpace::named("Custom", ColorModel::rgb));
    for (const ColorSpace& rgb : {ColorSpace::sRGB(), ColorSpace::displayRGB(), ColorSpace::genericRGB()})
        EXPECT_TRUE(rgb.isRGB());
    for (const ColorSpace& other : {ColorSpace::genericGray(), ColorSpace::named("Press", ColorModel::cmyk),
                                    ColorSpace::named("Odd", ColorModel::other)})
        EXPECT_FALSE(other.isRGB());
}

TEST(Color, PremultipliesRoundsAndClamps) {
    EXPECT_EQ(Pixel::fromWord(premultipliedWord(Color::rgb(1, 0.5, 0, 1))), (Pixel{0, 128, 255, 255}));
    EXPECT_EQ(Pixel::fromWord(premultipliedWord(Color::rgb(1, 1, 1, 0.5))), (Pixel{128, 128, 128, 128}));
    EXPECT_EQ(premultipliedWord(Color::clear()), 0u);
    // Out-of-range and NaN components are clamped, never wrapped.
    EXPECT_EQ(Pixel::fromWord(premultipliedWord(Color::rgb(2, -1, NAN, 3))), (Pixel{0, 0, 255, 255}));
    EXPECT_EQ(premultipliedWord(Color::rgb(1, 1, 1, NAN)), 0u);
}

TEST(Image, SizesOutsideOneTo16384AreRefused) {
    for (const auto& [w, h] : {std::pair{0, 10}, {10, 0}, {-1, 10}, {16385, 1}, {1, 16385}})
        EXPECT_FALSE(Image::filled(w, h, Color::white(), ColorSpace::sRGB())) << w << "x" << h;
    EXPECT_TRUE(Image::filled(16384, 1, Color::white(), ColorSpace::sRGB()));
}

TEST(Image, CreationChecksTheBufferAndHonoursTheStride) {
    // Two rows of two pixels with a stride of 12 bytes; the last row needs no padding.
    std::vector<uint8_t> bytes = {1, 2, 3, 255, 4, 5, 6, 255, 99, 99, 99, 99,
                                  7, 8, 9, 255, 10, 11, 12, 255};
    auto image = Image::create(2, 2, bytes, 12, ColorSpace::displayRGB());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->bytesPerRow(), 8u);
    EXPECT_EQ(image->pixel(1, 1), (Pixel{10, 11, 12, 255}));
    EXPECT_EQ(image->pixel(0, 1), (Pixel{7, 8, 9, 255}));
    EXPECT_EQ(image->colorSpace(), ColorSpace::displayRGB());
    EXPECT_FALSE(Image::create(2, 2, std::span(bytes).first(19), 12, ColorSpace::sRGB()));
    EXPECT_FALSE(Image::create(2, 2, bytes, 7, ColorSpace::sRGB()));  // stride shorter than a row
    EXPECT_FALSE(Image::adopt(2, 2, std::vector<uint32_t>(3), ColorSpace::sRGB()));
    // A stride so large that rows × stride wraps around must not pass the check.
    EXPECT_FALSE(Image::create(2, 3, bytes, SIZE_MAX / 2 + 1, ColorSpace::sRGB()));
}

TEST(Image, ColourAboveAlphaIsLoweredSoEveryImageIsPremultiplied) {
    const std::vector<uint8_t> bytes = {200, 100, 50, 80};
    auto image = Image::create(1, 1, bytes, 4, ColorSpace::sRGB());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixel(0, 0), (Pixel{80, 80, 50, 80}));
}

TEST(Image, CopiesShareAndRetaggingKeepsThePixels) {
    auto image = *Image::filled(3, 2, Color::rgb(0, 0, 1), ColorSpace::sRGB());
    const Image copy = image;
    EXPECT_TRUE(copy.sharesPixelsWith(image));
    const Image gray = image.withColorSpace(ColorSpace::genericGray());
    EXPECT_TRUE(gray.sharesPixelsWith(image));
    EXPECT_TRUE(gray.hasSamePixels(image));
    EXPECT_EQ(image.pixel(2, 1), (Pixel{255, 0, 0, 255}));
    EXPECT_EQ(image.bytes()[0], 255);  // blue comes first in memory
    EXPECT_EQ(image.bytes()[3], 255);
}

TEST(Image, CroppingKeepsThePartInsideTheImage) {
    const Image image = testing::makeImage(10, 8, [](int x, int y) { return testing::opaqueGray(uint8_t(x + 10 * y)); },
                                           ColorSpace::displayRGB());
    auto part = image.cropped(Rect(2, 3, 4, 2));
    ASSERT_TRUE(part);
    EXPECT_EQ(part->width(), 4);
    EXPECT_EQ(part->height(), 2);
    EXPECT_EQ(part->pixel(0, 0), image.pixel(2, 3));
    EXPECT_EQ(part->pixel(3, 1), image.pixel(5, 4));
    EXPECT_EQ(part->colorSpace(), ColorSpace::displayRGB());
    auto edge = image.cropped(Rect(8.5, -3, 100, 4.2));  // widened to whole pixels, then cut
    ASSERT_TRUE(edge);
    EXPECT_EQ(edge->width(), 2);
    EXPECT_EQ(edge->height(), 2);
    EXPECT_TRUE(image.cropped(Rect(0, 0, 10, 8))->sharesPixelsWith(image));
    EXPECT_FALSE(image.cropped(Rect(10, 0, 5, 5)));
    EXPECT_FALSE(image.cropped(Rect(NAN, 0, 5, 5)));
    EXPECT_FALSE(image.cropped(Rect::null()));
}

}  // namespace
}  // namespace platform
