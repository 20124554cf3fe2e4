#include "transitions/effects/blut_vene/blut_vene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>

namespace furlpane::effects {
namespace {

BlutVene sample(uint32_t seed) { return makeBlutVene(20, 16, seed, {50, 40}, {600, 480}); }

std::pair<float, float> growsFrom(const BlutVene::Segment& s) { return {s.ends.x, s.ends.y}; }
std::pair<float, float> growsTo(const BlutVene::Segment& s) { return {s.ends.z, s.ends.w}; }

TEST(BlutVene, HashGridAndRegion) {
    EXPECT_EQ(veinHash(0), 129708002u);  // the published values
    EXPECT_EQ(veinHash(1), 2831084092u);
    const BlutVene tiny = makeBlutVene(1, 1, 4, {0, 0}, {100, 100});
    EXPECT_EQ(tiny.columns, 2);
    EXPECT_EQ(tiny.rows, 2);
    EXPECT_EQ(tiny.cell, (double2{50, 50}));
    const BlutVene v = sample(1);
    EXPECT_EQ(v.region, (double4{50, 40, 600, 480}));
    EXPECT_EQ(v.cell, (double2{30, 30}));
    const BlutVene huge = makeBlutVene(int64_t{1} << 33, 3, 4, {0, 0}, {100, 100});
    EXPECT_EQ(huge.columns, kMaxVeinGridSide);
}

TEST(BlutVene, SegmentsGrowWithoutGapsWithinTheirTimes) {
    for (uint32_t seed : {0u, 1u, 0xFFFFFFFFu}) {
        const BlutVene v = sample(seed);
        ASSERT_GT(v.trunks, 0);
        ASSERT_GT(v.segments.size(), static_cast<size_t>(v.trunks));
        // The segment that reaches each point, keyed by that point.
        std::map<std::pair<float, float>, const BlutVene::Segment*> into;
        for (const BlutVene::Segment& s : v.segments) into[growsTo(s)] = &s;
        size_t followed = 0;
        for (size_t i = 0; i < v.segments.size(); ++i) {
            const BlutVene::Segment& s = v.segments[i];
            EXPECT_GE(s.timing.x, 0.03f);
            EXPECT_LE(s.timing.y, 0.34f + 1e-6f);
            EXPECT_LE(s.timing.x, s.timing.y);
            if (i < static_cast<size_t>(v.trunks)) {
                // A trunk grows straight up from the bottom edge, its length mark 0.
                EXPECT_EQ(s.ends.x, s.ends.z);
                EXPECT_EQ(s.ends.y, 520);
                EXPECT_EQ(s.marks.x, 0);
                continue;
            }
            // A branch starts exactly when the segment into its parent's point ends, and
            // carries the vein's length and its tree's value on.
            const auto parent = into.find(growsFrom(s));
            if (parent == into.end()) continue;  // a root without a trunk
            ++followed;
            EXPECT_EQ(s.timing.x, parent->second->timing.y);
            EXPECT_EQ(s.marks.y, parent->second->marks.y);
            const float dx = parent->second->ends.z - parent->second->ends.x;
            const float dy = parent->second->ends.w - parent->second->ends.y;
            EXPECT_NEAR(s.marks.x, parent->second->marks.x + std::sqrt(dx * dx + dy * dy), 1e-3);
        }
        // Every branch hangs on a trunk or another branch: roots without a trunk carry none.
        EXPECT_EQ(followed, v.segments.size() - v.trunks);
    }
}

TEST(BlutVene, ThickVeinsAreAlwaysShown) {
    const BlutVene v = makeBlutVene(60, 50, 77, {0, 0}, {1200, 1000});
    const double scale = std::clamp(std::sqrt(std::max(v.cell.x, v.cell.y) / 19), 1.0, 1.5);
    const float widthOfSix = static_cast<float>(std::min(4.0, 2.8 + 0.16 * std::log2(6.0)) * scale);
    int hidden = 0;
    for (const BlutVene::Segment& s : v.segments) {
        EXPECT_TRUE(s.timing.w == 0 || s.timing.w == 1);
        if (s.timing.w == 0) {
            ++hidden;
            EXPECT_LE(s.timing.z, widthOfSix);
            EXPECT_GT(s.timing.y, 0);  // hidden twigs keep their times
        }
    }
    EXPECT_GT(hidden, 0);
}

TEST(BlutVene, TitleStripVeinsStayBelowTheTitleBar) {
    TransitionUniforms u;
    u.window = {10, 20, 400, 300};
    u.titleBarHeight = 28;
    u.standInCrop = 0.5f;
    u.grid = {12, 10};
    u.seed = 5;
    const BlutVene v = blutVenePlan(u);
    EXPECT_EQ(v.region, (double4{10, 48, 400, 272}));
    for (const BlutVene::Segment& s : v.segments) {
        EXPECT_GT(s.ends.y, 48);
        EXPECT_GT(s.ends.w, 48);
    }
    for (int i = 0; i < v.trunks; ++i) EXPECT_EQ(v.segments[i].ends.y, 320);
    u.standInCrop = 1;
    EXPECT_EQ(blutVenePlan(u).region, (double4{10, 20, 400, 300}));
    u.titleBarHeight = 500;  // taller than the window: a body of one point
    u.standInCrop = 0.5f;
    EXPECT_EQ(blutVenePlan(u).region, (double4{10, 320, 400, 1}));
}

TEST(BlutVene, SeedsLargeGridsAndOddRegions) {
    EXPECT_NE(sample(0xFFFFFFFFu).segments, sample(0).segments);
    // The largest grid of the effect builds quickly and soundly.
    const BlutVene large = makeBlutVene(120, 120, 9, {0, 0}, {2560, 1440});
    EXPECT_GT(large.segments.size(), 1000u);
    // A region that is not finite still gives a sound network.
    const BlutVene odd = makeBlutVene(4, 4, 9, {NAN, 0}, {INFINITY, 100});
    for (const BlutVene::Segment& s : odd.segments) EXPECT_TRUE(std::isfinite(s.ends.x) && std::isfinite(s.timing.y));
}

}  // namespace
}  // namespace furlpane::effects
