#include "windows/framing/window_framing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "platform/desktop/desktop.h"
#include "platform/runtime/main_loop.h"

namespace furlpane {
namespace {

constexpr std::uint32_t kShadow = 0x40000000;  // black at a quarter alpha, premultiplied

std::uint32_t wordAt(const PixelView& v, int x, int y) {
    std::uint32_t w;
    std::memcpy(&w, v.bytes + std::size_t(y) * v.bytesPerRow + std::size_t(x) * 4, 4);
    return w;
}

// A BGRA buffer with optional padding at the end of each row.
struct Bitmap {
    int width = 0;
    int height = 0;
    std::size_t bytesPerRow = 0;
    std::vector<std::uint8_t> bytes;

    Bitmap(int w, int h, std::uint32_t fill = 0, std::size_t padding = 0)
        : width(w), height(h), bytesPerRow(std::size_t(w) * 4 + padding), bytes(bytesPerRow * std::size_t(h)) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) set(x, y, fill);
    }
    void set(int x, int y, std::uint32_t word) { std::memcpy(&bytes[y * bytesPerRow + std::size_t(x) * 4], &word, 4); }
    PixelView view() const { return {bytes.data(), width, height, bytesPerRow}; }
    std::uint32_t get(int x, int y) const { return wordAt(view(), x, y); }
};

// An opaque window whose colours change from pixel to pixel.
Bitmap window(int w, int h) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.set(x, y, 0xFF000000u | std::uint32_t((x * 7 + y * 13) % 251) << 8 | std::uint32_t(x % 256));
    return b;
}

// The window in a shadow margin: left, top, right, bottom pixels around it.
Bitmap framedAround(const Bitmap& plain, int left, int top, int right, int bottom, std::size_t padding = 12) {
    Bitmap b(plain.width + left + right, plain.height + top + bottom, kShadow, padding);
    for (int y = 0; y < plain.height; ++y)
        for (int x = 0; x < plain.width; ++x) b.set(left + x, top + y, plain.get(x, y));
    return b;
}

// Every difference within the limit of the plain picture's edges, taken pixel by pixel:
// the depth is one more than the largest distance from the edges of any of them.
int referenceDepth(const PixelView& framed, const PixelView& plain, FramingOffset o) {
    const int w = plain.width, h = plain.height, limit = std::min({w / 2, h / 2, 80});
    int depth = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int distance = std::min({x, w - 1 - x, y, h - 1 - y});
            if (distance < limit && wordAt(plain, x, y) != wordAt(framed, o.left + x, o.top + y))
                depth = std::max(depth, distance + 1);
        }
    return depth;
}

struct StripRect {
    int x, y, width, height;
    friend bool operator==(const StripRect&, const StripRect&) = default;
};

std::vector<StripRect> rectsOf(const WindowFraming& f) {
    std::vector<StripRect> rects;
    for (const auto& s : f.strips) rects.push_back({s.x, s.y, s.width, s.height});
    return rects;
}

// Each strip holds exactly the framed picture's pixels of its rectangle.
void expectStripsCopyTheFramedPixels(const WindowFraming& f, const Bitmap& framed) {
    for (const auto& s : f.strips) {
        ASSERT_EQ(s.bytes.size(), std::size_t(s.width) * std::size_t(s.height) * 4);
        for (int r = 0; r < s.height; ++r)
            ASSERT_EQ(std::memcmp(s.bytes.data() + std::size_t(r) * s.width * 4,
                                  &framed.bytes[std::size_t(s.y + r) * framed.bytesPerRow + std::size_t(s.x) * 4],
                                  std::size_t(s.width) * 4),
                      0);
    }
}

TEST(WindowFramingScan, PicturesTooSmallOrAFramedPictureSmallerFindNothing) {
    EXPECT_FALSE(WindowFraming::scan(window(16, 40).view(), window(16, 40).view()));
    EXPECT_FALSE(WindowFraming::scan(window(40, 16).view(), window(40, 16).view()));
    const Bitmap plain = window(40, 40);
    EXPECT_FALSE(WindowFraming::scan(plain.view(), Bitmap(39, 40).view()));
    EXPECT_FALSE(WindowFraming::scan(plain.view(), Bitmap(40, 39).view()));
    EXPECT_EQ(WindowFraming::scan(window(17, 17).view(), window(17, 17).view()), (FramingOffset{0, 0}));
}

