#include "transitions/effects/foundations.h"

#include <gtest/gtest.h>

#include <limits>
#include <utility>

#include "transitions/effects/effect_model.h"
#include "transitions/effects/transition_uniforms.h"

namespace furlpane::effects {
namespace {

TEST(EffectRandom, StreamsMatchTheirPublishedValues) {
    // The other tags show in the streams below; the classified tag only in its effect.
    EXPECT_EQ(tags::kClassified, 0x434C415353494659ull);
    EffectRandom shade(0, tags::kShade);
    EXPECT_EQ(shade.next(), 0x030F11E05EAF7E81ull);
    EXPECT_EQ(shade.next(), 0x4743765EB92D33A1ull);
    EXPECT_EQ(shade.next(), 0xC47041435D7DFEC7ull);
    EffectRandom shadeUnit(0, tags::kShade);
    EXPECT_EQ(shadeUnit.unit(), 0.011948697355078752);

    EffectRandom sparks(1, tags::kSparks);
    EXPECT_EQ(sparks.unit(), 0.814755358446344);
    EXPECT_EQ(sparks.unit(), 0.21801841114582876);
}

TEST(EffectRandom, SeedsAreWidenedWithZerosAndSubStreamsDiffer) {
    // 0x80000000 seeds from 2147483648, not from a negative number.
    EffectRandom high(0x80000000u, tags::kShatter);
    const uint64_t expectedState = 2147483648ull * 0x9E3779B97F4A7C15ull ^ tags::kShatter;
    uint64_t z = expectedState + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    EXPECT_EQ(high.next(), z ^ (z >> 31));

    EffectRandom main(7, tags::kClassified);
    EffectRandom stamps = EffectRandom::subStream(7, tags::kStamps, tags::kClassified);
    EffectRandom direct(7 ^ 0x5354414Du, tags::kClassified);
    const uint64_t first = stamps.next();
    EXPECT_EQ(first, direct.next());
    EXPECT_NE(first, main.next());
    EffectRandom bounds(0xFFFFFFFFu, tags::kWater);
    for (int i = 0; i < 1000; ++i) {
        const double u = bounds.uniform(-2, 3);
        ASSERT_GE(u, -2);
        ASSERT_LT(u, 3);
    }
}

TEST(Easing, PhaseWindowsAndCurves) {
    EXPECT_EQ(phaseProgress({0.2, 0.4}, 0.1), 0);
    EXPECT_DOUBLE_EQ(phaseProgress({0.2, 0.4}, 0.3), 0.5);
    EXPECT_EQ(phaseProgress({0.2, 0.4}, 0.9), 1);
    // Equal bounds: a step at the instant.
    EXPECT_EQ(phaseProgress({0.5, 0.5}, 0.4999), 0);
    EXPECT_EQ(phaseProgress({0.5, 0.5}, 0.5), 1);
    EXPECT_EQ(smootherstep(0.5), 0.5);
    EXPECT_EQ(smoothstep(0.25), 0.15625);
    // The fixed shrink window divides by the double difference 0.9 − 0.8.
    EXPECT_EQ(fixedShrinkProgress(0.85), (0.85 - 0.8) / 0.09999999999999998);
    EXPECT_EQ(fixedShrinkProgress(0.8), 0);
    EXPECT_EQ(fixedShrinkProgress(0.95), 1);
}

TEST(Stage, KeepInsideLeavesAxesItCannotHelp) {
    // Pushed in from the left edge, limited at the right edge.
    EXPECT_EQ(keepInside({0, 0}, {50, 50}, {0, 0}, {1000, 1000}), (double2{58, 58}));
    EXPECT_EQ(keepInside({990, 500}, {50, 50}, {0, 0}, {1000, 1000}), (double2{942, 500}));
    // A room narrower than the rectangle plus 16 points, and a room without height.
    EXPECT_EQ(keepInside({10, 10}, {50, 50}, {0, 0}, {110, 0}), (double2{10, 10}));
}

TEST(Stage, StageRectGrowsThumbnailsTo240PointsWithinTheWindow) {
    const double2 room{0, 0}, roomSize{2000, 2000};
    Rect2 a = stageRect({1200, 800}, {500, 500}, {120, 60}, room, roomSize);
    EXPECT_EQ(a.size, (double2{240, 120}));
    EXPECT_EQ(a.origin + a.size / 2.0, (double2{560, 530}));  // the same centre
    Rect2 b = stageRect({1200, 800}, {500, 500}, {300, 200}, room, roomSize);
    EXPECT_EQ(b, (Rect2{{500, 500}, {300, 200}}));
    Rect2 c = stageRect({180, 600}, {500, 500}, {120, 60}, room, roomSize);
    EXPECT_EQ(c.size, (double2{180, 90}));
}

TEST(Stage, ShrinkToThumbnailEasesFromTheStageOntoTheThumbnail) {
    const double2 full{1200, 800}, origin{500, 500}, size{120, 60}, room{0, 0}, roomSize{2000, 2000};
    const Rect2 stage = stageRect(full, origin, size, room, roomSize);
    EXPECT_EQ(shrinkToThumbnail(0.8, kFixedShrinkPhase, full, origin, size, room, roomSize), stage);
    EXPECT_EQ(shrinkToThumbnail(0.9, kFixedShrinkPhase, full, origin, size, room, roomSize), (Rect2{origin, size}));
    const Rect2 half = shrinkToThumbnail(0.85, kFixedShrinkPhase, full, origin, size, room, roomSize);
    EXPECT_NEAR(half.size.x, 180, 1e-12);  // halfway between 240 and 120
    EXPECT_NEAR(half.size.y, 90, 1e-12);
}

TEST(Bezier, ControlPointsAndDegenerateCurve) {
    const auto p = bezierPath({0, 0}, {100, 0}, {0, 1});
    EXPECT_EQ(p[1], (double2{0, 35}));
    EXPECT_EQ(p[2], (double2{65, 0}));
    EXPECT_EQ(bezierPoint(p, 0), (double2{0, 0}));
    EXPECT_EQ(bezierPoint(p, 1), (double2{100, 0}));
    EXPECT_EQ(bezierDerivative(p, 0), (double2{0, 105}));
    const auto same = bezierPath({3, 4}, {3, 4}, {1, 0});
    for (const auto& q : same) EXPECT_EQ(q, (double2{3, 4}));
}

TEST(Uniforms, SaneValuesRefuseWhatIsNotFiniteAndLimitTheAbsurd) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(saneLength(800), 800);
    for (const double bad : {nan, -5.0, inf}) EXPECT_EQ(saneLength(bad), 0) << bad;
    EXPECT_EQ(saneLength(1e30), kLongestLength);
    EXPECT_EQ(saneCoordinate(-1e30), -4 * kLongestLength);
    EXPECT_EQ(saneCoordinate(-120.5), -120.5);
    EXPECT_EQ(saneFraction(nan), 0);
    EXPECT_EQ(saneFraction(1.5), 1);
    const Rect2 r = saneRect({10.5f, std::numeric_limits<float>::quiet_NaN(), 3e38f, 600});
    EXPECT_EQ(r, (Rect2{{10.5, 0}, {kLongestLength, 600}}));
}

// One rule for models and shaders alike: what is not a number gives 0.
TEST(Uniforms, ClampToAFractionTakesNotANumberAsZero) {
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    const std::pair<double, double> cases[] = {{nan, 0}, {-inf, 0}, {inf, 1}, {-0.5, 0}, {0.25, 0.25}, {7, 1}};
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(clamp01(in), out) << in;
        EXPECT_EQ(clamp01(static_cast<float>(in)), static_cast<float>(out)) << in;
    }
}

