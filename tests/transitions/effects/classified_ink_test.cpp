#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>

#include "transitions/effects/classified/classified.h"
#include "transitions/effects/classified/ink_filters.h"
#include "platform/gpu/texture.h"

namespace furlpane::effects {
namespace {

// A BGRA picture with premultiplied alpha and rows padded like a read-back.
struct Picture {
    int width;
    int height;
    std::size_t rowBytes;
    std::vector<std::uint8_t> bytes;

    Picture(int w, int h, std::uint8_t grey, std::uint8_t alpha = 255)
        : width(w), height(h), rowBytes((static_cast<std::size_t>(w) * 4 + 255) / 256 * 256),
          bytes(rowBytes * static_cast<std::size_t>(h), 0) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) set(x, y, grey, grey, grey, alpha);
    }
    void set(int x, int y, std::uint8_t b, std::uint8_t g, std::uint8_t r, std::uint8_t a = 255) {
        std::uint8_t* p = bytes.data() + static_cast<std::size_t>(y) * rowBytes + static_cast<std::size_t>(x) * 4;
        p[0] = b, p[1] = g, p[2] = r, p[3] = a;
    }
    void fill(int x0, int y0, int w, int h, std::uint8_t grey) {
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x) set(x, y, grey, grey, grey);
    }
    Classified::Ink ink(double texel) const { return readInk(bytes, width, height, rowBytes, texel); }
};

bool marked(const Classified::Ink& ink, int x, int y) {
    return ink.marks[static_cast<std::size_t>(y) * static_cast<std::size_t>(ink.width) + static_cast<std::size_t>(x)];
}

long markCount(const Classified::Ink& ink) { return std::count(ink.marks.begin(), ink.marks.end(), 1); }

TEST(ClassifiedReadBack, LevelRowPitchAndTexelFollowTheWorkedExamples) {
    const int chain = platform::gpu::TextureDescriptor::fullMipLevelCount(1600, 1000);
    ReadBackLayout retina = readBackLayout(chain, 1600, 1000, 2);
    EXPECT_EQ(retina.level, 1);
    EXPECT_EQ(retina.width, 800);
    EXPECT_EQ(retina.height, 500);
    EXPECT_EQ(retina.rowBytes, 3328u);
    EXPECT_EQ(retina.length, 3328u * 500);
    EXPECT_EQ(retina.texel, 1.0);

    ReadBackLayout plain = readBackLayout(chain, 1600, 1000, 1);
    EXPECT_EQ(plain.level, 1);
    EXPECT_EQ(plain.texel, 2.0);

    EXPECT_EQ(readBackLayout(1, 4000, 3000, 1).level, 0);  // a single level is read whatever its size

    ReadBackLayout square = readBackLayout(platform::gpu::TextureDescriptor::fullMipLevelCount(1000, 1000), 1000,
                                           1000, 1);
    EXPECT_EQ(square.level, 1);
    EXPECT_EQ(square.rowBytes, 2048u);
}

TEST(ClassifiedReadBack, OddScalesAndLevelCountsStaySafe) {
    // Three pixels per point starts two levels down (log2 3 = 1.58 rounds to 2).
    EXPECT_EQ(readBackLayout(12, 2000, 1000, 3).level, 2);
    // More levels than the picture has, and a scale that is not a number.
    ReadBackLayout deep = readBackLayout(100, 3000, 3000, 1e30);
    EXPECT_EQ(deep.level, 99);
    EXPECT_EQ(deep.width, 1);
    EXPECT_EQ(deep.rowBytes, 256u);
    ReadBackLayout nan = readBackLayout(12, 800, 400, std::nan(""));
    EXPECT_EQ(nan.level, 0);
    EXPECT_EQ(nan.texel, 1.0);
    // No scale at all: the texel is as large as the floor on the scale allows.
    EXPECT_EQ(readBackLayout(1, 100, 100, 0).texel, 10000.0);
}

TEST(ClassifiedFilters, ExtremesIgnoreAbsentTexelsAndBoxMeansExtendEdges) {
    std::mt19937 noise(7);
    const int w = 70, h = 40;
    ink_filters::Plane plane(static_cast<std::size_t>(w * h));
    for (auto& v : plane) v = static_cast<std::uint8_t>(noise() & 0xFF);
    const auto lows = ink_filters::windowMinimum(plane, w, h);
    const auto highs = ink_filters::windowMaximum(plane, w, h);
    const auto means = ink_filters::boxMean(plane, w, h);
    auto at = [&](int x, int y) { return plane[static_cast<std::size_t>(y * w + x)]; };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int lo = 255, hi = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -4; dx <= 4; ++dx) {
                    if (x + dx < 0 || x + dx >= w || y + dy < 0 || y + dy >= h) continue;
                    lo = std::min<int>(lo, at(x + dx, y + dy));
                    hi = std::max<int>(hi, at(x + dx, y + dy));
                }
            unsigned sum = 0;
            for (int dy = -15; dy <= 15; ++dy)
                for (int dx = -31; dx <= 31; ++dx) sum += at(std::clamp(x + dx, 0, w - 1), std::clamp(y + dy, 0, h - 1));
            const std::size_t i = static_cast<std::size_t>(y * w + x);
            ASSERT_EQ(lows[i], lo) << x << "," << y;
            ASSERT_EQ(highs[i], hi) << x << "," << y;
            ASSERT_EQ(means[i], (sum + 976) / 1953) << x << "," << y;
        }
    }
}