TEST(WindowFramingScan, IdenticalPicturesHaveNoFraming) {
    const Bitmap plain = window(120, 90);
    const Bitmap framed = framedAround(plain, 0, 0, 0, 0);
    const auto offset = WindowFraming::scan(plain.view(), framed.view());
    ASSERT_EQ(offset, (FramingOffset{0, 0}));
    const int depth = WindowFraming::agreementDepth(framed.view(), plain.view(), *offset);
    EXPECT_EQ(depth, 0);
    const WindowFraming f = WindowFraming::make(framed.view(), *offset, depth, 120, 90);
    EXPECT_EQ(f.geometry, (WindowFraming::Geometry{120, 90, 0, 0, 0}));
    EXPECT_TRUE(f.strips.empty());
}

TEST(WindowFramingScan, FindsTheWindowInItsMargin) {
    const Bitmap plain = window(300, 200);
    EXPECT_EQ(WindowFraming::scan(plain.view(), framedAround(plain, 30, 20, 30, 40).view()), (FramingOffset{30, 20}));
    // Slack 61: candidates 30, 29, 31, ...; the third fits.
    EXPECT_EQ(WindowFraming::scan(plain.view(), framedAround(plain, 31, 20, 30, 40).view()), (FramingOffset{31, 20}));
    EXPECT_EQ(WindowFraming::scan(plain.view(), framedAround(plain, 32, 0, 30, 0).view()), (FramingOffset{32, 0}));
    EXPECT_EQ(WindowFraming::scan(plain.view(), framedAround(plain, 1, 0, 0, 3).view()), (FramingOffset{1, 0}));
    // Only offsets within two of the centre are tried.
    EXPECT_FALSE(WindowFraming::scan(plain.view(), framedAround(plain, 0, 20, 40, 20).view()));
    EXPECT_FALSE(WindowFraming::scan(plain.view(), framedAround(plain, 36, 20, 30, 20).view()));
}

TEST(WindowFramingScan, ContentThatDiffersInASampleRowIsNotLocated) {
    const Bitmap plain = window(120, 90);
    Bitmap framed = framedAround(plain, 0, 0, 0, 0);
    // Row 45 is a sample row (half the height); the edges still agree.
    framed.set(60, 45, 0xFF123456);
    EXPECT_FALSE(WindowFraming::scan(plain.view(), framed.view()));
    // Row 44 is not sampled.
    Bitmap other = framedAround(plain, 0, 0, 0, 0);
    other.set(60, 44, 0xFF123456);
    EXPECT_EQ(WindowFraming::scan(plain.view(), other.view()), (FramingOffset{0, 0}));
}

TEST(WindowFramingScan, EdgesCompareAlphaOnly) {
    const Bitmap plain = window(120, 90);
    Bitmap framed = framedAround(plain, 10, 10, 10, 10);
    // An outline in another colour but the same alpha on every edge of the window.
    for (int x = 0; x < 120; ++x) {
        framed.set(10 + x, 10, 0xFF00FF00);
        framed.set(10 + x, 99, 0xFF00FF00);
    }
    for (int y = 0; y < 90; ++y) {
        framed.set(10, 10 + y, 0xFF00FF00);
        framed.set(129, 10 + y, 0xFF00FF00);
    }
    EXPECT_EQ(WindowFraming::scan(plain.view(), framed.view()), (FramingOffset{10, 10}));
    // A translucent outline does not agree.
    framed.set(60, 10, 0x80008000);
    EXPECT_FALSE(WindowFraming::scan(plain.view(), framed.view()));
}

TEST(WindowFramingDepth, BandOfDifferencesAlongTheEdges) {
    const Bitmap plain = window(200, 160);
    Bitmap framed = framedAround(plain, 24, 16, 24, 32);
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 200; ++x)
            if (std::min({x, 199 - x, y, 159 - y}) < 6) framed.set(24 + x, 16 + y, 0xFF000000);
    const auto offset = WindowFraming::scan(plain.view(), framed.view());
    ASSERT_EQ(offset, (FramingOffset{24, 16}));
    EXPECT_EQ(WindowFraming::agreementDepth(framed.view(), plain.view(), *offset), 6);
}

