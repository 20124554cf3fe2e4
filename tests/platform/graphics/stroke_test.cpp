#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/graphics/bitmap_context.h"
#include "platform/graphics/path.h"
#include "tests/platform/graphics/graphics_test_support.h"

namespace platform {
namespace {

using testing::whiteContext;

BitmapContext stroked(int w, int h, const Path& path, double width, LineJoin join = LineJoin::miter,
                      LineCap cap = LineCap::butt) {
    auto c = whiteContext(w, h);
    c.setLineWidth(width);
    c.setLineJoin(join);
    c.setLineCap(cap);
    c.strokePath(path);
    return c;
}

// Alpha at (x, y) with y counted from the bottom, as the drawing code counts it.
int alphaAt(const BitmapContext& c, int x, int y) { return c.pixel(x, c.height() - 1 - y).a; }

TEST(Stroke, RoundedRectangleStrokeIsMirrorSymmetric) {
    // Centred on (50, 30) with edges on pixel fractions, so every corner crosses pixels
    // differently from the grid and a lopsided corner or join would show.
    const Path frame = Path::roundedRect(Rect(10.5, 8.25, 79, 43.5), 12, 12);
    const BitmapContext c = stroked(100, 60, frame, 5);
    int worst = 0, inked = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 100; ++x) {
            const int a = c.pixel(x, y).a;
            worst = std::max({worst, std::abs(a - c.pixel(99 - x, y).a), std::abs(a - c.pixel(x, 59 - y).a)});
            inked += a > 0;
        }
    EXPECT_LE(worst, 1);
    EXPECT_GT(inked, 1000);
    // The band is full along the straight sides and empty inside and outside it.
    EXPECT_EQ(alphaAt(c, 50, 8), 255);
    EXPECT_EQ(alphaAt(c, 50, 30), 0);
    EXPECT_EQ(alphaAt(c, 50, 4), 0);
    EXPECT_EQ(alphaAt(c, 10, 30), 255);
    // The corner is rounded: its outer tip stays empty.
    EXPECT_EQ(alphaAt(c, 9, 7), 0);
}

TEST(Stroke, LineWidthIsCentredOnThePath) {
    const BitmapContext c = stroked(40, 40, Path::rect(Rect(10, 10, 20, 20)), 4);
    for (int x = 0; x < 40; ++x) {
        const bool inBand = (x >= 8 && x < 12) || (x >= 28 && x < 32);
        EXPECT_EQ(alphaAt(c, x, 20), inBand ? 255 : 0) << x;
    }
}

TEST(Stroke, JoinsShapeTheOuterCorner) {
    const Path corner = Path::rect(Rect(10, 10, 20, 20));
    // The corner pixel just outside (8...9, 8...9): inside the miter, beyond the
    // bevel's diagonal, and partly inside the round join.
    EXPECT_EQ(alphaAt(stroked(40, 40, corner, 4, LineJoin::miter), 8, 8), 255);
    EXPECT_EQ(alphaAt(stroked(40, 40, corner, 4, LineJoin::bevel), 8, 8), 0);
    const int round = alphaAt(stroked(40, 40, corner, 4, LineJoin::round), 8, 8);
    EXPECT_GT(round, 0);
    EXPECT_LT(round, 255);
    // A sharp angle beyond the miter limit falls back to a bevel.
    Path spike;
    spike.moveTo({5, 10});
    spike.lineTo({35, 12});
    spike.lineTo({5, 14});
    const BitmapContext sharp = stroked(60, 30, spike, 2, LineJoin::miter);
    EXPECT_EQ(alphaAt(sharp, 40, 12), 0);
}

TEST(Stroke, CapsEndOpenLines) {
    Path line;
    line.moveTo({10, 20});
    line.lineTo({30, 20});
    const auto before = [&](LineCap cap) { return alphaAt(stroked(40, 40, line, 4, LineJoin::miter, cap), 8, 20); };
    EXPECT_EQ(before(LineCap::butt), 0);
    EXPECT_EQ(before(LineCap::square), 255);
    EXPECT_GT(before(LineCap::round), 0);
    EXPECT_LT(alphaAt(stroked(40, 40, line, 4, LineJoin::miter, LineCap::round), 8, 21), 255);
    // A subpath that never moves draws a dot only with round or square caps.
    Path dot;
    dot.moveTo({20, 20});
    dot.lineTo({20, 20});
    EXPECT_EQ(alphaAt(stroked(40, 40, dot, 6, LineJoin::miter, LineCap::butt), 20, 20), 0);
    EXPECT_EQ(alphaAt(stroked(40, 40, dot, 6, LineJoin::miter, LineCap::round), 20, 20), 255);
}

TEST(Stroke, WidthScalesWithTheContextAndZeroIsAHairline) {
    Path line;
    line.moveTo({0, 5});
    line.lineTo({10, 5});
    auto scaled = whiteContext(40, 40);
    scaled.scaleBy(2, 2);
    scaled.setLineWidth(2);
    scaled.strokePath(line);  // 4 pixels wide around y = 10
    for (int y = 6; y < 14; ++y) EXPECT_EQ(alphaAt(scaled, 5, y), y >= 8 && y < 12 ? 255 : 0) << y;

    auto hair = whiteContext(40, 40);
    hair.scaleBy(4, 4);
    hair.setLineWidth(0);
    hair.strokePath(line);  // one pixel wide around y = 20
    EXPECT_EQ(alphaAt(hair, 5, 19), 128);
    EXPECT_EQ(alphaAt(hair, 5, 20), 128);
    EXPECT_EQ(alphaAt(hair, 5, 21), 0);

    auto none = whiteContext(10, 10);
    none.setLineWidth(-1);
    none.strokePath(line);
    none.setLineWidth(NAN);
    none.strokePath(line);
    EXPECT_EQ(none.pixel(5, 4).a, 0);
}

}  // namespace
}  // namespace platform
