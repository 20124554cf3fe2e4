// The sheet that the effects drawn by their shaders share (shaders/sheet.h), and the
// scene's one drawing slot.

#include "transitions/shaders/sheet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "renderer_test_support.h"
#include "transitions/effect_pass.h"
#include "transitions/shader_library.h"
#include "transitions/transition_scene.h"

namespace furlpane {
namespace {

using shaders::Rows;

TransitionUniforms titleStrip(float crop) {
    TransitionUniforms u;
    u.standInCrop = crop;
    return u;
}

// Bit for bit, as the rasterizer needs it where two rows meet.
bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(SheetRows, EvenOrWithTheTitleBarFirst) {
    const TransitionUniforms thumbnail, strip = titleStrip(0.1f);
    EXPECT_EQ(shaders::rowTop(1, 4, Rows::titleBarFirst, thumbnail), 0.25f);  // no title bar to keep
    EXPECT_EQ(shaders::rowTop(1, 5, Rows::titleBarFirst, strip), 0.1f);       // the title bar's row
    EXPECT_FLOAT_EQ(shaders::rowTop(3, 5, Rows::titleBarFirst, strip), 0.1f + 0.9f * 2 / 4);
    EXPECT_EQ(shaders::rowTop(1, 5, Rows::even, strip), 0.2f);
    for (const Rows layout : {Rows::even, Rows::titleBarFirst}) {
        EXPECT_EQ(shaders::rowTop(0, 5, layout, strip), 0);
        EXPECT_EQ(shaders::rowTop(5, 5, layout, strip), 1);
        EXPECT_EQ(shaders::rowTop(9, 5, layout, strip), 1);
        EXPECT_EQ(shaders::rowTop(0, 0, layout, strip), 0);  // no rows: one row
    }
    EXPECT_EQ(shaders::meshRows(4, strip), 5u);
    EXPECT_EQ(shaders::meshRows(0, TransitionUniforms{}), 1u);
}

// Where two rows of a mesh meet, the lower edge of one and the upper edge of the next
// are the same bits, so that no crack opens between them however the rows are moved.
TEST(SheetRows, NeighbouringRowsShareTheirEdges) {
    const TransitionUniforms strip = titleStrip(28.0f / 260.0f);
    constexpr std::uint32_t columns = 7, rows = 11;
    for (std::uint32_t row = 0; row + 1 < rows; ++row)
        for (std::uint32_t column = 0; column <= columns; ++column) {
            const auto below = shaders::rowVertexUV(row, 2 * column + 1, columns, rows, Rows::titleBarFirst, strip);
            const auto above = shaders::rowVertexUV(row + 1, 2 * column, columns, rows, Rows::titleBarFirst, strip);
            EXPECT_TRUE(sameBits(below.x, above.x) && sameBits(below.y, above.y)) << row << " " << column;
        }
    // Vertices past the row's last column repeat it.
    EXPECT_EQ(shaders::rowVertexUV(0, 40, columns, rows, Rows::even, strip).x, 1);
}

TEST(TwinQuads, TheWindowGoesAndTheStandInComesBack) {
    TransitionUniforms u;
    const auto at = [&](float p, float instance) {
        u.progress = p;
        return shaders::twinProgress(u, instance);
    };
    EXPECT_EQ(at(0, 0), 0);
    EXPECT_EQ(at(shaders::kTwinGone, 0), 1);
    EXPECT_EQ(at(shaders::kTwinBack, 1), 1);
    EXPECT_EQ(at(1, 1), 0);
    EXPECT_EQ(at(std::nanf(""), 0), 0);
    u = titleStrip(0.1f);
    EXPECT_EQ(at(0.5f, 0), 0.5f);  // a title strip's window takes the whole transition
}

TEST(SheetNoise, TheHashIsAUnitFractionOfItsArguments) {
    EXPECT_EQ(shaders::hash01(3, 4, 5), shaders::hash01(3, 4, 5));
    EXPECT_NE(shaders::hash01(3, 4, 5), shaders::hash01(4, 3, 5));
    EXPECT_NE(shaders::hash01(3, 4, 5), shaders::hash01(3, 4, 6));
    for (std::uint32_t i = 0; i < 1000; ++i) {
        const float h = shaders::hash01(i, ~i, 0xFFFFFFFFu);
        ASSERT_GE(h, 0.0f);
        ASSERT_LT(h, 1.0f);
    }
}

// Shaders round without the library; the grid they draw must not move by a bit.
TEST(SheetRounding, RoundsAsTheLibraryDoes) {
    const float edges[] = {0.0f, -0.0f, 0.3f, -0.3f, 0.5f, -0.5f, 1.5f, -2.5f, 0.49999997f, -0.49999997f,
                           8388607.5f, -8388607.5f, 8388608.0f, 1e20f, -1e20f, 1e-40f,
                           std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()};
    for (const float x : edges) EXPECT_TRUE(sameBits(shaders::roundHalfAway(x), std::round(x))) << x;
    EXPECT_TRUE(std::isnan(shaders::roundHalfAway(std::nanf(""))));
    // Every float near the halves of the cells a mesh has, and a sweep of the range.
    for (int k = -200; k <= 200; ++k)
        for (const float towards : {-1e9f, 1e9f})
            for (float x = float(k) / 2, i = 0; i < 4; ++i, x = std::nextafter(x, towards))
                ASSERT_TRUE(sameBits(shaders::roundHalfAway(x), std::round(x))) << x;
    for (float x = -3e7f; x < 3e7f; x += 1234.567f)
        ASSERT_TRUE(sameBits(shaders::roundHalfAway(x), std::round(x))) << x;
}

// The lane helpers work on four lanes at once; each lane must get the bits the scalar
// helper gives it, edge cases included, or the pictures would change.
TEST(SheetLanes, FourLanesAtOnceGiveTheBitsOfOneLaneAtATime) {
    using namespace shaders::lanes4;
    const auto same = [](f32x4 lanes, const float (&one)[4]) {
        for (int i = 0; i < 4; ++i)
            if (!sameBits(lanes[i], one[i]) && !(std::isnan(lanes[i]) && std::isnan(one[i]))) return false;
        return true;
    };
    const float nan = std::nanf(""), inf = std::numeric_limits<float>::infinity();
    const float values[][4] = {{0.3f, -2.5f, 8388607.5f, nan}, {-0.0f, inf, -1e20f, 0.49999997f}};
    for (const auto& x : values) {
        const float one[4] = {shaders::roundHalfAway(x[0]), shaders::roundHalfAway(x[1]),
                              shaders::roundHalfAway(x[2]), shaders::roundHalfAway(x[3])};
        EXPECT_TRUE(same(roundHalfAway(of(x)), one));
    }
    // The corners: inside the corner squares, on the straight edges, beyond the picture;
    // sizes and radii sane and not; the soft edge's scale 0, negative, NaN.
    const float us[][4] = {{0.001f, 0.999f, 0.5f, -0.2f}, {0.01f, 0.02f, nan, 1.3f}};
    const float vs[][4] = {{0.002f, 0.998f, 0.001f, 0.5f}, {0.99f, 0.0f, 0.5f, inf}};
    const float scales[][4] = {{nan, 0, -3, 1}, {0.5f, nan, 1e-4f, 1}};
    for (const float radius : {10.0f, 0.0f, 1e6f, nan})
        for (const float width : {800.0f, 0.0f, -5.0f}) {
            TransitionUniforms u;
            u.window = {0, 0, width, 600};
            u.cornerRadius = radius;
            u.pixelsPerPoint = 2;
            for (int k = 0; k < 2; ++k) {
                float one[4];
                for (int i = 0; i < 4; ++i) one[i] = shaders::sheetCorners({us[k][i], vs[k][i]}, scales[k][i], u);
                EXPECT_TRUE(same(sheetCorners(of(us[k]), of(vs[k]), of(scales[k]), u), one)) << radius << " " << width;
            }
        }
    // The sheet's colour: lit, the back of the paper where it faces away, alpha clamped,
    // coverage alone in the silhouette.
    for (const bool silhouette : {false, true}) {
        platform::gpu::FragmentQuad lanes, one;
        const float light[4] = {1, 0.5f, 0.8f, 1}, facing[4] = {1, -1, 0, -0.5f}, alpha[4] = {0.5f, 2, -1, nan};
        const shaders::float4 colors[4] = {{0.2f, 0.4f, 0.6f, 0.8f}, {1, 1, 1, 1}, {0, 0, 0, 0}, {0.1f, 0.2f, 0.3f, 0.5f}};
        for (auto* q : {&lanes, &one})
            for (int i = 0; i < 4; ++i) {
                q->varyings[3][i] = light[i];
                q->varyings[4][i] = facing[i];
            }
        f32x4 channels[4];
        for (int k = 0; k < 4; ++k) channels[k] = f32x4{colors[0][k], colors[1][k], colors[2][k], colors[3][k]};
        emitSheet(lanes, channels, of(alpha), silhouette);
        for (int i = 0; i < 4; ++i) {
            shaders::emitSheet(one, i, colors[i], alpha[i], silhouette);
            EXPECT_EQ(std::memcmp(&lanes.color[i], &one.color[i], sizeof(shaders::float4)), 0) << i << " " << silhouette;
        }
    }
}

struct OneDrawing : EffectDrawing {
    int value = 0;
};
struct OtherDrawing : EffectDrawing {};

// A mipmapped picture whose texels differ from their neighbours, so that a slip in a
// coordinate or a level shows.
std::shared_ptr<platform::gpu::Texture> mippedPicture(platform::gpu::Device& device, std::uint32_t seed) {
    using namespace platform::gpu;
    auto t = device.makeTexture(TextureDescriptor::texture2D(PixelFormat::bgra8Unorm, 61, 43, Mipmapped::yes));
    for (int level = 0; level < t->mipLevelCount(); ++level) {
        std::vector<std::uint32_t> texels(std::size_t(t->width(level) * t->height(level)));
        for (auto& texel : texels) texel = seed = seed * 1664525u + 1013904223u;
        const int w = t->width(level), h = t->height(level);
        t->replaceRegion({0, 0, w, h}, level, texels.data(), 4 * std::size_t(w));
    }
    return t;
}

// The sheet's fragments (the sheet's own, as swirl draws it, and the black hole's with
// its disc) shade a span's lanes as their quad forms do: with the fresher picture mixed
// in or not, in either pass, on the back of the paper, at steps that read different mip
// levels in the span's two quads, and without a picture.
TEST(SheetSpans, ShadeEveryLaneAsQuadsDo) {
    using namespace platform::gpu;
    const auto renderer = testing::makeRenderer(1, 1);
    ASSERT_TRUE(renderer);
    Device& device = *renderer->device();
    const ShaderLibrary library(transitionShaderCatalog());
    const auto picture = mippedPicture(device, 1), fresh = mippedPicture(device, 2);
    struct Case {
        const char* fragment;
        float freshness;
        bool silhouette;
        float disc;  // varying 6: the black hole's disc, else its sheet
        bool withPicture;
    };
    const Case cases[] = {
        {"swirlFragment", 0, false, 0, true},      {"swirlFragment", 0.4f, false, 0, true},
        {"swirlFragment", 0.4f, true, 0, true},    {"swirlFragment", 0, false, 0, false},
        {"blackHoleFragment", 0, false, 0, true},  {"blackHoleFragment", 0.7f, true, 0, true},
        {"blackHoleFragment", 0, false, 1, true},  {"blackHoleFragment", 0, true, 1, false},
    };
    std::uint32_t seed = 5;
    const auto uniform = [&](float lo, float hi) {
        seed = seed * 1664525u + 1013904223u;
        return lo + (hi - lo) * float(seed >> 8) * (1.0f / 16777216.0f);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fragment) + " freshness " + std::to_string(c.freshness) + " silhouette " +
                     std::to_string(c.silhouette) + " disc " + std::to_string(c.disc));
        const auto function = library.function(c.fragment);
        ASSERT_TRUE(function && function->span());
        TransitionUniforms u;
        u.window = {10, 20, 300, 200};
        u.cornerRadius = 40;
        u.pixelsPerPoint = 2;
        u.freshness = c.freshness;
        ShadowParameters shadow;
        shadow.unframedFade = 0.8f;
        const PassInfo info{c.silhouette ? 1u : 0u, 1, 64, 64};
        StageResources r;
        r.setBuffer(kUniformsIndex, device.makeBuffer(&u, sizeof u), 0);
        r.setBuffer(kShadowParametersIndex, device.makeBuffer(&shadow, sizeof shadow), 0);
        r.setBuffer(kPassInfoIndex, device.makeBuffer(&info, sizeof info), 0);
        if (c.withPicture) r.setTexture(0, picture);
        r.setTexture(1, fresh);
        r.setSampler(0, renderer->sampler());
        DrawConstants constants;
        function->span().prepare(r, constants);
        for (int n = 0; n < 60; ++n) {
            FragmentSpan s{.x = 2 * n, .y = 6, .liveMask = 0xFF, .resources = &r};
            for (int half = 0; half < 2; ++half) {
                // uv from a corner region to the middle, a texel in 8 to 6 texels a pixel.
                const float u0 = uniform(-0.1f, 1.1f), v0 = uniform(-0.1f, 1.1f);
                const float step = std::exp2(uniform(-3, 2.6f)) / 61;
                for (int lane = 0; lane < 4; ++lane) {
                    const int l = 4 * half + lane;
                    s.varyings[0][l] = c.disc > 0 ? uniform(-1.1f, 1.1f) : u0 + step * float(lane & 1);
                    s.varyings[1][l] = c.disc > 0 ? uniform(-1.1f, 1.1f) : v0 + step * float(lane >> 1);
                    s.varyings[2][l] = uniform(0, 1.2f);
                    s.varyings[3][l] = uniform(0.3f, 1);
                    s.varyings[4][l] = uniform(-1, 1);
                    s.varyings[5][l] = uniform(0.2f, 2);
                    s.varyings[6][l] = c.disc;
                }
            }
            function->span().shade(s, constants);
            for (int half = 0; half < 2; ++half) {
                FragmentQuad q{.x = s.x + 2 * half, .y = s.y, .liveMask = 0xF, .resources = &r};
                for (int k = 0; k < 7; ++k)
                    for (int lane = 0; lane < 4; ++lane) q.varyings[k][lane] = s.varyings[k][4 * half + lane];
                function->fragment()(q);
                ASSERT_EQ(q.discardMask, s.discardMask >> (4 * half) & 15u) << "span " << n;
                for (int lane = 0; lane < 4 && !q.discardMask; ++lane) {
                    const int l = 4 * half + lane;
                    const platform::simd::float4 span{s.color.r[l], s.color.g[l], s.color.b[l], s.color.a[l]};
                    EXPECT_EQ(std::memcmp(&span, &q.color[lane], sizeof span), 0) << "span " << n << ", lane " << l;
                }
            }
        }
    }
}

