#include "transitions/effects/shatter/shatter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <set>

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

TEST(ShatterCutting, TitleStripExampleOfSeedZero) {
    const Shatter s = shatterPlan(uniforms(800, 600, 0, true));
    EXPECT_NEAR(s.impact.x, 341.2561, 5e-5);
    EXPECT_NEAR(s.impact.y, 264.7261, 5e-5);
    EXPECT_NEAR(s.reach, 568.2029, 5e-5);
    EXPECT_EQ(s.titleBar, 28);
    ASSERT_EQ(s.shards.size(), 131u);
    EXPECT_TRUE(s.shards[0].stays);
    EXPECT_EQ(s.shards[0].sides, (std::vector<int>{-1, -1, -1, -1}));
    EXPECT_NEAR(totalArea(s), 480000, 1e-6);
    EXPECT_EQ(s.crush, 0.045 * s.reach);
    EXPECT_EQ(distinctCornersOf(s), 163u);
    EXPECT_EQ(insertionsOf(s), 53u);
    EXPECT_EQ(s.shatterMesh().size(), 1692u);
    EXPECT_EQ(s.shardRecords().size(), 1048u);
}

TEST(ShatterCutting, ThumbnailExampleOfSeedZero) {
    // The stand-in's centre lies at (100, 500) from the window's origin.
    const Shatter s = shatterPlan(uniforms(800, 600, 0, false, {100, 500}));
    EXPECT_NEAR(s.impact.x, 477.1305, 5e-5);
    EXPECT_NEAR(s.impact.y, 231.5686, 5e-5);
    EXPECT_NEAR(s.reach, 602.8227, 5e-5);
    EXPECT_EQ(s.titleBar, 0);
    ASSERT_EQ(s.shards.size(), 129u);
    EXPECT_NEAR(totalArea(s), 480000, 1e-6);
    for (const auto& shard : s.shards) EXPECT_FALSE(shard.stays);
    EXPECT_EQ(distinctCornersOf(s), 160u);
    EXPECT_EQ(insertionsOf(s), 40u);
    EXPECT_EQ(s.shatterMesh().size(), 1629u);
    EXPECT_EQ(s.shardRecords().size(), 1032u);
}

}  // namespace
}  // namespace furlpane::effects
