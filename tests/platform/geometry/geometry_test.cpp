#include "platform/geometry/geometry.h"

#include <gtest/gtest.h>

#include <limits>

namespace platform {
namespace {

TEST(Geometry, ContainmentIsHalfOpen) {
    const Rect r(0, 0, 100, 50);
    EXPECT_TRUE(r.contains(Point{0, 0}));
    EXPECT_TRUE(r.contains(Point{99.999, 49.999}));
    EXPECT_FALSE(r.contains(Point{100, 10}));
    EXPECT_FALSE(r.contains(Point{10, 50}));
    EXPECT_FALSE(Rect::null().contains(Point{0, 0}));
    // Negative sizes are standardised before testing.
    EXPECT_TRUE(Rect(100, 50, -100, -50).contains(Point{0, 0}));
}

TEST(Geometry, IntersectionOfDisjointOrTouchingRectanglesIsNull) {
    const Rect a(0, 0, 10, 10);
    EXPECT_TRUE(a.intersection(Rect(10, 0, 10, 10)).isNull());
    EXPECT_TRUE(a.intersection(Rect(20, 20, 5, 5)).isNull());
    EXPECT_EQ(a.intersection(Rect(5, -5, 10, 10)), Rect(5, 0, 5, 5));
    EXPECT_EQ(a.intersection(Rect(5, -5, 10, 10)).area(), 25);
    EXPECT_EQ(Rect::null().area(), 0);
    EXPECT_EQ(a.united(Rect::null()), a);
    EXPECT_EQ(a.united(Rect(20, -5, 1, 1)), Rect(0, -5, 21, 15));
}

TEST(Geometry, InsetsMidpointsAndIntegral) {
    const Rect r(10, 20, 100, 40);
    EXPECT_EQ(r.insetBy(2, 2), Rect(12, 22, 96, 36));
    EXPECT_EQ(r.insetBy(-1, -1), Rect(9, 19, 102, 42));
    EXPECT_TRUE(r.insetBy(51, 0).isNull());
    EXPECT_EQ(r.mid(), (Point{60, 40}));
    EXPECT_EQ(Rect(0.5, 0.2, 10, 10).integral(), Rect(0, 0, 11, 11));
}

TEST(Geometry, FinitenessLooksAtEveryCoordinate) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_TRUE(Rect(-5, 5, -10, 0).isFinite());
    EXPECT_FALSE(Rect::null().isFinite());
    for (int slot = 0; slot < 4; ++slot) {
        for (double bad : {nan, inf, -inf}) {
            double v[4] = {1, 2, 3, 4};
            v[slot] = bad;
            EXPECT_FALSE(Rect(v[0], v[1], v[2], v[3]).isFinite()) << slot << " " << bad;
        }
    }
}

TEST(Geometry, FlippingBetweenTopLeftAndAppKitIsItsOwnInverse) {
    // First screen 1440 × 900; a second one above it reaches y = 1980 in AppKit space.
    const double h = 900;
    const Rect appKit(1440, 900, 1920, 1080);
    const Rect topLeft = flipRect(appKit, h);
    EXPECT_EQ(topLeft, Rect(1440, -1080, 1920, 1080));  // above the first screen: negative y
    EXPECT_EQ(flipRect(topLeft, h), appKit);
    EXPECT_EQ(flipPoint(Point{5, 100}, 0), (Point{5, -100}));  // no screens: H = 0
}

TEST(Geometry, TruncationSaturatesInsteadOfTrapping) {
    EXPECT_EQ(truncatingInt(2.9), 2);
    EXPECT_EQ(truncatingInt(-2.9), -2);
    EXPECT_EQ(truncatingInt(std::nan("")), 0);
    EXPECT_EQ(truncatingInt(1e300), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(truncatingInt(-std::numeric_limits<double>::infinity()), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(truncatingInt32(3e9), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(rounded(2.5), 3);
    EXPECT_EQ(rounded(-2.5), -3);
}

}  // namespace
}  // namespace platform
