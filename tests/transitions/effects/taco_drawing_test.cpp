#include <gtest/gtest.h>

#include "drawing_test_support.h"
#include "transitions/drawing/taco/taco_drawing.h"

namespace furlpane::drawing_tests {
namespace {

using namespace platform::gpu;

bool visible(int, int, int, int a) { return a > 0; }
// The sheet's back: the picture through the tortilla, warm and light.
bool tortilla(int b, int g, int r, int a) { return a > 200 && r > 200 && g > 160 && b < 190 && r - b > 40; }

class TacoDrawingTest : public ::testing::Test {
protected:
    std::shared_ptr<TransitionRenderer> renderer = makeRenderer(1);
    platform::Image window = textWindow(400, 300, 24);
};

TEST_F(TacoDrawingTest, PreparationKeepsThePlanAndRefreshesThePieces) {
    ASSERT_TRUE(renderer);
    TransitionScene scene = makeScene(*renderer, window, {.effect = TransitionEffect::taco});
    const auto commands = renderer->queue()->makeCommandBuffer();
    scene.uniforms.progress = 0.0f;
    ASSERT_TRUE(prepareTaco(*renderer, scene, *commands));
    ASSERT_TRUE(scene.drawingAs<TacoDrawing>());
    EXPECT_EQ(scene.drawingAs<TacoDrawing>()->pieceCount, 0);
    EXPECT_FALSE(scene.drawingAs<TacoDrawing>()->pieces);
    EXPECT_EQ(scene.drawingAs<TacoDrawing>()->look.size(), 22u);
    const auto* plan = &scene.drawingAs<TacoDrawing>()->making;

    scene.uniforms.progress = 0.4f;
    ASSERT_TRUE(prepareTaco(*renderer, scene, *commands));
    EXPECT_EQ(&scene.drawingAs<TacoDrawing>()->making, plan);
    EXPECT_GT(scene.drawingAs<TacoDrawing>()->pieceCount, 50);
    EXPECT_TRUE(scene.drawingAs<TacoDrawing>()->pieces);
    EXPECT_EQ(scene.drawingAs<TacoDrawing>()->pieces->length(),
              std::size_t(scene.drawingAs<TacoDrawing>()->pieceCount) * 48);

    // A buffer that cannot be made draws nothing this frame and keeps the plan.
    renderer->device()->failNext(Resource::buffer);
    EXPECT_FALSE(prepareTaco(*renderer, scene, *commands));
    EXPECT_TRUE(scene.drawingAs<TacoDrawing>());
    EXPECT_TRUE(prepareTaco(*renderer, scene, *commands));
}

TEST_F(TacoDrawingTest, SheetRowsFollowTheGrid) {
    TransitionUniforms u;
    EXPECT_EQ(tacoSheetRows(u), 64);
    u.grid = {1, 150};
    EXPECT_EQ(tacoSheetRows(u), 150);
    u.grid = {1, 100000};
    EXPECT_EQ(tacoSheetRows(u), 2048);
}

TEST_F(TacoDrawingTest, FramesOfBothVariantsAreDrawnAndRepeatable) {
    for (bool title : {false, true}) {
        TransitionScene scene = makeScene(*renderer, window, {.effect = TransitionEffect::taco, .titleStrip = title});
        const auto target = makeTarget(*renderer, 640, 480);
        long folded = 0;
        for (float t : {0.0f, 0.15f, 0.3f, 0.45f, 0.6f, 0.75f, 0.9f, 1.0f}) {
            scene.uniforms.progress = t;
            ASSERT_TRUE(renderer->render(scene, target)) << t;
            const Pixels frame = pixelsOf(*target);
            const char* variant = title ? "title" : "thumb";
            keepFrame(frame, "taco_" + std::string(variant) + "_t" + std::to_string(int(t * 100)));
            EXPECT_GT(countWhere(frame, visible), 1000) << variant << t;
            if (t == 0.3f) folded = countWhere(frame, tortilla);
            if (t != 0.3f) continue;  // one frame drawn twice: the same bytes
            ASSERT_TRUE(renderer->render(scene, target));
            EXPECT_EQ(pixelsOf(*target).hash(), frame.hash()) << variant << t;
        }
        EXPECT_GT(folded, 2000) << "the folded-up back flap shows the tortilla";
    }
}

}  // namespace
}  // namespace furlpane::drawing_tests
