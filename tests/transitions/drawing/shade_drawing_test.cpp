#include "transitions/drawing/shade/shade_drawing.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/transitions/drawing/effect_frames.h"

namespace furlpane::testing {
namespace {

std::vector<platform::simd::float4> expectedLook(const TransitionScene& s, double slowdown) {
    const TransitionUniforms& u = s.uniforms;
    return effects::shadeFrame(s.drawingAs<ShadeDrawing>()->rolling, u.progress, effects::placementOf(u, slowdown))
        .look;
}

TEST(ShadeDrawing, PreparationKeepsThePlanAndRefreshesTheLook) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    TransitionScene scene = frames->scene(TransitionEffect::shade, StandInKind::thumbnail);
    scene.uniforms.progress = 0.3f;
    prepareShade(scene);
    const ShadeDrawing* first = scene.drawingAs<ShadeDrawing>();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->rolling.size, (effects::double2{360, 260}));
    EXPECT_EQ(first->look, expectedLook(scene, 1));
    // A slowdown of 10 draws a tenth of the motion; the plan stays the same object.
    scene.slowdown = 10;
    scene.uniforms.progress = 0.31f;
    prepareShade(scene);
    EXPECT_EQ(scene.drawingAs<ShadeDrawing>(), first);
    EXPECT_EQ(first->look, expectedLook(scene, 10));
    EXPECT_NE(first->look, expectedLook(scene, 1));
    // A slowdown that is not above 0 counts as 1.
    scene.slowdown = 0;
    prepareShade(scene);
    EXPECT_EQ(first->look, expectedLook(scene, 1));
}

TEST(ShadeDrawing, TheBlindRollsUpUnderTheTitleBar) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    TransitionScene scene = frames->scene(TransitionEffect::shade, StandInKind::titleStrip);
    std::vector<platform::Image> sheet;
    for (float t : {0.0f, 0.1f, 0.2f, 0.3f, 0.36f, 0.5f, 0.7f, 1.0f}) {
        auto frame = frames->render(scene, t);
        ASSERT_TRUE(frame);
        sheet.push_back(*frame);
    }
    frames->keepSheet(sheet, "shade_strip");
    // The window at rest; the cord hanging below its bottom edge once it has dropped.
    EXPECT_GT(coverageIn(sheet[0], 80, 100, 400, 300).covered, 60000);
    EXPECT_EQ(coverageIn(sheet[0], 230, 315, 250, 330).covered, 0);
    EXPECT_GT(coverageIn(sheet[1], 230, 315, 250, 330).covered, 0);
    // Wound up: the title bar stays, the body below the roller is gone.
    const Coverage titleBar = coverageIn(sheet.back(), 100, 52, 400, 74);
    EXPECT_GT(titleBar.covered, 5000);
    EXPECT_EQ(coverageIn(sheet.back(), 60, 100, 420, 310).covered, 0);
    EXPECT_EQ(coverageIn(sheet[5], 60, 200, 420, 310).covered, 0);  // only the flap, cord and ring above
}

TEST(ShadeDrawing, TheRolledBundleFliesToTheThumbnail) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    TransitionScene scene = frames->scene(TransitionEffect::shade, StandInKind::thumbnail);
    std::vector<platform::Image> sheet;
    for (float t : {0.0f, 0.25f, 0.5f, 0.6f, 0.65f, 0.75f, 0.9f, 1.0f}) {
        auto frame = frames->render(scene, t);
        ASSERT_TRUE(frame);
        sheet.push_back(*frame);
    }
    frames->keepSheet(sheet, "shade_thumb");
    // In flight the bundle is a narrow strip away from the window's body.
    EXPECT_EQ(coverageIn(sheet[3], 60, 120, 420, 310).covered, 0);
    EXPECT_GT(coverageIn(sheet[3], 0, 0, 640, 400).covered, 1000);
    EXPECT_LT(coverageIn(sheet[3], 0, 0, 640, 400).covered, 20000);
    // At the end it covers the thumbnail and nothing else.
    EXPECT_GT(coverageIn(sheet.back(), 500, 300, 596, 364).covered, 96 * 64 * 9 / 10);
    EXPECT_EQ(coverageIn(sheet.back(), 0, 0, 490, 400).covered, 0);
}

}  // namespace
}  // namespace furlpane::testing
