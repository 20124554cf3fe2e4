#include "transitions/effects/shatter/shatter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

#include "effects_test_support.h"

namespace furlpane::effects {
namespace {

TransitionUniforms uniforms(double w, double h, uint32_t seed, bool titleStrip, double2 standInCentre = {100, 500}) {
    TransitionUniforms u;
    u.window = {0, 0, static_cast<float>(w), static_cast<float>(h)};
    u.standIn = {static_cast<float>(standInCentre.x - 60), static_cast<float>(standInCentre.y - 40), 120, 80};
    u.room = {0, 0, 2000, 1500};
    u.titleBarHeight = 28;
    u.standInCrop = titleStrip ? 0.1f : 1.0f;
    u.seed = seed;
    return u;
}

double totalArea(const Shatter& s) {
    double sum = 0;
    for (const auto& shard : s.shards) sum += polygonArea(shard.corners);
    return sum;
}

size_t insertionsOf(const Shatter& s) {
    size_t corners = 0;
    for (const auto& shard : s.shards) corners += shard.corners.size();
    return s.shatterMesh().size() / 3 - corners;
}

size_t distinctCornersOf(const Shatter& s) {
    WeldMap weld;
    std::vector<double2> distinct;
    for (const auto& shard : s.shards)
        for (const double2 c : shard.corners) weldCorner(c, weld, distinct);
    return distinct.size();
}

TEST(ShatterCutting, WorkedExamplesOfSeedZero) {
    struct Example {
        bool titleStrip;
        double2 impact;
        double reach;
        size_t shards, distinctCorners, insertions, meshVertices, edgeRecords;
    };
    // The thumbnail's stand-in centre lies at (100, 500) from the window's origin.
    const Example examples[] = {{true, {341.2561, 264.7261}, 568.2029, 131, 163, 53, 1692, 1048},
                                {false, {477.1305, 231.5686}, 602.8227, 129, 160, 40, 1629, 1032}};
    for (const Example& e : examples) {
        SCOPED_TRACE(e.titleStrip ? "title strip" : "thumbnail");
        const Shatter s = shatterPlan(uniforms(800, 600, 0, e.titleStrip, {100, 500}));
        EXPECT_POINT_NEAR(s.impact, e.impact, 5e-5);
        EXPECT_NEAR(s.reach, e.reach, 5e-5);
        EXPECT_EQ(s.crush, std::min(26.0, 0.045 * s.reach));
        EXPECT_EQ(s.titleBar, e.titleStrip ? 28 : 0);
        ASSERT_EQ(s.shards.size(), e.shards);
        for (size_t i = 0; i < s.shards.size(); ++i) EXPECT_EQ(s.shards[i].stays, e.titleStrip && i == 0);
        if (e.titleStrip) {
            EXPECT_EQ(s.shards[0].sides, (std::vector<int>{-1, -1, -1, -1}));
        }
        EXPECT_NEAR(totalArea(s), 480000, 1e-6);
        EXPECT_EQ(distinctCornersOf(s), e.distinctCorners);
        EXPECT_EQ(insertionsOf(s), e.insertions);
        EXPECT_EQ(s.shatterMesh().size(), e.meshVertices);
        EXPECT_EQ(s.shardRecords().size(), e.edgeRecords);
    }
    EXPECT_NE(shatterPlan(uniforms(800, 600, 1, false)).impact, shatterPlan(uniforms(800, 600, 0, false)).impact);
}

TEST(ShatterCutting, RaysRingsAndRawShardsOfTheTitleStripExample) {
    // Replays the builder's stream: two impact draws, then the rays, rings and points.
    EffectRandom random(0, tags::kShatter);
    random.unit();
    random.unit();
    const Shatter s = shatterPlan(uniforms(800, 600, 0, true));
    const std::vector<double> angles = rayAngles(800 * 572, random);
    EXPECT_EQ(angles.size(), 17u);
    const std::vector<double> radii = ringRadii(s.reach, angles, random);
    const double expected[] = {31.4267, 56.4673, 98.2354, 176.1919, 279.8710, 420.5437, 653.4334};
    ASSERT_EQ(radii.size(), 7u);
    for (size_t i = 0; i < 7; ++i) EXPECT_NEAR(radii[i], expected[i], 5e-5) << i;
    EXPECT_GE(radii.back(), 1.15 * s.reach);
    const auto points = ringPoints(s.impact, radii, angles, random);
    for (size_t j = 0; j < angles.size(); ++j) {
        for (size_t k = 1; k < points.size(); ++k) {
            const double inner = std::hypot(points[k - 1][j].x - s.impact.x, points[k - 1][j].y - s.impact.y);
            const double outer = std::hypot(points[k][j].x - s.impact.x, points[k][j].y - s.impact.y);
            EXPECT_GE(outer, 1.18 * inner * (1 - 1e-12));
        }
    }
    EXPECT_EQ(rawShards(s.impact, points).size(), 119u);
}

TEST(ShatterCutting, RayCountFollowsTheBodyArea) {
    EffectRandom random(3, tags::kShatter);
    EXPECT_EQ(rayAngles(1200 * 800, random).size(), 18u);  // 24.49 rounds to 24, limited to 18
    EXPECT_EQ(rayAngles(100 * 100, random).size(), 9u);    // exactly 2.5 rounds to 3, raised to 9
    EXPECT_EQ(rayAngles(0, random).size(), 9u);
}

TEST(ShatterCutting, ImpactStaysInItsBandForEverySeed) {
    for (const uint32_t seed : {0u, 1u, 0x80000000u, 0xFFFFFFFFu, 77u, 1234567u}) {
        const Shatter strip = shatterPlan(uniforms(800, 600, seed, true));
        EXPECT_GE(strip.impact.x, 0.36 * 800);
        EXPECT_LE(strip.impact.x, 0.64 * 800);
        EXPECT_GE(strip.impact.y, 28 + 0.35 * 572);
        EXPECT_LE(strip.impact.y, 28 + 0.55 * 572);
        // A stand-in centred on the window's centre gives a random direction.
        for (const double2 centre : {double2{400, 300}, double2{400.5, 300.5}, double2{-3000, 9000}}) {
            const Shatter thumb = shatterPlan(uniforms(800, 600, seed, false, centre));
            EXPECT_GE(thumb.impact.x, 0.2 * 800);
            EXPECT_LE(thumb.impact.x, 0.8 * 800);
            EXPECT_GE(thumb.impact.y, 0.2 * 600);
            EXPECT_LE(thumb.impact.y, 0.8 * 600);
        }
    }
    // The blow lands beyond the centre, seen from the thumbnail at the lower left.
    const Shatter far = shatterPlan(uniforms(800, 600, 5, false, {0, 600}));
    EXPECT_GT(far.impact.x, 400 - 0.07 * 800);
    EXPECT_LT(far.impact.y, 300 + 0.07 * 600);
}

// Every shard lies inside the window and off the title bar; edges on the window's edges
// are borders, edges on the title bar's lower line cracks; the areas fill the window.
void expectSoundCut(const Shatter& s) {
    const double w = s.size.x, h = s.size.y, tb = s.titleBar;
    EXPECT_NEAR(totalArea(s), w * h, 1e-9 * w * h + 1e-6);
    ASSERT_EQ(s.plans.size(), s.shards.size());
    for (size_t i = 0; i < s.shards.size(); ++i) {
        const auto& shard = s.shards[i];
        ASSERT_GE(shard.corners.size(), 3u);
        ASSERT_EQ(shard.sides.size(), shard.corners.size());
        if (shard.stays) {
            EXPECT_EQ(i, 0u);
            continue;
        }
        for (size_t k = 0; k < shard.corners.size(); ++k) {
            const double2 a = shard.corners[k], b = shard.corners[(k + 1) % shard.corners.size()];
            EXPECT_GE(a.x, -1e-9);
            EXPECT_LE(a.x, w + 1e-9);
            EXPECT_GE(a.y, tb - 1e-9);
            EXPECT_LE(a.y, h + 1e-9);
            const bool onEdge = (a.x == 0 && b.x == 0) || (a.x == w && b.x == w) || (a.y == h && b.y == h);
            if (onEdge) {
                EXPECT_EQ(shard.sides[k], -1);
            }
            if (a.y == tb && b.y == tb) {
                EXPECT_EQ(shard.sides[k], tb > 0 ? 0 : -1);
            }
        }
    }
}

TEST(ShatterCutting, CutsAreSoundForEverySeedAndSize) {
    for (const uint32_t seed : {0u, 1u, 0x80000000u, 0xFFFFFFFFu}) {
        for (const double2 size : {double2{800, 600}, double2{1200, 800}, double2{100, 100}, double2{2560, 1440},
                                   double2{30, 900}, double2{1, 1}, double2{3, 2}}) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " size " << size.x << "x" << size.y);
            expectSoundCut(shatterPlan(uniforms(size.x, size.y, seed, true)));
            expectSoundCut(shatterPlan(uniforms(size.x, size.y, seed, false)));
        }
    }
}

