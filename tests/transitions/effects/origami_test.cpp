#include "transitions/effects/origami/origami.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "effects_test_support.h"

namespace furlpane::effects {
namespace {

using model_tests::mapped;

double area(const std::vector<double2>& c) {
    double s = 0;
    for (size_t i = 0; i < c.size(); ++i) {
        const double2 a = c[i], b = c[(i + 1) % c.size()];
        s += a.x * b.y - a.y * b.x;
    }
    return std::abs(s) / 2;
}

void expectSoundPlan(const Origami& plan) {
    EXPECT_EQ(plan.creaseHeights.size(), plan.folds.size());
    for (const Origami::Facet& f : plan.facets) {
        EXPECT_EQ(f.turns.size(), plan.folds.size());
        EXPECT_GE(f.corners.size(), 3u);
        EXPECT_EQ(f.sides.size(), f.corners.size());
        EXPECT_GT(area(f.corners), 1e-6);
    }
    // The facets cover the sheet exactly once.
    double total = 0;
    for (const Origami::Facet& f : plan.facets) total += area(f.corners);
    EXPECT_NEAR(total, plan.size.x * plan.size.y, 1e-6 * plan.size.x * plan.size.y);
}

TEST(OrigamiTitleStrip, ThreeHundredPointWindowHalvesFiveTimes) {
    const Origami plan = titleStripOrigami({500, 300}, 28);
    ASSERT_EQ(plan.folds.size(), 6u);
    const double creases[] = {164, 96, 62, 45, 36.5, 28};
    const double uppers[] = {0.3093, 0.4963, 0.6365, 0.7417, 0.8206, 0.86};
    double lower = 0.06;
    for (int j = 0; j < 6; ++j) {
        const Origami::Fold& f = plan.folds[j];
        EXPECT_EQ(f.crease, (Origami::Line{{0, creases[j]}, {1, 0}}));
        EXPECT_EQ(f.side, 1);
        EXPECT_EQ(f.folding.lower, lower);
        EXPECT_NEAR(f.folding.upper, uppers[j], 5e-5);
        EXPECT_EQ(f.isTowardViewer, j < 5);
        EXPECT_EQ(f.tucksAway, j == 5);
        EXPECT_FALSE(f.unfolding);
        lower = f.folding.upper;
    }
    EXPECT_EQ(plan.facets.size(), 33u);
    const double heights[] = {0.005, 0.015, 0.035, 0.075, 0.155, -0.005};
    for (int j = 0; j < 6; ++j) EXPECT_DOUBLE_EQ(plan.creaseHeights[j], heights[j]);
    EXPECT_FALSE(plan.flight);
    EXPECT_EQ(plan.settling, (Phase{0.88, 0.94}));
    expectSoundPlan(plan);
    // Only the title band stays in place: every other facet is turned by the tuck.
    int staying = 0;
    for (const Origami::Facet& f : plan.facets) {
        if (f.turns[5]) continue;
        ++staying;
        for (const double2& c : f.corners) EXPECT_LE(c.y, 28);
    }
    EXPECT_EQ(staying, 1);
}

TEST(OrigamiTitleStrip, BodyHeightDecidesTheHalvings) {
    EXPECT_EQ(titleStripOrigami({300, 48}, 28).folds.size(), 2u);   // a body of 20: one halving and the tuck
    EXPECT_EQ(titleStripOrigami({300, 49}, 28).folds.size(), 3u);
    EXPECT_EQ(titleStripOrigami({300, 668}, 28).folds.size(), 7u);  // a body of 640: six
    const Origami tall = titleStripOrigami({300, 669}, 28);
    EXPECT_EQ(tall.folds.size(), 8u);                                // above 640: seven and the tuck
    EXPECT_EQ(tall.facets.size(), 129u);
    expectSoundPlan(tall);
}

TEST(OrigamiTitleStrip, TitleBarAsTallAsTheSheet) {
    const Origami plan = titleStripOrigami({300, 40}, 60);
    ASSERT_EQ(plan.folds.size(), 2u);
    for (const Origami::Fold& f : plan.folds) {
        EXPECT_EQ(f.crease.origin.y, 40);
        EXPECT_EQ(f.side, -1);
    }
    // The whole sheet turns over its lower edge; the tuck then finds nothing to turn.
    ASSERT_EQ(plan.facets.size(), 1u);
    EXPECT_TRUE(plan.facets[0].turns[0]);
    EXPECT_FALSE(plan.facets[0].turns[1]);
    EXPECT_EQ(plan.creaseHeights[1], 0);
    expectSoundPlan(plan);
}

TEST(OrigamiTitleStrip, NoTitleBarTucksEverything) {
    for (double bar : {0.0, -12.0}) {
        const Origami plan = titleStripOrigami({300, 200}, bar);
        EXPECT_EQ(plan.folds.back().crease.origin.y, 0);
        for (const Origami::Facet& f : plan.facets) EXPECT_TRUE(f.turns.back());
        expectSoundPlan(plan);
    }
}

TEST(OrigamiDart, WorkedExampleToTheRight) {
    const Origami plan = windowOrigami({400, 300}, {900, 100});
    ASSERT_EQ(plan.folds.size(), 7u);
    const double sides[] = {-1, 1, 1, -1, 1, -1, -1};
    for (int k = 0; k < 7; ++k) EXPECT_EQ(plan.folds[k].side, sides[k]) << k;
    EXPECT_EQ(plan.folds[0].crease.origin, (double2{250, 0}));
    EXPECT_EQ(plan.folds[1].crease.origin, (double2{250, 300}));
    EXPECT_EQ(plan.folds[2].crease.origin, (double2{400, 150}));
    EXPECT_EQ(plan.folds[4].crease, (Origami::Line{{0, 150}, {1, 0}}));
    EXPECT_EQ(plan.folds[5].crease.origin, (double2{0, 105}));
    EXPECT_EQ(plan.folds[5].layers.kind, Origami::Layers::Kind::from);
    EXPECT_EQ(plan.folds[5].layers.line, plan.folds[4].crease);
    EXPECT_EQ(plan.folds[5].layers.side, 1);
    EXPECT_EQ(plan.folds[6].layers.side, -1);
    EXPECT_TRUE(plan.folds[5].isTowardViewer);
    EXPECT_FALSE(plan.folds[6].isTowardViewer);
    EXPECT_EQ(plan.folds[5].angle, 1.413716694115407);
    ASSERT_TRUE(plan.flight);
    EXPECT_EQ(plan.flight->pivot, (double2{200, 105}));
    EXPECT_EQ(plan.flight->nose, (double2{1, 0}));
    EXPECT_EQ(plan.flight->top, (double2{0, -1}));
    EXPECT_EQ(plan.flight->length, 400);
    EXPECT_EQ(plan.flight->span, (Phase{0.42, 0.70}));
    EXPECT_EQ(plan.settling, (Phase{0.89, 0.94}));

    EXPECT_EQ(plan.facets.size(), 16u);
    std::set<int> layers;
    for (const Origami::Facet& f : plan.facets) layers.insert(f.layer);
    EXPECT_EQ(layers, (std::set<int>{0, 1, 3, 4, 8, 10, 13, 15}));
    const double heights[] = {0.02, 0.04, 0.08, 0.14, 0.30, 0.62, -0.02};
    for (int k = 0; k < 7; ++k) EXPECT_DOUBLE_EQ(plan.creaseHeights[k], heights[k]) << k;
    expectSoundPlan(plan);
}

TEST(OrigamiDart, FramesMirrorTowardTheTarget) {
    const Origami left = windowOrigami({400, 300}, {-50, 100});
    EXPECT_EQ(left.folds[2].crease.origin, (double2{0, 150}));
    EXPECT_EQ(left.folds[0].crease.origin, (double2{150, 0}));
    EXPECT_POINT_NEAR(left.folds[0].crease.direction, (double2{-0.7071, 0.7071}), 1e-4);
    EXPECT_EQ(left.facets.size(), 16u);
    // A square sheet is landscape, and a target exactly at the middle counts as the
    // side of larger x (larger y for a tall sheet).
    EXPECT_EQ(windowOrigami({300, 300}, {150, 0}).folds[2].crease.origin, (double2{300, 150}));
    EXPECT_EQ(windowOrigami({200, 400}, {0, 200}).folds[2].crease.origin, (double2{100, 400}));
    EXPECT_EQ(windowOrigami({200, 400}, {0, 199}).folds[2].crease.origin, (double2{100, 0}));
    for (const double2 target : {double2{-50, 100}, double2{100, 900}, double2{100, -900}}) {
        const Origami plan = windowOrigami({200, 400}, target);
        EXPECT_EQ(plan.facets.size(), 16u);
        expectSoundPlan(plan);
    }
}

TEST(OrigamiFolds, FilteredFoldLeavesRejectedFacetsWhole) {
    // Fold 0 stands up along x = 100 without lying flat; fold 1 halves only the facets
    // right of that line.
    Origami::Fold stand;
    stand.crease = {{100, 0}, {0, 1}};
    stand.side = 1;
    stand.angle = 1;
    stand.folding = {0.1, 0.2};
    Origami::Fold half;
    half.crease = {{0, 50}, {1, 0}};
    half.side = 1;
    half.angle = 3.141592653589793;
    half.layers = Origami::Layers::from(stand.crease, -1);
    half.folding = {0.2, 0.3};
    const Origami plan = applyFolds({200, 100}, {stand, half}, std::nullopt, 0.01, {0.9, 0.95});
    ASSERT_EQ(plan.facets.size(), 3u);
    int whole = 0;
    for (const Origami::Facet& f : plan.facets) whole += f.corners.size() == 4 && area(f.corners) == 100 * 100;
    EXPECT_EQ(whole, 1);
    EXPECT_DOUBLE_EQ(plan.creaseHeights[0], 0.005);  // half a layer in front of its movers
    expectSoundPlan(plan);
}

TEST(OrigamiFolds, SplitFacetKeepsCornersOnTheCreaseInBothPieces) {
    Origami::Facet square;
    square.corners = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    square.sides = {-1, -1, -1, -1};
    const std::vector<double> values{-5, 5, 5, -5};
    const auto right = splitFacet(square, values, KeptSide::positive, 3);
    ASSERT_TRUE(right);
    EXPECT_EQ(right->corners, (std::vector<double2>{{5, 0}, {10, 0}, {10, 10}, {5, 10}}));
    EXPECT_EQ(right->sides, (std::vector<int>{-1, -1, -1, 3}));
    const auto left = splitFacet(square, values, KeptSide::negative, 3);
    ASSERT_TRUE(left);
    EXPECT_EQ(left->sides, (std::vector<int>{-1, 3, -1, -1}));
    // A facet wholly on one side comes back whole from that side and not at all from
    // the other.
    const std::vector<double> touching{0, 5, 5, 0};
    EXPECT_EQ(splitFacet(square, touching, KeptSide::positive, 1)->corners, square.corners);
    EXPECT_FALSE(splitFacet(square, touching, KeptSide::negative, 1));
    EXPECT_FALSE(splitFacet(square, {1, 2}, KeptSide::positive, 1));  // values that do not match
}

TEST(OrigamiMesh, SingleFacetMakesAFanAndFourEdges) {
    const Origami plan = applyFolds({40, 30}, {}, std::nullopt, 0.01, {0.9, 0.95});
    const std::vector<float4> mesh = origamiMesh(plan);
    ASSERT_EQ(mesh.size(), 12u);
    for (size_t i = 0; i < mesh.size(); i += 3) {
        EXPECT_EQ(mesh[i], (float4{20, 15, 0, 0}));
        EXPECT_EQ(mesh[i + 1].z, 0);
    }
    const std::vector<float4> edges = origamiFacetRecords(plan);
    ASSERT_EQ(edges.size(), 8u);
    EXPECT_EQ(edges[0], (float4{0, 1, 0, -1}));
    EXPECT_EQ(edges[1], (float4{-1, 0, 40, -1}));
    EXPECT_EQ(edges[2], (float4{0, -1, 30, -1}));
    EXPECT_EQ(edges[3], (float4{1, 0, 0, -1}));
    for (int i = 4; i < 8; ++i) EXPECT_EQ(edges[i], (float4{0, 0, 0, -2}));
}

Origami twoFacets(std::vector<double2> a, std::vector<double2> b) {
    Origami plan;
    plan.size = {100, 100};
    for (auto* corners : {&a, &b}) {
        Origami::Facet f;
        f.corners = *corners;
        f.sides.assign(corners->size(), -1);
        plan.facets.push_back(f);
    }
    return plan;
}

TEST(OrigamiMesh, CornersSnapAndTJunctionsCloseCracks) {
    // The second facet's corner (1, 1 + 1e-7) snaps to the first facet's (1, 1).
    const Origami snapped = twoFacets({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {{1, 1 + 1e-7}, {2, 1}, {2, 2}});
    const std::vector<float4> mesh = origamiMesh(snapped);
    ASSERT_EQ(mesh.size(), 21u);
    EXPECT_EQ(mesh[13], (float4{1, 1, 1, 0}));

    // The corner (1, 1) of the upper facet lies in the middle of the lower facet's top
    // edge: the lower fan gains a triangle and keeps its own centre.
    const Origami tee = twoFacets({{0, 0}, {2, 0}, {2, 1}, {0, 1}}, {{0, 1}, {1, 1}, {1, 2}, {0, 2}});
    const std::vector<float4> fan = origamiMesh(tee);
    ASSERT_EQ(fan.size(), (5u + 4u) * 3u);
    EXPECT_EQ(fan[0], (float4{1, 0.5f, 0, 0}));
    EXPECT_EQ(fan[7], (float4{2, 1, 0, 0}));
    EXPECT_EQ(fan[8], (float4{1, 1, 0, 0}));
    EXPECT_EQ(fan[15], (float4{0.5f, 1.5f, 1, 0}));
}

TEST(OrigamiMesh, DartMeshNamesItsFacets) {
    const Origami plan = windowOrigami({400, 300}, {900, 100});
    const std::vector<float4> mesh = origamiMesh(plan);
    ASSERT_EQ(mesh.size() % 3, 0u);
    for (const float4& v : mesh) {
        EXPECT_GE(v.z, 0);
        EXPECT_LT(v.z, 16);
        EXPECT_EQ(v.z, std::floor(v.z));
    }
    const std::vector<float4> edges = origamiFacetRecords(plan);
    ASSERT_EQ(edges.size(), 16u * 8u);
    // Every facet's centroid lies inside all of its edges.
    for (size_t f = 0; f < plan.facets.size(); ++f) {
        double2 c{0, 0};
        for (const double2& p : plan.facets[f].corners) c += p;
        c = c / double(plan.facets[f].corners.size());
        for (int e = 0; e < 8; ++e) {
            const float4 r = edges[f * 8 + e];
            if (r.w == -2) continue;
            EXPECT_GT(r.x * c.x + r.y * c.y + r.z, 0);
            EXPECT_GE(r.w, -1);
            EXPECT_LT(r.w, 7);
        }
    }
}


const Rect2 kWindow{{200, 150}, {400, 300}};
const Rect2 kStandIn{{1500, 900}, {120, 90}};
const Rect2 kRoom{{0, 0}, {1920, 1080}};
const double2 kView{1920, 1080};

TEST(OrigamiFrame, EverythingRestsOnTheWindowAtTheStart) {
    for (const Origami& plan : {titleStripOrigami({400, 300}, 28), windowOrigami({400, 300}, {1360, 900})}) {
        const OrigamiFrame f =
            facetFrames(plan, 0, model_tests::placed(kWindow, kStandIn, kRoom, kView, 0.7, Direction::minimizing));
        ASSERT_EQ(f.records.size(), plan.facets.size());
        const float4x4 moved(double4x4::translation({200, 150, 0}));
        for (const Origami::FacetFrame& frame : f.records) {
            EXPECT_EQ(frame.transform, moved);
            EXPECT_EQ(frame.look, (float4{1, 1, 0, 1}));
        }
        EXPECT_EQ(f.look[0], (float4{0, 1.8f * 1920, 0, 0}));
    }
}

TEST(OrigamiFrame, TitleStripFoldsAndTucksBehindItsBand) {
    const Origami plan = titleStripOrigami({400, 300}, 28);
    for (int i = 0; i <= 50; ++i) {
        const OrigamiFrame f = facetFrames(
            plan, i / 50.0, model_tests::placed(kWindow, kStandIn, kRoom, kView, 0.5, Direction::minimizing));
        EXPECT_EQ(f.look[0], (float4{0, 1.8f * 1920, 0, 0}));
        for (const Origami::FacetFrame& frame : f.records) EXPECT_EQ(frame.look.w, 1);
    }
    // Halfway: the first halving has closed, the later ones not yet.
    const OrigamiFrame mid =
        facetFrames(plan, 0.33, model_tests::placed(kWindow, kStandIn, kRoom, kView, 1, Direction::minimizing));
    for (size_t k = 0; k < plan.facets.size(); ++k) {
        const Origami::Facet& facet = plan.facets[k];
        if (facet.turns[0] && !facet.turns[1] && !facet.turns[2]) {
            EXPECT_EQ(mid.records[k].look.z, 1);
            EXPECT_EQ(mid.records[k].look.x, 0);
        }
    }
    // Once the tuck has closed, every facet it turned is hidden; the band stays as it was.
    const OrigamiFrame end =
        facetFrames(plan, 0.9, model_tests::placed(kWindow, kStandIn, kRoom, kView, 1, Direction::minimizing));
    for (size_t k = 0; k < plan.facets.size(); ++k) {
        if (plan.facets[k].turns.back()) {
            EXPECT_EQ(end.records[k].look.y, 0);
        } else {
            EXPECT_EQ(end.records[k].look, (float4{1, 1, 0, 1}));
            EXPECT_EQ(end.records[k].transform, float4x4(double4x4::translation({200, 150, 0})));
        }
    }
}

TEST(OrigamiFrame, CreaseMarksFollowTheirOwnRuleWhenRestoring) {
    const Origami plan = windowOrigami({400, 300}, {1360, 900});
    auto mark = [&](double t, Direction d) {
        return facetFrames(plan, t, model_tests::placed(kWindow, kStandIn, kRoom, kView, 1, d)).look[1].x;  // fold 0
    };
    EXPECT_EQ(mark(0.05, Direction::minimizing), 0);
    EXPECT_EQ(mark(0.5, Direction::minimizing), 1);
    EXPECT_EQ(mark(0.95, Direction::minimizing), 0);
    // Fold 0 opens by 0.89: running back from 1 its mark appears between 0.89 and 0.87
    // and fades out below 0.055.
    EXPECT_EQ(mark(1.0, Direction::restoring), 0);
    EXPECT_EQ(mark(0.89, Direction::restoring), 0);
    EXPECT_EQ(mark(0.5, Direction::restoring), 1);
    EXPECT_EQ(mark(0.01, Direction::restoring), 0);
    // The title strip's look has room for sixteen marks; unused slots stay 0.
    const OrigamiFrame strip =
        facetFrames(titleStripOrigami({400, 300}, 28), 0.5,
                    model_tests::placed(kWindow, kStandIn, kRoom, kView, 1, Direction::minimizing));
    EXPECT_EQ(strip.look[2].z, 0);
    EXPECT_EQ(strip.look[4], (float4{0, 0, 0, 0}));
}

TEST(OrigamiFrame, DartLandsExactlyOnTheStandIn) {
    const Origami plan = windowOrigami({400, 300}, {1360, 900});
    for (double t : {0.94, 0.97, 1.0}) {
        const OrigamiFrame f =
            facetFrames(plan, t, model_tests::placed(kWindow, kStandIn, kRoom, kView, 0.6, Direction::minimizing));
        for (const Origami::FacetFrame& frame : f.records) {
            EXPECT_EQ(frame.look.x, 2);
            EXPECT_EQ(frame.look.z, 0);
            EXPECT_EQ(frame.look.w, 0.6f);
        }
        const double4x4 m(f.records[0].transform);
        EXPECT_POINT_NEAR(mapped(m, {0, 0}), (double2{1500, 900}), 1e-3);
        EXPECT_POINT_NEAR(mapped(m, {400, 300}), (double2{1620, 990}), 1e-3);
        EXPECT_EQ(m.columns[3].z, 0);
        EXPECT_EQ(f.look[0].x, 1);
    }
}

TEST(OrigamiFrame, LandingContinuesTheFlight) {
    const Origami plan = windowOrigami({400, 300}, {1360, 900});
    // A stand-in pressed against the room's corner: the dart touches down 8 points inside
    // the room, and the landing starts from there whatever the dart's scale (k above 1,
    // exactly 1, and below 1).
    for (const Rect2 standIn : {Rect2{{0, 0}, {120, 90}}, Rect2{{0, 0}, {200, 150}}, Rect2{{-150, 0}, {600, 450}}}) {
        const FlightPlacement end = flightPlacement(plan, 0.7 - 1e-9, kWindow.origin, standIn, kRoom, 3456);
        const FlightPlacement start = flightPlacement(plan, 0.7, kWindow.origin, standIn, kRoom, 3456);
        EXPECT_EQ(end.stage, 1);
        EXPECT_EQ(start.stage, 2);
        for (const double2 p : {double2{0, 0}, double2{400, 300}, double2{200, 105}})
            EXPECT_POINT_NEAR(mapped(end.transform, p), mapped(start.transform, p), 1e-3);
        const FlightPlacement landed = flightPlacement(plan, 0.94, kWindow.origin, standIn, kRoom, 3456);
        EXPECT_EQ(landed.stage, 3);
        EXPECT_POINT_NEAR(mapped(landed.transform, {200, 150}), standIn.origin + standIn.size / 2.0, 1e-9);
    }
    // A stand-in larger than the sheet on average (m > 1, so k = 1 / m) is landed on its
    // centre from the start, at a mean scale of 1.
    const Origami toBig = windowOrigami({400, 300}, {500, 400});
    const FlightPlacement first = flightPlacement(toBig, 0.7, kWindow.origin, {{300, 250}, {600, 450}}, kRoom, 3456);
    EXPECT_POINT_NEAR(mapped(first.transform, {200, 150}), (double2{600, 475}), 1e-9);
    const double2 span = mapped(first.transform, {400, 300}) - mapped(first.transform, {0, 0});
    EXPECT_NEAR((span.x / 400 + span.y / 300) / 2, 1, 1e-12);
}

TEST(OrigamiFrame, FlightHelpers) {
    // A path whose ends coincide never turns.
    const auto still = bezierPath({5, 5}, {5, 5}, {1, 0});
    EXPECT_EQ(pathTurn(still, 1, {1, 0}), 0);
    // Leaving upward and arriving along the diagonal: an eighth of a turn, clockwise.
    const auto bend = bezierPath({0, 0}, {100, 100}, {0, 1});
    EXPECT_NEAR(pathTurn(bend, 1, {0, 1}), -std::atan(1.0), 1e-12);
    EXPECT_EQ(rotationAbout({0, 0, 1}, {3, 4, 5}, 0), double4x4::identity());
    // A half turn about a line through (10, 0) along y maps x = 0 onto x = 20.
    const double4 r = rotationAbout({0, 2, 0}, {10, 0, 0}, 3.141592653589793) * double4{0, 7, 0, 1};
    EXPECT_NEAR(r.x, 20, 1e-12);
    EXPECT_NEAR(r.y, 7, 1e-12);
    EXPECT_NEAR(r.z, 0, 1e-12);
    // A facet whose folds have not started is carried by the flight alone.
    const Origami plan = windowOrigami({400, 300}, {1360, 900});
    const OrigamiFrame f =
        facetFrames(plan, 0.03, model_tests::placed(kWindow, kStandIn, kRoom, kView, 1, Direction::minimizing));
    EXPECT_EQ(f.records[3].transform, float4x4(double4x4::translation({200, 150, 0})));
}

}  // namespace
}  // namespace furlpane::effects
