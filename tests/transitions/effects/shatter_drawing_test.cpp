#include "transitions/drawing/shatter/shatter_drawing.h"

#include <gtest/gtest.h>

#include "tests/transitions/effects/effect_frames.h"

namespace furlpane::testing {
namespace {

TEST(ShatterDrawing, PlanIsMadeOnceAndTheShardsLeaveForTheStandIn) {
    EffectFrames frames(TransitionEffect::shatter, StandInKind::thumbnail);
    ASSERT_TRUE(frames.ready());
    const auto start = frames.frame(0, "shatter_thumbnail_000");
    ASSERT_TRUE(start);
    ASSERT_TRUE(frames.scene().shards);
    const auto* plan = &frames.scene().shards->breaking;
    // At the start the pane is whole: the window's middle shows the picture, the view's
    // corner nothing.
    EXPECT_GT(EffectFrames::colour(*start, 260, 200).w, 0.99f);
    EXPECT_EQ(EffectFrames::colour(*start, 5, 470).w, 0.0f);
    const auto middle = frames.frame(0.45, "shatter_thumbnail_045");
    ASSERT_TRUE(middle);
    EXPECT_EQ(&frames.scene().shards->breaking, plan);  // kept, not rebuilt
    const auto end = frames.frame(1, "shatter_thumbnail_100");
    ASSERT_TRUE(end);
    EXPECT_EQ(EffectFrames::colour(*end, 260, 200).w, 0.0f);
    EXPECT_GT(EffectFrames::colour(*end, 530, 405).w, 0.8f);  // the stand-in, at its opacity
}

TEST(ShatterDrawing, NothingIsKeptWhenAMeshBufferCannotBeMade) {
    EffectFrames frames(TransitionEffect::shatter, StandInKind::thumbnail);
    ASSERT_TRUE(frames.ready());
    frames.device().failNext(platform::gpu::Resource::buffer);
    frames.frame(0.3, "shatter_failed");
    EXPECT_FALSE(frames.scene().shards);
    const auto next = frames.frame(0.3, "shatter_retried");
    ASSERT_TRUE(next);
    ASSERT_TRUE(frames.scene().shards);
    EXPECT_TRUE(frames.scene().shards->shards);
}

TEST(ShatterDrawing, TitleStripKeepsItsTitleBar) {
    EffectFrames frames(TransitionEffect::shatter, StandInKind::titleStrip);
    ASSERT_TRUE(frames.ready());
    frames.frame(0.2, "shatter_strip_020");
    frames.frame(0.4, "shatter_strip_040");
    const auto end = frames.frame(0.9, "shatter_strip_090");
    ASSERT_TRUE(end);
    EXPECT_GT(EffectFrames::colour(*end, 260, 50).w, 0.99f);   // the title bar stays
    EXPECT_EQ(EffectFrames::colour(*end, 260, 200).w, 0.0f);   // the body has gone
}

}  // namespace
}  // namespace furlpane::testing
