#include "transitions/drawing/origami/origami_drawing.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/transitions/drawing/effect_frames.h"

namespace furlpane::testing {
namespace {

using platform::gpu::Resource;

TEST(OrigamiDrawing, MeshIsMadeOnceAndAFailedBufferIsTriedAgain) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    TransitionScene scene = frames->scene(TransitionEffect::origami, StandInKind::thumbnail);
    auto commands = frames->renderer().queue()->makeCommandBuffer();
    frames->device().failNext(Resource::buffer);
    EXPECT_FALSE(prepareOrigami(frames->renderer(), scene, *commands));
    EXPECT_FALSE(scene.drawing);  // nothing half-made is kept
    ASSERT_TRUE(prepareOrigami(frames->renderer(), scene, *commands));
    const OrigamiDrawing* drawing = scene.drawingAs<OrigamiDrawing>();
    ASSERT_TRUE(drawing->triangles && drawing->sides && drawing->facets);
    EXPECT_EQ(drawing->folding.facets.size(), 16u);
    EXPECT_EQ(drawing->sides->length(), 16u * 8u * 16u);
    EXPECT_EQ(drawing->triangles->length(), static_cast<size_t>(drawing->cornerCount) * 16);
    EXPECT_EQ(drawing->facets->length(), 16u * 80u);
    // A frame whose records cannot be uploaded draws nothing but keeps the plan.
    frames->device().failNext(Resource::buffer);
    EXPECT_FALSE(prepareOrigami(frames->renderer(), scene, *commands));
    EXPECT_EQ(scene.drawingAs<OrigamiDrawing>(), drawing);
    EXPECT_FALSE(drawing->facets);
    EXPECT_TRUE(prepareOrigami(frames->renderer(), scene, *commands));
    commands->commit();
}

TEST(OrigamiDrawing, RestoringReadsTheRestoringFlag) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    TransitionScene scene = frames->scene(TransitionEffect::origami, StandInKind::thumbnail);
    auto commands = frames->renderer().queue()->makeCommandBuffer();
    scene.uniforms.progress = 0.5f;
    ASSERT_TRUE(prepareOrigami(frames->renderer(), scene, *commands));
    EXPECT_EQ(scene.drawingAs<OrigamiDrawing>()->look[1].x, 1);  // the mark of the first fold while minimizing
    scene.uniforms.progress = 0.02f;
    scene.uniforms.restoring = 1;
    ASSERT_TRUE(prepareOrigami(frames->renderer(), scene, *commands));
    EXPECT_GT(scene.drawingAs<OrigamiDrawing>()->look[1].x, 0);  // restoring: still marked just before the end
    scene.uniforms.restoring = 0;
    ASSERT_TRUE(prepareOrigami(frames->renderer(), scene, *commands));
    EXPECT_EQ(scene.drawingAs<OrigamiDrawing>()->look[1].x, 0);
    commands->commit();
}

TEST(OrigamiDrawing, TheDartFliesAndUnfoldsOnTheThumbnail) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    TransitionScene scene = frames->scene(TransitionEffect::origami, StandInKind::thumbnail);
    std::vector<platform::Image> sheet;
    for (float t : {0.0f, 0.2f, 0.38f, 0.5f, 0.65f, 0.8f, 0.9f, 1.0f}) {
        auto frame = frames->render(scene, t);
        ASSERT_TRUE(frame);
        sheet.push_back(*frame);
    }
    frames->keepSheet(sheet, "origami_thumb");
    const int whole = coverageIn(sheet[0], 0, 0, 640, 400).covered;
    EXPECT_GT(whole, 360 * 250);
    // Folded into a dart the sheet covers much less; in flight it has left the window.
    EXPECT_LT(coverageIn(sheet[2], 0, 0, 640, 400).covered, whole / 2);
    EXPECT_LT(coverageIn(sheet[4], 60, 50, 420, 310).covered, coverageIn(sheet[4], 0, 0, 640, 400).covered);
    EXPECT_GT(coverageIn(sheet.back(), 500, 300, 596, 364).covered, 96 * 64 * 9 / 10);
    EXPECT_EQ(coverageIn(sheet.back(), 0, 0, 490, 400).covered, 0);
}

TEST(OrigamiDrawing, TheTitleStripFoldsAwayBehindItsBand) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    TransitionScene scene = frames->scene(TransitionEffect::origami, StandInKind::titleStrip);
    std::vector<platform::Image> sheet;
    for (float t : {0.0f, 0.2f, 0.35f, 0.5f, 0.7f, 1.0f}) {
        auto frame = frames->render(scene, t);
        ASSERT_TRUE(frame);
        sheet.push_back(*frame);
    }
    frames->keepSheet(sheet, "origami_strip");
    for (const platform::Image& frame : sheet) EXPECT_GT(coverageIn(frame, 100, 52, 400, 76).covered, 6000);
    EXPECT_GT(coverageIn(sheet[2], 60, 80, 420, 200).covered, 0);
    EXPECT_EQ(coverageIn(sheet.back(), 0, 80, 640, 400).covered, 0);
}

}  // namespace
}  // namespace furlpane::testing
