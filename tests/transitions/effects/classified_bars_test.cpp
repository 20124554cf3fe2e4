#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>

#include "transitions/effects/classified/classified.h"

namespace furlpane::effects {
namespace {

// A map of marks at one point per texel, drawn with filled rectangles.
struct Marks {
    int width;
    int height;
    std::vector<std::uint8_t> marks;

    Marks(int w, int h) : width(w), height(h), marks(static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) {}
    void fill(int x0, int y0, int w, int h) {
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x) marks[static_cast<std::size_t>(y) * width + x] = 1;
    }
    std::vector<Classified::Bar> bars(std::uint32_t seed, double titleBar = 0, bool titleStrip = false) const {
        EffectRandom random(seed, tags::kClassified);
        return placeBars(width, height, 1, marks, {double(width), double(height)}, titleBar,
                         classifiedTiming(titleStrip), random);
    }
};

// The first seed whose first draws of the main stream satisfy the test.
std::uint32_t seedWhere(int draws, const std::function<bool(const std::vector<double>&)>& test) {
    for (std::uint32_t seed = 0;; ++seed) {
        EffectRandom random(seed, tags::kClassified);
        std::vector<double> u;
        for (int i = 0; i < draws; ++i) u.push_back(random.unit());
        if (test(u)) return seed;
    }
}

TEST(ClassifiedBars, BlobsAreFourConnectedAndListedByFirstTexel) {
    Marks m(10, 6);
    m.fill(6, 0, 2, 1);
    m.fill(1, 1, 1, 3);
    m.fill(2, 3, 2, 1);
    m.fill(5, 4, 1, 1);
    m.fill(4, 5, 1, 1);  // touches the one above only diagonally
    const auto blobs = inkBlobs(m.width, m.height, m.marks);
    ASSERT_EQ(blobs.size(), 4u);
    EXPECT_EQ(blobs[0], (Classified::Blob{6, 0, 8, 1, 2}));
    EXPECT_EQ(blobs[1], (Classified::Blob{1, 1, 4, 4, 5}));
    EXPECT_EQ(blobs[2], (Classified::Blob{5, 4, 6, 5, 1}));
    EXPECT_EQ(blobs[3], (Classified::Blob{4, 5, 5, 6, 1}));
    EXPECT_TRUE(inkBlobs(10, 7, m.marks).empty());  // too few marks for the sides given
}

TEST(ClassifiedBars, ALargeBlobNeedsNoRecursion) {
    Marks m(1200, 350);  // one serpentine blob of 420,000 texels
    m.fill(0, 0, 1200, 350);
    const auto blobs = inkBlobs(m.width, m.height, m.marks);
    ASSERT_EQ(blobs.size(), 1u);
    EXPECT_EQ(blobs[0].count, 420000);
}

TEST(ClassifiedBars, WordsAreBlackedOutByWidth) {
    Marks wide(200, 40);
    wide.fill(10, 10, 20, 8);
    const std::uint32_t spared = seedWhere(1, [](auto& u) { return u[0] < 0.08; });
    const std::uint32_t middling = seedWhere(1, [](auto& u) { return u[0] >= 0.08 && u[0] < 0.55; });
    EXPECT_TRUE(wide.bars(spared).empty());
    const auto bars = wide.bars(middling);
    ASSERT_EQ(bars.size(), 1u);
    EXPECT_EQ(bars[0].rect, (double4{9, 9, 22, 10}));

    Marks narrow(200, 40);
    narrow.fill(10, 10, 5, 8);
    EXPECT_TRUE(narrow.bars(middling).empty());
    const std::uint32_t blackened = seedWhere(1, [](auto& u) { return u[0] >= 0.55; });
    EXPECT_EQ(narrow.bars(blackened).size(), 1u);
}

TEST(ClassifiedBars, NeighbouringWordsShareABar) {
    const std::uint32_t both = seedWhere(2, [](auto& u) { return u[0] >= 0.08 && u[1] >= 0.08; });
    Marks near(200, 40);
    near.fill(10, 10, 20, 8);
    near.fill(44, 10, 20, 8);  // 14 points apart
    const auto shared = near.bars(both);
    ASSERT_EQ(shared.size(), 1u);
    EXPECT_EQ(shared[0].rect, (double4{9, 9, 56, 10}));

    Marks far(200, 40);
    far.fill(10, 10, 20, 8);
    far.fill(45, 10, 20, 8);  // 15 points apart
    EXPECT_EQ(far.bars(both).size(), 2u);

    // A word that is spared splits the run.
    const std::uint32_t middleSpared =
        seedWhere(3, [](auto& u) { return u[0] >= 0.08 && u[1] < 0.08 && u[2] >= 0.08; });
    Marks three(200, 40);
    three.fill(10, 10, 20, 8);
    three.fill(34, 10, 20, 8);
    three.fill(58, 10, 20, 8);
    EXPECT_EQ(three.bars(middleSpared).size(), 2u);
}

TEST(ClassifiedBars, TallDenseBlobsAreStackedAndSparseOnesLeftAlone) {
    Marks sparse(100, 100);  // a 50 × 50 cross of 124 texels: density about 0.05
    sparse.fill(20, 45, 50, 1);
    sparse.fill(45, 20, 1, 50);
    sparse.fill(20, 44, 26, 1);
    EXPECT_TRUE(sparse.bars(1).empty());

    Marks comb(100, 100);  // a 50 × 50 comb of 540 texels: density 0.216
    comb.fill(20, 20, 1, 50);
    for (int row = 0; row < 50; row += 5) comb.fill(20, 20 + row, 50, 1);
    const auto bars = comb.bars(1);
    ASSERT_EQ(bars.size(), 4u);  // ⌈52 / 17⌉
    for (const auto& bar : bars) {
        EXPECT_DOUBLE_EQ(bar.rect.x, 17);
        EXPECT_DOUBLE_EQ(bar.rect.z, 56);
        EXPECT_DOUBLE_EQ(bar.rect.w, 13 + 1.6);
    }
}

void expectWithinLimits(const std::vector<Classified::Bar>& bars, double2 size, double titleBar, Phase redact) {
    double previous = 0;
    for (const auto& bar : bars) {
        EXPECT_GE(bar.rect.x, 0);
        EXPECT_LE(bar.rect.x + bar.rect.z, size.x);
        EXPECT_GE(bar.rect.y, titleBar + 0.5);
        EXPECT_LE(bar.rect.y + bar.rect.w, size.y - 0.5);
        EXPECT_GT(bar.rect.z, 0.5);
        EXPECT_GT(bar.rect.w, 0.5);
        EXPECT_GE(bar.start, redact.lower);
        EXPECT_LE(bar.start + bar.takes, redact.upper + 1e-12);
        EXPECT_GE(bar.start, previous);
        previous = bar.start;
    }
}

// Lines of words of letters, the way a window's text looks to the ink map.
Marks textLike(int width, int height, int firstLine, std::uint32_t seed) {
    Marks m(width, height);
    std::mt19937 r(seed);
    for (int y = firstLine; y + 9 < height; y += 16) {
        int x = 4 + static_cast<int>(r() % 10);
        while (x + 40 < width) {
            const int letters = 2 + static_cast<int>(r() % 7);
            for (int i = 0; i < letters; ++i, x += 6) m.fill(x, y + static_cast<int>(r() % 2), 5, 8);
            x += 6 + static_cast<int>(r() % 20);
        }
    }
    return m;
}

TEST(ClassifiedBars, BarsStayOnTheBodyAndInsideTheRedaction) {
    const Marks page = textLike(400, 600, 4, 11);
    for (std::uint32_t seed : {1u, 2u, 3u}) {
        const auto strip = page.bars(seed, 28, true);
        EXPECT_GT(strip.size(), 40u);
        expectWithinLimits(strip, {400, 600}, 28, classifiedTiming(true).redact);
        const auto thumb = page.bars(seed);
        expectWithinLimits(thumb, {400, 600}, 0, classifiedTiming(false).redact);
    }
    // Drawn from the top down: the bars of the first line start before those of the last.
    const auto bars = page.bars(5);
    auto startOf = [&](double y) {
        for (const auto& bar : bars)
            if (std::abs(bar.rect.y - y) < 8) return bar.start;
        return -1.0;
    };
    EXPECT_LT(startOf(4), startOf(580));
}

TEST(ClassifiedBars, AtMost1500BarsAndTheLargestAreKept) {
    Marks m(2000, 1300);
    for (int y = 10; y + 8 < 1300; y += 12)
        for (int x = 4; x + 20 < 2000; x += 40) m.fill(x, y, 20, 6);
    m.fill(100, 1, 600, 6);  // one long word above the rest
    const std::uint32_t seed = seedWhere(1, [](auto&) { return true; });
    const auto bars = m.bars(seed);
    ASSERT_EQ(bars.size(), 1500u);
    bool longKept = false;
    for (const auto& bar : bars) longKept = longKept || bar.rect.z > 500;
    EXPECT_EQ(longKept, EffectRandom(seed, tags::kClassified).unit() >= 0.08);
    expectWithinLimits(bars, {2000, 1300}, 0, classifiedTiming(false).redact);
}

TEST(ClassifiedBars, NoiseIsTheWorstCaseForBlobsAndStillFinishes) {
    std::mt19937 r(99);
    Marks m(420, 300);
    for (std::size_t i = 0; i < m.marks.size(); ++i) m.marks[i] = (r() & 1) != 0;
    const auto blobs = inkBlobs(m.width, m.height, m.marks);
    EXPECT_GT(blobs.size(), 5000u);
    const auto bars = m.bars(4);
    EXPECT_LE(bars.size(), 1500u);
    expectWithinLimits(bars, {420, 300}, 0, classifiedTiming(false).redact);
}

TEST(ClassifiedBars, TheStreamAdvancesOncePerWordAndOncePerBar) {
    // The stream ends where a fresh one would be after that many draws.
    const Marks page = textLike(300, 200, 2, 5);
    const auto a = page.bars(8);
    int words = 0;
    for (const auto& blob : inkBlobs(page.width, page.height, page.marks)) words += blob.count >= 3 ? 1 : 0;
    EffectRandom used(8, tags::kClassified);
    placeBars(page.width, page.height, 1, page.marks, {300, 200}, 0, classifiedTiming(false), used);
    EffectRandom fresh(8, tags::kClassified);
    for (std::size_t i = 0; i < static_cast<std::size_t>(words) + a.size(); ++i) fresh.next();
    EXPECT_EQ(used.next(), fresh.next());
}

}  // namespace
}  // namespace furlpane::effects
