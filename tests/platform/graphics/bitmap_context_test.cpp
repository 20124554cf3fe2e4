#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "platform/graphics/bitmap_context.h"
#include "tests/platform/graphics/graphics_test_support.h"

namespace platform {
namespace {

using testing::makeContext;
using testing::whiteContext;

// Alpha bytes of one row (counted from the top).
std::vector<int> alphas(const BitmapContext& c, int row) {
    std::vector<int> out;
    for (int x = 0; x < c.width(); ++x) out.push_back(c.pixel(x, row).a);
    return out;
}

TEST(BitmapContext, SizesAndColourSpacesThatCannotBackAContextGiveNone) {
    for (const auto& [w, h] : {std::pair{0, 1}, {1, 0}, {-5, 5}, {16385, 1}, {1, 16385}})
        EXPECT_FALSE(BitmapContext::create(w, h, ColorSpace::sRGB())) << w << "x" << h;
    EXPECT_FALSE(BitmapContext::create(8, 8, ColorSpace::genericGray()));
    EXPECT_FALSE(BitmapContext::create(8, 8, ColorSpace::named("Press", ColorModel::cmyk)));
    auto wide = BitmapContext::create(16384, 1, ColorSpace::displayRGB());
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->bytesPerRow(), 16384u * 4);
    EXPECT_TRUE(BitmapContext::create(1, 16384, ColorSpace::genericRGB()));
    // A new context is transparent.
    const auto& bytes = wide->bytes();
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; }));
}

TEST(BitmapContext, UserSpaceStartsAtTheBottomLeft) {
    auto c = makeContext(4, 3);
    c.setFillColor(Color::rgb(1, 0, 0));
    c.fillRect(Rect(0, 0, 1, 1));
    EXPECT_EQ(c.pixel(0, 2), (Pixel{0, 0, 255, 255}));
    EXPECT_EQ(c.pixel(0, 0).a, 0);
    // flipRect turns a top-left rectangle into the context's space.
    c.fillRect(flipRect(Rect(3, 0, 1, 1), c.height()));
    EXPECT_EQ(c.pixel(3, 0).a, 255);
}

TEST(BitmapContext, RectangleEdgesGetTheirCoveredFraction) {
    auto c = whiteContext(20, 4);
    c.fillRect(Rect(10.25, 0, 5.5, 4));  // 10.25 ... 15.75
    const std::vector<int> expected = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 191, 255, 255, 255, 255, 191, 0, 0, 0, 0};
    EXPECT_EQ(alphas(c, 1), expected);
    // A corner pixel a quarter covered.
    auto d = whiteContext(4, 4);
    d.fillRect(Rect(0.5, 0.5, 2, 2));
    EXPECT_EQ(d.pixel(0, 3).a, 64);
    EXPECT_EQ(d.pixel(1, 2).a, 255);
    EXPECT_EQ(d.pixel(1, 3).a, 128);
}

TEST(BitmapContext, MadeImagesAreSnapshots) {
    auto c = whiteContext(4, 4);
    c.fillRect(Rect(0, 0, 2, 2));
    const Image first = c.makeImage();
    EXPECT_TRUE(c.makeImage().sharesPixelsWith(first));  // nothing changed: nothing copied
    c.fillRect(Rect(2, 2, 2, 2));
    const Image second = c.makeImage();
    EXPECT_EQ(first.pixel(3, 0).a, 0);
    EXPECT_EQ(second.pixel(3, 0).a, 255);
    c.mutableBytes()[0] = 7;  // direct writes also leave made images alone
    EXPECT_EQ(second.bytes()[0], 0);
}

TEST(BitmapContext, TransformsApplyWithinTheCurrentUserSpace) {
    auto c = whiteContext(20, 20);
    c.translateBy(10, 5);
    c.scaleBy(2, 2);
    c.fillRect(Rect(0, 0, 1, 1));  // pixels x 10...12, y 5...7 from the bottom
    EXPECT_EQ(c.pixel(10, 20 - 6).a, 255);
    EXPECT_EQ(c.pixel(11, 20 - 7).a, 255);
    EXPECT_EQ(c.pixel(12, 20 - 6).a, 0);
    EXPECT_EQ(c.pixel(10, 20 - 8).a, 0);

    auto r = whiteContext(20, 20);
    r.translateBy(10, 10);
    r.rotateBy(std::numbers::pi / 2);  // counter-clockwise: x becomes y, y becomes −x
    r.fillRect(Rect(0, 0, 4, 2));      // covers x 8...10, y 10...14
    int covered = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool inside = x >= 8 && x < 10 && (20 - 1 - y) >= 10 && (20 - 1 - y) < 14;
            EXPECT_EQ(r.pixel(x, y).a, inside ? 255 : 0) << x << "," << y;
            covered += inside;
        }
    EXPECT_EQ(covered, 8);
}

