#include <gtest/gtest.h>

#include <numbers>

#include "platform/graphics/bitmap_context.h"
#include "tests/platform/graphics/graphics_test_support.h"

namespace platform {
namespace {

using testing::makeContext;
using testing::makeImage;
using testing::noisePixel;
using testing::opaqueGray;

TEST(ImageDrawing, OneToOneAtWholePixelsCopiesExactly) {
    const Image image = makeImage(37, 23, [](int x, int y) { return noisePixel(uint32_t(x * 1000 + y)); });
    for (BlendMode mode : {BlendMode::copy, BlendMode::normal}) {
        auto c = makeContext(50, 40);
        c.setBlendMode(mode);
        c.drawImage(image, Rect(5, 7, 37, 23));
        // Upright: the image's top row lies at the rectangle's maxY, row 40 − 30 = 10.
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 37; ++x) ASSERT_EQ(c.pixel(5 + x, 10 + y), image.pixel(x, y)) << x << "," << y;
        EXPECT_EQ(c.pixel(4, 10).a, 0);
        EXPECT_EQ(c.pixel(5, 9).a, 0);
    }
    // Hanging over the context's corner, the visible part is still exact.
    auto c = makeContext(10, 10);
    c.drawImage(image, Rect(-30, -20, 37, 23));  // image columns 30...36, rows 0...2
    EXPECT_EQ(c.pixel(0, 7), image.pixel(30, 0));
    EXPECT_EQ(c.pixel(6, 9), image.pixel(36, 2));
    EXPECT_EQ(c.pixel(0, 6).a, 0);
    EXPECT_EQ(c.pixel(7, 9).a, 0);
}

TEST(ImageDrawing, DownscalingAveragesTheCoveredArea) {
    // 2 × 2 blocks of 10, 20, 30, 40 average to 25.
    const Image blocks = makeImage(4, 4, [](int x, int y) { return opaqueGray(uint8_t(10 * (1 + x % 2 + 2 * (y % 2)))); });
    auto c = makeContext(2, 2);
    c.drawImage(blocks, Rect(0, 0, 2, 2));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) EXPECT_EQ(c.pixel(x, y), opaqueGray(25));

    // Three pixels into two: each output covers one and a half source pixels.
    const Image ramp = makeImage(3, 1, [](int x, int) { return opaqueGray(uint8_t(90 * x)); });
    auto r = makeContext(2, 1);
    r.drawImage(ramp, Rect(0, 0, 2, 1));
    EXPECT_EQ(r.pixel(0, 0), opaqueGray(30));   // (0 × 1 + 90 × 0.5) / 1.5
    EXPECT_EQ(r.pixel(1, 0), opaqueGray(150));  // (90 × 0.5 + 180 × 1) / 1.5

    // A fine checkerboard averages to mid gray everywhere, with no moiré.
    const Image checks = makeImage(64, 64, [](int x, int y) { return opaqueGray((x + y) % 2 ? 255 : 0); });
    auto k = makeContext(8, 8);
    k.drawImage(checks, Rect(0, 0, 8, 8));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(k.pixel(x, y), k.pixel(0, 0));
    EXPECT_NEAR(k.pixel(0, 0).r, 127.5, 0.5);
}

TEST(ImageDrawing, UpscalingInterpolatesBetweenPixelCentres) {
    const Image pair = makeImage(2, 1, [](int x, int) { return opaqueGray(uint8_t(200 * x)); });
    auto c = makeContext(4, 1);
    c.drawImage(pair, Rect(0, 0, 4, 1));
    EXPECT_EQ(c.pixel(0, 0), opaqueGray(0));  // beyond the first centre the edge is held
    EXPECT_EQ(c.pixel(1, 0), opaqueGray(50));
    EXPECT_EQ(c.pixel(2, 0), opaqueGray(150));
    EXPECT_EQ(c.pixel(3, 0), opaqueGray(200));
}

TEST(ImageDrawing, EdgesOnPixelFractionsAreAntialiased) {
    const Image white = *Image::filled(1, 1, Color::white(), ColorSpace::sRGB());
    auto c = makeContext(4, 1);
    c.drawImage(white, Rect(0.5, 0, 2, 1));
    EXPECT_EQ(c.pixel(0, 0), (Pixel{128, 128, 128, 128}));
    EXPECT_EQ(c.pixel(1, 0), (Pixel{255, 255, 255, 255}));
    EXPECT_EQ(c.pixel(2, 0), (Pixel{128, 128, 128, 128}));
    EXPECT_EQ(c.pixel(3, 0).a, 0);
}