TEST(ShatterCutting, TitleBarAsTallAsTheWindowLeavesOnlyTheTitlePiece) {
    TransitionUniforms u = uniforms(400, 20, 9, true);
    const Shatter s = shatterPlan(u);
    ASSERT_EQ(s.shards.size(), 1u);
    EXPECT_TRUE(s.shards[0].stays);
    EXPECT_EQ(s.titleBar, 20);
}

TEST(ShatterCutting, AbsurdUniformsGiveABoundedPlan) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (const float bad : {nan, inf, -inf, 3e38f, -5.0f}) {
        TransitionUniforms u = uniforms(800, 600, 1, false);
        u.window = {bad, bad, bad, bad};
        u.standIn = {bad, 0, bad, bad};
        u.titleBarHeight = bad;
        for (const float crop : {0.5f, 1.0f}) {
            u.standInCrop = crop;
            const Shatter s = shatterPlan(u);
            EXPECT_TRUE(std::isfinite(s.reach));
            EXPECT_LE(s.size.x, kLongestLength);
            EXPECT_LT(s.shards.size(), 5000u);
            expectSoundCut(s);
        }
    }
}

TEST(ShatterCutting, SplitPolygonKeepsTheNonNegativeSide) {
    const Shatter::Shard square{{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {-1, -1, -1, -1}, true};
    // Keep x ≤ 4: the cut runs through the top and bottom edges.
    const auto left = splitPolygon({4, -6, -6, 4}, 0, square);
    ASSERT_TRUE(left);
    EXPECT_EQ(left->corners, (std::vector<double2>{{0, 0}, {4, 0}, {4, 10}, {0, 10}}));
    EXPECT_EQ(left->sides, (std::vector<int>{-1, 0, -1, -1}));
    EXPECT_TRUE(left->stays);
    // A cut through a corner (distance exactly 0, or within 1e-9 of it).
    const auto half = splitPolygon({1e-10, 10, 1e-12, -10}, 7, square);
    ASSERT_TRUE(half);
    EXPECT_EQ(half->corners.size(), 3u);
    EXPECT_EQ(half->sides.back(), 7);
    // Nothing, or only a sliver, on the kept side.
    EXPECT_FALSE(splitPolygon({-1, -1, -1, -1}, 0, square));
    EXPECT_FALSE(splitPolygon({1e-8, -1, -1, 1e-8}, 0, square));
    EXPECT_FALSE(splitPolygon({1, 1}, 0, square));  // mismatched input is refused
}

TEST(ShatterPlans, ThrownShardsHomingAndFading) {
    for (const uint32_t seed : {0u, 1u, 0x80000000u, 0xFFFFFFFFu}) {
        const Shatter strip = shatterPlan(uniforms(800, 600, seed, true));
        size_t thrown = 0;
        for (size_t i = 0; i < strip.plans.size(); ++i) {
            const auto& p = strip.plans[i];
            EXPECT_FALSE(p.homing);
            ASSERT_TRUE(p.fading);
            EXPECT_LE(p.fading->upper, 0.82);
            EXPECT_LE(p.fading->lower, p.fading->upper);
            EXPECT_GT(p.release, p.bulge);
            if (p.velocity.z >= 2000) ++thrown;
        }
        // 130 candidates: min(6, 130 / 25) = 5 thrown.
        EXPECT_EQ(thrown, (strip.shards.size() - 1) / 25 >= 6 ? 6u : (strip.shards.size() - 1) / 25);
        const Shatter thumb = shatterPlan(uniforms(800, 600, seed, false));
        for (const auto& p : thumb.plans) {
            ASSERT_TRUE(p.homing);
            EXPECT_FALSE(p.fading);
            EXPECT_GE(p.homing->lower, p.release + 0.12);
            EXPECT_GE(p.homing->upper, 0.6);
            EXPECT_LE(p.homing->upper, 0.8);
            EXPECT_LT(p.velocity.z, 2000);
            EXPECT_NEAR(p.axis.x * p.axis.x + p.axis.y * p.axis.y + p.axis.z * p.axis.z, 1, 1e-12);
        }
    }
}

std::vector<Shatter::Shard> squares(size_t count) {
    std::vector<Shatter::Shard> shards;
    for (size_t i = 0; i < count; ++i) {
        const double x = static_cast<double>(i) * 10;
        shards.push_back({{{x, 0}, {x + 10, 0}, {x + 10, 10}, {x, 10}}, {0, 0, 0, 0}, false});
    }
    return shards;
}

size_t thrownCount(size_t candidates) {
    EffectRandom random(11, tags::kShatter);
    size_t thrown = 0;
    for (const auto& p : shardPlans(squares(candidates), true, {0, 50}, 100, {10, 10}, random))
        if (p.velocity.z >= 2000) ++thrown;
    return thrown;
}

TEST(ShatterPlans, ThrownCountsFollowTheCandidates) {
    const std::pair<size_t, size_t> counts[] = {{1, 1}, {49, 1}, {50, 2}, {74, 2}, {75, 3}, {149, 5}, {150, 6}, {400, 6}};
    for (const auto& [candidates, thrown] : counts) EXPECT_EQ(thrownCount(candidates), thrown) << candidates;
    // Without candidates nothing is thrown and nothing drawn for it: the staying piece
    // takes its eight draws and the stream goes on from there.
    std::vector<Shatter::Shard> only{{{{0, 0}, {10, 0}, {10, 10}}, {-1, -1, -1}, true}};
    EffectRandom random(11, tags::kShatter), replay(11, tags::kShatter);
    shardPlans(only, true, {0, 0}, 10, {10, 10}, random);
    for (int i = 0; i < 8; ++i) replay.next();
    EXPECT_EQ(random.next(), replay.next());
}

TEST(ShatterPlans, CrushFollowsReach) {
    const Shatter small = shatterPlan(uniforms(120, 90, 0, false));
    EXPECT_LE(small.reach, 133.3);
    EXPECT_EQ(small.crush, 6);
    const Shatter large = shatterPlan(uniforms(1600, 1000, 0, false));
    EXPECT_GE(large.reach, 577.8);
    EXPECT_EQ(large.crush, 26);
}

TEST(ShatterMesh, WeldingJoinsNearCornersAndInsertsTJunctions) {
    WeldMap weld;
    std::vector<double2> distinct;
    const double2 a = weldCorner({5, 5}, weld, distinct);
    EXPECT_EQ(weldCorner({5 + 4e-7, 5 - 4e-7}, weld, distinct), a);  // within 1e-6: the stored one
    EXPECT_EQ(weldCorner({5 + 2e-6, 5}, weld, distinct), (double2{5 + 2e-6, 5}));
    EXPECT_EQ(distinct.size(), 2u);

    // A tall shard whose right edge passes the corner of two small neighbours.
    Shatter s;
    s.size = {20, 20};
    s.shards = {{{{0, 0}, {10, 0}, {10, 20}, {0, 20}}, {-1, 0, -1, -1}, false},
                {{{10, 0}, {20, 0}, {20, 10}, {10, 10 + 1e-7}}, {-1, -1, 0, 0}, false},
                {{{10, 10}, {20, 10}, {20, 20}, {10, 20}}, {0, -1, -1, 0}, false}};
    const auto mesh = s.shatterMesh();
    // 5 outline vertices for the tall shard (one inserted), 4 and 4 for the others.
    ASSERT_EQ(mesh.size(), 3u * (5 + 4 + 4));
    for (size_t v = 0; v < 15; ++v) EXPECT_EQ(mesh[v].z, 0.0f);
    // The second triangle of shard 0 ends at the inserted corner, the third starts there.
    EXPECT_EQ(mesh[5], (float4{10, 10, 0, 0}));
    EXPECT_EQ(mesh[7], (float4{10, 10, 0, 0}));
    for (size_t v = 15; v < mesh.size(); ++v) EXPECT_EQ(mesh[v].w, 0.0f);
}

TEST(ShatterMesh, EdgeRecordsPointInwardAndPad) {
    Shatter s;
    s.shards = {{{{0, 0}, {10, 0}, {0, 10}}, {-1, 0, -1}, false},
                {{{0, 0}, {1, 0}, {2, 0.5}, {3, 1.5}, {3.5, 3}, {3, 4.5}, {2, 5.5}, {1, 6}, {0, 5}}, std::vector<int>(9, 0), false}};
    const auto records = s.shardRecords();
    ASSERT_EQ(records.size(), 16u);
    for (size_t i = 3; i < 8; ++i) EXPECT_EQ(records[i], (float4{0, 0, 0, -2}));
    for (size_t i = 8; i < 16; ++i) EXPECT_NE(records[i].w, -2.0f);  // only the first eight edges
    EXPECT_EQ(records[1].w, 0.0f);
    for (const double2 p : {double2{1, 1}, double2{4, 4}, double2{0.1, 8}}) {
        for (size_t i = 0; i < 3; ++i) EXPECT_GE(records[i].x * p.x + records[i].y * p.y + records[i].z, -1e-5);
    }
    // Every point inside a convex shard of the example lies on the inner side of its edges.
    const Shatter plan = shatterPlan(uniforms(800, 600, 0, false));
    const auto all = plan.shardRecords();
    for (size_t i = 0; i < plan.shards.size(); ++i) {
        const double2 c = centroid(plan.shards[i].corners);
        for (size_t k = 0; k < 8; ++k) {
            const float4 r = all[i * 8 + k];
            if (r.w == -2) continue;
            EXPECT_GE(r.x * c.x + r.y * c.y + r.z, -1e-3) << i;
        }
    }
}

double2 placed(const Shatter::ShardFrame& f, double2 p) {
    const float4 v = f.transform.columns[0] * static_cast<float>(p.x) + f.transform.columns[1] * static_cast<float>(p.y) +
                     f.transform.columns[3];
    return {v.x / v.w, v.y / v.w};
}

TEST(ShardFrames, StartInTheWindowAndGatherOnTheStandIn) {
    TransitionUniforms u = uniforms(800, 600, 1, false, {1500, 1200});
    u.window = {100, 50, 800, 600};
    const Shatter s = shatterPlan(u);
    const Rect2 window{{100, 50}, {800, 600}}, standIn{{1440, 1160}, {120, 80}}, room{{0, 0}, {2000, 1500}};
    const auto start = shardFrames(s, 0, model_tests::placed(window, standIn, room, {2000, 1500}, 0.8)).records;
    const auto end = shardFrames(s, 1, model_tests::placed(window, standIn, room, {2000, 1500}, 0.8)).records;
    ASSERT_EQ(start.size(), s.shards.size());
    for (size_t i = 0; i < s.shards.size(); ++i) {
        for (const double2 c : s.shards[i].corners) {
            EXPECT_POINT_NEAR(placed(start[i], c), (double2{100 + c.x, 50 + c.y}), 1e-3);
            EXPECT_POINT_NEAR(placed(end[i], c), (double2{1440 + c.x * 120 / 800, 1160 + c.y * 80 / 600}), 1e-3);
        }
        EXPECT_EQ(start[i].look.x, 1.0f);
        EXPECT_FLOAT_EQ(end[i].look.x, 0.8f);
        EXPECT_EQ(end[i].flash, (float4{0, 0, 0, 0}));
    }
    // On the way every shard's opacity stays within 0 ... 1, and in the middle the shards
    // have left their places.
    for (int k = 0; k <= 20; ++k) {
        for (const auto& f :
             shardFrames(s, k / 20.0, model_tests::placed(window, standIn, room, {2000, 1500}, 0.8)).records) {
            ASSERT_GE(f.look.x, 0.0f);
            ASSERT_LE(f.look.x, 1.0f);
        }
    }
    const auto middle = shardFrames(s, 0.4, model_tests::placed(window, standIn, room, {2000, 1500}, 0.8)).records;
    size_t moved = 0;
    for (size_t i = 0; i < s.shards.size(); ++i) {
        const double2 c = centroid(s.shards[i].corners);
        const double2 m = placed(middle[i], c);
        if (std::hypot(m.x - 100 - c.x, m.y - 50 - c.y) > 20) ++moved;
    }
    EXPECT_GT(moved, s.shards.size() * 9 / 10);
}

TEST(ShardFrames, TitleStripKeepsItsTitleBarAndFadesTheRest) {
    const Shatter s = shatterPlan(uniforms(800, 600, 0, true));
    const Rect2 window{{0, 0}, {800, 600}}, standIn{{0, 0}, {800, 28}}, room{{0, 0}, {2000, 1500}};
    for (const double t : {0.0, 0.3, 0.7, 0.82, 1.0}) {
        const auto frames = shardFrames(s, t, model_tests::placed(window, standIn, room, {2000, 1500}, 1)).records;
        EXPECT_POINT_NEAR(placed(frames[0], {800, 28}), (double2{800, 28}), 1e-3);
        EXPECT_EQ(frames[0].look.x, 1.0f);
        if (t >= 0.82) {
            for (size_t i = 1; i < frames.size(); ++i) EXPECT_EQ(frames[i].look.x, 0.0f);
        }
    }
}

}  // namespace
}  // namespace furlpane::effects