TEST(BitmapContext, SavedStateComesBackAndUnmatchedRestoresAreHarmless) {
    auto c = makeContext(10, 10);
    c.restoreGState();
    c.setFillColor(Color::rgb(0, 1, 0));
    c.saveGState();
    c.translateBy(5, 5);
    c.clipToRect(Rect(0, 0, 1, 1));
    c.setFillColor(Color::rgb(1, 0, 0));
    c.setLineWidth(9);
    c.restoreGState();
    EXPECT_EQ(c.transform(), AffineTransform::identity());
    EXPECT_EQ(c.lineWidth(), 1);
    EXPECT_EQ(c.clipBoundingBox(), Rect(0, 0, 10, 10));
    c.fillRect(Rect(0, 0, 10, 10));
    EXPECT_EQ(c.pixel(0, 0), (Pixel{0, 255, 0, 255}));
}

TEST(BitmapContext, ClippingNarrowsAndAntialiasesPartialPixels) {
    auto c = makeContext(10, 10);
    c.clipToRect(Rect(2, 2, 6, 6));
    c.clipToRect(Rect(0, 0, 5.5, 100));  // intersection: x 2...5.5, y 2...8
    EXPECT_EQ(c.clipBoundingBox(), Rect(2, 2, 4, 6));
    c.setFillColor(Color::white());
    c.fillRect(Rect(0, 0, 10, 10));
    EXPECT_EQ(alphas(c, 5), (std::vector<int>{0, 0, 255, 255, 255, 128, 0, 0, 0, 0}));
    EXPECT_EQ(alphas(c, 1), std::vector<int>(10, 0));
    // A clip with nothing inside stops all drawing.
    c.clipToRect(Rect(50, 50, 1, 1));
    EXPECT_TRUE(c.clipBoundingBox().isNull());
    c.fillRect(Rect(0, 0, 10, 10));
    EXPECT_EQ(c.pixel(0, 0).a, 0);
}

TEST(BitmapContext, SourceOverCopyAlphaAndClear) {
    auto c = makeContext(4, 1);
    c.setFillColor(Color::rgb(0, 0, 1));
    c.fillRect(Rect(0, 0, 4, 1));
    c.setFillColor(Color::rgb(1, 0, 0, 0.5));
    c.fillRect(Rect(0, 0, 1, 1));
    EXPECT_EQ(c.pixel(0, 0), (Pixel{127, 0, 128, 255}));
    c.setBlendMode(BlendMode::copy);
    c.fillRect(Rect(1, 0, 1, 1));
    EXPECT_EQ(c.pixel(1, 0), (Pixel{0, 0, 128, 128}));
    c.setBlendMode(BlendMode::normal);
    c.setAlpha(0.5);
    c.setFillColor(Color::white());
    c.fillRect(Rect(2, 0, 1, 1));
    EXPECT_EQ(c.pixel(2, 0), (Pixel{255, 128, 128, 255}));
    c.clearRect(Rect(3, 0, 0.5, 1));  // half the pixel cleared
    EXPECT_EQ(c.pixel(3, 0), (Pixel{127, 0, 0, 127}));
    c.clear();
    EXPECT_EQ(c.pixel(0, 0).a, 0);
}

TEST(BitmapContext, AbsurdGeometryDrawsNothingOrEverythingButNeverOutside) {
    auto c = whiteContext(8, 8);
    c.fillRect(Rect(NAN, 0, 4, 4));
    c.fillRect(Rect(0, 0, INFINITY, 4));
    EXPECT_EQ(c.pixel(0, 7).a, 0);
    c.fillRect(Rect(-1e300, -1e300, 2e300, 2e300));
    EXPECT_EQ(c.pixel(7, 0).a, 255);
    c.clear();
    c.scaleBy(0, 0);  // singular: nothing can be drawn
    c.fillRect(Rect(0, 0, 4, 4));
    EXPECT_EQ(c.pixel(0, 7).a, 0);
}

}  // namespace
}  // namespace platform
