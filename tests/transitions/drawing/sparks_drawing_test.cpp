#include "transitions/drawing/sparks/sparks_drawing.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/transitions/drawing/effect_frames.h"

namespace furlpane::testing {
namespace {

using platform::gpu::Resource;

TEST(SparksDrawing, PreparationUploadsEveryFrameAndRetriesAFailedUpload) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    TransitionScene scene = frames->scene(TransitionEffect::sparks, StandInKind::thumbnail);
    auto commands = frames->renderer().queue()->makeCommandBuffer();
    scene.uniforms.progress = 0.3f;
    frames->device().failNext(Resource::buffer);
    EXPECT_FALSE(prepareSparks(frames->renderer(), scene, *commands));
    ASSERT_TRUE(scene.drawingAs<SparksDrawing>());  // the plan is kept; only this frame's records are missing
    const effects::Sparks::Plan firstSpark = scene.drawingAs<SparksDrawing>()->making.plans.front();
    EXPECT_FALSE(scene.drawingAs<SparksDrawing>()->sparks);
    EXPECT_TRUE(prepareSparks(frames->renderer(), scene, *commands));
    const SparksDrawing& drawing = *scene.drawingAs<SparksDrawing>();
    const int cells = static_cast<int>(scene.uniforms.grid.x * scene.uniforms.grid.y);
    EXPECT_EQ(drawing.count, cells);
    ASSERT_TRUE(drawing.sparks);
    EXPECT_EQ(drawing.sparks->length(), static_cast<size_t>(cells) * 64);
    EXPECT_EQ(drawing.making.plans.front().release, firstSpark.release);
    EXPECT_EQ(drawing.look[2], (platform::simd::float4{float(scene.uniforms.grid.x), float(scene.uniforms.grid.y), 0, 0}));
    commands->commit();
}

TEST(SparksDrawing, SparksBurstAndGatherOnTheThumbnail) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    TransitionScene scene = frames->scene(TransitionEffect::sparks, StandInKind::thumbnail);
    std::vector<platform::Image> sheet;
    for (float t : {0.0f, 0.1f, 0.25f, 0.4f, 0.65f, 0.75f, 0.85f, 1.0f}) {
        auto frame = frames->render(scene, t);
        ASSERT_TRUE(frame);
        sheet.push_back(*frame);
    }
    frames->keepSheet(sheet, "sparks_thumb");
    // Before any spark shows the cells make up the whole window.
    EXPECT_EQ(coverageIn(sheet[0], 60, 50, 420, 310).covered, 360 * 260);
    // Roaming sparks lie well outside the window and are coloured from the palette.
    const Coverage outside = coverageIn(sheet[3], 0, 0, 640, 400);
    EXPECT_GT(outside.covered - coverageIn(sheet[3], 60, 50, 420, 310).covered, 2000);
    EXPECT_LT(outside.covered, 360 * 260);
    // Landed, they are the thumbnail.
    EXPECT_GT(coverageIn(sheet.back(), 500, 300, 596, 364).covered, 96 * 64 * 9 / 10);
    EXPECT_EQ(coverageIn(sheet.back(), 0, 0, 490, 400).covered, 0);
}

TEST(SparksDrawing, TitleStripSparksVanishIntoTheTitleBar) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    TransitionScene scene = frames->scene(TransitionEffect::sparks, StandInKind::titleStrip);
    std::vector<platform::Image> sheet;
    for (float t : {0.0f, 0.25f, 0.5f, 0.7f, 0.9f, 1.0f}) {
        auto frame = frames->render(scene, t);
        ASSERT_TRUE(frame);
        sheet.push_back(*frame);
    }
    frames->keepSheet(sheet, "sparks_strip");
    // The title bar stays throughout; at the end nothing else is left.
    for (const platform::Image& frame : sheet) EXPECT_GT(coverageIn(frame, 100, 52, 400, 76).covered, 6000);
    EXPECT_EQ(coverageIn(sheet.back(), 0, 80, 640, 400).covered, 0);
    EXPECT_GT(coverageIn(sheet[2], 0, 80, 640, 400).covered, 2000);
}

}  // namespace
}  // namespace furlpane::testing