TEST(WindowFramingDepth, DifferencesDeeperThanTheLimitAreNotLookedFor) {
    const Bitmap plain = window(400, 300);
    Bitmap framed = framedAround(plain, 0, 0, 0, 0);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x)
            if (std::min({x, 399 - x, y, 299 - y}) < 90) framed.set(x, y, 0xFF000000);
    EXPECT_EQ(WindowFraming::agreementDepth(framed.view(), plain.view(), {0, 0}), 80);
    // In a small picture the limit is half its shorter side.
    const Bitmap small = window(30, 20);
    EXPECT_EQ(WindowFraming::agreementDepth(Bitmap(30, 20).view(), small.view(), {0, 0}), 10);
}

TEST(WindowFramingDepth, SinglePixelsAndCornersAgreeWithAPixelByPixelSearch) {
    const Bitmap plain = window(160, 120);
    std::mt19937 random(7);
    for (int round = 0; round < 60; ++round) {
        Bitmap framed = framedAround(plain, 5, 3, 6, 4);
        const int changes = 1 + int(random() % 4);
        for (int i = 0; i < changes; ++i)
            framed.set(5 + int(random() % 160), 3 + int(random() % 120), 0xFF000000u | std::uint32_t(random() & 0xFF));
        const FramingOffset offset{5, 3};
        ASSERT_EQ(WindowFraming::agreementDepth(framed.view(), plain.view(), offset),
                  referenceDepth(framed.view(), plain.view(), offset))
            << "round " << round;
    }
    // Transparent rounded corners in the plain picture, shadow behind them in the framed.
    Bitmap rounded = window(160, 120);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x)
            if ((12 - x) * (12 - x) + (12 - y) * (12 - y) > 144) {
                rounded.set(x, y, 0);
                rounded.set(159 - x, 119 - y, 0);
            }
    const Bitmap framed = framedAround(rounded, 0, 0, 0, 0, 0);
    Bitmap shadowed = framed;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x)
            if (rounded.get(x, y) == 0) shadowed.set(x, y, kShadow);
    EXPECT_EQ(WindowFraming::agreementDepth(shadowed.view(), rounded.view(), {0, 0}),
              referenceDepth(shadowed.view(), rounded.view(), {0, 0}));
    EXPECT_EQ(WindowFraming::agreementDepth(shadowed.view(), rounded.view(), {0, 0}), 4);
}

TEST(WindowFramingStrips, FourStripsAroundTheInterior) {
    Bitmap framed(200, 150, 0, 8);
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 200; ++x) framed.set(x, y, 0xFF000000u | std::uint32_t(x) << 8 | std::uint32_t(y));
    const WindowFraming f = WindowFraming::make(framed.view(), {20, 10}, 5, 160, 120);
    EXPECT_EQ(f.geometry, (WindowFraming::Geometry{200, 150, 20, 10, 5}));
    EXPECT_EQ(rectsOf(f),
              (std::vector<StripRect>{{0, 0, 200, 15}, {0, 125, 200, 25}, {0, 15, 25, 110}, {175, 15, 25, 110}}));
    expectStripsCopyTheFramedPixels(f, framed);
}

TEST(WindowFramingStrips, EmptyStripsAreLeftOutAndAnEmptyInteriorKeepsTheWhole) {
    const Bitmap framed = window(60, 40);
    // Flush with the top and left: no top or left strip.
    const WindowFraming flush = WindowFraming::make(framed.view(), {0, 0}, 0, 50, 30);
    EXPECT_EQ(rectsOf(flush), (std::vector<StripRect>{{0, 30, 60, 10}, {50, 0, 10, 30}}));
    expectStripsCopyTheFramedPixels(flush, framed);
    const WindowFraming whole = WindowFraming::make(framed.view(), {5, 5}, 15, 50, 30);
    EXPECT_EQ(rectsOf(whole), (std::vector<StripRect>{{0, 0, 60, 40}}));
    expectStripsCopyTheFramedPixels(whole, framed);
}

