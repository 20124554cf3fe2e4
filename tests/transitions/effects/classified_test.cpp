#include <gtest/gtest.h>

#include <cmath>

#include "transitions/effects/classified/classified.h"
#include "transitions/effects/transforms.h"
#include "effects_test_support.h"

namespace furlpane::effects {
namespace {

TransitionUniforms uniforms(float width, float height, bool titleStrip, std::uint32_t seed = 42) {
    TransitionUniforms u;
    u.window = {100, 80, width, height};
    u.standIn = titleStrip ? platform::simd::float4{100, 80, width, 28} : platform::simd::float4{900, 700, 160, 100};
    u.room = {0, 0, 1440, 900};
    u.viewSize = {1440, 900};
    u.titleBarHeight = 28;
    u.standInCrop = titleStrip ? 0.1f : 1.0f;
    u.seed = seed;
    return u;
}

Classified::Ink someInk() {
    Classified::Ink ink;
    ink.width = 200;
    ink.height = 120;
    ink.texel = 2;
    ink.marks.assign(200 * 120, false);
    for (int y = 30; y < 34; ++y)
        for (int x = 10; x < 150; ++x)
            if (x % 9 != 0) ink.marks[static_cast<std::size_t>(y * 200 + x)] = true;
    ink.lightness = 0.9;
    return ink;
}

TEST(ClassifiedPlan, StripCountsFollowTheWorkedExamples) {
    const std::pair<double, int> counts[] = {{100, 17}, {300, 48}, {1000, 83}, {10, 2},
                                             {4000, 256}, {std::nan(""), 2}, {INFINITY, 256}};
    for (const auto& [width, count] : counts) EXPECT_EQ(stripCount(width), count) << width;
    // A grid below two columns leaves the count to the width.
    TransitionUniforms u = uniforms(800, 600, false);
    u.grid = {1, 40};
    EXPECT_EQ(classifiedPlan(u, std::nullopt).strips.size(), static_cast<std::size_t>(stripCount(800)));
    u.grid = {300, 40};
    EXPECT_EQ(classifiedPlan(u, std::nullopt).strips.size(), 256u);
    u.grid = {67, 40};
    const Classified plan = classifiedPlan(u, std::nullopt);
    EXPECT_EQ(plan.strips.size(), 67u);
    EXPECT_EQ(plan.stripWidth, 800.0 / 67);
}

TEST(ClassifiedPlan, SizesTitleBarAndTopAreClamped) {
    const Classified tiny = classifiedPlan(uniforms(1, 1, true), std::nullopt);
    EXPECT_EQ(tiny.size, (double2{2, 2}));
    EXPECT_LE(tiny.titleBar, 1);
    EXPECT_EQ(tiny.top, tiny.titleBar);

    const Classified strip = classifiedPlan(uniforms(500, 300, true), std::nullopt);
    EXPECT_TRUE(strip.isTitleStrip);
    EXPECT_EQ(strip.top, 28);
    const Classified thumb = classifiedPlan(uniforms(500, 300, false), std::nullopt);
    EXPECT_FALSE(thumb.isTitleStrip);
    EXPECT_EQ(thumb.titleBar, 28);
    EXPECT_EQ(thumb.top, 0);
    for (const auto& s : thumb.strips) EXPECT_EQ(s.release, 2);
    for (const auto& s : strip.strips) {
        EXPECT_GE(s.release, 0.775);
        EXPECT_LT(s.release, 0.825);
    }

    TransitionUniforms broken = uniforms(NAN, INFINITY, false);
    broken.titleBarHeight = NAN;
    const Classified safe = classifiedPlan(broken, std::nullopt);
    EXPECT_EQ(safe.size, (double2{2, 2}));
    EXPECT_EQ(safe.titleBar, 0);
}

TEST(ClassifiedPlan, TheInkUsesOnlyTheMainStream) {
    const Classified without = classifiedPlan(uniforms(400, 240, false), std::nullopt);
    EXPECT_TRUE(without.bars.empty());
    EXPECT_EQ(without.lightness, 1);
    const Classified with = classifiedPlan(uniforms(400, 240, false), someInk());
    EXPECT_FALSE(with.bars.empty());
    EXPECT_EQ(with.lightness, 0.9);
    ASSERT_EQ(with.strips.size(), without.strips.size());
    for (std::size_t i = 0; i < with.strips.size(); ++i) {
        EXPECT_EQ(with.strips[i].sway, without.strips[i].sway);
        EXPECT_EQ(with.strips[i].wobble, without.strips[i].wobble);
    }
    for (int k = 0; k < 2; ++k) EXPECT_EQ(with.stamps[k].center, without.stamps[k].center);
    const Classified other = classifiedPlan(uniforms(400, 240, false, 43), std::nullopt);
    EXPECT_NE(other.strips[0].flip, without.strips[0].flip);
    EXPECT_NE(other.stamps[0].center, without.stamps[0].center);

    // The strip stream draws sixteen values per strip, from the seed XOR "STRP".
    EffectRandom strips = EffectRandom::subStream(42, tags::kStrips, tags::kClassified);
    const double u1 = strips.unit();
    EXPECT_EQ(with.strips[0].sway, 1.5 + 3.5 * u1);
    for (int i = 0; i < 15; ++i) strips.unit();
    EXPECT_EQ(with.strips[1].sway, 1.5 + 3.5 * strips.unit());
}

TEST(ClassifiedPlan, TheShredderStartsOnTheStandInsSide) {
    const Classified right = classifiedPlan(uniforms(400, 240, false), std::nullopt);  // stand-in to the right
    ASSERT_TRUE(right.towardRight);
    const auto& shred = right.timing.shred;
    EXPECT_NEAR(right.strips.back().freed, shred.lower + 0.4 * (shred.upper - shred.lower), 0.01);
    EXPECT_GT(right.strips.front().freed, right.strips.back().freed);
    for (std::size_t i = 1; i < right.strips.size(); ++i)
        EXPECT_LT(right.strips[i].freed, right.strips[i - 1].freed);

    TransitionUniforms leftward = uniforms(400, 240, false);
    leftward.standIn.x = 0;
    const Classified left = classifiedPlan(leftward, std::nullopt);
    EXPECT_FALSE(left.towardRight);
    EXPECT_LT(left.strips.front().freed, left.strips.back().freed);
    EXPECT_LE(left.strips.back().freed, shred.upper);
}

TEST(ClassifiedPlan, StampsFollowTheWorkedExampleAndStayOnThePage) {
    EffectRandom random(5, tags::kClassified);
    const auto stamps = placeStamps(classifiedTiming(false), random, {100, 60}, 0);
    ASSERT_EQ(stamps.size(), 2u);
    EXPECT_DOUBLE_EQ(stamps[0].size.x, 42);
    EXPECT_DOUBLE_EQ(stamps[0].size.y, 42 / 3.6);
    EXPECT_DOUBLE_EQ(stamps[1].size.x, 53.76);
    EXPECT_EQ(stamps[1].impact, 0.36);
    EXPECT_LT(stamps[0].angle, 0);
    EXPECT_GT(stamps[1].angle, 0);

    // A body too low for a 24-point stamp with its margins: centred on the body.
    EffectRandom again(5, tags::kClassified);
    const auto squeezed = placeStamps(classifiedTiming(true), again, {400, 34}, 28);
    EXPECT_EQ(squeezed[0].center.y, 28 + 3);
    EXPECT_EQ(squeezed[1].center.y, 28 + 3);
    EXPECT_GT(squeezed[0].center.x, 0);
}

// ---- Frames ----

TEST(ClassifiedFrames, BarRecordsCarryTheirTimingAndPhase) {
    Classified plan = classifiedPlan(uniforms(400, 240, false), std::nullopt);
    for (int i = 0; i < 980; ++i) plan.bars.push_back({{double(i), 10, 20, 8}, 0.1, 0.02});
    const auto frames = barFrames(plan);
    ASSERT_EQ(frames.size(), 980u);
    EXPECT_EQ(frames[3].rect, (float4{3, 10, 20, 8}));
    EXPECT_EQ(frames[3].timing, (float4{0.1f, 0.02f, float(3.0 / 977), 0}));
    EXPECT_EQ(frames[977].timing.z, 0);
}

TEST(ClassifiedFrames, ThumpsRiseRingAndDie) {
    const Classified plan = classifiedPlan(uniforms(400, 240, false), std::nullopt);
    const auto& first = plan.stamps[0];
    EXPECT_EQ(stampThump(plan, first.impact), 0);
    EXPECT_NEAR(stampThump(plan, first.impact + 0.12 * 0.06), first.force, 1e-9);
    EXPECT_EQ(stampThump(plan, first.impact + 0.06), 0);
    EXPECT_EQ(stripTransform(plan, 0.1, {100, 80}), translation(100, 80));
    // During a blow the page shrinks about the stamp that hit.
    const double4x4 shaken = stripTransform(plan, first.impact + 0.005, {100, 80});
    const auto fixed = shaken * double4{first.center.x, first.center.y, 0, 1};
    EXPECT_NEAR(fixed.x, 100 + first.center.x, 1e-9);
    EXPECT_NEAR(fixed.y, 80 + first.center.y, 1e-9);
    EXPECT_LT(shaken.columns[0].x, 1);

    const Classified strip = classifiedPlan(uniforms(400, 240, true), std::nullopt);
    const double4x4 tilted = stripTransform(strip, strip.stamps[1].impact + 0.005, {0, 0});
    const auto hinge = tilted * double4{50, strip.top, 0, 1};
    EXPECT_NEAR(hinge.y, strip.top, 1e-9);  // the title bar's lower edge stays put
    EXPECT_NE(tilted.columns[1].z, 0);
}

TEST(ClassifiedFrames, BeforeTheRedactionThePageLiesFlat) {
    const auto u = uniforms(400, 240, false);
    const Classified plan = classifiedPlan(u, someInk());
    const auto frame = stripFrames(plan, 0.01, model_tests::placed(u, 0.9));
    ASSERT_EQ(frame.records.size(), plan.strips.size());
    EXPECT_EQ(frame.look[0].x, 1);
    EXPECT_EQ(frame.look[0].y, 1.8f * 1440);
    EXPECT_EQ(frame.look[3].y, float(plan.bars.size()));
    for (std::size_t i = 0; i < frame.records.size(); ++i) {
        const auto& s = frame.records[i];
        EXPECT_EQ(s.look, (float4{1, 0, 1, 0}));
        EXPECT_EQ(s.wave.x, 240);
        EXPECT_EQ(s.transform.columns[3].x, float(100 + (i + 0.5) * plan.stripWidth));
        EXPECT_EQ(s.transform.columns[3].y, 80);
        EXPECT_EQ(s.source.x, float(i * plan.stripWidth));
    }
    EXPECT_EQ(frame.look.size(), 22u);
}

TEST(ClassifiedFrames, AFreedStripStartsItsFlightWhereItHung) {
    const auto u = uniforms(400, 240, false);
    const Classified plan = classifiedPlan(u, std::nullopt);
    const std::size_t i = plan.strips.size() - 1;  // freed first
    const double t = plan.strips[i].freed;
    const auto frame = stripFrames(plan, t, model_tests::placed(u, 0.9));
    const auto& last = frame.records.back();  // the flying strip is drawn last
    EXPECT_EQ(last.source.x, float(i * plan.stripWidth));
    EXPECT_EQ(last.wave.x, 0);
    EXPECT_EQ(last.look, (float4{1, 0, 1, 0}));
    EXPECT_EQ(last.transform.columns[3].x, float(100 + (i + 0.5) * plan.stripWidth));
    EXPECT_EQ(last.transform.columns[3].y, 80);
    EXPECT_EQ(last.transform.columns[3].z, 0);

    // Landed strips come first, flying ones last, in the order they were freed.
    const auto later = stripFrames(plan, 0.75, model_tests::placed(u, 0.9));
    EXPECT_EQ(later.records.front().look.y, 1);
    double previousKey = -1;
    for (const auto& s : later.records) {
        if (s.look.y == 1 && s.look.x == 0.9f) continue;  // landed
        const int index = static_cast<int>(std::lround(s.source.x / plan.stripWidth));
        EXPECT_GE(plan.strips[static_cast<std::size_t>(index)].freed, previousKey);
        previousKey = plan.strips[static_cast<std::size_t>(index)].freed;
    }
}

TEST(ClassifiedFrames, TitleStripsFallAndFadeAway) {
    const auto u = uniforms(400, 240, true);
    const Classified plan = classifiedPlan(u, someInk());
    const auto gone = stripFrames(plan, plan.timing.fade.upper + 0.01, model_tests::placed(u, 1));
    EXPECT_TRUE(gone.records.empty());
    EXPECT_EQ(gone.look.size(), 22u);
    EXPECT_EQ(gone.look[1].x, 1);
    EXPECT_EQ(gone.look[2], (float4{400, 240, 28, float(400.0 / plan.strips.size())}));

    const auto falling = stripFrames(plan, 0.86, model_tests::placed(u, 1));
    ASSERT_EQ(falling.records.size(), plan.strips.size());
    for (const auto& s : falling.records) {
        EXPECT_GT(s.transform.columns[3].y, 80 + 28);  // below where they hung
        EXPECT_LT(s.look.x, 1);
    }
}

TEST(ClassifiedFrames, StampsMoveOnlyAroundTheirImpact) {
    const auto u = uniforms(400, 240, false);
    const Classified plan = classifiedPlan(u, std::nullopt);
    const double impact = plan.stamps[0].impact;
    auto motion = [&](double t) {
        const auto look = stripFrames(plan, t, model_tests::placed(u, 1)).look;
        return std::vector<float4>(look.begin() + 8, look.begin() + 15);
    };
    for (double t : {impact - 0.06, impact - 0.05, impact + 0.062, impact + 0.07})
        for (const auto& v : motion(t)) EXPECT_EQ(v, float4{}) << t;
    const auto pressed = motion(impact + 0.005);
    EXPECT_EQ(pressed[4].x, 1);  // fully visible
    EXPECT_EQ(pressed[4].z, 0);  // on the page
    EXPECT_EQ(pressed[3].x, float(plan.stamps[0].center.x));
    const auto falling = motion(impact - 0.02);
    EXPECT_GT(falling[4].z, 0);  // in the air
    EXPECT_GT(falling[4].x, 0);
    // The second stamp's entries stay zero while the first one moves.
    const auto look = stripFrames(plan, impact, model_tests::placed(u, 1)).look;
    for (std::size_t k = 15; k < 22; ++k) EXPECT_EQ(look[k], float4{});
}

}  // namespace
}  // namespace furlpane::effects
