#include "transitions/drawing/water/water_drawing.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/transitions/drawing/effect_frames.h"

namespace furlpane::testing {
namespace {

using platform::gpu::Resource;

// The window spans (60, 50) to (420, 310), the thumbnail (500, 300) to (596, 364); the
// floor is the view's bottom edge at 400.

TEST(WaterDrawing, NothingIsKeptWhenTheFieldCannotBeMade) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    TransitionScene scene = frames->scene(TransitionEffect::water, StandInKind::thumbnail);
    scene.uniforms.progress = 0.3f;
    auto commands = frames->renderer().queue()->makeCommandBuffer();
    frames->device().failNext(Resource::texture);
    EXPECT_FALSE(prepareWater(frames->renderer(), scene, *commands));
    EXPECT_FALSE(scene.drawing);
    ASSERT_TRUE(prepareWater(frames->renderer(), scene, *commands));
    ASSERT_TRUE(scene.drawingAs<WaterDrawing>() && scene.drawingAs<WaterDrawing>()->field &&
                scene.drawingAs<WaterDrawing>()->drops);
    EXPECT_EQ(scene.drawingAs<WaterDrawing>()->drops->length(),
              static_cast<size_t>(scene.drawingAs<WaterDrawing>()->dropCount) * 48);
    EXPECT_EQ(scene.drawingAs<WaterDrawing>()->look.size(), 15u);
    EXPECT_EQ(scene.drawingAs<WaterDrawing>()->look[2].y, 1.0f);
    commands->commit();
}

TEST(WaterDrawing, TheWindowMeltsAndGathersOnTheThumbnail) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    TransitionScene scene = frames->scene(TransitionEffect::water, StandInKind::thumbnail);
    std::vector<platform::Image> sheet;
    for (const float t : {0.0f, 0.1f, 0.2f, 0.3f, 0.45f, 0.6f, 0.8f, 0.95f}) {
        auto frame = frames->render(scene, t);
        ASSERT_TRUE(frame) << t;
        sheet.push_back(*frame);
    }
    frames->keepSheet(sheet, "water_thumbnail");
    EXPECT_EQ(coverageIn(sheet[0], 220, 160, 260, 200).covered, 1600);
    EXPECT_EQ(coverageIn(sheet[0], 60, 330, 420, 400).covered, 0);
    EXPECT_GT(coverageIn(sheet[3], 60, 370, 420, 400).covered, 0);  // water on the floor
    EXPECT_EQ(coverageIn(sheet.back(), 220, 160, 260, 200).covered, 0);
    EXPECT_EQ(coverageIn(sheet.back(), 510, 310, 586, 354).covered, 76 * 44);  // the stand-in
}

TEST(WaterDrawing, RestoringFloodsTheWindowFromTheThumbnailsSide) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    TransitionScene scene = frames->scene(TransitionEffect::water, StandInKind::thumbnail);
    scene.uniforms.restoring = 1;
    const auto flooding = frames->render(scene, 0.8f);  // 0.2 into the restore
    const auto back = frames->render(scene, 0.02f);
    ASSERT_TRUE(flooding && back);
    frames->keepSheet({*flooding, *back}, "water_restoring");
    EXPECT_TRUE(scene.drawingAs<WaterDrawing>()->making.drops.empty());
    EXPECT_EQ(coverageIn(*flooding, 370, 260, 410, 300).covered, 1600);
    EXPECT_EQ(coverageIn(*flooding, 70, 60, 100, 90).covered, 0);
    EXPECT_EQ(coverageIn(*back, 220, 160, 260, 200).covered, 1600);
}

}  // namespace
}  // namespace furlpane::testing
