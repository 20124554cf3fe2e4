// The span forms of effect fragments against their quad forms: every lane of a span gets
// the discard and the colour bits its quad would, over varyings that sweep the shapes'
// edges and beyond.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>

#include "tests/transitions/effects/drawing_test_support.h"
#include "transitions/drawing/taco/taco_drawing.h"
#include "transitions/effect_pass.h"
#include "transitions/shaders/effect_shaders.h"

namespace furlpane::drawing_tests {
namespace {

using namespace platform::gpu;
using platform::simd::float4;

// Varying k at pixel (x, y).
using Varyings = std::function<float(int k, float x, float y)>;

// Shades the spans of a width × height area both ways; the lanes shown.
int expectSpansAsQuads(const ShaderFunction& f, const StageResources& r, int count, const Varyings& at, int width,
                       int height) {
    DrawConstants constants;
    f.span().prepare(r, constants);
    int shown = 0;
    for (int y = 0; y < height; y += 2)
        for (int x = 0; x < width; x += 4) {
            FragmentSpan s{.x = x, .y = y, .liveMask = 0xFF, .resources = &r};
            for (int k = 0; k < count; ++k)
                for (int lane = 0; lane < kSpanLanes; ++lane)
                    s.varyings[k][lane] = at(k, s.position(lane).x, s.position(lane).y);
            f.span().shade(s, constants);
            for (int half = 0; half < 2; ++half) {
                FragmentQuad q{.x = x + 2 * half, .y = y, .liveMask = 0xF, .resources = &r};
                for (int k = 0; k < count; ++k)
                    for (int lane = 0; lane < 4; ++lane)
                        q.varyings[k][lane] = at(k, q.position(lane).x, q.position(lane).y);
                f.fragment()(q);
                for (int lane = 0; lane < 4; ++lane) {
                    const int l = 4 * half + lane;
                    const bool dropped = q.discardMask >> lane & 1;
                    EXPECT_EQ(bool(s.discardMask >> l & 1), dropped) << "lane " << l << " at " << x << "," << y;
                    if (dropped) continue;
                    ++shown;
                    const float4 span{s.color.r[l], s.color.g[l], s.color.b[l], s.color.a[l]};
                    EXPECT_EQ(std::memcmp(&span, &q.color[lane], sizeof span), 0) << "lane " << l << " at " << x << ","
                                                                                   << y;
                }
            }
        }
    return shown;
}

std::shared_ptr<const Sampler> trilinear(Device& device) {
    SamplerDescriptor d;
    d.minFilter = d.magFilter = SamplerFilter::linear;
    d.mipFilter = MipFilter::linear;
    return device.makeSampler(d);
}

// The taco's sheet over frames of both variants, with the look's rounding, bites and
// scale pushed to their edges: exponents across the range the outline's bounds cover
// and one beyond it, a
// rectangle, two pixels per point, the silhouette pass, the bites only in the look, and
// no picture at all.
TEST(SpanForms, TacoSheetShadesEveryLaneAsQuadsDo) {
    const auto renderer = makeRenderer(1);
    ASSERT_TRUE(renderer);
    ShaderCatalog catalog;
    registerTacoShaders(catalog);
    const auto sheet = ShaderLibrary(catalog).function("tacoFragment");
    ASSERT_TRUE(sheet && sheet->span());
    const auto& device = renderer->device();
    const platform::Image window = textWindow(400, 300, 24);
    enum class Twist { none, unbounded, gentle, steep, rectangle, scale, silhouette, lookBites, noPicture };
    struct Case {
        bool title;
        float progress;
        Twist twist;
    };
    for (const Case& c : {Case{false, 0.3f, Twist::none}, Case{false, 0.55f, Twist::none},
                          Case{false, 0.75f, Twist::none}, Case{false, 0.95f, Twist::none},
                          Case{true, 0.4f, Twist::none}, Case{true, 0.8f, Twist::none},
                          Case{false, 0.6f, Twist::unbounded},
                          Case{false, 0.35f, Twist::gentle}, Case{true, 0.5f, Twist::steep},
                          Case{false, 0.6f, Twist::rectangle},
                          Case{false, 0.7f, Twist::scale}, Case{true, 0.6f, Twist::silhouette},
                          Case{false, 0.8f, Twist::lookBites}, Case{false, 0.5f, Twist::noPicture}}) {
        SCOPED_TRACE(std::to_string(c.progress) + (c.title ? " title, twist " : " thumbnail, twist ") +
                     std::to_string(int(c.twist)));
        TransitionScene scene = makeScene(*renderer, window, {.effect = TransitionEffect::taco, .titleStrip = c.title});
        scene.uniforms.progress = c.progress;
        ASSERT_TRUE(prepareTaco(*renderer, scene, *renderer->queue()->makeCommandBuffer()));
        std::vector<float4> look = scene.drawingAs<TacoDrawing>()->look;
        if (c.twist == Twist::unbounded) look[6].w = 9;
        if (c.twist == Twist::gentle) look[6].w = 2.5f;
        if (c.twist == Twist::steep) look[6].w = 8;
        if (c.twist == Twist::rectangle) look[5].w = 0;
        if (c.twist == Twist::scale) scene.uniforms.pixelsPerPoint = 2;
        const std::vector<float4> bites = tacoBites(look);
        const PassInfo pass{.silhouette = c.twist == Twist::silhouette ? 1u : 0u};
        StageResources r;
        if (c.twist != Twist::noPicture) r.setTexture(0, scene.picture);
        r.setSampler(0, trilinear(*device));
        r.setBuffer(kUniformsIndex, device->makeBuffer(&scene.uniforms, sizeof scene.uniforms), 0);
        r.setBuffer(kPassInfoIndex, device->makeBuffer(&pass, sizeof pass), 0);
        r.setBuffer(3, device->makeBuffer(look.data(), look.size() * sizeof(float4)), 0);
        if (c.twist != Twist::lookBites)
            r.setBuffer(4, device->makeBuffer(bites.data(), bites.size() * sizeof(float4)), 0);
        // The sheet and a margin around it in 240 × 180 pixels; the fold's y a little
        // above the sheet's, the back showing in bands.
        const float width = 2 * look[6].x, height = look[5].x + look[5].y;
        const Varyings at = [&](int k, float x, float y) {
            const float sx = (x - 20) / 200 * width, sy = (y - 15) / 150 * height;
            return k == 0 ? sx : k == 1 ? sy : k == 2 ? std::sin(0.05f * y) : sy * 0.93f;
        };
        const int shown = expectSpansAsQuads(*sheet, r, 4, at, 240, 180);
        EXPECT_EQ(shown > 0, c.twist != Twist::noPicture);
    }
}


// The sheet effects' fragments with span forms, over both variants early, midway and
// late, with and without the fresher picture mixed in, with the draw's values and
// textures missing and without a picture: uv sweeping the picture and beyond, the back
// showing in bands.
TEST(SpanForms, SheetEffectsShadeEveryLaneAsQuadsDo) {
    const auto renderer = makeRenderer(1);
    ASSERT_TRUE(renderer);
    ShaderCatalog catalog;
    registerWiredShaders(catalog);
    registerFadeShaders(catalog);
    const ShaderLibrary library(catalog);
    const auto& device = renderer->device();
    const platform::Image window = textWindow(400, 300, 24), later = textWindow(300, 260, 30, 40);
    // Varying 6 (flat): the fade's title bar.
    struct Effect {
        TransitionEffect effect;
        const char* fragment;
        int varyings;
        float early, late;
    };
    enum class Twist { none, fresh, bare, noPicture };
    for (const Effect& e : {Effect{TransitionEffect::wired, "wiredFragment", 6, 0, 0},
                            Effect{TransitionEffect::fade, "fadeFragment", 7, 0.08f, 0}}) {
        const auto f = library.function(e.fragment);
        ASSERT_TRUE(f && f->span()) << e.fragment;
        for (const bool title : {false, true})
            for (const float progress : {0.1f, 0.5f, 0.9f})
                for (const Twist twist : {Twist::none, Twist::fresh, Twist::bare, Twist::noPicture}) {
                    SCOPED_TRACE(std::string(e.fragment) + (title ? " title " : " thumbnail ") +
                                 std::to_string(progress) + " twist " + std::to_string(int(twist)));
                    TransitionScene scene = makeScene(*renderer, window, {.effect = e.effect, .titleStrip = title});
                    scene.uniforms.progress = progress;
                    scene.uniforms.freshness = twist == Twist::fresh ? 0.4f : 0;
                    StageResources r;
                    if (twist != Twist::noPicture) r.setTexture(0, scene.picture);
                    if (twist == Twist::fresh)
                        r.setTexture(1, makeScene(*renderer, later, {.effect = e.effect}).picture);
                    r.setSampler(0, trilinear(*device));
                    if (twist != Twist::bare) {
                        r.setBuffer(kUniformsIndex, device->makeBuffer(&scene.uniforms, sizeof scene.uniforms), 0);
                        const PassInfo pass{.silhouette = progress > 0.8f ? 1u : 0u};
                        r.setBuffer(kPassInfoIndex, device->makeBuffer(&pass, sizeof pass), 0);
                    }
                    const Varyings at = [&](int k, float x, float y) {
                        const float u = (x - 16) / 168, v = (y - 12) / 116;
                        const float values[] = {u, v, 0.9f, 0.8f + 0.1f * std::cos(0.2f * x), std::sin(0.07f * (x + y)),
                                                0.5f + y / 256, progress > 0.5f ? e.late : e.early};
                        return values[k];
                    };
                    const int shown = expectSpansAsQuads(*f, r, e.varyings, at, 200, 140);
                    if (twist == Twist::noPicture) {
                        EXPECT_EQ(shown, 0);
                    } else if (twist == Twist::none) {
                        EXPECT_GT(shown, 0);
                    }
                }
    }
}

}  // namespace
}  // namespace furlpane::drawing_tests
