#include <gtest/gtest.h>

#include "drawing_test_support.h"
#include "transitions/drawing/classified/classified_drawing.h"

namespace furlpane::drawing_tests {
namespace {

using namespace platform::gpu;

bool dark(int b, int g, int r, int a) { return a > 200 && b < 40 && g < 40 && r < 40; }
bool visible(int, int, int, int a) { return a > 0; }
bool red(int b, int g, int r, int) { return r > 120 && g < 90 && b < 90; }

class ClassifiedDrawingTest : public ::testing::Test {
protected:
    std::shared_ptr<TransitionRenderer> renderer = makeRenderer(1);
    platform::Image window = textWindow(400, 300, 24);
};

TEST_F(ClassifiedDrawingTest, ReadBackFindsTheWritingAtTheChosenLevel) {
    ASSERT_TRUE(renderer);
    const TransitionScene scene = makeScene(*renderer, window, {});
    const auto ink = readBack(*renderer, scene.picture, 1);
    ASSERT_TRUE(ink);
    EXPECT_EQ(ink->width, 400);
    EXPECT_EQ(ink->texel, 1.0);
    long marked = 0, offText = 0;
    const auto rows = textBaselines(300);
    for (int y = 0; y < ink->height; ++y)
        for (int x = 0; x < ink->width; ++x) {
            if (!ink->marks[std::size_t(y) * 400 + std::size_t(x)]) continue;
            ++marked;
            bool onLine = false;
            for (int row : rows) onLine = onLine || (y >= row - 2 && y <= row + 16);
            offText += onLine ? 0 : 1;
        }
    EXPECT_GT(marked, 2000);
    EXPECT_EQ(offText, 0);
    EXPECT_GT(ink->lightness, 0.8);

    // Two pixels per point: read one level down, one point per texel.
    const platform::Image sharp = textWindow(800, 600, 48);
    const TransitionScene retina = makeScene(*renderer, sharp, {.pixelsPerPoint = 2});
    const auto half = readBack(*renderer, retina.picture, 2);
    ASSERT_TRUE(half);
    EXPECT_EQ(half->width, 400);
    EXPECT_EQ(half->height, 300);
    EXPECT_EQ(half->texel, 1.0);
}

TEST_F(ClassifiedDrawingTest, ReadBackFailsCleanly) {
    const TransitionScene scene = makeScene(*renderer, window, {});
    EXPECT_FALSE(readBack(*renderer, nullptr, 1));
    for (Resource resource : {Resource::buffer, Resource::commandBuffer, Resource::encoder}) {
        renderer->device()->failNext(resource);
        EXPECT_FALSE(readBack(*renderer, scene.picture, 1)) << static_cast<int>(resource);
    }
    EXPECT_TRUE(readBack(*renderer, scene.picture, 1));
}

TEST_F(ClassifiedDrawingTest, TheStampFaceIsMadeOnceAndKeepsItsMargins) {
    renderer->device()->failNext(Resource::texture);
    EXPECT_FALSE(drawStampFace(*renderer));
    EXPECT_FALSE(renderer->stampFace());
    const auto face = drawStampFace(*renderer);
    ASSERT_TRUE(face);
    EXPECT_EQ(drawStampFace(*renderer), face);
    EXPECT_EQ(face->width(), 720);
    EXPECT_EQ(face->height(), 200);
    EXPECT_GT(face->mipLevelCount(), 1);
    const Pixels p = pixelsOf(*face);
    keepFrame(p, "classified_stamp_face");
    EXPECT_EQ(p.alpha(15, 100), 255);   // the outer frame, 15 wide from x = 4.5
    EXPECT_EQ(p.alpha(2, 100), 0);      // outside it
    EXPECT_EQ(p.alpha(31, 100), 255);   // the inner frame's line
    EXPECT_EQ(p.alpha(45, 100), 0);     // the label keeps 22 pixels from the inner frame
    EXPECT_EQ(p.alpha(360, 40), 0);     // and 17 above it
    long label = 0;
    for (int y = 60; y < 140; ++y)
        for (int x = 60; x < 660; ++x) label += p.alpha(x, y) > 128 ? 1 : 0;
    EXPECT_GT(label, 8000);
    EXPECT_EQ(p.blue(15, 100), 255);
    EXPECT_EQ(p.red(15, 100), 255);
}

TEST_F(ClassifiedDrawingTest, AStampFaceWithoutItsFontIsNotKept) {
    EXPECT_FALSE(drawStampFace(*renderer, "/nonexistent/fonts"));
    EXPECT_FALSE(renderer->stampFace());
    EXPECT_TRUE(drawStampFace(*renderer));
}

// A page whose pass, mip levels or stamps could not be made is not marked composed, so
// the next frame composes it again.
TEST_F(ClassifiedDrawingTest, APageThatCouldNotBeComposedIsComposedAgain) {
    for (const Resource resource : {Resource::encoder, Resource::texture}) {
        TransitionScene scene = makeScene(*renderer, window, {});
        scene.uniforms.progress = 0.5f;
        const auto first = renderer->queue()->makeCommandBuffer();
        ASSERT_TRUE(prepareClassified(*renderer, scene, *first));  // the plan and the page texture
        first->commit();
        scene.drawingAs<ClassifiedDrawing>()->drawnAt.reset();
        renderer->setStampFace(nullptr);
        const auto failing = renderer->queue()->makeCommandBuffer();
        renderer->device()->failNext(resource);  // the page's pass, or the stamp face's texture
        EXPECT_TRUE(prepareClassified(*renderer, scene, *failing)) << int(resource);
        failing->commit();
        EXPECT_FALSE(scene.drawingAs<ClassifiedDrawing>()->drawnAt) << int(resource);
        const auto next = renderer->queue()->makeCommandBuffer();
        EXPECT_TRUE(prepareClassified(*renderer, scene, *next));
        next->commit();
        EXPECT_TRUE(scene.drawingAs<ClassifiedDrawing>()->drawnAt) << int(resource);
        EXPECT_GT(countWhere(pixelsOf(*scene.drawingAs<ClassifiedDrawing>()->page), red), 1000) << int(resource);
    }
}

TEST_F(ClassifiedDrawingTest, ThePageShowsTheTextUnderBarsAndBothStamps) {
    TransitionScene scene = makeScene(*renderer, window, {});
    scene.uniforms.progress = 0.5f;  // after the redaction and both impacts
    const auto commands = renderer->queue()->makeCommandBuffer();
    ASSERT_TRUE(prepareClassified(*renderer, scene, *commands));
    commands->commit();
    ASSERT_TRUE(scene.drawingAs<ClassifiedDrawing>());
    const ClassifiedDrawing& d = *scene.drawingAs<ClassifiedDrawing>();
    ASSERT_FALSE(d.making.bars.empty());
    ASSERT_TRUE(d.page);
    EXPECT_EQ(d.page->width(), 400);
    EXPECT_GT(d.page->mipLevelCount(), 1);
    const Pixels page = pixelsOf(*d.page);
    keepFrame(page, "classified_page");

    // Most of the text lines lie under black bars; the page between them stays white.
    long lineDark = 0, lineAll = 0;
    for (int row : textBaselines(300)) {
        for (int x = 12; x < 380; ++x) {
            ++lineAll;
            lineDark += holds(page, x, row + 6, dark) ? 1 : 0;
        }
    }
    EXPECT_GT(double(lineDark) / double(lineAll), 0.5);
    EXPECT_FALSE(holds(page, 200, 10, dark));  // the title bar
    // Both stamps are printed in red.
    for (const auto& stamp : d.making.stamps) {
        long printed = 0;
        for (int y = int(stamp.center.y - stamp.size.y / 2); y < int(stamp.center.y + stamp.size.y / 2); ++y)
            for (int x = int(stamp.center.x - stamp.size.x / 2); x < int(stamp.center.x + stamp.size.x / 2); ++x)
                printed += holds(page, x, y, red) ? 1 : 0;
        EXPECT_GT(printed, long(stamp.size.x * stamp.size.y / 20));
    }
    // The page is not composed again once nothing on it changes.
    const auto composedAt = d.drawnAt;
    scene.uniforms.progress = 0.6f;
    const auto again = renderer->queue()->makeCommandBuffer();
    ASSERT_TRUE(prepareClassified(*renderer, scene, *again));
    EXPECT_EQ(scene.drawingAs<ClassifiedDrawing>()->drawnAt->x, composedAt->x);
}

TEST_F(ClassifiedDrawingTest, BeforeTheRedactionThePageIsThePicture) {
    TransitionScene scene = makeScene(*renderer, window, {});
    scene.uniforms.progress = 0.0f;
    const auto commands = renderer->queue()->makeCommandBuffer();
    ASSERT_TRUE(prepareClassified(*renderer, scene, *commands));
    commands->commit();
    const Pixels page = pixelsOf(*scene.drawingAs<ClassifiedDrawing>()->page);
    EXPECT_EQ(page.blue(390, 290), 255);
    EXPECT_EQ(page.alpha(390, 290), 255);
    EXPECT_LT(countWhere(page, dark), 3000);  // only the letters
}

TEST_F(ClassifiedDrawingTest, WithoutAnInkMapThePageHasOnlyTheCopyAndTheStamps) {
    TransitionScene scene = makeScene(*renderer, window, {});
    scene.uniforms.progress = 0.5f;
    renderer->device()->failNext(Resource::buffer);  // the read-back's buffer
    const auto commands = renderer->queue()->makeCommandBuffer();
    ASSERT_TRUE(prepareClassified(*renderer, scene, *commands));
    commands->commit();
    const ClassifiedDrawing& d = *scene.drawingAs<ClassifiedDrawing>();
    EXPECT_TRUE(d.making.bars.empty());
    EXPECT_FALSE(d.bars);
    EXPECT_EQ(d.making.lightness, 1);
    const Pixels page = pixelsOf(*d.page);
    EXPECT_LT(countWhere(page, dark), 3000);  // the letters, no bars
    EXPECT_GT(countWhere(page, red), 1000);   // the stamps
    // The page's mip levels were made from it.
    const Pixels small = pixelsOf(*d.page, 2);
    EXPECT_EQ(small.width, 100);
    EXPECT_GT(countWhere(small, visible), 100 * 75 - 10);
}

TEST_F(ClassifiedDrawingTest, APreparationThatCannotMakeItsPageTriesAgain) {
    TransitionScene scene = makeScene(*renderer, window, {});
    const auto commands = renderer->queue()->makeCommandBuffer();
    renderer->device()->failNext(Resource::texture);
    EXPECT_FALSE(prepareClassified(*renderer, scene, *commands));
    EXPECT_FALSE(scene.drawing);
    EXPECT_TRUE(prepareClassified(*renderer, scene, *commands));
    EXPECT_TRUE(scene.drawingAs<ClassifiedDrawing>());
    TransitionScene empty;
    empty.effect = TransitionEffect::classified;
    EXPECT_FALSE(prepareClassified(*renderer, empty, *commands));
}

TEST_F(ClassifiedDrawingTest, FramesOfBothVariantsAreDrawnAndRepeatable) {
    for (bool title : {false, true}) {
        TransitionScene scene = makeScene(*renderer, window, {.titleStrip = title});
        const auto target = makeTarget(*renderer, 640, 480);
        for (float t : {0.0f, 0.2f, 0.33f, 0.5f, 0.7f, 0.86f, 1.0f}) {
            scene.uniforms.progress = t;
            ASSERT_TRUE(renderer->render(scene, target)) << t;
            const Pixels frame = pixelsOf(*target);
            const char* variant = title ? "title" : "thumb";
            keepFrame(frame, "classified_" + std::string(variant) + "_t" + std::to_string(int(t * 100)));
            if (t < 0.9f || !title) {
                EXPECT_GT(countWhere(frame, visible), 2000) << variant << t;
            }
            if (t != 0.33f) continue;  // one frame drawn twice: the same bytes
            ASSERT_TRUE(renderer->render(scene, target));
            EXPECT_EQ(pixelsOf(*target).hash(), frame.hash()) << variant << t;
        }
    }
}

}  // namespace
}  // namespace furlpane::drawing_tests
