#include "transitions/effects/water/water.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "effects_test_support.h"

namespace furlpane::effects {
namespace {

using model_tests::allFinite;
using P = Water::Puddle;

constexpr uint32_t kSeeds[] = {0u, 1u, 0x80000000u, 0xFFFFFFFFu};

Water plainWater(double2 size, uint32_t seed = 0, bool strip = false, bool restoring = false, double floor = 1000) {
    return buildWater(strip, restoring, seed, {0, 0}, size, floor, 10);
}

TEST(WaterPlan, GridOfTheWorkedExamples) {
    const Water w = plainWater({1200, 800});
    EXPECT_EQ(w.columns, 73);
    EXPECT_EQ(w.rows, 49);
    EXPECT_EQ(w.drops.size(), 3577u);
    EXPECT_EQ(w.cell, (double2{16.438356164383563, 16.3265306122449}));
    EXPECT_EQ(w.reach, 29.488398098965614);
    EXPECT_NEAR(w.level, 1.27151258, 1e-8);
    EXPECT_EQ(w.holes.size(), 32u);  // 107 rounded, lowered to 32

    const Water small = plainWater({400, 300});  // side 5.77 raised to 6
    EXPECT_EQ(small.columns, 67);
    EXPECT_EQ(small.rows, 50);
    EXPECT_EQ(small.holes.size(), 13u);
    const Water tiny = plainWater({50, 40});
    EXPECT_EQ(tiny.columns, 8);
    EXPECT_EQ(tiny.rows, 7);
    EXPECT_EQ(tiny.holes.size(), 4u);
    const Water large = plainWater({2400, 1600});  // side 26
    EXPECT_EQ(large.columns, 92);
    EXPECT_EQ(large.rows, 62);
    EXPECT_EQ(large.rippleOrigin, (double2{1200, 800}));
    EXPECT_EQ(large.rippleReach, 0.5 * std::sqrt(2400.0 * 2400 + 1600.0 * 1600));
}

TEST(WaterPlan, SwellPhasesGravityAndRestoring) {
    EXPECT_EQ(plainWater({300, 200}, 0).swellPhases, (double2{4.477861221680202, 4.953483119025426}));
    EXPECT_EQ(plainWater({300, 200}, 1).swellPhases, (double2{3.697068467085779, 0.12454939922000054}));
    EXPECT_EQ(plainWater({300, 200}, 0, false, false, 5000).gravity, 22000);
    EXPECT_EQ(plainWater({300, 200}, 0, false, false, 150).gravity, 6000);
    const double fall = 1000 - 0.6 * plainWater({300, 200}).reach;
    EXPECT_EQ(plainWater({300, 200}, 0, true).gravity, std::clamp(2 * fall / 0.05198399999999999, 6000.0, 22000.0));

    const Water melt = plainWater({640, 480}, 5);
    const Water back = plainWater({640, 480}, 5, false, true);
    EXPECT_TRUE(back.drops.empty());
    EXPECT_TRUE(back.holes.empty());
    EXPECT_EQ(back.columns, melt.columns);
    EXPECT_EQ(back.rows, melt.rows);
    EXPECT_EQ(back.level, melt.level);
    EXPECT_EQ(back.rippleReach, melt.rippleReach);
    EXPECT_EQ(back.swellPhases, melt.swellPhases);
}

TransitionUniforms uniforms(double w, double h, bool strip, bool restoring = false, uint32_t seed = 0) {
    TransitionUniforms u;
    u.window = {100, 50, static_cast<float>(w), static_cast<float>(h)};
    u.standIn = {1300, 900, 200, 120};
    u.room = {0, 0, 1600, 1100};
    u.viewSize = {1600, 1200};
    u.titleBarHeight = 28;
    u.standInCrop = strip ? 0.1f : 1;
    u.restoring = restoring ? 1 : 0;
    u.cornerRadius = 10;
    u.seed = seed;
    return u;
}

TEST(WaterPlan, RegionOfTitleStripsAndFloor) {
    const Water strip = waterPlan(uniforms(800, 600, true));
    EXPECT_EQ(strip.region, (double4{100, 78, 800, 572}));
    EXPECT_EQ(strip.floor, 1100);
    const Water thumb = waterPlan(uniforms(800, 600, false));
    EXPECT_EQ(thumb.region, (double4{100, 50, 800, 600}));
    const Water tall = waterPlan(uniforms(800, 20, true));
    EXPECT_EQ(tall.region.w, 1);
    TransitionUniforms roomless = uniforms(800, 600, false);
    roomless.room = {0, 0, 1600, 0};
    EXPECT_EQ(waterPlan(roomless).floor, 1200);
    TransitionUniforms back = uniforms(800, 600, false, true);
    EXPECT_TRUE(waterPlan(back).isRestoring);
}

TEST(WaterPlan, DropsLetGoAfterTheRippleAndDrawInOrder) {
    for (const uint32_t seed : kSeeds) {
        for (const bool strip : {false, true}) {
            const Water w = plainWater({300, 200}, seed, strip);
            size_t clamped = 0;
            for (const auto& d : w.drops) {
                ASSERT_GE(d.release, d.liquefies + 0.03);
                if (d.release == d.liquefies + 0.03) ++clamped;
                EXPECT_GE(d.heavier, 0.94);
                EXPECT_LE(d.heavier, 1.06);
                EXPECT_TRUE(d.size == 1 || (d.size >= 0.55 && d.size < 0.85));
                EXPECT_TRUE(d.side == 1 || d.side == -1);
            }
            EXPECT_GT(clamped, 0u);  // the bottom corners let go exactly 0.03 after the ripple
        }
    }
    // A drop takes 9 draws, one more in a title strip's top row, one more when it is
    // tested for the edge kick and three more when kicked; the set-up takes four.
    for (const bool strip : {false, true}) {
        EffectRandom random(3, tags::kWater), replay(3, tags::kWater);
        const auto drops = makeDrops(4, 1, strip, random, {0, 0}, {100, 30}, {25, 30}, {50, 15}, 52);
        int draws = 4;
        for (const auto& d : drops) draws += 9 + (strip ? 1 : 0) + 1 + (d.size != 1 ? 3 : 0);
        for (int i = 0; i < draws; ++i) replay.next();
        EXPECT_EQ(random.next(), replay.next());
    }
}

TEST(WaterMotion, HolesPushDropsOntoTheirRims) {
    Water w;
    w.holes = {{{100, 100}, 0.2, 500, 50}};
    Water::Drop drop;
    drop.rest = {100, 100};
    drop.angle = 0.5;
    EXPECT_EQ(w.holeOffset(drop, 0.2), (double2{0, 0}));
    const double r = std::min(50.0, (0.25 - 0.2) * 500 * 1.2);
    const double2 pushed = w.holeOffset(drop, 0.25);
    EXPECT_NEAR(pushed.x, r * std::cos(0.5), 1e-12);
    EXPECT_NEAR(pushed.y, r * std::sin(0.5), 1e-12);
    drop.rest = {110, 100};
    EXPECT_NEAR(w.holeOffset(drop, 0.9).x, 40, 1e-12);  // the full radius of 50
    drop.rest = {151, 100};
    EXPECT_EQ(w.holeOffset(drop, 0.9), (double2{0, 0}));
}

TEST(WaterMotion, HoleShortcutsGiveTheSameOffsets) {
    for (const double2 size : {double2{900, 700}, double2{300, 200}, double2{2000, 400}}) {
        const Water w = plainWater(size, 1);
        for (size_t i = 0; i < w.drops.size(); i += 5) {
            const Water::Drop& planned = w.drops[i];
            Water::Drop plain = planned;
            plain.nearHoles = ~0u;
            plain.untouchedBefore = -INFINITY;
            plain.settledFrom = INFINITY;
            for (int k = 0; k <= 60; ++k) {
                const double t = 0.1 + k * 0.005;
                ASSERT_EQ(w.holeOffset(planned, t), w.holeOffset(plain, t)) << i << " at " << t;
            }
            for (const double t : {planned.untouchedBefore, std::nextafter(planned.untouchedBefore, 1.0),
                                   planned.settledFrom, std::nextafter(planned.settledFrom, 0.0), 0.95}) {
                if (!std::isfinite(t)) continue;
                ASSERT_EQ(w.holeOffset(planned, t), w.holeOffset(plain, t)) << i << " at " << t;
            }
            EXPECT_EQ(w.landingTime(planned), w.landingTime(plain));
        }
    }
}

TEST(WaterMotion, HangingFallingAndLanding) {
    const Water w = plainWater({300, 200}, 2);
    const Water::Drop& d = w.drops[w.drops.size() / 2];
    const auto hanging = w.dropState(d, d.release);
    ASSERT_TRUE(hanging);
    EXPECT_EQ(hanging->loose, 0);
    const auto loose = w.dropState(d, d.release + 1e-6);
    ASSERT_TRUE(loose);
    EXPECT_GT(loose->loose, 0);
    EXPECT_LT(loose->picture, 1);
    EXPECT_EQ(w.dropState(d, 0)->position, d.rest);  // before the ripple only the holes move it
    // A drop that begins its fall below the surface line never lands.
    Water::Drop low = d;
    low.start = {d.start.x, w.floor};
    EXPECT_FALSE(w.landingTime(low));
    // Landing times put the centre on the surface line.
    for (const auto& drop : w.drops) {
        if (!drop.landing) continue;
        const double t = drop.release + *drop.landing / 1.2;
        const auto s = w.dropState(drop, t - 1e-9);
        if (s && t < 0.8) {
            EXPECT_NEAR(s->position.y, w.floor - 0.6 * w.reach, 1.0);
        }
    }
}

TEST(WaterMotion, EverythingShrinksAwayBetween0_8And0_86) {
    Water w = plainWater({300, 200}, 2);
    Water::Drop late = w.drops.front();
    late.release = 0.95;
    late.liquefies = 0.9;
    EXPECT_NEAR(w.dropState(late, 0.83)->size, 0.5, 1e-12);
    for (const auto& d : w.drops) EXPECT_FALSE(w.dropState(d, 0.86));
}

TEST(WaterWeights, LoneLooseDropsGrowAndNeighboursCount) {
    Water w;
    w.reach = 20;
    w.level = 1.27;
    const Water::State lone{{500, 500}, {0, 0}, 1, 1, 0.05};
    const Water::State justReleased{{900, 900}, {0, 0}, 1, 1, 0};
    const auto weights = w.dropWeights({lone, std::nullopt, justReleased});
    EXPECT_NEAR(weights[0], 1.778, 1e-12);
    EXPECT_EQ(weights[1], 1);
    EXPECT_EQ(weights[2], 1);
    // A neighbour half a radius away adds (1 − 0.25)³ to the field.
    const Water::State near{{510, 500}, {0, 0}, 1, 1, 0};
    const auto pair = w.dropWeights({lone, near});
    EXPECT_NEAR(pair[0], 1 + (1.4 * 1.27 - 0.421875 - 1), 1e-12);
    // Drops strewn far apart (a sparse grid) are weighed alike.
    const Water::State far{{1e6, -1e6}, {0, 0}, 1, 1, 0.05};
    const auto strewn = w.dropWeights({lone, near, far});
    EXPECT_EQ(strewn[0], pair[0]);
    EXPECT_NEAR(strewn[2], 1.778, 1e-12);
}

TEST(WaterWeights, GridSumsMatchEveryPairWhileNoBlobIsLargerThanACell) {
    const Water w = plainWater({360, 240}, 3);
    for (const double t : {0.18, 0.24}) {
        std::vector<std::optional<Water::State>> states;
        for (const auto& d : w.drops) states.push_back(w.dropState(d, t));
        const auto weights = w.dropWeights(states);
        for (size_t i = 0; i < states.size(); ++i) {
            if (!states[i] || !(states[i]->loose > 0)) continue;
            double sum = 0;
            for (size_t j = 0; j < states.size(); ++j) {
                if (j == i || !states[j]) continue;
                ASSERT_LE(states[j]->size, 1);
                const double2 d = states[j]->position - states[i]->position;
                const double r = states[j]->size * w.reach;
                const double q = (d.x * d.x + d.y * d.y) / (r * r);
                if (q < 1) sum += (1 - q) * (1 - q) * (1 - q);
            }
            const double s = smoothstep(std::min(1.0, states[i]->loose / 0.05));
            ASSERT_NEAR(weights[i], 1 + s * std::max(0.0, 1.4 * w.level - sum - 1), 1e-9);
        }
    }
}

// One value of a puddle at one time.
struct PuddleValue {
    double t;
    double P::*field;
    double expected;
};

TEST(WaterPuddles, MinimizingToAThumbnail) {
    Water w = plainWater({300, 200});
    w.cornerRadius = 10;
    const auto at = [&](double t) { return *w.puddles(t, {0, 0}, {300, 200}, {500, 500}, {200, 120}).first; };
    const PuddleValue values[] = {
        {0.3, &P::spread, 0},          {0.42, &P::spill, 0},         {0.42, &P::wet, 0},
        {0.42, &P::ripples, 0},        {0.42, &P::age, 0},           {0.4, &P::depth, 1},
        {0.47, &P::spread, 122.341658160}, {0.47, &P::spill, 3.6},   {0.47, &P::wet, 1},
        {0.47, &P::age, 0.06},         {0.52, &P::spread, 139.819037897}, {0.9, &P::spread, 139.819037897},
        {0.6, &P::spill, 6.649839963}, {0.6, &P::depth, 0.337961499}, {0.7, &P::cleared, 21.262733571},
        {0.88, &P::cleared, 100000}};
    for (const PuddleValue& v : values) EXPECT_NEAR(at(v.t).*v.field, v.expected, 1e-9) << "at " << v.t;
    EXPECT_EQ(at(0.5).kind, Water::Puddle::Kind::thumbnail);
    EXPECT_EQ(at(0.5).source, (double2{600, 560}));
    EXPECT_EQ(at(0.5).corner, 10);
    EXPECT_FALSE(w.puddles(0.5, {0, 0}, {300, 200}, {500, 500}, {200, 120}).second);
}

TEST(WaterPuddles, DrainingThumbnail) {
    const auto at = [](double u) { return drainingThumbnail({500, 500}, {200, 120}, 10, u); };
    for (const double u : {0.0, 0.06, 0.3, 0.7}) EXPECT_NEAR(at(u).spread, 140.219037897, 1e-9);
    const PuddleValue values[] = {
        {0.06, &P::cleared, 100000}, {0.06, &P::spill, 1.5},     {0.06, &P::depth, 0},
        {0.06, &P::age, 0},          {0.1, &P::cleared, 0},      {0.1, &P::depth, 0.014489380},
        {0.44, &P::dry, 70.109518948}, {0.44, &P::ripples, 0.5}, {0.56, &P::dry, 0},
        {0.56, &P::ripples, 0},      {0.8, &P::wet, 0}};
    for (const PuddleValue& v : values) EXPECT_NEAR(at(v.t).*v.field, v.expected, 1e-9) << "at " << v.t;
    // Depth floors: 4 and 3 for a small thumbnail, 26 and 10 for a large one.
    EXPECT_NEAR(makePuddle(Water::Puddle::Kind::thumbnail, {0, 0}, {12, 8}, 0, {6, 4}, 0.47, kMinimizingPuddle).spill,
                4 * smoothstep(0.5), 1e-12);
    EXPECT_EQ(drainingThumbnail({0, 0}, {12, 8}, 0, 1).spill, 3 + 1.5);
    EXPECT_NEAR(makePuddle(Water::Puddle::Kind::thumbnail, {0, 0}, {1000, 800}, 0, {500, 400}, 0.52, kMinimizingPuddle).spill,
                26, 1e-9);
    EXPECT_EQ(drainingThumbnail({0, 0}, {1000, 800}, 0, 1).spill, 10 + 1.5);
}

TEST(WaterPuddles, RestoringSourcesAndRecords) {
    Water w = plainWater({300, 200}, 0, false, true);
    // A stand-in outside the window: the flood starts inside, at most 40 points in.
    auto [window, thumb] = w.puddles(0.5, {0, 0}, {300, 200}, {1000, -200}, {100, 60});
    ASSERT_TRUE(window && thumb);
    EXPECT_EQ(window->kind, Water::Puddle::Kind::window);
    EXPECT_EQ(window->source, (double2{260, 40}));
    EXPECT_EQ(window->corner, 12);
    EXPECT_EQ(thumb->kind, Water::Puddle::Kind::thumbnail);
    // On the window's edge the centre is the source itself.
    EXPECT_EQ(w.puddles(0.5, {0, 0}, {300, 200}, {250, 170}, {100, 60}).first->source, (double2{300, 200}));

    const Water strip = waterPlan(uniforms(800, 600, true, true));
    auto [body, none] = strip.puddles(0.5, {100, 50}, {800, 600}, {100, 50}, {800, 28});
    ASSERT_TRUE(body);
    EXPECT_FALSE(none);
    EXPECT_EQ(body->target, (double4{100, 78, 800, 572}));
    EXPECT_EQ(body->source, (double2{500, 82}));

    const auto records = puddleRecords(body);
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[0], (float4{100, 78, 800, 572}));
    EXPECT_EQ(records[4], (float4{3, 0, 0, 0}));
    EXPECT_EQ(puddleRecords(std::nullopt), std::vector<float4>(5, float4{0, 0, 0, 0}));
    EXPECT_EQ(puddleKind(2), Water::Puddle::Kind::thumbnail);
    EXPECT_FALSE(puddleKind(0));
    EXPECT_FALSE(puddleKind(4));
}

struct Frames {
    Water plan;
    WaterFrame at(double t) const {
        return waterFrame(plan, t,
                          model_tests::placed({{100, 50}, {800, 600}}, {{1300, 900}, {200, 120}}, {}, {1600, 1200}, 1));
    }
};

bool zero(const std::vector<float4>& look, size_t from, size_t to) {
    for (size_t i = from; i < to; ++i)
        if (!(look[i] == float4{0, 0, 0, 0})) return false;
    return true;
}

TEST(WaterFrames, MinimizingAWindowToAThumbnail) {
    const Frames f{waterPlan(uniforms(800, 600, false))};
    const auto start = f.at(0);
    EXPECT_TRUE(start.records.empty());
    ASSERT_EQ(start.look.size(), 15u);
    EXPECT_EQ(start.look[4], (float4{1, 0, 0, 1}));
    EXPECT_EQ(start.look[0], (float4{76, 26, 848, 648}));
    EXPECT_TRUE(zero(start.look, 5, 15));
    EXPECT_EQ(start.look[1], toFloat4(f.plan.level, f.plan.reach, 1100, 0));

    const auto middle = f.at(0.5);
    EXPECT_FALSE(middle.records.empty());
    EXPECT_EQ(middle.look[4], (float4{0, 1, 0, 1}));
    EXPECT_EQ(middle.look[9].x, 2.0f);  // the thumbnail's puddle
    EXPECT_TRUE(zero(middle.look, 10, 15));

    const auto cleared = f.at(0.9);
    EXPECT_TRUE(cleared.records.empty());
    EXPECT_EQ(cleared.look[7].z, 100000.0f);
    const auto late = f.at(0.92);
    EXPECT_EQ(late.look[4], (float4{0, 0, 1, 1}));
    EXPECT_TRUE(zero(late.look, 5, 15));
    EXPECT_EQ(late.look[0], (float4{1300, 900, 200, 120}));
}

TEST(WaterFrames, RippleStrengthAndRadius) {
    const Frames f{waterPlan(uniforms(800, 600, false))};
    const Frames strip{waterPlan(uniforms(800, 600, true))};
    EXPECT_EQ(f.at(0.02).look[3].w, 0.0f);
    EXPECT_EQ(f.at(0.06).look[3].w, 1.0f);
    EXPECT_EQ(f.at(0.24).look[3].w, 1.0f);
    EXPECT_LT(f.at(0.26).look[3].w, 1.0f);
    EXPECT_EQ(strip.at(0.27).look[3].w, 1.0f);
    EXPECT_EQ(f.at(0.46).look[3].w, 0.0f);
    EXPECT_EQ(f.at(0.12).look[3].z, static_cast<float>(f.plan.rippleReach));
    const Frames back{waterPlan(uniforms(800, 600, false, true))};
    EXPECT_EQ(back.at(0.1).look[3].w, 0.0f);
}

TEST(WaterFrames, TitleStripsAndRestoring) {
    const Frames strip{waterPlan(uniforms(800, 600, true))};
    const auto end = strip.at(0.95);
    EXPECT_TRUE(end.records.empty());
    EXPECT_TRUE(zero(end.look, 5, 15));
    EXPECT_EQ(end.look[0], (float4{100, 50, 800, 28}));

    const Frames back{waterPlan(uniforms(800, 600, false, true))};
    const Frames stripBack{waterPlan(uniforms(800, 600, true, true))};
    for (int k = 0; k <= 50; ++k) {
        EXPECT_TRUE(back.at(k / 50.0).records.empty());
        EXPECT_TRUE(stripBack.at(k / 50.0).records.empty());
    }
    const auto early = back.at(0.95);  // u = 0.05: only the stand-in
    EXPECT_EQ(early.look[4], (float4{0, 0, 1, 1}));
    EXPECT_TRUE(zero(early.look, 5, 15));
    EXPECT_FLOAT_EQ(early.look[1].w, static_cast<float>(1.2 * (1 - 0.95)));
    const auto body = stripBack.at(0.95);  // the body puddle exists, still empty
    EXPECT_EQ(body.look[9].x, 3.0f);
    EXPECT_EQ(body.look[6].z, 0.0f);
    EXPECT_EQ(back.at(0.05).look[4], (float4{1, 0, 0, 1}));  // u = 0.95: the window is back
}

TEST(WaterFrames, StreaksAreLimitedByTheBlob) {
    Water w;
    w.reach = 20;
    w.region = {0, 0, 100, 100};
    w.floor = 100000;
    w.gravity = 0;
    Water::Drop small;
    small.rest = {50, 50};
    small.start = {50, 50};
    small.speed = {0, 40};
    small.size = 0.5;
    small.release = 0;
    Water::Drop big = small;
    big.size = 1.2;
    Water::Drop faster = big;
    faster.speed = {0, 80};
    w.drops = {small, big, faster};
    const auto frame = waterFrame(w, 0.1,
                                  model_tests::placed({{0, 0}, {100, 100}}, {{0, 0}, {10, 10}}, {}, {1000, 1000}, 1,
                                                      Direction::minimizing, 1.0 / 120));
    ASSERT_EQ(frame.records.size(), 3u);
    EXPECT_FLOAT_EQ(frame.records[0].form.y, 12.5f);
    EXPECT_FLOAT_EQ(frame.records[0].form.z, 10.0f);
    EXPECT_FLOAT_EQ(frame.records[1].form.y, 40.0f);
    EXPECT_FLOAT_EQ(frame.records[2].form.y, 60.0f);
}

TEST(WaterFrames, DrawingRectangleStaysInTheView) {
    TransitionUniforms u = uniforms(800, 600, false);
    u.window = {-3000, -3000, 100, 100};
    u.standIn = {-500, -500, 50, 50};
    const Water w = waterPlan(u);
    for (const double t : {0.0, 0.5, 0.95}) {
        const auto frame = waterFrame(
            w, t, model_tests::placed({{-3000, -3000}, {100, 100}}, {{-500, -500}, {50, 50}}, {}, {1600, 1200}, 1));
        EXPECT_EQ(frame.look[0], (float4{0, 0, 0, 0}));
    }
    const Frames f{waterPlan(uniforms(800, 600, false))};
    for (int k = 0; k <= 20; ++k) {
        const float4 r = f.at(k / 20.0).look[0];
        EXPECT_GE(r.x, 0);
        EXPECT_GE(r.y, 0);
        EXPECT_LE(r.x + r.z, 1600);
        EXPECT_LE(r.y + r.w, 1200);
    }
}

// Water's own sweep, on smaller windows than the other effects' (its drops are many):
// every record finite, every weight at least 1, the same bytes from two plans.
TEST(WaterFrames, EveryFrameIsFiniteAndRepeatable) {
    for (const uint32_t seed : kSeeds) {
        for (const bool strip : {false, true}) {
            for (const bool restoring : {false, true}) {
                const Frames f{waterPlan(uniforms(240, 180, strip, restoring, seed))};
                const Frames g{waterPlan(uniforms(240, 180, strip, restoring, seed))};
                for (int k = 0; k <= 25; ++k) {
                    const auto a = f.at(k / 25.0), b = g.at(k / 25.0);
                    ASSERT_EQ(a.records.size(), b.records.size());
                    ASSERT_TRUE(a.records.empty() || std::memcmp(a.records.data(), b.records.data(),
                                                                 a.records.size() * sizeof(Water::DropFrame)) == 0);
                    ASSERT_TRUE(allFinite(a.look));
                    ASSERT_TRUE(allFinite({reinterpret_cast<const float4*>(a.records.data()), a.records.size() * 3}));
                    for (const auto& d : a.records) ASSERT_GE(d.form.w, 1.0f);
                }
            }
        }
    }
}

TEST(WaterPlan, AbsurdUniformsGiveABoundedPlan) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (const float bad : {nan, inf, -inf}) {
        TransitionUniforms u = uniforms(800, 600, false);
        u.window = {bad, bad, bad, bad};
        u.room = {bad, bad, bad, bad};
        u.viewSize = {bad, bad};
        u.titleBarHeight = bad;
        u.cornerRadius = bad;
        const Water w = waterPlan(u);
        EXPECT_EQ(w.region.z, 1);
        EXPECT_EQ(w.drops.size(), 1u);
        EXPECT_TRUE(std::isfinite(w.gravity));
        EXPECT_TRUE(
            allFinite(waterFrame(w, 0.3, model_tests::placed({{0, 0}, {1, 1}}, {{0, 0}, {1, 1}}, {}, {0, 0}, 1)).look));
    }
    // A window absurdly wide in one direction is limited to the longest length.
    TransitionUniforms wide = uniforms(800, 10, false);
    wide.window.z = 3e38f;
    const Water w = waterPlan(wide);
    EXPECT_EQ(w.region.z, kLongestLength);
    EXPECT_LE(w.drops.size(), 4000u);
}

}  // namespace
}  // namespace furlpane::effects
