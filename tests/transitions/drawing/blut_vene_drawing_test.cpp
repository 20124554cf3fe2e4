#include "transitions/drawing/blut_vene/blut_vene_drawing.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/transitions/drawing/effect_frames.h"

namespace furlpane::testing {
namespace {

using platform::gpu::Resource;

// Pixels clearly redder than anything in the window's picture below its blocks.
int veinPixels(const platform::Image& frame, int x0, int y0, int x1, int y1) {
    int count = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const platform::Pixel p = frame.pixel(x, y);
            count += p.a > 200 && p.r > 2 * p.g + 40 && p.r > 2 * p.b + 40;
        }
    return count;
}

TEST(BlutVeneDrawing, PreparationRunsOnceAndRetriesWhatCannotBeMade) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    TransitionScene scene = frames->scene(TransitionEffect::blutVene, StandInKind::titleStrip);
    for (Resource fault : {Resource::buffer, Resource::texture, Resource::pipeline, Resource::encoder}) {
        auto commands = frames->renderer().queue()->makeCommandBuffer();
        frames->device().failNext(fault);
        EXPECT_FALSE(prepareBlutVene(frames->renderer(), scene, *commands));
        EXPECT_FALSE(scene.drawing);
        commands->commit();
    }
    auto commands = frames->renderer().queue()->makeCommandBuffer();
    ASSERT_TRUE(prepareBlutVene(frames->renderer(), scene, *commands));
    commands->commit();
    const BlutVeneDrawing* drawing = scene.drawingAs<BlutVeneDrawing>();
    ASSERT_TRUE(drawing && drawing->segments && drawing->field);
    EXPECT_EQ(drawing->segments->length(), drawing->making.segments.size() * 48);
    // The field covers the window below its title bar, one texel per point.
    EXPECT_EQ(drawing->field->width(), 360);
    EXPECT_EQ(drawing->field->height(), 232);
    EXPECT_EQ(drawing->look[0], (platform::simd::float4{60, 78, 360, 232}));
    // Later frames keep what was made.
    auto again = frames->renderer().queue()->makeCommandBuffer();
    EXPECT_TRUE(prepareBlutVene(frames->renderer(), scene, *again));
    EXPECT_EQ(scene.drawingAs<BlutVeneDrawing>(), drawing);
    again->commit();
}

TEST(BlutVeneDrawing, VeinsGrowFromTheBottomEdge) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    TransitionScene scene = frames->scene(TransitionEffect::blutVene, StandInKind::thumbnail);
    std::vector<platform::Image> sheet;
    for (float t : {0.0f, 0.1f, 0.2f, 0.35f, 0.5f, 0.7f, 0.9f, 1.0f}) {
        auto frame = frames->render(scene, t);
        ASSERT_TRUE(frame);
        sheet.push_back(*frame);
    }
    frames->keepSheet(sheet, "veins_thumb");
    // The body between the blocks and the red band at the bottom: white and text at rest.
    const auto body = [](const platform::Image& f) { return veinPixels(f, 64, 200, 416, 288); };
    const auto top = [](const platform::Image& f) { return veinPixels(f, 64, 79, 416, 93); };
    EXPECT_EQ(body(sheet[0]), 0);
    EXPECT_GT(body(sheet[1]), 0);
    EXPECT_EQ(top(sheet[1]), 0);  // early on the veins have not reached the top
    EXPECT_GT(body(sheet[2]), body(sheet[1]));
    EXPECT_GT(top(sheet[3]), 0);  // grown over the whole window
    // The picture ends on the thumbnail without veins.
    EXPECT_GT(coverageIn(sheet.back(), 500, 300, 596, 364).covered, 96 * 64 * 9 / 10);
    EXPECT_EQ(coverageIn(sheet.back(), 0, 0, 490, 400).covered, 0);
}

}  // namespace
}  // namespace furlpane::testing