TEST(WindowFramingStrips, MakeStripRefusesEmptyAndOutsideRectangles) {
    const Bitmap picture = window(20, 20);
    EXPECT_FALSE(WindowFraming::makeStrip(0, 0, 0, 5, picture.view()));
    EXPECT_FALSE(WindowFraming::makeStrip(0, 0, 5, -1, picture.view()));
    EXPECT_FALSE(WindowFraming::makeStrip(18, 0, 5, 5, picture.view()));
    EXPECT_FALSE(WindowFraming::makeStrip(-1, 0, 5, 5, picture.view()));
    const auto strip = WindowFraming::makeStrip(15, 15, 5, 5, picture.view());
    ASSERT_TRUE(strip);
    EXPECT_EQ(strip->bytes.size(), 100u);
}

TEST(WindowFramingSoundness, UnsoundViewsAndOffsetsFindNothing) {
    const Bitmap plain = window(40, 40);
    const Bitmap framed = framedAround(plain, 4, 4, 4, 4);
    PixelView missing = framed.view();
    missing.bytes = nullptr;
    PixelView shortRows = framed.view();
    shortRows.bytesPerRow = 47 * 4;
    EXPECT_FALSE(WindowFraming::scan(plain.view(), missing));
    EXPECT_FALSE(WindowFraming::scan(plain.view(), shortRows));
    EXPECT_EQ(WindowFraming::agreementDepth(shortRows, plain.view(), {4, 4}), 0);
    EXPECT_EQ(WindowFraming::agreementDepth(framed.view(), plain.view(), {9, 4}), 0);
    EXPECT_EQ(WindowFraming::agreementDepth(framed.view(), plain.view(), {-1, 4}), 0);
    EXPECT_TRUE(WindowFraming::make(missing, {4, 4}, 0, 40, 40).strips.empty());
    EXPECT_TRUE(WindowFraming::make(framed.view(), {4, 9}, 0, 40, 40).strips.empty());
    EXPECT_TRUE(WindowFraming::make(framed.view(), {4, 4}, 0, -40, 40).strips.empty());
}

// The pictures the window server gives of a window of the simulated desktop: rounded
// transparent corners, a shadow margin and an outline over the window's outermost pixels.
TEST(WindowFramingOnDesktopPictures, LocatesTheWindowAndCutsItsFrame) {
    platform::MainLoop loop(platform::ClockKind::simulated);
    platform::desktop::Desktop world(loop);
    platform::desktop::Application& app = world.application("com.example.Editor")
                                              .window({.title = "Notes", .frame = platform::Rect{100, 100, 320, 240}})
                                              .add();
    const platform::desktop::Window& w = *app.windows().front();
    const auto plain = world.pictures().windowPicture(w, 2, platform::desktop::PictureFraming::plain);
    const auto framed = world.pictures().windowPicture(w, 2, platform::desktop::PictureFraming::framed);
    ASSERT_TRUE(plain && framed);
    const PixelView p{plain->bytes().data(), plain->width(), plain->height(), plain->bytesPerRow()};
    const PixelView f{framed->bytes().data(), framed->width(), framed->height(), framed->bytesPerRow()};
    const auto margins = platform::desktop::Pictures::framedMargins(2);
    const auto offset = WindowFraming::scan(p, f);
    ASSERT_EQ(offset, (FramingOffset{margins.left, margins.top}));
    const int depth = WindowFraming::agreementDepth(f, p, *offset);
    EXPECT_EQ(depth, referenceDepth(f, p, *offset));
    EXPECT_GT(depth, 0);
    EXPECT_LT(depth, 20);  // the corners' radius at this scale
    const WindowFraming framing = WindowFraming::make(f, *offset, depth, p.width, p.height);
    EXPECT_EQ(framing.strips.size(), 4u);
    // Strips and interior together cover the framed picture exactly once.
    long covered = long(p.width - 2 * depth) * (p.height - 2 * depth);
    for (const auto& s : framing.strips) covered += long(s.width) * s.height;
    EXPECT_EQ(covered, long(f.width) * f.height);
}

}  // namespace
}  // namespace furlpane
