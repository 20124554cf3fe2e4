#include "transitions/drawing/shatter/shatter_drawing.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/transitions/drawing/effect_frames.h"

namespace furlpane::testing {
namespace {

using platform::gpu::Resource;

// The window spans (60, 50) to (420, 310) and the thumbnail (500, 300) to (596, 364).
constexpr int kBox = 40 * 40;

TEST(ShatterDrawing, MeshIsMadeOnceAndAFailedBufferIsTriedAgain) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    TransitionScene scene = frames->scene(TransitionEffect::shatter, StandInKind::thumbnail);
    auto commands = frames->renderer().queue()->makeCommandBuffer();
    frames->device().failNext(Resource::buffer);
    EXPECT_FALSE(prepareShatter(frames->renderer(), scene, *commands));
    EXPECT_FALSE(scene.drawing);  // nothing half-made is kept
    ASSERT_TRUE(prepareShatter(frames->renderer(), scene, *commands));
    const ShatterDrawing* drawing = scene.drawingAs<ShatterDrawing>();
    ASSERT_TRUE(drawing->triangles && drawing->sides && drawing->shards);
    const size_t shards = drawing->breaking.shards.size();
    EXPECT_EQ(drawing->sides->length(), shards * 8 * 16);
    EXPECT_EQ(drawing->shards->length(), shards * 96);
    EXPECT_EQ(drawing->triangles->length(), static_cast<size_t>(drawing->cornerCount) * 16);
    // A frame whose records cannot be uploaded draws nothing but keeps the plan.
    frames->device().failNext(Resource::buffer);
    EXPECT_FALSE(prepareShatter(frames->renderer(), scene, *commands));
    EXPECT_EQ(scene.drawingAs<ShatterDrawing>(), drawing);
    EXPECT_TRUE(prepareShatter(frames->renderer(), scene, *commands));
    commands->commit();
}

TEST(ShatterDrawing, ThePaneBreaksAndGathersOnTheThumbnail) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    TransitionScene scene = frames->scene(TransitionEffect::shatter, StandInKind::thumbnail);
    std::vector<platform::Image> sheet;
    for (const float t : {0.0f, 0.1f, 0.2f, 0.3f, 0.45f, 0.6f, 0.75f, 1.0f}) {
        auto frame = frames->render(scene, t);
        ASSERT_TRUE(frame) << t;
        sheet.push_back(*frame);
    }
    frames->keepSheet(sheet, "shatter_thumbnail");
    EXPECT_EQ(coverageIn(sheet.front(), 220, 160, 260, 200).covered, kBox);  // the whole pane
    EXPECT_EQ(coverageIn(sheet.front(), 500, 300, 596, 364).covered, 0);
    EXPECT_LT(coverageIn(sheet[4], 60, 50, 420, 310).covered, 360 * 260 * 3 / 4);  // shards have left
    EXPECT_EQ(coverageIn(sheet.back(), 220, 160, 260, 200).covered, 0);
    EXPECT_EQ(coverageIn(sheet.back(), 510, 310, 586, 354).covered, 76 * 44);  // gathered on the thumbnail
}

TEST(ShatterDrawing, ATitleStripKeepsItsTitleBar) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    TransitionScene scene = frames->scene(TransitionEffect::shatter, StandInKind::titleStrip);
    const auto falling = frames->render(scene, 0.4f);
    const auto end = frames->render(scene, 0.9f);
    ASSERT_TRUE(falling && end);
    frames->keepSheet({*falling, *end}, "shatter_title_strip");
    EXPECT_EQ(coverageIn(*end, 100, 55, 380, 75).covered, 280 * 20);
    EXPECT_EQ(coverageIn(*end, 60, 100, 420, 310).covered, 0);
}

}  // namespace
}  // namespace furlpane::testing
