#include "transitions/drawing/water/water_drawing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "tests/transitions/drawing/effect_frames.h"
#include "transitions/effect_pass.h"
#include "transitions/frame_parameters.h"

namespace furlpane::testing {
namespace {

using platform::gpu::Resource;
using platform::simd::float4;

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

// The main pass reads the field only in the cells marked as near a drop: every texel the
// drops left other than 0 must lie, with all that filtering reads around it (a texel each
// way), in marked cells.
TEST(WaterDrawing, EveryTexelTheDropsTouchLiesInAMarkedCell) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    for (const StandInKind kind : {StandInKind::thumbnail, StandInKind::titleStrip})
        for (const float t : {0.05f, 0.3f, 0.5f, 0.7f}) {
            TransitionScene scene = frames->scene(TransitionEffect::water, kind);
            scene.uniforms.progress = t;
            auto commands = frames->renderer().queue()->makeCommandBuffer();
            ASSERT_TRUE(prepareWater(frames->renderer(), scene, *commands));
            commands->commit();
            commands->waitUntilCompleted();
            const WaterDrawing& d = *scene.drawingAs<WaterDrawing>();
            ASSERT_TRUE(d.drops) << t;
            ASSERT_GT(d.cells.side, 0) << t;
            ASSERT_EQ(d.marks.size(), std::size_t(d.cells.columns) * d.cells.rows);
            const int w = d.field->width(), h = d.field->height();
            std::vector<std::uint32_t> texels(std::size_t(w) * h);
            ASSERT_TRUE(d.field->getBytes(texels.data(), std::size_t(w) * 4, {0, 0, w, h}, 0));
            const auto marked = [&](float x, float y) {
                const auto cell = [&](float at, std::uint32_t n) {
                    return std::size_t(std::clamp(std::floor(at / d.cells.side), 0.0f, float(n - 1)));
                };
                return d.marks[cell(y, d.cells.rows) * d.cells.columns + cell(x, d.cells.columns)] != 0;
            };
            int touched = 0, unmarked = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    if (texels[std::size_t(y) * w + x] == 0) continue;
                    ++touched;
                    const float cx = (float(x) + 0.5f) * d.texel, cy = (float(y) + 0.5f) * d.texel;
                    for (const float dx : {-d.texel, d.texel})
                        for (const float dy : {-d.texel, d.texel}) unmarked += marked(cx + dx, cy + dy) ? 0 : 1;
                }
            EXPECT_GT(touched, 0) << t;
            EXPECT_EQ(unmarked, 0) << t;
            // And the cells do leave most of the view alone once the drops have fallen.
            if (t >= 0.5f) {
                EXPECT_LT(std::count(d.marks.begin(), d.marks.end(), 1), std::ssize(d.marks) / 2) << t;
            }
        }
}

// The span form shades every lane as the quad form does, colour and discard: the ripple
// over the window, the melt, the puddle on the thumbnail (quads it reaches go through the
// quad form), the stand-in, a title strip, the restoring flood, the silhouette pass, a
// fade that is not finite, no drop cells bound, and nothing bound to draw with.
TEST(WaterDrawing, SpansShadeEveryLaneAsQuadsDo) {
    using namespace platform::gpu;
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    ShaderCatalog catalog;
    registerWaterShaders(catalog);
    const auto water = ShaderLibrary(catalog).function("waterFragment");
    ASSERT_TRUE(water && water->span());
    struct Case {
        StandInKind kind;
        bool restoring;
        float progress;
        bool silhouette = false;
        float fade = 1;
        bool cells = true;
        bool picture = true;
    };
    const Case cases[] = {{StandInKind::thumbnail, false, 0.05f},
                          {StandInKind::thumbnail, false, 0.3f},
                          {StandInKind::thumbnail, false, 0.3f, true, 0.5f, false},
                          {StandInKind::thumbnail, false, 0.6f},
                          {StandInKind::thumbnail, false, 0.9f, false, std::numeric_limits<float>::infinity()},
                          {StandInKind::titleStrip, false, 0.3f},
                          {StandInKind::thumbnail, true, 0.8f},
                          {StandInKind::thumbnail, false, 0.3f, false, 1, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.progress) + (c.restoring ? " restoring" : ""));
        TransitionScene scene = frames->scene(TransitionEffect::water, c.kind);
        scene.uniforms.restoring = c.restoring ? 1 : 0;
        ASSERT_TRUE(frames->render(scene, c.progress));
        const WaterDrawing& d = *scene.drawingAs<WaterDrawing>();
        Device& device = frames->device();
        StageResources r;
        if (c.picture) r.setTexture(0, scene.picture);
        r.setSampler(0, frames->renderer().sampler());
        r.setBuffer(kUniformsIndex, device.makeBuffer(&scene.uniforms, sizeof scene.uniforms), 0);
        ShadowParameters shadow;
        shadow.unframedFade = c.fade;
        r.setBuffer(kShadowParametersIndex, device.makeBuffer(&shadow, sizeof shadow), 0);
        PassInfo pass;
        pass.silhouette = c.silhouette ? 1 : 0;
        r.setBuffer(kPassInfoIndex, device.makeBuffer(&pass, sizeof pass), 0);
        r.setBuffer(2, device.makeBuffer(std::span<const platform::simd::float4>(d.look)), 0);
        r.setTexture(3, d.field);
        if (c.cells && !d.marks.empty()) {
            r.setBuffer(kDropCellsIndex, device.makeBuffer(&d.cells, sizeof d.cells), 0);
            r.setBuffer(kDropCellMarksIndex, device.makeBuffer(std::span<const std::uint8_t>(d.marks)), 0);
        }
        DrawConstants constants;
        water->span().prepare(r, constants);
        int shown = 0;
        for (int y = 0; y < 400; y += 6)
            for (int x = 0; x < 640; x += 12) {
                FragmentSpan span{.x = x, .y = y, .liveMask = 0xFF, .resources = &r};
                for (int l = 0; l < kSpanLanes; ++l)
                    span.varyings[0][l] = span.position(l).x, span.varyings[1][l] = span.position(l).y;
                water->span().shade(span, constants);
                for (int half = 0; half < 2; ++half) {
                    FragmentQuad q{.x = x + 2 * half, .y = y, .liveMask = 0xF, .resources = &r};
                    for (int lane = 0; lane < 4; ++lane)
                        q.varyings[0][lane] = q.position(lane).x, q.varyings[1][lane] = q.position(lane).y;
                    water->fragment()(q);
                    for (int lane = 0; lane < 4; ++lane) {
                        const int l = 4 * half + lane;
                        const bool dropped = q.discardMask >> lane & 1;
                        ASSERT_EQ(bool(span.discardMask >> l & 1), dropped) << x << "," << y << " lane " << l;
                        if (dropped) continue;
                        ++shown;
                        const float4 colour{span.color.r[l], span.color.g[l], span.color.b[l], span.color.a[l]};
                        ASSERT_EQ(std::memcmp(&colour, &q.color[lane], sizeof colour), 0)
                            << x << "," << y << " lane " << l;
                    }
                }
            }
        EXPECT_EQ(shown > 0, c.picture);
    }
}

}  // namespace
}  // namespace furlpane::testing
