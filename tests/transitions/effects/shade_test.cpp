#include "transitions/effects/shade/shade.h"

#include <gtest/gtest.h>

#include <cmath>
#include "effects_test_support.h"

namespace furlpane::effects {
namespace {

constexpr bool kTitleStrip = true;
constexpr bool kThumbnail = false;

Shade largeWindow(bool titleStrip, uint32_t seed = 0) { return buildShade({1300, 800}, 28, titleStrip, seed); }

// The look of a frame; a slowdown of 2 draws the motion of half a display frame.
std::vector<float4> frameAt(const Shade& plan, double t, double slowdown = 1) {
    const Rect2 window{{100, 80}, plan.size};
    const Rect2 standIn{{1500, 900}, {120, 75}};
    const Rect2 room{{0, 0}, {1920, 1080}};
    return shadeFrame(plan, t,
                      model_tests::placed(window, standIn, room, {1920, 1080}, 0.9, Direction::minimizing, slowdown))
        .look;
}

TEST(ShadePlan, LargeWindowGivesTheDocumentedSizes) {
    const Shade thumb = largeWindow(kThumbnail);
    EXPECT_EQ(thumb.hemRadius, 5.5);
    EXPECT_EQ(thumb.ringRadius, 11);
    EXPECT_EQ(thumb.cordLength, 80);
    EXPECT_EQ(thumb.pull, 44);
    EXPECT_EQ(thumb.flapLength, 48);
    EXPECT_EQ(thumb.woundFlap, 6.5);
    EXPECT_EQ(thumb.turns, 2.0);
    EXPECT_EQ(thumb.timing.spin, (Phase{0.32, 0.58}));
    const Shade strip = largeWindow(kTitleStrip);
    EXPECT_DOUBLE_EQ(strip.woundFlap, 9.9);
    EXPECT_EQ(strip.turns, 3.6);
    EXPECT_EQ(strip.timing.flight, (Phase{1, 1}));
    EXPECT_EQ(strip.timing.release, 0.275);
}

TEST(ShadePlan, NarrowWindowsAndShortBodiesTakeTheirBounds) {
    EXPECT_EQ(buildShade({389, 500}, 28, kThumbnail, 0).hemRadius, 3);
    EXPECT_EQ(buildShade({420, 500}, 28, kThumbnail, 0).ringRadius, 6);
    // A title bar as tall as the sheet leaves a body of 1 point wherever the body is used.
    const Shade flat = buildShade({400, 30}, 40, kTitleStrip, 0);
    EXPECT_EQ(flat.titleBar, 30);
    EXPECT_EQ(flat.body(), 1);
    EXPECT_EQ(flat.pull, 1);
    EXPECT_EQ(flat.flapLength, 1);
    EXPECT_EQ(flat.woundFlap, 1);
    const Shade::HemState after = flat.hemState(0.95);
    EXPECT_EQ(after.drop, -1);
    // Sizes below one point and negative title bars are raised to their bounds.
    const Shade tiny = buildShade({0, -5}, -3, kThumbnail, 0);
    EXPECT_EQ(tiny.size, (double2{1, 1}));
    EXPECT_EQ(tiny.titleBar, 0);
}

TEST(ShadePlan, PlanFromUniformsReadsWindowCropAndSeed) {
    TransitionUniforms u;
    u.window = {10, 20, 1300, 0.25f};
    u.titleBarHeight = 28;
    u.standInCrop = 0.5f;
    u.seed = 7;
    const Shade plan = shadePlan(u);
    EXPECT_EQ(plan.size, (double2{1300, 1}));
    EXPECT_TRUE(plan.isTitleStrip);
    EXPECT_EQ(plan.titleBar, 1);
    u.standInCrop = 1;
    EXPECT_FALSE(shadePlan(u).isTitleStrip);
}

TEST(ShadePlan, HemStateFollowsThePhases) {
    const Shade strip = largeWindow(kTitleStrip);
    EXPECT_EQ(strip.hemState(0.1).drop, 0);
    EXPECT_DOUBLE_EQ(strip.hemState(0.205).drop, 22);  // halfway through the tug
    // The snap ends with the sheet hanging flapLength below the roller.
    const Shade::HemState spinStart = strip.hemState(0.4);
    EXPECT_EQ(spinStart.drop, -772);
    EXPECT_EQ(spinStart.flap, 48);
    EXPECT_EQ(spinStart.angle, 0);
    EXPECT_EQ(spinStart.swing, -0.0);
    // After the spin a title strip's hem sits at the title bar's lower edge.
    const Shade::HemState done = strip.hemState(0.95);
    EXPECT_EQ(done.flap, 0);
    EXPECT_EQ(done.drop, -772);
    EXPECT_EQ(strip.hemPoint(done).point, (double2{28, 0}));

    const Shade thumb = largeWindow(kThumbnail);
    EXPECT_EQ(thumb.hemState(0.65).drop, 6.5 - 772);
    EXPECT_EQ(thumb.unrollDrop(0), 6.5 - 772);
    EXPECT_NEAR(thumb.unrollDrop(1), 0, 1e-12);
    EXPECT_EQ(thumb.hemState(0.9).drop, 0);
}

TEST(ShadePlan, HemPointBendsTheHangingSheet) {
    const Shade plan = largeWindow(kThumbnail);
    const Shade::HemPoint straight = plan.hemPoint({-100, 0, 0, 0});
    EXPECT_EQ(straight.point, (double2{700, 0}));
    EXPECT_EQ(straight.direction, (double2{1, 0}));
    const Shade::HemPoint hanging = plan.hemPoint({0, 48, 0, 0});
    EXPECT_EQ(hanging.point, (double2{76, -1}));
    // A bent sheet ends on a circular arc: its chord is shorter than its length.
    const Shade::HemPoint bent = plan.hemPoint({0, 48, 0, -0.8});
    const double2 chord = bent.point - double2{28, -1};
    EXPECT_LT(std::sqrt(dot(chord, chord)), 48);
    EXPECT_NEAR(bent.direction.x, std::cos(-0.8), 1e-15);
}

TEST(ShadeCord, LengthPaysOutJerksAndReelsIn) {
    const Shade plan = largeWindow(kThumbnail);
    EXPECT_EQ(plan.cordLengthAt(1.2 * 0.035), 0);
    EXPECT_NEAR(plan.cordLengthAt(1.2 * (0.035 + 0.0275)), 20, 1e-9);  // a quarter of the length at half time
    EXPECT_NEAR(plan.cordLengthAt(1.2 * 0.09), 80, 1e-9);
    // The ring's jerk never lengthens the cord and dies away.
    for (double t = 0.091; t < 0.2; t += 0.003) EXPECT_LE(plan.cordLengthAt(1.2 * t), 80);
    EXPECT_NEAR(plan.cordLengthAt(1.2 * 0.43), 80, 0.01);
    EXPECT_EQ(plan.cordLengthAt(1.2 * 0.57), 0);  // reeled in
}

TEST(ShadeCord, RecordsStartAtTheAnchorAndEndOnTheLastRecord) {
    const Shade plan = largeWindow(kThumbnail);
    ASSERT_EQ(plan.cordSteps.size(), 289u * 12u);
    const double3 anchor = plan.cordAnchor(0);
    EXPECT_EQ(anchor, (double3{650, 800 + 1.4 * 5.5, 0}));
    for (const double3& p : plan.cordPoints(0)) EXPECT_EQ(p, anchor);
    const auto last = plan.cordPoints(1);
    for (int m = 0; m < 12; ++m) EXPECT_EQ(last[m], plan.cordSteps[288 * 12 + m]);
    // Between records the points are interpolated.
    const auto mid = plan.cordPoints(0.5 / 288);
    for (int m = 0; m < 12; ++m) {
        const double3 expected = plan.cordSteps[m] + (plan.cordSteps[12 + m] - plan.cordSteps[m]) * 0.5;
        EXPECT_NEAR(distance(mid[m], expected), 0, 1e-12);
    }
}

TEST(ShadeCord, HeldCordIsStraightAndSwingsOnlyAfterItRunsOutToTheKicksSide) {
    for (uint32_t seed : {0u, 1u, 0xFFFFFFFFu}) {
        const Shade plan = largeWindow(kThumbnail, seed);
        // Records up to t = drop + fall = 0.09 hold the straight cord: evenly spaced points.
        for (int k = 1; k <= 25; ++k) {
            const double3* rec = &plan.cordSteps[k * 12];
            const double3 step = rec[1] - rec[0];
            for (int i = 2; i < 12; ++i) EXPECT_NEAR(distance(rec[i] - rec[0], step * double(i)), 0, 1e-9);
        }
        // Later the cord swings: somewhere it is no longer a straight line.
        double bend = 0;
        for (int k = 27; k < 100; ++k) {
            const double3* rec = &plan.cordSteps[k * 12];
            const double3 step = (rec[11] - rec[0]) / 11.0;
            bend = std::max(bend, distance(rec[6] - rec[0], step * 6.0));
        }
        EXPECT_GT(bend, 1);
    }
    // The kick decides the side: seed 0 draws u1 = 0.0119..., a negative kick, so the held
    // cord leans toward -x.
    const Shade plan = largeWindow(kThumbnail, 0);
    EXPECT_LT(plan.cordSteps[25 * 12 + 11].x, plan.cordSteps[25 * 12].x);
    EXPECT_NE(plan.cordSteps, largeWindow(kThumbnail, 1).cordSteps);
}

TEST(ShadeFrames, FirstFrameIsTheWindowAtRest) {
    const Shade plan = largeWindow(kThumbnail);
    const auto look = frameAt(plan, 0);
    EXPECT_EQ(look[0], (float4{1, 0, 0, 0}));
    EXPECT_EQ(look[3], (float4{0, 0, 0, 1}));
    EXPECT_EQ(look[4], (float4{1.8f * 1920, 1, 0, 1}));
    EXPECT_EQ(look[6], (float4{28, 772, -1, 0}));  // the window's height, not the frame step
    EXPECT_EQ(look[7], (float4{650, 650, 5.5f, 0}));
    EXPECT_EQ(look[11].x, 0);  // no cord yet
    const float4 anchor = toFloat4(double4{plan.cordAnchor(0), 0});
    for (int i = 16; i < 28; ++i) EXPECT_EQ(look[i], anchor);
}

TEST(ShadeFrames, TitleStripStaysInPlace) {
    const Shade plan = largeWindow(kTitleStrip);
    for (int i = 0; i <= 100; ++i) {
        const auto look = frameAt(plan, i / 100.0);
        EXPECT_EQ(look[0], (float4{1, 0, 0, 0}));
        EXPECT_EQ(look[3], (float4{0, 0, 0, 1}));
        EXPECT_TRUE(look[4].y == 1 || look[4].y == 3);
        EXPECT_EQ(look[4].z, 0);
        if (i / 100.0 >= 0.93) {
            EXPECT_EQ(look[11].x, 0);  // the cord is gone once the spin ends
        }
    }
}

TEST(ShadeFrames, ThumbnailFliesToTheStageAndShrinksOntoTheThumbnail) {
    const Shade plan = largeWindow(kThumbnail);
    const Rect2 window{{100, 80}, plan.size};
    const Rect2 standIn{{1500, 900}, {120, 75}};
    const Rect2 room{{0, 0}, {1920, 1080}};
    const Rect2 stage = plan.shrinkToThumbnail(0.7, standIn, room);
    const double4x4 landed = plan.sheetTransform(0.7, window.origin, standIn, room);
    const double2 ratio = stage.size / plan.size;
    const double4x4 expected = double4x4::translation({stage.origin.x, stage.origin.y, 0}) *
                               double4x4::diagonal({ratio.x, ratio.y, (ratio.x + ratio.y) / 2, 1});
    EXPECT_EQ(landed, expected);
    EXPECT_EQ(frameAt(plan, 0.6)[4].y, 0);
    EXPECT_EQ(frameAt(plan, 0.5)[4].y, 3);
    const auto end = frameAt(plan, 0.92);
    EXPECT_EQ(end[4].y, 2);
    EXPECT_EQ(end[3], (float4{1500, 900, 0, 1}));
    EXPECT_EQ(end[0].x, static_cast<float>(120.0 / 1300));
    EXPECT_EQ(end[1].y, static_cast<float>(75.0 / 800));
    EXPECT_EQ(end[4].w, 0.9f);  // faded to the stand-in's opacity
    // At the start of the flight the bundle is where the window was.
    const double4x4 start = plan.sheetTransform(0.56 + 1e-12, window.origin, standIn, room);
    EXPECT_NEAR(start.columns[3].x, 100, 1e-6);
    EXPECT_NEAR(start.columns[3].y, 80, 1e-6);
}

TEST(ShadeFrames, FlightStaysBelowTheRoomTopOnlyWhenTheRoomHasHeight) {
    const Shade plan = buildShade({600, 400}, 28, kThumbnail, 3);
    const double2 windowOrigin{100, 20};
    const Rect2 standIn{{1000, 30}, {120, 80}};
    const Rect2 noRoom{{0, 0}, {1920, 0}};
    const Rect2 hugeRoom{{-1e6, -1e6}, {2e6, 2e6}};
    const Rect2 tightRoom{{0, 10}, {1920, 1070}};
    for (double t : {0.6, 0.63, 0.66}) {
        // A room of height 0 applies neither clamp: the same as a room that never binds.
        const double4x4 free = plan.sheetTransform(t, windowOrigin, standIn, noRoom);
        const double4x4 wide = plan.sheetTransform(t, windowOrigin, standIn, {{-1e6, -1e6}, {2e6, 0}});
        EXPECT_EQ(free, wide);
        const double4x4 huge = plan.sheetTransform(t, windowOrigin, standIn, hugeRoom);
        const double4x4 tight = plan.sheetTransform(t, windowOrigin, standIn, tightRoom);
        EXPECT_NE(huge, tight);
        EXPECT_GE(tight.columns[3].y, 10);
    }
}

TEST(ShadeFrames, HemMovingNeverCrossesBetweenStraightAndHanging) {
    const Shade plan = largeWindow(kThumbnail);
    int moving = 0;
    for (int i = 0; i <= 2000; ++i) {
        const double t = i / 2000.0;
        const auto look = frameAt(plan, t, 144.0 / 60);
        const bool mixed = !((look[5].y > 0 && look[9].y > 0 && look[10].y > 0) ||
                             (look[5].y <= 0 && look[9].y <= 0 && look[10].y <= 0));
        if (mixed) {
            EXPECT_EQ(look[11].z, 0) << t;
        }
        moving += look[11].z == 1;
    }
    EXPECT_GT(moving, 0);  // the snap does move the hem
}

TEST(ShadeFrames, StillRingsAreNotSmeared) {
    const Shade plan = largeWindow(kThumbnail);
    const auto still = frameAt(plan, 0.3, INFINITY);
    for (int i = 12; i < 16; ++i) EXPECT_EQ(still[i].w, 0);
    EXPECT_EQ(still[8].w, 11);  // the ring itself is drawn at full size
}

}  // namespace
}  // namespace furlpane::effects
