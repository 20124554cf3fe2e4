#include "transitions/effects/sparks/sparks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include "effects_test_support.h"

namespace furlpane::effects {
namespace {

const Rect2 kStandIn{{1500, 900}, {120, 75}};
const Rect2 kRoom{{0, 0}, {1920, 1080}};

Sparks thumbnailPlan(uint32_t seed, int64_t columns = 8, int64_t rows = 6) {
    return buildSparks({100, 50}, {800, 600}, columns, rows, std::nullopt, seed);
}

bool isZero(const float4& v) { return v == float4{0, 0, 0, 0}; }

// A 600 × 400 window with a 28-point title bar; a title strip unless crop is 1.
TransitionUniforms windowUniforms(float crop = 0.4f, uint32_t seed = 0) {
    TransitionUniforms u;
    u.window = {40, 30, 600, 400};
    u.titleBarHeight = 28;
    u.standInCrop = crop;
    u.grid = {10, 6};
    u.seed = seed;
    return u;
}

TEST(SparksPlan, DrawsAreTakenInOrderTwelvePerSpark) {
    // Replays the stream by hand: the click, the sweep, the palette offset, then twelve
    // draws per spark whether or not the spark uses them all.
    const Sparks plan = thumbnailPlan(1);
    EffectRandom r(1, tags::kSparks);
    const double u1 = r.unit(), u2 = r.unit(), u3 = r.unit(), u4 = r.unit();
    EXPECT_EQ(u1, 0.814755358446344);
    EXPECT_EQ(u2, 0.21801841114582876);
    EXPECT_EQ(plan.click, (double2{100 + ((u1 - 0.5) * 0.28 + 0.5) * 800, 50 + ((u2 - 0.5) * 0.28 + 0.5) * 600}));
    EXPECT_EQ(plan.sweep, u3 < 0.5 ? -1 : 1);
    for (int cellIndex = 0; cellIndex < 2; ++cellIndex) {
        double d[12];
        for (double& v : d) v = r.unit();
        const Sparks::Plan& p = plan.plans[cellIndex];
        const double2 c{100 + (cellIndex + 0.5) * 100, 50 + 0.5 * 100};
        const double2 v = c - plan.click;
        const double dist = std::sqrt(v.x * v.x + v.y * v.y);
        const double phi = std::atan2(v.y, v.x);
        EXPECT_EQ(p.edge, 12 + 16 * d[2]);
        EXPECT_EQ(p.release, 0.04 + 0.12 * std::pow(std::min(1.0, dist / plan.reach), 0.8) + 0.015 * d[4]);
        EXPECT_EQ(p.spin, -2.6 + 5.2 * d[5]);
        EXPECT_EQ(p.isOutline, d[7] < 1.0 / 3);
        const double theta = phi + (2 * d[1] - 1) * 0.35;
        const double speed = 110 + 170 * d[3] + dist * 2.21 * (d[11] + 0.5);
        EXPECT_EQ(p.velocity, (double2{std::cos(theta), std::sin(theta)} * speed));
        const double k = std::floor((phi / (2 * std::numbers::pi) + 1) * 16 + u4 * 8 + (d[6] - 0.5) * 1.6);
        EXPECT_EQ(p.color, sparkPalette()[((static_cast<int>(k) % 8) + 8) % 8]);
        EXPECT_GE(p.lands, 0.58);
        EXPECT_LE(p.lands, 0.78);
        EXPECT_GE(p.leaves, p.release + 0.2);
    }
}

TEST(SparksPlan, RegionReachAndGrid) {
    const Sparks plan = thumbnailPlan(5);
    EXPECT_EQ(plan.cell, (double2{100, 100}));
    EXPECT_EQ(plan.plans.size(), 48u);
    // The click lies in the middle 28 % of the region.
    EXPECT_GE(plan.click.x, 100 + 0.36 * 800);
    EXPECT_LE(plan.click.x, 100 + 0.64 * 800);
    EXPECT_GE(plan.click.y, 50 + 0.36 * 600);
    const double2 far{plan.click.x < 500 ? 900.0 : 100.0, plan.click.y < 350 ? 650.0 : 50.0};
    const double2 d = far - plan.click;
    EXPECT_EQ(plan.reach, std::sqrt(d.x * d.x + d.y * d.y));

    // A grid of 0 counts as 1; a 1 × 1 grid centres its one spark on the region.
    const Sparks single = buildSparks({0, 0}, {300, 200}, 0, 0, std::nullopt, 9);
    EXPECT_EQ(single.columns, 1);
    EXPECT_EQ(single.rows, 1);
    ASSERT_EQ(single.plans.size(), 1u);
    EXPECT_LT(std::abs(single.click.x - 150), 0.14 * 300 + 1e-9);
    const auto frames = sparkFrames(single, 0.01, model_tests::placed({}, kStandIn, kRoom, {}, 1));
    EXPECT_EQ(frames.records[0].look, (float4{1, 1, 0, 0}));
    // An absurd grid is reduced to a bounded one instead of exhausting memory.
    const Sparks huge = buildSparks({0, 0}, {300, 200}, int64_t{1} << 40, 3, std::nullopt, 9);
    EXPECT_EQ(huge.columns, kMaxSparkGridSide);
}

TEST(SparksPlan, TitleStripRegionLiesBelowTheTitleBar) {
    const Sparks strip = sparksPlan(windowUniforms(0.4f, 0xFFFFFFFFu));
    EXPECT_TRUE(strip.isTitleStrip);
    EXPECT_EQ(strip.region, (double4{40, 58, 600, 372}));
    EXPECT_EQ(strip.titleBar, 28);
    for (const Sparks::Plan& p : strip.plans) {
        EXPECT_LE(p.lands, 0.84);
        EXPECT_GE(p.gathersAt, 28);
        EXPECT_LE(p.gathersAt, 600 - 28);
    }
    const Sparks thumb = sparksPlan(windowUniforms(1));
    EXPECT_EQ(thumb.region, (double4{40, 30, 600, 400}));
    EXPECT_EQ(thumb.titleBar, 0);
}

TEST(SparksFrames, EveryCellWaitsAtTheStart) {
    for (uint32_t seed : {0u, 1u, 0xFFFFFFFFu}) {
        const auto result = sparkFrames(thumbnailPlan(seed), 0, model_tests::placed({}, kStandIn, kRoom, {}, 0.8));
        for (const Sparks::SparkFrame& f : result.records) {
            EXPECT_TRUE(isZero(f.place) && isZero(f.turn) && isZero(f.tint));
            EXPECT_EQ(f.look, (float4{1, 1, 0, 0}));
        }
        EXPECT_EQ(result.look[0], (float4{100, 50, 800, 600}));
        EXPECT_EQ(result.look[2], (float4{8, 6, 0, 0}));
    }
}

TEST(SparksFrames, LiveSparksBurstFromTheirCells) {
    const Sparks plan = thumbnailPlan(3);
    const Sparks::Plan& p = plan.plans[0];
    // Just before release the spark still sits on its cell, popping in.
    const auto before = sparkFrames(plan, p.release, model_tests::placed({}, kStandIn, kRoom, {}, 1)).records[0];
    EXPECT_EQ(before.place, (float4{150, 100, 46, 46}));  // the cell shrunk by 8 % at full pop
    EXPECT_EQ(before.turn.x, 0);
    EXPECT_EQ(before.look, (float4{0, 1, 0, 0}));
    const auto after = sparkFrames(plan, p.release + 0.1, model_tests::placed({}, kStandIn, kRoom, {}, 1)).records[0];
    EXPECT_EQ(after.turn.w, 1);  // fully morphed into a spark
    EXPECT_NE(after.place.x, 150);
    EXPECT_EQ(after.tint.w, 1);
}

TEST(SparksFrames, ThumbnailSparksLandOnTheirStageCells) {
    const Sparks plan = thumbnailPlan(11);
    for (double t : {0.5, 0.7, 0.79}) {
        const auto result = sparkFrames(plan, t, model_tests::placed({}, kStandIn, kRoom, {}, 1));
        for (const Sparks::SparkFrame& f : result.records) {
            // With opacity 1 the homing alpha stays 1.
            if (f.look.x == 0) {
                EXPECT_EQ(f.look.y, 1);
            }
        }
    }
    const auto late = sparkFrames(plan, 0.95, model_tests::placed({}, kStandIn, kRoom, {}, 0.6));
    EXPECT_EQ(late.look[1], (float4{1500, 900, 120, 75}));
    for (const Sparks::SparkFrame& f : late.records) EXPECT_EQ(f.look, (float4{2, 0.6f, 0, 0}));
    const auto landed = sparkFrames(plan, 0.85, model_tests::placed({}, kStandIn, kRoom, {}, 0.6));
    for (const Sparks::SparkFrame& f : landed.records) EXPECT_EQ(f.look.x, 3);
    // Halfway through a spark's trip home it blends toward its cell of the stage.
    const Sparks::Plan& p = plan.plans[20];
    const double nearLanding = p.leaves + 0.95 * (p.lands - p.leaves);
    const auto homing = sparkFrames(plan, nearLanding, model_tests::placed({}, kStandIn, kRoom, {}, 1));
    EXPECT_GT(homing.records[20].look.z, 0.9f);
}

TEST(SparksFrames, TitleStripSparksVanishIntoTheTitleBar) {
    const Sparks plan = sparksPlan(windowUniforms());
    for (double t : {0.85, 0.9, 1.0}) {
        const auto result = sparkFrames(plan, t, model_tests::placed({}, kStandIn, kRoom, {}, 1));
        EXPECT_TRUE(isZero(result.look[1]));
        for (const Sparks::SparkFrame& f : result.records)
            EXPECT_TRUE(isZero(f.place) && isZero(f.turn) && isZero(f.tint) && isZero(f.look));
    }
    // A spark late in its trip is near the title bar's middle and fading.
    const Sparks::Plan& p = plan.plans[0];
    const double t = p.leaves + 0.9 * (p.lands - p.leaves);
    const auto f = sparkFrames(plan, t, model_tests::placed({}, kStandIn, kRoom, {}, 1)).records[0];
    EXPECT_LT(f.look.y, 1);
    EXPECT_LT(std::abs(f.place.y - 44), 40);
}

}  // namespace
}  // namespace furlpane::effects
