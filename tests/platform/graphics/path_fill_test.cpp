#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "platform/graphics/bitmap_context.h"
#include "platform/graphics/path.h"
#include "tests/platform/graphics/graphics_test_support.h"

namespace platform {
namespace {

using testing::polygon;
using testing::whiteContext;

double totalCoverage(const BitmapContext& c) {
    double sum = 0;
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x) sum += c.pixel(x, y).a / 255.0;
    return sum;
}

int alphaAt(const BitmapContext& c, int x, int y) { return c.pixel(x, c.height() - 1 - y).a; }

Path square(double x, double y, double side, bool clockwise) {
    const Point right{x + side, y}, up{x, y + side};
    return polygon({{x, y}, clockwise ? up : right, {x + side, y + side}, clockwise ? right : up});
}

TEST(PathFill, DiagonalEdgeCoversHalfOfEachPixelItCrosses) {
    // The triangle below the diagonal of an 8 × 8 square.
    auto c = whiteContext(8, 8);
    c.fillPath(polygon({{0, 0}, {8, 0}, {8, 8}}));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(alphaAt(c, x, y), x < y ? 0 : x == y ? 128 : 255) << x << "," << y;
    EXPECT_NEAR(totalCoverage(c), 32, 8 * 0.5 / 255 + 1e-9);
}

TEST(PathFill, EdgesLeavingTheContextSidewaysKeepTheirCoverage) {
    // The diagonal of a triangle that starts left of the context and ends right of it,
    // in both winding directions, and clipped on the left by a clip rectangle.
    for (bool clockwise : {false, true}) {
        for (double clipLeft : {0.0, 3.0}) {
            auto c = whiteContext(10, 10);
            c.clipToRect(Rect(clipLeft, 0, 10, 10));
            c.fillPath(clockwise ? polygon({{-5, -5}, {15, 15}, {15, -5}}) : polygon({{-5, -5}, {15, -5}, {15, 15}}));
            for (int y = 0; y < 10; ++y)
                for (int x = 0; x < 10; ++x)
                    EXPECT_EQ(alphaAt(c, x, y), x < clipLeft ? 0 : y < x ? 255 : y == x ? 128 : 0) << x << "," << y;
        }
    }
}

TEST(PathFill, ShallowEdgeCoverageFollowsTheTrapezoidAreas) {
    // A line rising one pixel over four: the pixels of the bottom row are covered by
    // trapezoids of 1/8, 3/8, 5/8 and 7/8 (255 / 8 = 31.9, 95.6, 159.4, 223.1).
    auto c = whiteContext(4, 1);
    c.fillPath(polygon({{0, 1}, {4, 0}, {4, 1}}));
    EXPECT_EQ(c.pixel(0, 0).a, 32);
    EXPECT_EQ(c.pixel(1, 0).a, 96);
    EXPECT_EQ(c.pixel(2, 0).a, 159);
    EXPECT_EQ(c.pixel(3, 0).a, 223);
}

TEST(PathFill, CircleCoverageAddsUpToItsArea) {
    auto c = whiteContext(64, 64);
    c.fillPath(Path::ellipse(Rect(12.3, 7.9, 40, 40)));
    EXPECT_NEAR(totalCoverage(c), std::numbers::pi * 400, 2.0);
    EXPECT_EQ(c.pixel(32, 64 - 28).a, 255);  // centre
    EXPECT_EQ(c.pixel(5, 5).a, 0);
}

TEST(PathFill, NestedSquaresAndAPentagramShowTheFillRules) {
    Path same = square(2, 2, 12, false);
    same.addPath(square(6, 6, 4, false));
    Path opposite = square(2, 2, 12, false);
    opposite.addPath(square(6, 6, 4, true));
    const auto centreAndRing = [](const Path& p, FillRule rule) {
        auto c = whiteContext(16, 16);
        c.fillPath(p, rule);
        return std::pair<int, int>{c.pixel(8, 8).a, c.pixel(3, 8).a};
    };
    EXPECT_EQ(centreAndRing(same, FillRule::nonZero), (std::pair<int, int>{255, 255}));  // winding 2
    EXPECT_EQ(centreAndRing(same, FillRule::evenOdd), (std::pair<int, int>{0, 255}));
    EXPECT_EQ(centreAndRing(opposite, FillRule::nonZero), (std::pair<int, int>{0, 255}));  // winding 0
    EXPECT_EQ(centreAndRing(opposite, FillRule::evenOdd), (std::pair<int, int>{0, 255}));

    // A pentagram's centre is wound twice in one direction.
    Path star;
    for (int k = 0; k < 5; ++k) {
        const double angle = std::numbers::pi / 2 + k * 4 * std::numbers::pi / 5;
        const Point p{50 + 45 * std::cos(angle), 50 + 45 * std::sin(angle)};
        k == 0 ? star.moveTo(p) : star.lineTo(p);
    }
    star.closeSubpath();
    for (FillRule rule : {FillRule::nonZero, FillRule::evenOdd}) {
        auto c = whiteContext(100, 100);
        c.fillPath(star, rule);
        EXPECT_EQ(c.pixel(50, 50).a, rule == FillRule::nonZero ? 255 : 0);
        EXPECT_EQ(c.pixel(50, 100 - 85).a, 255);  // inside the top point either way
    }
}

TEST(PathFill, RoundedRectanglesAndBounds) {
    const Path p = Path::roundedRect(Rect(10, 10, 80, 40), 12, 12);
    EXPECT_EQ(p.boundingBox(), Rect(10, 10, 80, 40));
    // Radii beyond half a side are clamped; the shape then becomes a stadium.
    const Rect b = Path::roundedRect(Rect(0, 0, 100, 20), 50, 50).boundingBox();
    EXPECT_NEAR(b.width(), 100, 1e-9);
    EXPECT_NEAR(b.height(), 20, 1e-9);
    auto c = whiteContext(100, 60);
    c.fillPath(p);
    EXPECT_EQ(c.pixel(10, 60 - 11).a, 0);  // the corner is cut away
    EXPECT_EQ(c.pixel(50, 30).a, 255);
    EXPECT_EQ(c.pixel(10, 30).a, 255);
    // Tight bounds of a curve lie inside its control points.
    Path curve;
    curve.moveTo({0, 0});
    curve.curveTo({0, 10}, {10, 10}, {10, 0});
    EXPECT_NEAR(curve.boundingBox().height(), 7.5, 1e-9);
}

TEST(PathFill, PathsBuildAsExpected) {
    Path p;
    EXPECT_TRUE(p.isEmpty());
    EXPECT_FALSE(p.currentPoint());
    p.lineTo({1, 1});  // no current point: starts a subpath there
    EXPECT_EQ(p.verbs().front(), Path::Verb::move);
    p.lineTo({5, 1});
    p.closeSubpath();
    EXPECT_EQ(*p.currentPoint(), (Point{1, 1}));
    p.lineTo({1, 5});  // after a close, drawing on starts from the closed subpath's start
    EXPECT_EQ(p.verbs()[p.verbs().size() - 2], Path::Verb::move);
    const auto lines = p.flattened(AffineTransform::identity(), 0.1);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[0].closed);
    EXPECT_FALSE(lines[1].closed);
    // Curves flatten within the tolerance: every point of a quarter circle stays near it.
    const Path circle = Path::ellipse(Rect(-100, -100, 200, 200));
    for (const Path::Polyline& line : circle.flattened(AffineTransform::identity(), 0.1))
        for (size_t i = 0; i < line.points.size(); ++i) {
            const Point a = line.points[i], b = line.points[(i + 1) % line.points.size()];
            EXPECT_NEAR(std::hypot((a.x + b.x) / 2, (a.y + b.y) / 2), 100, 0.15);
        }
}

TEST(PathFill, NonFiniteAndFarAwayPointsAreSafe) {
    auto c = whiteContext(16, 16);
    Path bad;
    bad.moveTo({0, 0});
    bad.lineTo({NAN, 5});
    bad.lineTo({10, 10});
    c.fillPath(bad);
    EXPECT_EQ(totalCoverage(c), 0);
    c.fillPath(polygon({{-1e200, -1e200}, {1e200, -1e200}, {1e200, 1e200}, {-1e200, 1e200}}));
    EXPECT_EQ(totalCoverage(c), 256);
}

}  // namespace
}  // namespace platform
