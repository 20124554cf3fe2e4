#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "platform/graphics/bitmap_context.h"
#include "platform/graphics/path.h"
#include "tests/platform/graphics/graphics_test_support.h"

namespace platform {
namespace {

using testing::makeContext;

double totalCoverage(const BitmapContext& c) {
    double sum = 0;
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x) sum += c.pixel(x, y).a / 255.0;
    return sum;
}

int alphaAt(const BitmapContext& c, int x, int y) { return c.pixel(x, c.height() - 1 - y).a; }

Path square(double x, double y, double side, bool clockwise) {
    Path p;
    p.moveTo({x, y});
    if (clockwise) {
        p.lineTo({x, y + side});
        p.lineTo({x + side, y + side});
        p.lineTo({x + side, y});
    } else {
        p.lineTo({x + side, y});
        p.lineTo({x + side, y + side});
        p.lineTo({x, y + side});
    }
    p.closeSubpath();
    return p;
}

TEST(PathFill, DiagonalEdgeCoversHalfOfEachPixelItCrosses) {
    // The triangle below the diagonal of an 8 × 8 square.
    auto c = makeContext(8, 8);
    c.setFillColor(Color::white());
    Path p;
    p.moveTo({0, 0});
    p.lineTo({8, 0});
    p.lineTo({8, 8});
    p.closeSubpath();
    c.fillPath(p);
    for (int i = 0; i < 8; ++i) {
        const int row = 7 - i;  // pixel i of the diagonal, from the bottom
        EXPECT_EQ(c.pixel(i, row).a, 128) << i;
        if (i + 1 < 8) {
            EXPECT_EQ(c.pixel(i + 1, row).a, 255);
        }
        if (i > 0) {
            EXPECT_EQ(c.pixel(i - 1, row).a, 0);
        }
    }
    EXPECT_NEAR(totalCoverage(c), 32, 8 * 0.5 / 255 + 1e-9);
}

TEST(PathFill, EdgesLeavingTheContextSidewaysKeepTheirCoverage) {
    // The diagonal of a triangle that starts left of the context and ends right of it,
    // in both winding directions, and clipped on the left by a clip rectangle.
    for (bool clockwise : {false, true}) {
        for (double clipLeft : {0.0, 3.0}) {
            auto c = makeContext(10, 10);
            c.setFillColor(Color::white());
            c.clipToRect(Rect(clipLeft, 0, 10, 10));
            Path p;
            p.moveTo({-5, -5});
            clockwise ? p.lineTo({15, 15}) : p.lineTo({15, -5});
            clockwise ? p.lineTo({15, -5}) : p.lineTo({15, 15});
            p.closeSubpath();
            c.fillPath(p);
            for (int i = int(clipLeft); i < 10; ++i) {
                EXPECT_EQ(alphaAt(c, i, i), 128) << i;
                EXPECT_EQ(alphaAt(c, i, 0), i == 0 ? 128 : 255) << i;
                if (i + 1 < 10) {
                    EXPECT_EQ(alphaAt(c, i, i + 1), 0) << i;
                }
            }
            if (clipLeft > 0) {
                EXPECT_EQ(alphaAt(c, 2, 0), 0);
            }
        }
    }
}

TEST(PathFill, ShallowEdgeCoverageFollowsTheTrapezoidAreas) {
    // A line rising one pixel over four: the pixels of the bottom row are covered by
    // trapezoids of 1/8, 3/8, 5/8 and 7/8.
    auto c = makeContext(4, 1);
    c.setFillColor(Color::white());
    Path p;
    p.moveTo({0, 1});
    p.lineTo({4, 0});
    p.lineTo({4, 1});
    p.closeSubpath();
    c.fillPath(p);
    EXPECT_EQ(c.pixel(0, 0).a, 32);   // 255 / 8 = 31.9
    EXPECT_EQ(c.pixel(1, 0).a, 96);   // 95.6
    EXPECT_EQ(c.pixel(2, 0).a, 159);  // 159.4
    EXPECT_EQ(c.pixel(3, 0).a, 223);  // 223.1
}

TEST(PathFill, CircleCoverageAddsUpToItsArea) {
    auto c = makeContext(64, 64);
    c.setFillColor(Color::white());
    c.fillPath(Path::ellipse(Rect(12.3, 7.9, 40, 40)));
    EXPECT_NEAR(totalCoverage(c), std::numbers::pi * 400, 2.0);
    EXPECT_EQ(c.pixel(32, 64 - 28).a, 255);  // centre
    EXPECT_EQ(c.pixel(5, 5).a, 0);
}

TEST(PathFill, NestedSquaresShowTheFillRules) {
    Path same = square(2, 2, 12, false);
    same.addPath(square(6, 6, 4, false));
    Path opposite = square(2, 2, 12, false);
    opposite.addPath(square(6, 6, 4, true));
    const auto centreAndRing = [](const Path& p, FillRule rule) {
        auto c = makeContext(16, 16);
        c.setFillColor(Color::white());
        c.fillPath(p, rule);
        return std::pair<int, int>{c.pixel(8, 8).a, c.pixel(3, 8).a};
    };
    EXPECT_EQ(centreAndRing(same, FillRule::nonZero), (std::pair<int, int>{255, 255}));  // winding 2
    EXPECT_EQ(centreAndRing(same, FillRule::evenOdd), (std::pair<int, int>{0, 255}));
    EXPECT_EQ(centreAndRing(opposite, FillRule::nonZero), (std::pair<int, int>{0, 255}));  // winding 0
    EXPECT_EQ(centreAndRing(opposite, FillRule::evenOdd), (std::pair<int, int>{0, 255}));
}

TEST(PathFill, PentagramCentreDependsOnTheRule) {
    Path star;
    for (int k = 0; k < 5; ++k) {
        const double angle = std::numbers::pi / 2 + k * 4 * std::numbers::pi / 5;
        const Point p{50 + 45 * std::cos(angle), 50 + 45 * std::sin(angle)};
        k == 0 ? star.moveTo(p) : star.lineTo(p);
    }
    star.closeSubpath();
    for (FillRule rule : {FillRule::nonZero, FillRule::evenOdd}) {
        auto c = makeContext(100, 100);
        c.setFillColor(Color::white());
        c.fillPath(star, rule);
        EXPECT_EQ(c.pixel(50, 50).a, rule == FillRule::nonZero ? 255 : 0);
        EXPECT_EQ(c.pixel(50, 100 - 85).a, 255);  // inside the top point either way
    }
}

TEST(PathFill, RoundedRectanglesAndBounds) {
    const Path p = Path::roundedRect(Rect(10, 10, 80, 40), 12, 12);
    EXPECT_EQ(p.boundingBox(), Rect(10, 10, 80, 40));
    // Radii beyond half a side are clamped; the shape then becomes a stadium.
    const Path stadium = Path::roundedRect(Rect(0, 0, 100, 20), 50, 50);
    const Rect b = stadium.boundingBox();
    EXPECT_NEAR(b.width(), 100, 1e-9);
    EXPECT_NEAR(b.height(), 20, 1e-9);
    auto c = makeContext(100, 60);
    c.setFillColor(Color::white());
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
            const Point mid{(a.x + b.x) / 2, (a.y + b.y) / 2};
            EXPECT_NEAR(std::hypot(mid.x, mid.y), 100, 0.15);
        }
}

TEST(PathFill, NonFiniteAndFarAwayPointsAreSafe) {
    auto c = makeContext(16, 16);
    c.setFillColor(Color::white());
    Path bad;
    bad.moveTo({0, 0});
    bad.lineTo({NAN, 5});
    bad.lineTo({10, 10});
    c.fillPath(bad);
    EXPECT_EQ(totalCoverage(c), 0);
    Path huge;
    huge.moveTo({-1e200, -1e200});
    huge.lineTo({1e200, -1e200});
    huge.lineTo({1e200, 1e200});
    huge.lineTo({-1e200, 1e200});
    huge.closeSubpath();
    c.fillPath(huge);
    EXPECT_EQ(totalCoverage(c), 256);
}

}  // namespace
}  // namespace platform
