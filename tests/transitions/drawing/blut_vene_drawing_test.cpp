#include "transitions/drawing/blut_vene/blut_vene_drawing.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// The flush reads the field's levels 3 and 4 from copies of their own: they hold the
// field's bytes, for a thumbnail's window and a title strip's body alike.
TEST(BlutVeneDrawing, TheFlushLevelsAreTheFieldsOwn) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    for (const StandInKind kind : {StandInKind::thumbnail, StandInKind::titleStrip}) {
        TransitionScene scene = frames->scene(TransitionEffect::blutVene, kind);
        auto commands = frames->renderer().queue()->makeCommandBuffer();
        ASSERT_TRUE(prepareBlutVene(frames->renderer(), scene, *commands));
        commands->commit();
        commands->waitUntilCompleted();
        const BlutVeneDrawing& d = *scene.drawingAs<BlutVeneDrawing>();
        ASSERT_GT(d.field->mipLevelCount(), kBlutVeneFlushLevels[1]);
        for (int i = 0; i < 2; ++i) {
            const int level = kBlutVeneFlushLevels[i], w = d.field->width(level), h = d.field->height(level);
            ASSERT_TRUE(d.flushLevels[i]);
            ASSERT_EQ(d.flushLevels[i]->width(), w);
            ASSERT_EQ(d.flushLevels[i]->height(), h);
            std::vector<std::uint32_t> field(std::size_t(w) * h), copy(field.size());
            ASSERT_TRUE(d.field->getBytes(field.data(), std::size_t(w) * 4, {0, 0, w, h}, level));
            ASSERT_TRUE(d.flushLevels[i]->getBytes(copy.data(), std::size_t(w) * 4, {0, 0, w, h}, 0));
            EXPECT_EQ(field, copy) << level;
            EXPECT_GT(std::count_if(copy.begin(), copy.end(), [](std::uint32_t t) { return t != 0; }), 0) << level;
        }
    }
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
