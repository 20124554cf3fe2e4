#include "transitions/drawing/slider_puzzle/slider_puzzle_drawing.h"

#include <gtest/gtest.h>

#include "tests/transitions/effects/effect_frames.h"

namespace furlpane::testing {
namespace {

TEST(SliderPuzzleDrawing, TilesLeaveTheEmptyCellAndLandOnTheStandIn) {
    EffectFrames frames(TransitionEffect::sliderPuzzle, StandInKind::thumbnail);
    ASSERT_TRUE(frames.ready());
    const auto start = frames.frame(0, "puzzle_thumbnail_000");
    ASSERT_TRUE(start);
    ASSERT_TRUE(frames.scene().puzzle);
    EXPECT_GT(EffectFrames::colour(*start, 430, 320).w, 0.99f);  // the bottom-right tile is still in place
    const auto lifted = frames.frame(0.105, "puzzle_thumbnail_010");
    ASSERT_TRUE(lifted);
    // The window's 400 × 300 points are cut into 5 × 4 tiles of 80 × 75 points; just
    // before the scramble the lifted tile has all but faded, and its cell at the bottom
    // right shows the dark tray.
    const auto tray = EffectFrames::colour(*lifted, 445, 330);
    EXPECT_GT(tray.w, 0.5f);
    EXPECT_LT(tray.x, 0.2f);
    const auto end = frames.frame(1, "puzzle_thumbnail_100");
    ASSERT_TRUE(end);
    EXPECT_EQ(EffectFrames::colour(*end, 260, 200).w, 0.0f);
    EXPECT_GT(EffectFrames::colour(*end, 530, 405).w, 0.85f);
}

TEST(SliderPuzzleDrawing, TitleStripColumnsRiseUnderTheTitleBar) {
    EffectFrames frames(TransitionEffect::sliderPuzzle, StandInKind::titleStrip);
    ASSERT_TRUE(frames.ready());
    const auto end = frames.frame(0.9, "puzzle_strip_090");
    ASSERT_TRUE(end);
    EXPECT_GT(EffectFrames::colour(*end, 260, 50).w, 0.99f);  // the title bar
    EXPECT_LT(EffectFrames::colour(*end, 260, 200).w, 0.05f); // the body has risen away
    EXPECT_EQ(EffectFrames::colour(*end, 260, 20).w, 0.0f);   // nothing above the window
}

TEST(SliderPuzzleDrawing, AFrameWithoutItsTileBufferDrawsNothingOfThePuzzle) {
    EffectFrames frames(TransitionEffect::sliderPuzzle, StandInKind::thumbnail);
    ASSERT_TRUE(frames.ready());
    frames.device().failNext(platform::gpu::Resource::buffer);
    const auto failed = frames.frame(0, "puzzle_failed");
    ASSERT_TRUE(failed);
    EXPECT_EQ(EffectFrames::colour(*failed, 260, 200).w, 0.0f);
    const auto next = frames.frame(0, "puzzle_retried");
    ASSERT_TRUE(next);
    EXPECT_GT(EffectFrames::colour(*next, 260, 200).w, 0.99f);
}

}  // namespace
}  // namespace furlpane::testing
