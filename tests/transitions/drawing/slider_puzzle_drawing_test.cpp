#include "transitions/drawing/slider_puzzle/slider_puzzle_drawing.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/transitions/drawing/effect_frames.h"

namespace furlpane::testing {
namespace {

using platform::gpu::Resource;

// The 360 × 260 window at (60, 50) is cut into 6 × 4 tiles of 60 × 65 points; the
// thumbnail spans (500, 300) to (596, 364).

TEST(SliderPuzzleDrawing, PlanIsKeptWhenAFrameCannotUploadItsTiles) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    TransitionScene scene = frames->scene(TransitionEffect::sliderPuzzle, StandInKind::thumbnail);
    auto commands = frames->renderer().queue()->makeCommandBuffer();
    frames->device().failNext(Resource::buffer);
    EXPECT_FALSE(prepareSliderPuzzle(frames->renderer(), scene, *commands));
    ASSERT_TRUE(scene.drawingAs<SliderPuzzleDrawing>());
    const SliderPuzzleDrawing* drawing = scene.drawingAs<SliderPuzzleDrawing>();
    EXPECT_FALSE(drawing->tiles);
    ASSERT_TRUE(prepareSliderPuzzle(frames->renderer(), scene, *commands));
    EXPECT_EQ(scene.drawingAs<SliderPuzzleDrawing>(), drawing);
    EXPECT_EQ(drawing->sliding.columns, 6);
    EXPECT_EQ(drawing->sliding.rows, 4);
    EXPECT_EQ(drawing->tiles->length(), 24u * 32u);
    EXPECT_EQ(drawing->look.size(), 7u);
    commands->commit();
}

TEST(SliderPuzzleDrawing, TilesLeaveTheEmptyCellAndLandOnTheStandIn) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    TransitionScene scene = frames->scene(TransitionEffect::sliderPuzzle, StandInKind::thumbnail);
    std::vector<platform::Image> sheet;
    for (const float t : {0.0f, 0.105f, 0.3f, 0.5f, 0.7f, 0.86f, 0.9f, 1.0f}) {
        auto frame = frames->render(scene, t);
        ASSERT_TRUE(frame) << t;
        sheet.push_back(*frame);
    }
    frames->keepSheet(sheet, "slider_puzzle_thumbnail");
    EXPECT_EQ(coverageIn(sheet[0], 370, 255, 410, 295).covered, 1600);
    // Just before the scramble the lifted tile has all but faded: its cell shows the
    // dark tray.
    const Coverage tray = coverageIn(sheet[1], 375, 260, 405, 295);
    EXPECT_EQ(tray.covered, 30 * 35);
    EXPECT_LT(tray.meanRed, 60);
    EXPECT_EQ(coverageIn(sheet.back(), 220, 160, 260, 200).covered, 0);
    EXPECT_EQ(coverageIn(sheet.back(), 510, 310, 586, 354).covered, 76 * 44);
}

TEST(SliderPuzzleDrawing, ATitleStripsColumnsRiseUnderItsTitleBar) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    TransitionScene scene = frames->scene(TransitionEffect::sliderPuzzle, StandInKind::titleStrip);
    const auto rising = frames->render(scene, 0.7f);
    const auto end = frames->render(scene, 0.9f);
    ASSERT_TRUE(rising && end);
    frames->keepSheet({*rising, *end}, "slider_puzzle_title_strip");
    EXPECT_EQ(coverageIn(*end, 100, 55, 380, 75).covered, 280 * 20);  // the title bar
    EXPECT_EQ(coverageIn(*end, 60, 100, 420, 310).covered, 0);        // the body has risen away
    EXPECT_EQ(coverageIn(*rising, 60, 0, 420, 48).covered, 0);        // nothing above the window
}

}  // namespace
}  // namespace furlpane::testing
