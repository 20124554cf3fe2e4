#include <gtest/gtest.h>

#include <cmath>

#include "tests/transitions/drawing/effect_frames.h"
#include "transitions/drawing/burning_paper/burning_paper_drawing.h"
#include "transitions/drawing/moonless/moonless_drawing.h"

namespace furlpane::testing {
namespace {

using namespace platform::gpu;

TransitionUniforms windowOf(float width, float height, bool titleStrip) {
    TransitionUniforms u;
    u.window = {0, 0, width, height};
    u.titleBarHeight = 28;
    u.standInCrop = titleStrip ? 0.1f : 1;
    return u;
}

TEST(SmokeField, CellSizeGivesAboutFiftyThousandCells) {
    EXPECT_EQ(smokeCellSize(windowOf(800, 600, false)), static_cast<float>(std::sqrt(9.6)));
    EXPECT_NEAR(smokeCellSize(windowOf(800, 600, false)), 3.098, 1e-3);
    EXPECT_EQ(smokeCellSize(windowOf(800, 600, true)), static_cast<float>(std::sqrt(9.152)));
    EXPECT_EQ(smokeCellSize(windowOf(100, 100, false)), 2);
    EXPECT_EQ(smokeCellSize(windowOf(5000, 3000, false)), 8);
    // Odd windows still give a size within the bounds.
    EXPECT_EQ(smokeCellSize(windowOf(NAN, 600, false)), 2);
    EXPECT_EQ(smokeCellSize(windowOf(800, 10, true)), 2);
}

TEST(SmokeField, MadeOnceWithOneTexelPerCell) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    TransitionScene scene = frames->scene(TransitionEffect::moonless, StandInKind::thumbnail);
    scene.uniforms = windowOf(800, 600, false);
    auto commands = frames->renderer().queue()->makeCommandBuffer();
    frames->device().failNext(Resource::texture);
    EXPECT_FALSE(prepareMoonless(frames->renderer(), scene, *commands));
    EXPECT_FALSE(scene.drawing);
    ASSERT_TRUE(prepareMoonless(frames->renderer(), scene, *commands));
    const MoonlessDrawing* smoke = scene.drawingAs<MoonlessDrawing>();
    EXPECT_EQ(smoke->field->pixelFormat(), PixelFormat::rg16Float);
    EXPECT_EQ(smoke->field->width(), 259);  // 800 / 3.098 rounded up
    EXPECT_EQ(smoke->field->height(), 194);
    EXPECT_EQ(smoke->look, (platform::simd::float4{smokeCellSize(scene.uniforms), 259, 194, 0}));
    EXPECT_TRUE(prepareMoonless(frames->renderer(), scene, *commands));
    EXPECT_EQ(scene.drawingAs<MoonlessDrawing>(), smoke);
    // The field, and the pass that fills it, could cover so many cells before the frame:
    // a window larger than any picture gets the field of the largest picture's size.
    TransitionScene huge = frames->scene(TransitionEffect::moonless, StandInKind::thumbnail);
    huge.uniforms = windowOf(3e38f, 3e38f, false);
    ASSERT_TRUE(prepareMoonless(frames->renderer(), huge, *commands));
    EXPECT_EQ(huge.drawingAs<MoonlessDrawing>()->field->width(), 2048);  // 16384 points of 8-point cells
    EXPECT_EQ(huge.drawingAs<MoonlessDrawing>()->field->height(), 2048);
    commands->commit();
}

TEST(Paper, MadeFromThePictureThroughThePaperPipeline) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    TransitionScene scene = frames->scene(TransitionEffect::burningPaper, StandInKind::thumbnail);
    scene.uniforms.freshness = 0.7f;
    auto commands = frames->renderer().queue()->makeCommandBuffer();
    auto paper = makePaper(scene.picture, frames->renderer(), *commands, scene);
    commands->commit();
    ASSERT_TRUE(paper);
    EXPECT_EQ(paper->width(), scene.picture->width());
    EXPECT_EQ(paper->height(), scene.picture->height());
    EXPECT_EQ(paper->mipLevelCount(), 1);
    EXPECT_TRUE(hasUsage(paper->usage(), TextureUsage::shaderReadAndRenderTarget));
    // Warm paper, opaque where the picture is.
    const platform::simd::float4 middle = paper->read(180, 200);
    EXPECT_EQ(middle.w, 1);
    EXPECT_GT(middle.x, middle.z);

    auto failing = frames->renderer().queue()->makeCommandBuffer();
    frames->device().failNext(Resource::texture);
    EXPECT_FALSE(makePaper(scene.picture, frames->renderer(), *failing, scene));
    frames->device().failNext(Resource::encoder);
    EXPECT_FALSE(makePaper(scene.picture, frames->renderer(), *failing, scene));
    failing->commit();
}

TEST(Paper, FreshPaperFollowsTheFreshPicture) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    TransitionScene scene = frames->scene(TransitionEffect::burningPaper, StandInKind::thumbnail);
    auto commands = frames->renderer().queue()->makeCommandBuffer();
    frames->device().failNext(Resource::texture);
    EXPECT_TRUE(prepareBurningPaper(frames->renderer(), scene, *commands));  // draws without paper
    EXPECT_FALSE(scene.paper);
    EXPECT_TRUE(prepareBurningPaper(frames->renderer(), scene, *commands));
    ASSERT_TRUE(scene.paper);
    EXPECT_FALSE(scene.freshPaper);
    scene.fresh = frames->device().makeTexture(TextureDescriptor::texture2D(PixelFormat::bgra8Unorm, 20, 10, Mipmapped::no));
    EXPECT_TRUE(prepareBurningPaper(frames->renderer(), scene, *commands));
    ASSERT_TRUE(scene.freshPaper);
    EXPECT_EQ(scene.freshPaper->picture, scene.fresh);
    EXPECT_EQ(scene.freshPaper->paper->width(), 20);
    const auto firstFresh = scene.freshPaper->paper;
    const auto paper = scene.paper;
    EXPECT_TRUE(prepareBurningPaper(frames->renderer(), scene, *commands));
    EXPECT_EQ(scene.freshPaper->paper, firstFresh);  // the same fresh picture keeps its paper
    EXPECT_EQ(scene.paper, paper);
    commands->commit();
    auto frame = frames->render(scene, 0.5f);
    EXPECT_TRUE(frame);
}

}  // namespace
}  // namespace furlpane::testing