TEST(ImageDrawing, FlippedAndRotatedContextsTurnTheImage) {
    const Image image = makeImage(2, 3, [](int x, int y) { return opaqueGray(uint8_t(10 + x + 10 * y)); });
    // A context flipped to top-left coordinates draws images upside down, as the
    // system's own contexts do.
    auto f = makeContext(2, 3);
    f.translateBy(0, 3);
    f.scaleBy(1, -1);
    f.drawImage(image, Rect(0, 0, 2, 3));
    EXPECT_EQ(f.pixel(0, 0), image.pixel(0, 2));
    EXPECT_EQ(f.pixel(1, 2), image.pixel(1, 0));

    // A quarter turn counter-clockwise: the image's top row becomes its left column.
    auto r = makeContext(3, 2);
    r.translateBy(3, 0);
    r.rotateBy(std::numbers::pi / 2);
    r.drawImage(image, Rect(0, 0, 2, 3));
    EXPECT_EQ(r.pixel(0, 0), image.pixel(1, 0));
    EXPECT_EQ(r.pixel(0, 1), image.pixel(0, 0));
    EXPECT_EQ(r.pixel(2, 1), image.pixel(0, 2));
}

TEST(ImageDrawing, CopyReplacesAndAlphaAndClipApply) {
    const Image half = *Image::filled(2, 2, Color::rgb(0, 0, 1, 0.5), ColorSpace::sRGB());
    auto c = makeContext(2, 2);
    c.setFillColor(Color::rgb(1, 0, 0));
    c.fillRect(Rect(0, 0, 2, 2));
    c.setBlendMode(BlendMode::copy);
    c.drawImage(half, Rect(0, 0, 2, 2));
    EXPECT_EQ(c.pixel(0, 0), (Pixel{128, 0, 0, 128}));

    auto a = makeContext(2, 1);
    a.setAlpha(0.5);
    a.clipToRect(Rect(0, 0, 1.5, 1));
    a.drawImage(*Image::filled(1, 1, Color::white(), ColorSpace::sRGB()), Rect(0, 0, 2, 1));
    EXPECT_EQ(a.pixel(0, 0), (Pixel{128, 128, 128, 128}));
    EXPECT_EQ(a.pixel(1, 0), (Pixel{64, 64, 64, 64}));
}

TEST(ImageDrawing, RotatedImagesOverhangingTheContextAndAbsurdRectanglesAreSafe) {
    const Image white = *Image::filled(64, 64, Color::white(), ColorSpace::sRGB());
    auto c = makeContext(16, 16);
    c.translateBy(8, 8);
    c.rotateBy(0.3);
    c.drawImage(white, Rect(-32, -32, 64, 64));  // covers the whole context
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(c.pixel(x, y), (Pixel{255, 255, 255, 255}));
    auto d = makeContext(8, 8);
    for (const Rect& r : {Rect(-1e300, -1e300, 2e300, 2e300), Rect(1e300, 0, 1, 1), Rect(0, 0, 1e-300, 1),
                          Rect(NAN, 0, 4, 4), Rect(0, 0, INFINITY, 4)})
        d.drawImage(white, r);
    d.rotateBy(1);
    d.drawImage(white, Rect(-1e300, -1e300, 2e300, 2e300));
    EXPECT_EQ(d.pixel(0, 0).a, 255);  // the huge rectangles cover everything
}

TEST(ImageDrawing, ColourSpacesAreNotConverted) {
    const Image gray = makeImage(1, 1, [](int, int) { return Pixel{1, 2, 3, 255}; }, ColorSpace::genericGray());
    auto c = makeContext(1, 1);
    c.drawImage(gray, Rect(0, 0, 1, 1));
    EXPECT_EQ(c.pixel(0, 0), (Pixel{1, 2, 3, 255}));
    EXPECT_EQ(c.makeImage().colorSpace(), ColorSpace::sRGB());
}

}  // namespace
}  // namespace platform
