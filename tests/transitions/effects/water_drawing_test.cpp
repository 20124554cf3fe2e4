#include "transitions/drawing/water/water_drawing.h"

#include <gtest/gtest.h>

#include "tests/transitions/effects/effect_frames.h"

namespace furlpane::testing {
namespace {

TEST(WaterDrawing, TheWindowMeltsAndGathersOnTheThumbnail) {
    EffectFrames frames(TransitionEffect::water, StandInKind::thumbnail);
    ASSERT_TRUE(frames.ready());
    const auto start = frames.frame(0, "water_thumbnail_000");
    ASSERT_TRUE(start);
    ASSERT_TRUE(frames.scene().water);
    EXPECT_GT(EffectFrames::colour(*start, 260, 200).w, 0.99f);
    EXPECT_EQ(frames.scene().water->look[2].y, 0.0f);  // no drops yet
    const auto falling = frames.frame(0.3, "water_thumbnail_030");
    ASSERT_TRUE(falling);
    EXPECT_EQ(frames.scene().water->look[2].y, 1.0f);
    // Water has reached the floor below the window.
    float below = 0;
    for (int x = 60; x < 460; x += 4) below = std::max(below, EffectFrames::colour(*falling, x, 460).w);
    EXPECT_GT(below, 0.5f);
    const auto end = frames.frame(0.95, "water_thumbnail_095");
    ASSERT_TRUE(end);
    EXPECT_EQ(EffectFrames::colour(*end, 260, 200).w, 0.0f);
    EXPECT_GT(EffectFrames::colour(*end, 530, 405).w, 0.85f);  // the stand-in
}

TEST(WaterDrawing, RestoringFloodsTheWindowFromTheThumbnail) {
    EffectFrames frames(TransitionEffect::water, StandInKind::thumbnail, Direction::restoring);
    ASSERT_TRUE(frames.ready());
    const auto early = frames.frame(0.8, "water_restore_020");  // u = 0.2
    ASSERT_TRUE(early);
    EXPECT_TRUE(frames.scene().water->making.drops.empty());
    // The flood comes from the thumbnail's side (lower right) of the window.
    EXPECT_GT(EffectFrames::colour(*early, 440, 320).w, 0.5f);
    EXPECT_EQ(EffectFrames::colour(*early, 80, 60).w, 0.0f);
    const auto back = frames.frame(0.02, "water_restore_098");
    ASSERT_TRUE(back);
    EXPECT_GT(EffectFrames::colour(*back, 260, 200).w, 0.99f);
}

TEST(WaterDrawing, NothingIsKeptWhenTheFieldCannotBeMade) {
    EffectFrames frames(TransitionEffect::water, StandInKind::thumbnail);
    ASSERT_TRUE(frames.ready());
    frames.device().failNext(platform::gpu::Resource::texture);
    frames.frame(0.3, "water_failed");
    EXPECT_FALSE(frames.scene().water);
    ASSERT_TRUE(frames.frame(0.3, "water_retried"));
    ASSERT_TRUE(frames.scene().water);
    EXPECT_GT(frames.scene().water->dropCount, 0);
}

}  // namespace
}  // namespace furlpane::testing
