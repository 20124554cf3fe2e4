#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>

#include "transitions/effects/taco/taco.h"
#include "effects_test_support.h"

namespace furlpane::effects {
namespace {

constexpr double kPi = std::numbers::pi;
using Kind = Taco::Kind;

TransitionUniforms uniforms(float width, float height, bool titleStrip, std::uint32_t seed = 42) {
    TransitionUniforms u;
    u.window = {200, 150, width, height};
    u.standIn = titleStrip ? platform::simd::float4{200, 150, width, 28} : platform::simd::float4{1000, 760, 160, 110};
    u.room = {0, 0, 1440, 900};
    u.viewSize = {1440, 900};
    u.titleBarHeight = 28;
    u.standInCrop = titleStrip ? 0.1f : 1.0f;
    u.seed = seed;
    return u;
}

std::map<Kind, int> kindCounts(const Taco& plan) {
    std::map<Kind, int> counts;
    for (const auto& p : plan.pieces) ++counts[p.kind];
    return counts;
}

TEST(TacoPlan, GeometryFollowsTheWorkedExamples) {
    struct Example {
        bool titleStrip;
        double2 size;
        double top, opening, exponent, crease, middle, upper, lower;
    };
    const Example examples[] = {{false, {1000, 800}, 0, 0, 2.6, 343.058, 393.065, 393.065, 406.935},
                                {true, {800, 600}, 28, 48, 5.0, 282.447, 332.454, 304.454, 267.546}};
    for (const Example& e : examples) {
        SCOPED_TRACE(e.titleStrip ? "title strip" : "thumbnail");
        const Taco plan = tacoPlan(uniforms(float(e.size.x), float(e.size.y), e.titleStrip));
        EXPECT_EQ(plan.size, e.size);
        EXPECT_EQ(plan.top, e.top);
        EXPECT_EQ(plan.radius, 34);
        EXPECT_EQ(plan.opening, e.opening);
        EXPECT_EQ(plan.pieceScale, 1.3);
        EXPECT_EQ(plan.exponent, e.exponent);
        EXPECT_NEAR(plan.crease, e.crease, 5e-4);
        EXPECT_NEAR(plan.middle, e.middle, 5e-4);
        EXPECT_NEAR(plan.upper, e.upper, 5e-4);
        EXPECT_NEAR(plan.lower, e.lower, 5e-4);
        EXPECT_EQ(plan.bites.empty(), !e.titleStrip);
        EXPECT_GE(plan.crown, 0);
    }
}

TEST(TacoPlan, ATinyWindowStillGetsItsThirtyPieces) {
    const Taco plan = tacoPlan(uniforms(1, 2, false));
    EXPECT_EQ(plan.size, (double2{2, 2}));
    EXPECT_EQ(plan.radius, 0.25);
    EXPECT_EQ(plan.pieceScale, 0.8);
    const std::map<Kind, int> thirty{{Kind::meat, 4},   {Kind::lettuce, 5}, {Kind::cheese, 11},
                                     {Kind::tomato, 6}, {Kind::onion, 2},   {Kind::cilantro, 2}};
    EXPECT_EQ(kindCounts(plan), thirty);

    // Sizes that are not numbers, or absurdly large, are planned safely.
    TransitionUniforms broken = uniforms(NAN, 1e30f, true);
    broken.titleBarHeight = INFINITY;
    const Taco safe = tacoPlan(broken);
    EXPECT_EQ(safe.size, (double2{2, 16384}));
    EXPECT_EQ(safe.top, 0);
}

Taco foldOnly(double crease, double radius) {
    Taco plan;
    plan.size = {100, 200};
    plan.crease = crease;
    plan.radius = radius;
    plan.middle = 100;
    plan.lower = 50;
    plan.upper = 50;
    plan.exponent = 2.6;
    return plan;
}

TEST(TacoPlan, TheFoldedEdgeWrapsAroundTheBendWithoutAJump) {
    EXPECT_EQ(foldOnly(160, 10).foldedEdge(50), (double2{150, 0}));  // at or above the crease: flat
    // The outline's bottom is at 150; a crease giving d = r θmax lands on the end of the bend.
    const double r = 10, crease = 150 - r * kTacoWrap;
    const double2 end = foldOnly(crease, r).foldedEdge(50);
    EXPECT_NEAR(end.x, crease + r * std::sin(0.2), 1e-9);
    EXPECT_NEAR(end.y, r * (1 + std::cos(0.2)), 1e-9);
    const double2 past = foldOnly(crease - 1e-7, r).foldedEdge(50);
    EXPECT_NEAR(past.x, end.x, 1e-6);
    EXPECT_NEAR(past.y, end.y, 1e-6);
    // Halfway round the bend the point is a radius out of the plane.
    const double2 quarter = foldOnly(150 - r * kPi / 2, r).foldedEdge(50);
    EXPECT_NEAR(quarter.y, r, 1e-9);
}

TEST(TacoPlan, SplitCountAtTheCrease) {
    Taco plan = foldOnly(0, 10);
    plan.top = 20;
    plan.crease = 20;
    EXPECT_EQ(plan.splitCount(300), 0);
    plan.crease = 500;
    EXPECT_EQ(plan.splitCount(300), 300);
    plan.crease = 110;  // halfway down the 180 points below the strip
    EXPECT_EQ(plan.splitCount(300), 150);
}

TEST(TacoPlan, PiecesAreOrderedAndDropInsideTheFill) {
    for (bool title : {false, true}) {
        const Taco plan = tacoPlan(uniforms(900, 500, title, 3));
        std::size_t i = 0;
        while (i < plan.pieces.size() && plan.pieces[i].kind == Kind::leaf) ++i;
        EXPECT_GT(i, 10u);
        const Kind order[] = {Kind::meat, Kind::lettuce, Kind::cheese, Kind::tomato, Kind::onion, Kind::cilantro};
        for (Kind kind : order) {
            EXPECT_EQ(plan.pieces[i].kind, kind);
            while (i < plan.pieces.size() && plan.pieces[i].kind == kind && plan.pieces[i].drop) ++i;
        }
        for (const auto& p : plan.pieces) {
            if (!p.drop) continue;
            EXPECT_GE(p.drop->lower, plan.timing.fill.lower);
            EXPECT_LE(p.drop->upper, plan.timing.fill.upper + 1e-12);
            EXPECT_LT(p.drop->lower, p.drop->upper);
        }
        // What remains of a title strip's pieces are crumbs: no drop, falling.
        for (; i < plan.pieces.size(); ++i) {
            EXPECT_TRUE(title);
            EXPECT_FALSE(plan.pieces[i].drop);
            EXPECT_TRUE(plan.pieces[i].falls);
        }
    }
}

TEST(TacoPlan, EveryThumbnailPieceSpillsMiddleFirst) {
    EXPECT_NE(tacoPlan(uniforms(1000, 800, false, 12)).pieces[0].rest, tacoPlan(uniforms(1000, 800, false, 11)).pieces[0].rest);
    const Taco plan = tacoPlan(uniforms(1000, 800, false, 11));
    const auto& t = plan.timing;
    for (const auto& p : plan.pieces) {
        EXPECT_TRUE(p.falls);
        EXPECT_GE(p.gone, t.unfold.lower + 0.008);
        EXPECT_LE(p.gone, t.unfold.lower + 0.068 + 0.002);  // rim leaves may sit a little past the edges
        EXPECT_LE(p.gone, t.spill.upper - 0.1);
        EXPECT_GT(p.life, 0);
    }
}

// ---- Bites ----

struct Region {
    double top, bottom, height, width;
};

Region regionOf(const Taco& plan) {
    const double bottom = plan.crease + plan.radius;
    return {plan.top, bottom, std::max(1.0, bottom - plan.top), plan.size.x};
}

bool covers(const Taco::Bite& b, double2 p) { return distance(p, b.center) < 0.925 * b.radius; }

void expectEverythingEaten(const Taco& plan) {
    const auto& bites = plan.bites;
    ASSERT_FALSE(bites.empty());
    ASSERT_LE(bites.size(), 12u);
    const Region r = regionOf(plan);
    const double g = std::max(2.0, std::min(r.width, r.height) / 36);
    const int cols = std::max(1, int(std::ceil(r.width / g))), rows = std::max(1, int(std::ceil(r.height / g)));
    for (int k = 0; k < cols * rows; ++k) {
        const double2 c{std::min((k % cols + 0.5) * g, r.width), std::min(r.top + (k / cols + 0.5) * g, r.bottom)};
        EXPECT_TRUE(std::any_of(bites.begin(), bites.end(), [&](auto& b) { return covers(b, c); })) << k;
    }
    const double q = std::max(1.5, std::min(r.width, r.height) / 120);
    const int direction = bites.front().center.x > r.width / 2 ? -1 : 1;
    for (double y = r.top + q / 2; y < r.bottom; y += q) {
        for (double x = q / 2; x < r.width; x += q) {
            const double2 p{x, y};
            std::size_t j = 0;
            while (j < bites.size() && !(direction > 0 ? bites[j].center.x > x : bites[j].center.x < x)) ++j;
            const std::size_t upTo = j < bites.size() ? j + 1 : bites.size();
            bool covered = false;
            for (std::size_t i = 0; i < upTo; ++i) covered = covered || covers(bites[i], p);
            ASSERT_TRUE(covered) << x << "," << y;
        }
    }
    for (std::size_t i = 1; i < bites.size(); ++i) EXPECT_GT(bites[i].time, bites[i - 1].time);
    EXPECT_EQ(bites[0].time, plan.timing.bites.lower);
}

TEST(TacoBites, EveryPointIsEatenNeverAfterItsBiteHasPassedAndByAtMostTwelve) {
    for (std::uint32_t seed : {1u, 2u, 3u, 4u})
        for (auto size : {double2{800, 600}, double2{1200, 130}, double2{300, 900}, double2{60, 40}})
            expectEverythingEaten(tacoPlan(uniforms(float(size.x), float(size.y), true, seed)));
    // Long thin regions, the ones that want the most bites.
    for (std::uint32_t seed = 0; seed < 3; ++seed) expectEverythingEaten(tacoPlan(uniforms(3000, 60 + 40.0f * seed, true, seed)));
}

TEST(TacoBites, BiteSizeAndHelpers) {
    EXPECT_NEAR(tacoBiteSize(1000, 100), 95.238095238, 1e-6);
    EXPECT_EQ(tacoBiteSize(20, 10), 16);
    EXPECT_EQ(tacoBiteSize(1000, 2000), 900);  // 0.45 of the larger side
    EXPECT_EQ(coverRadius({0, 0}, 2, {}), 2 / 0.925);
    EXPECT_EQ(coverRadius({0, 0}, 1, {{3, 4}, {1, 0}}), 6 / 0.925);
    // Three groups: two of three cells (found in that order) and one of four.
    const std::vector<bool> cells{true, true, false, true, true, true,  //
                                  false, false, false, false, false, false,  //
                                  true, true, true, false, true, false};
    const auto groups = uneatenGroups(cells, 6);
    ASSERT_EQ(groups.size(), 4u);
    EXPECT_EQ(groups[0].size(), 3u);
    EXPECT_EQ(groups[1].size(), 3u);
    EXPECT_EQ(groups[0][0], 3);
    EXPECT_EQ(groups[1][0], 12);
    EXPECT_EQ(groups[2].size(), 2u);
    EXPECT_EQ(groups[3].size(), 1u);
    // One 16-point bite takes a small region whole, at the start of the bites.
    const Taco one = tacoPlan(uniforms(20, 50, true, 9));
    ASSERT_EQ(one.bites.size(), 1u);
    EXPECT_EQ(one.bites[0].time, 0.42);
}

TEST(TacoBites, PiecesLeaveWithTheirBite) {
    const Taco plan = tacoPlan(uniforms(800, 600, true, 21));
    Taco::Piece far;
    far.kind = Kind::cheese;
    far.rest = {-5000, -5000, 0};
    Taco::Piece leaf;
    leaf.kind = Kind::leaf;
    leaf.rest = {-5000, -5000, 0};

    EffectRandom r1(1, tags::kTaco);
    const auto none = biteAway({far}, {}, plan, r1);
    EXPECT_EQ(none[0].gone, 2.004);
    EffectRandom r2(1, tags::kTaco);
    const auto late = biteAway({far, leaf}, plan.bites, plan, r2);
    EXPECT_EQ(late[0].gone, plan.bites.back().time + 0.004);
    EXPECT_FALSE(late[1].falls);

    // A leaf takes no draw for falling: six draws against seven.
    EffectRandom leafStream(1, tags::kTaco), cheeseStream(1, tags::kTaco), fresh(1, tags::kTaco);
    biteAway({leaf}, plan.bites, plan, leafStream);
    biteAway({far}, plan.bites, plan, cheeseStream);
    for (int i = 0; i < 6; ++i) fresh.next();
    const std::uint64_t seventh = fresh.next();
    EXPECT_EQ(leafStream.next(), seventh);
    EXPECT_NE(cheeseStream.next(), seventh);

    // Every filling piece is gone at the latest 0.004 after the last bite.
    for (const auto& p : plan.pieces) EXPECT_LE(p.gone, plan.bites.back().time + 0.004 + 1e-12);
}

TEST(TacoBites, CrumbsWithNowhereToGoStartAtTheirBite) {
    const Taco plan = tacoPlan(uniforms(800, 600, true, 21));
    const std::vector<Taco::Bite> bites{{{400, 200}, 5000, 0.5}, {{300, 150}, 20, 0.6}};
    EffectRandom random(4, tags::kTaco);
    const auto crumbs = biteCrumbs(bites, plan, random);
    ASSERT_EQ(crumbs.size(), 26u + 6u);  // 5000 / (6 s) is above 26; 20 / (6 s) below 6
    for (std::size_t i = 26; i < crumbs.size(); ++i) {
        EXPECT_EQ(crumbs[i].rest.x, 300);
        EXPECT_EQ(crumbs[i].rest.y, 150);
        EXPECT_EQ(crumbs[i].gone, 0.6);
        EXPECT_LE(crumbs[i].life, (0.93 - 0.6) * 1.2);
    }
}

// ---- Frames ----

TEST(TacoFrames, FoldAngleAndItsSwing) {
    const Taco thumb = tacoPlan(uniforms(600, 400, false));
    const Phase fold = thumb.timing.fold;
    EXPECT_EQ(thumb.foldAngle(fold.lower), 0);
    EXPECT_NEAR(thumb.foldAngle(fold.lower + 0.6 * (fold.upper - fold.lower)), kPi - 0.08, 1e-9);
    EXPECT_NEAR(thumb.foldAngle(fold.upper), kPi - 0.2, 1e-12);
    EXPECT_EQ(thumb.foldAngle(thumb.timing.unfold.upper), 0);
    // It dips below the full fold once before settling.
    double lowest = 10;
    for (double t = fold.lower + 0.7 * 0.24; t < fold.upper; t += 0.001) lowest = std::min(lowest, thumb.foldAngle(t));
    EXPECT_LT(lowest, kPi - 0.2);
}

TEST(TacoFrames, BeforeTheRoundingNothingIsDrawnButTheLook) {
    for (bool title : {false, true}) {
        const auto u = uniforms(600, 400, title);
        const Taco plan = tacoPlan(u);
        const auto frame = tacoFrame(plan, 0, model_tests::placed(u, 0.9));
        EXPECT_TRUE(frame.records.empty());
        EXPECT_EQ(frame.behind, 0);
        ASSERT_EQ(frame.look.size(), 22u);
        EXPECT_EQ(frame.look[7].x, 1);
        EXPECT_EQ(frame.look[7].z, 1.8f * 1440);
        EXPECT_EQ(frame.look[4].w, 2.9415927f);
    }
}

TEST(TacoFrames, TitleStripBitesShowInTheLook) {
    const auto u = uniforms(800, 600, true, 17);
    const Taco plan = tacoPlan(u);
    const double last = plan.bites.back().time;
    EXPECT_EQ(tacoFrame(plan, last + 0.0199, model_tests::placed(u, 1)).look[8].z, 1);
    EXPECT_EQ(tacoFrame(plan, last + 0.02, model_tests::placed(u, 1)).look[8].z, 0);
    const auto before = tacoFrame(plan, plan.bites.front().time + 0.01, model_tests::placed(u, 1));
    EXPECT_EQ(before.look[9].z, 0);
    EXPECT_EQ(before.look[9].w, 800);
    EXPECT_EQ(before.look[8].w, 1);
    EXPECT_NEAR(before.look[10].w, 0.01 / 0.014, 1e-6);
    for (std::size_t i = plan.bites.size(); i < 12; ++i) EXPECT_EQ(before.look[10 + i], float4{});
    // No filling remains once every bite has been taken.
    const auto eaten = tacoFrame(plan, last + 0.005, model_tests::placed(u, 1));
    for (const auto& f : eaten.records) EXPECT_NE(f.look.x, float(Kind::leaf));
    for (const auto& f : eaten.records) {
        const auto& p = plan.pieces[static_cast<std::size_t>(f.look.w)];
        EXPECT_TRUE(p.falls);
    }
}

TEST(TacoFrames, CrumbsFallOnlyAfterTheirBiteAndForTheirLife) {
    const auto u = uniforms(800, 600, true, 17);
    const Taco plan = tacoPlan(u);
    std::size_t index = 0;
    while (plan.pieces[index].drop) ++index;  // the first crumb
    const auto& crumb = plan.pieces[index];
    auto drawn = [&](double t) {
        for (const auto& f : tacoFrame(plan, t, model_tests::placed(u, 1)).records)
            if (f.look.w == float(index)) return true;
        return false;
    };
    EXPECT_FALSE(drawn(crumb.gone - 0.001));
    EXPECT_TRUE(drawn(crumb.gone + 0.001));
    EXPECT_FALSE(drawn(crumb.gone + crumb.life / 1.2 + 0.001));
}

TEST(TacoFrames, FillingDropsIntoTheFold) {
    const auto u = uniforms(800, 600, false, 2);
    const Taco plan = tacoPlan(u);
    const auto filled = tacoFrame(plan, plan.timing.fill.upper, model_tests::placed(u, 1));
    EXPECT_GT(filled.records.size(), 100u);
    EXPECT_GT(filled.behind, 0);
    for (int i = 1; i < filled.behind; ++i)
        EXPECT_LE(filled.records[i - 1].place.z, filled.records[i].place.z);
    // Flying, the taco moves toward the thumbnail and takes on its opacity.
    const auto flying = tacoFrame(plan, 0.5, model_tests::placed(u, 0.6));
    EXPECT_LT(flying.look[7].y, 1);
    EXPECT_GT(flying.look[7].y, 0.6);
    EXPECT_GT(flying.look[3].x, filled.look[3].x);
    // After the shrink window only the sheet on the thumbnail is left.
    EXPECT_TRUE(tacoFrame(plan, 0.95, model_tests::placed(u, 0.6)).records.empty());
}

}  // namespace
}  // namespace furlpane::effects