TEST(DrawingSlot, HoldsOneEffectsRecordAndKeepsNothingHalfMade) {
    TransitionScene scene;
    EXPECT_FALSE(scene.drawingAs<OneDrawing>());
    EXPECT_FALSE(scene.keepDrawing<OneDrawing>([] { return std::shared_ptr<OneDrawing>(); }));
    EXPECT_FALSE(scene.drawing);
    OneDrawing* made = scene.keepDrawing<OneDrawing>([] { return std::make_shared<OneDrawing>(); });
    ASSERT_TRUE(made);
    made->value = 7;
    EXPECT_EQ(scene.keepDrawing<OneDrawing>([] { return std::make_shared<OneDrawing>(); }), made);
    // Another effect's record is not this one's: it is replaced, not read.
    EXPECT_FALSE(scene.drawingAs<OtherDrawing>());
    EXPECT_FALSE(scene.keepDrawing<OtherDrawing>([] { return std::shared_ptr<OtherDrawing>(); }));
    EXPECT_EQ(scene.drawingAs<OneDrawing>()->value, 7);
    EXPECT_TRUE(scene.keepDrawing<OtherDrawing>([] { return std::make_shared<OtherDrawing>(); }));
    EXPECT_FALSE(scene.drawingAs<OneDrawing>());
}

}  // namespace
}  // namespace furlpane