// A frame's placement takes every rectangle and fraction through the sane values, reads
// the direction from the flag, and takes a slow-motion factor that is not a positive
// number as 1.
TEST(Uniforms, PlacementsAreSane) {
    TransitionUniforms u;
    u.window = {std::numeric_limits<float>::quiet_NaN(), 20, 3e38f, 600};
    u.standIn = {5, 6, 7, 8};
    u.viewSize = {-1, std::numeric_limits<float>::infinity()};
    u.opacity = 2;
    u.restoring = 1;
    const Placement p = placementOf(u, 4);
    EXPECT_EQ(p.window, (Rect2{{0, 20}, {kLongestLength, 600}}));
    EXPECT_EQ(p.standIn, (Rect2{{5, 6}, {7, 8}}));
    EXPECT_EQ(p.viewSize, (double2{0, 0}));
    EXPECT_EQ(p.opacity, 1);
    EXPECT_EQ(p.direction, Direction::restoring);
    EXPECT_EQ(p.frameStep(144), (1.0 / 144) / 4);
    for (const double bad : {0.0, -2.0, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(placementOf(u, bad).slowdown, 1) << bad;
}

TEST(Uniforms, TitleStripTestIsAFloatComparison) {
    TransitionUniforms u;
    u.standInCrop = 0.99999994f;
    EXPECT_TRUE(isTitleStrip(u));
    u.standInCrop = 1.0f;
    EXPECT_FALSE(isTitleStrip(u));
}

}  // namespace
}  // namespace furlpane::effects