TEST(ClassifiedInk, MissingShortOrTransparentPicturesHaveNoInk) {
    Classified::Ink none = readInk({}, 40, 30, 256, 1);
    EXPECT_EQ(none.width, 40);
    EXPECT_EQ(none.marks.size(), 1200u);
    EXPECT_EQ(markCount(none), 0);
    EXPECT_EQ(none.lightness, 1);

    Picture page(40, 30, 255);
    page.fill(5, 5, 20, 6, 0);
    std::span<const std::uint8_t> cut(page.bytes.data(), 29 * page.rowBytes + 40 * 4 - 1);  // one byte short
    EXPECT_EQ(markCount(readInk(cut, 40, 30, page.rowBytes, 1)), 0);
    // A row pitch shorter than a row would read rows that overlap.
    EXPECT_EQ(markCount(readInk(page.bytes, 40, 30, 100, 1)), 0);
    // Absurd sides give an empty map rather than an absurd allocation.
    Classified::Ink absurd = readInk(page.bytes, 1 << 20, 1 << 20, page.rowBytes, 1);
    EXPECT_EQ(absurd.width, 0);
    EXPECT_TRUE(absurd.marks.empty());

    Picture clear(40, 30, 0, 0);
    Classified::Ink transparent = clear.ink(1);
    EXPECT_EQ(markCount(transparent), 0);
    EXPECT_EQ(transparent.lightness, 1);
}

TEST(ClassifiedInk, DarkWritingOnALightPageAndAThinLine) {
    Picture page(160, 40, 255);
    for (int x = 20; x < 120; ++x) page.set(x, 20, 0, 0, 0);
    Classified::Ink ink = page.ink(1);
    EXPECT_EQ(markCount(ink), 100);
    EXPECT_TRUE(marked(ink, 20, 20));
    EXPECT_TRUE(marked(ink, 119, 20));
    EXPECT_FALSE(marked(ink, 20, 19));
    EXPECT_EQ(ink.lightness, 6300.0 * 255 / 6400 / 255);
    // One texel is under 1.5 points high: no bar.
    EffectRandom random(1, tags::kClassified);
    EXPECT_TRUE(placeBars(ink.width, ink.height, ink.texel, ink.marks, {160, 40}, 0, classifiedTiming(false), random)
                    .empty());
}

TEST(ClassifiedInk, GapsOfUpToTwoPointsCloseWithinARow) {
    Picture page(120, 20, 255);
    const double texel = 0.5;  // k = 4 texels in 2 points
    page.set(20, 10, 0, 0, 0);
    page.set(25, 10, 0, 0, 0);  // 4 between: joined
    page.set(60, 10, 0, 0, 0);
    page.set(66, 10, 0, 0, 0);  // 5 between: apart
    Classified::Ink ink = page.ink(texel);
    for (int x = 20; x <= 25; ++x) EXPECT_TRUE(marked(ink, x, 10)) << x;
    EXPECT_TRUE(marked(ink, 60, 10));
    EXPECT_TRUE(marked(ink, 66, 10));
    for (int x = 61; x < 66; ++x) EXPECT_FALSE(marked(ink, x, 10)) << x;
}

TEST(ClassifiedInk, ColourIsInkAndTransparentEdgesAreNot) {
    Picture red(80, 20, 0);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 80; ++x) red.set(x, y, 0, 0, 255);
    Classified::Ink allRed = red.ink(1);
    EXPECT_EQ(markCount(allRed), 80 * 20);  // strongly coloured: ink whatever the luma

    // Inside a solid shape nothing stands out; a thin line does, except around a texel
    // that is not quite opaque.
    Picture page(80, 20, 255);
    page.fill(10, 10, 60, 1, 0);
    page.set(40, 10, 0, 0, 0, 200);
    Classified::Ink ink = page.ink(1);
    for (int y = 9; y <= 11; ++y)
        for (int x = 36; x <= 44; ++x) EXPECT_FALSE(marked(ink, x, y)) << x << "," << y;
    EXPECT_TRUE(marked(ink, 35, 10));
    EXPECT_TRUE(marked(ink, 45, 10));
}

TEST(ClassifiedInk, LightWritingOnADarkPage) {
    Picture page(200, 60, 30);
    page.fill(20, 24, 120, 2, 220);
    Classified::Ink ink = page.ink(1);
    EXPECT_TRUE(marked(ink, 60, 25));
    EXPECT_FALSE(marked(ink, 60, 45));
    EXPECT_FALSE(marked(ink, 10, 25));
    EXPECT_LT(ink.lightness, 0.3);
    EffectRandom random(3, tags::kClassified);
    const auto bars = placeBars(ink.width, ink.height, ink.texel, ink.marks, {200, 60}, 0, classifiedTiming(false),
                                random);
    // The light band is 120 × 10: one word, blacked out unless its draw falls below 0.08.
    EffectRandom probe(3, tags::kClassified);
    EXPECT_EQ(bars.size(), probe.unit() >= 0.08 ? 1u : 0u);
}

TEST(ClassifiedInk, TinyPicturesWork) {
    Picture two(2, 2, 255);
    two.set(0, 0, 0, 0, 0);
    Classified::Ink ink = two.ink(1);
    EXPECT_TRUE(marked(ink, 0, 0));
    EXPECT_EQ(markCount(ink), 1);
    EffectRandom random(1, tags::kClassified);
    EXPECT_TRUE(placeBars(2, 2, 1, ink.marks, {2, 2}, 0, classifiedTiming(false), random).empty());
}

}  // namespace
}  // namespace furlpane::effects
