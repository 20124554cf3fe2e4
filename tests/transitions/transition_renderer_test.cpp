#include "transitions/transition_renderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "renderer_test_support.h"
#include "transitions/effect_pass.h"
#include "transitions/main_pass_draws.h"
#include "transitions/shaders/main_pass_shaders.h"

namespace furlpane {
namespace {

using namespace platform::gpu;
using E = TransitionEffect;
using platform::simd::float4;
using testing::Pixels;

constexpr int kWidth = 200;
constexpr int kHeight = 150;
constexpr std::uint32_t kRed = 0xFFFF0000u;
constexpr std::uint32_t kBlue = 0xFF0000FFu;

// A 100 × 60 red window whose edges lie on pixel centres (so that the fill rule decides
// them), going to a 40 × 30 thumbnail at the bottom left; no shadows.
struct Fixture {
    explicit Fixture(int samples = 4, int threads = 2) : renderer(testing::makeRenderer(samples, threads)) {
        scene.effect = E::scale;
        scene.picture = upload(testing::solidImage(100, 60, 255, 0, 0));
        TransitionUniforms& u = scene.uniforms;
        u.viewSize = {kWidth, kHeight};
        u.window = {40.5f, 30.5f, 100, 60};
        u.standIn = {10, 110, 40, 30};
        target = testing::makeTarget(*renderer, kWidth, kHeight);
    }
    std::shared_ptr<Texture> upload(const platform::Image& image) {
        return makePicture(*renderer, image, std::nullopt, std::nullopt)->texture;
    }
    Pixels frame(const std::string& name = "") {
        EXPECT_TRUE(renderer->render(scene, target));
        Pixels p = testing::pixelsOf(*target);
        if (!name.empty()) testing::keepFrame(p, name);
        return p;
    }

    std::shared_ptr<TransitionRenderer> renderer;
    std::shared_ptr<Texture> target;
    TransitionScene scene;
};

struct Probe {
    int x, y;
    std::uint32_t bgra;
};
void expectPixels(const Pixels& p, std::initializer_list<Probe> probes) {
    for (const Probe& q : probes) EXPECT_EQ(p.at(q.x, q.y), q.bgra) << "at " << q.x << "," << q.y;
}

TEST(RenderFrame, TheFillRuleTakesLeftAndTopEdgesWithOneSample) {
    Fixture f(1);
    // Centres on the left and top edges are inside; on the right and bottom edges outside.
    expectPixels(f.frame("fill_rule"),
                 {{40, 50, kRed}, {139, 50, kRed}, {140, 50, 0}, {80, 30, kRed}, {80, 90, 0}, {39, 50, 0}});
}

TEST(RenderFrame, FourSamplesResolveEdgesToPartialCoverage) {
    Fixture f(4);
    const Pixels p = f.frame("multisampled_edges");
    // Two of the four samples of each edge pixel lie inside.
    for (const auto& [x, y] : {std::pair{40, 50}, {140, 50}, {80, 30}, {80, 90}}) {
        SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
        EXPECT_NEAR(p.red(x, y), 128, 1);
        EXPECT_NEAR(p.alpha(x, y), 128, 1);
        EXPECT_EQ(p.blue(x, y), 0);
    }
    expectPixels(p, {{41, 50, kRed}, {39, 50, 0}});
}

TEST(RenderFrame, TheStandInBlendsOverTheBackdropAtItsOpacity) {
    Fixture f;
    f.scene.effect = E::blackHole;
    f.scene.uniforms.progress = 1;
    f.scene.uniforms.opacity = 0.5f;
    f.scene.backdrop = TransitionScene::Backdrop{f.upload(testing::solidImage(kWidth, kHeight, 0, 0, 255)),
                                                 {0, 0, kWidth, kHeight}};
    const Pixels p = f.frame("blending");
    EXPECT_NEAR(p.red(30, 125), 128, 1);
    EXPECT_NEAR(p.blue(30, 125), 128, 1);
    EXPECT_EQ(p.alpha(30, 125), 255);
    EXPECT_EQ(p.at(150, 40), kBlue);  // the backdrop where no picture is
    // Without the black hole there is no backdrop: the stand-in alone, premultiplied.
    f.scene.effect = E::scale;
    const Pixels alone = f.frame();
    EXPECT_NEAR(alone.red(30, 125), 128, 1);
    EXPECT_NEAR(alone.alpha(30, 125), 128, 1);
    EXPECT_EQ(alone.at(150, 40), 0u);
}

TEST(RenderFrame, ThePictureMovesTowardsTheStandIn) {
    Fixture f;
    f.scene.uniforms.progress = 0.5f;
    // Halfway (eased) the quad is the mean of the two rectangles: 25.25, 70.25, 70 × 45.
    expectPixels(f.frame("halfway"), {{60, 92, kRed}, {26, 71, kRed}, {24, 92, 0}, {130, 40, 0}});
}

TEST(RenderFrame, ATitleStripShowsTheTopOfThePicture) {
    Fixture f;
    f.scene.picture = f.upload(testing::twoToneImage(100, 60, 6, kRed, kBlue));
    f.scene.uniforms.standIn = {10, 120, 100, 6};
    f.scene.uniforms.standInCrop = 0.1f;
    f.scene.uniforms.progress = 1;
    const Pixels p = f.frame("title_strip");
    for (int x = 12; x < 108; x += 8) EXPECT_EQ(p.at(x, 123), kRed) << x;
    EXPECT_EQ(p.at(50, 127), 0u);
}

TEST(RenderFrame, CornersAreRoundedWithTheWindowsRadius) {
    Fixture f;
    f.scene.uniforms.cornerRadius = 10;
    const Pixels rounded = f.frame("corners");
    expectPixels(rounded, {{42, 32, 0}, {137, 88, 0}, {46, 36, kRed}, {90, 31, kRed}});
    // Partly covered pixels on the arc.
    EXPECT_GT(rounded.alpha(43, 33), 0);
    EXPECT_LT(rounded.alpha(43, 33), 255);
    f.scene.uniforms.cornerRadius = 0;
    EXPECT_EQ(f.frame().at(42, 32), kRed);
}

TEST(RenderFrame, TheWindowsShadowAndRimFadeOutAtTheStart) {
    Fixture f;
    f.scene.windowShadow = {6, 4, 0.6f, 0.5f, 1, true};
    const Pixels start = f.frame("shadow");
    EXPECT_GT(start.alpha(90, 93), 20);  // under the bottom edge
    EXPECT_EQ(start.red(90, 93), 0);     // black
    EXPECT_GT(start.alpha(38, 60), 0);   // the rim left of the window
    EXPECT_EQ(start.at(90, 60), kRed);
    EXPECT_EQ(start.alpha(5, 5), 0);
    f.scene.uniforms.progress = 0.5f;
    EXPECT_EQ(f.frame().alpha(60, 118), 0);  // under the quad's bottom edge in flight: no shadow
}

TEST(RenderFrame, TheInnerRimLightsTheStandInsEdgeAtTheEnd) {
    Fixture f;
    f.scene.standInInnerRim = {1, 2};
    f.scene.uniforms.progress = 1;
    f.scene.picture = f.upload(testing::solidImage(100, 60, 0, 0, 0));
    const Pixels p = f.frame("inner_rim");
    EXPECT_GT(p.red(11, 125), 40);  // just inside the left edge
    EXPECT_EQ(p.red(30, 125), 0);   // the middle stays black
}

TEST(RenderFrame, AFramingShowsTheFramedWindowAndFadesOut) {
    Fixture f;
    auto framingTexture = f.renderer->device()->makeTexture(
        TextureDescriptor::texture2D(PixelFormat::bgra8Unorm, 120, 80, Mipmapped::no));
    std::vector<std::uint32_t> green(120 * 80, 0xFF00FF00u);
    framingTexture->replaceRegion({0, 0, 120, 80}, 0, green.data(), 120 * 4);
    const WindowFraming::Geometry g{120, 80, 10, 10, 2};
    f.scene.framing = TransitionPicture::Framing{framingTexture, g, {g, {}}};
    // The framed picture's margin, and the plain picture inside.
    expectPixels(f.frame("framing"), {{35, 25, 0xFF00FF00u}, {90, 60, kRed}});
    f.scene.uniforms.progress = 0.5f;
    const Pixels later = f.frame();
    EXPECT_EQ(later.alpha(35, 25), 0);
    EXPECT_EQ(later.at(60, 92), kRed);
}

TEST(RenderFrame, CutDrawsWithScalesPairAndOtherEffectsDrawTheirOwn) {
    Fixture f;
    f.scene.effect = E::scale;
    f.scene.uniforms.progress = 0.3f;
    const std::uint64_t scale = f.frame().hash();
    f.scene.effect = E::cut;
    EXPECT_EQ(f.frame().hash(), scale);
    for (const E e : {E::mist, E::bats, E::magnet}) {
        f.scene.effect = e;
        EXPECT_NE(f.frame().hash(), scale) << effectName(e);
    }
}

// The bytes of two reference frames, the same for any number of threads and for a frame
// drawn again; a change in the rasterizer, the stand-in shaders or the frame's order
// shows here first. Look at the frames (FURLPANE_FRAME_DIR) before taking new values.
TEST(RenderFrame, ReferenceFramesKeepTheirHashesForAnyNumberOfThreads) {
    for (const int samples : {1, 4})
        for (const int threads : {1, 3}) {
            SCOPED_TRACE(std::to_string(samples) + " samples, " + std::to_string(threads) + " threads");
            Fixture f(samples, threads);
            f.scene.effect = E::scale;
            f.scene.uniforms.progress = 0.04f;
            f.scene.uniforms.cornerRadius = 8;
            f.scene.uniforms.opacity = 0.9f;
            f.scene.windowShadow = {10, 5, 0.5f, 0.4f, 1, true};
            f.scene.picture = f.upload(testing::twoToneImage(100, 60, 12, 0xFF303840u, 0xFFF0F0F0u));
            const Pixels p = f.frame(samples == 1 ? "reference_ms1" : "reference_ms4");
            const std::uint64_t expected = samples == 1 ? 0x3a3990e4115cace2ull : 0xe42164bf35d24270ull;
            EXPECT_EQ(p.hash(), expected) << std::hex << "0x" << p.hash();
            EXPECT_EQ(f.frame().bytes, p.bytes);
        }
}

TEST(RenderFrame, WhatCannotBeMadeDrawsNothing) {
    Fixture f;
    f.renderer->device()->failNext(Resource::commandBuffer);
    EXPECT_FALSE(f.renderer->render(f.scene, f.target));
    EXPECT_FALSE(f.renderer->render(f.scene, nullptr));
    auto r8 = f.renderer->device()->makeTexture(
        TextureDescriptor::texture2D(PixelFormat::r8Unorm, 8, 8, Mipmapped::no, TextureUsage::renderTarget));
    EXPECT_FALSE(f.renderer->render(f.scene, r8));
    // Attachments of a new size that cannot be made; the next frame makes them.
    auto other = testing::makeTarget(*f.renderer, 64, 48);
    f.renderer->device()->failNext(Resource::texture);
    EXPECT_FALSE(f.renderer->render(f.scene, other));
    EXPECT_TRUE(f.renderer->render(f.scene, other));
    // A render encoder that cannot be made.
    f.renderer->device()->failNext(Resource::encoder, 2);
    EXPECT_FALSE(f.renderer->render(f.scene, f.target));
    // No picture: nothing but what the frame draws around it.
    f.scene.picture = nullptr;
    EXPECT_EQ(f.frame().at(90, 60), 0u);
}

TEST(RenderFrame, AbsurdUniformsDrawNothingHarmful) {
    Fixture f;
    const TransitionScene sound = f.scene;
    f.scene.windowShadow = {10, 5, 0.5f, 0.4f, 1, true};
    f.scene.standInInnerRim = {1, 2};
    const float nan = std::nanf(""), inf = std::numeric_limits<float>::infinity();
    for (const float v : {nan, inf, -inf, 1e30f, -1e30f, 0.0f}) {
        TransitionUniforms& u = f.scene.uniforms;
        u.window = {v, 10, 100, v};
        u.standIn = {10, v, -v, 30};
        u.progress = u.cornerRadius = u.opacity = u.pixelsPerPoint = u.standInCrop = v;
        f.renderer->render(f.scene, f.target);
        u.viewSize = {v, v};
        f.renderer->render(f.scene, f.target);
        u.viewSize = {kWidth, kHeight};
    }
    // The renderer still draws a sound frame afterwards.
    f.scene = sound;
    EXPECT_EQ(f.frame().at(90, 60), kRed);
}

TEST(OverlayBounds, GrowTheRectangleAndStayInsideTheView) {
    TransitionUniforms u;
    u.viewSize = {kWidth, kHeight};
    const auto b = overlayBounds(u, {40, 30, 100, 60}, 32);
    EXPECT_EQ(std::tuple(b.x, b.y, b.z, b.w), std::tuple(8, 0, 164, 122));
    EXPECT_EQ(overlayBounds(u, {500, 500, 10, 10}, 5).z, 0);
    EXPECT_EQ(overlayBounds(u, {10, 10, 10, 10}, std::nanf("")).z, 0);
}

// A quad may stop early only when the coarse texels it looks at span everything its
// blurred reads can reach: twice the blur (the coarser level of the read, one texel
// either way) plus the drop.
TEST(OverlayLooks, CoarseChecksCoverTheReachOfTheReads) {
    Fixture f;
    auto silhouette = f.renderer->device()->makeTexture(
        TextureDescriptor::texture2D(PixelFormat::r8Unorm, 640, 400, Mipmapped::yes));
    f.scene.uniforms.viewSize = {1280, 800};
    for (const float radius : {0.0f, 0.5f, 3.0f, 10.0f, 20.0f, 64.0f, 500.0f})
        for (const float drop : {0.0f, 4.0f, -30.0f}) {
            SCOPED_TRACE(std::to_string(radius) + " " + std::to_string(drop));
            const TransitionShadow s{radius, drop, 0.5f, 0, 0, true};
            const OverlayLook look = shadowLook(f.scene, *silhouette, s, 1, 1);
            const float blurTexels = radius * 0.5f;
            const float needed = 2 * std::max(blurTexels, 1.0f) + std::fabs(drop) * 0.5f;
            EXPECT_GE(float(look.emptyReach << look.emptyLevel), std::min(needed, 640.0f));
            EXPECT_LE(look.emptyReach, 2);
            EXPECT_GE(std::exp2(look.lod + 1), blurTexels);
            EXPECT_EQ(look.lod, std::round(look.lod));
        }
    for (const float width : {0.0f, 1.0f, 6.0f}) {
        const OverlayLook look = rimLook(f.scene, *silhouette, 1, width, -1);
        EXPECT_GE(float(look.fullReach << look.fullLevel), 2 * std::max(width, 0.5f) * 2 * 0.5f) << width;
        EXPECT_EQ(look.sign, -1);
    }
    EXPECT_EQ(shadowLook(f.scene, *silhouette, {10, 0, 0.8f, 0, 0, true}, 0.5f, 1).alpha, 0.4f);
    EXPECT_EQ(shadowLook(f.scene, *silhouette, {10, 0, std::nanf(""), 0, 0, true}, 1, 1).alpha, 0);
}

// Shades the span at x, y with the live lanes both as a span and as its two quads, and
// checks that every live lane has its quad's discard and colour bits; counts the lanes shown.
void shadeSpanAsQuads(const ShaderFunction& shader, const DrawConstants& constants, const StageResources& r, int x,
                      int y, std::uint8_t live, int& shown) {
    FragmentSpan s{.x = x, .y = y, .liveMask = live, .resources = &r};
    shader.span().shade(s, constants);
    for (int half = 0; half < 2; ++half) {
        FragmentQuad q{.x = x + 2 * half, .y = y, .liveMask = 0xF, .resources = &r};
        shader.fragment()(q);
        for (int lane = 0; lane < 4; ++lane) {
            const int l = 4 * half + lane;
            if (!(live >> l & 1)) continue;  // a helper's colour counts for nothing
            const bool dropped = q.discardMask >> lane & 1;
            ASSERT_EQ(bool(s.discardMask >> l & 1), dropped) << "lane " << l;
            if (dropped) continue;
            ++shown;
            const float4 span{s.color.r[l], s.color.g[l], s.color.b[l], s.color.a[l]};
            EXPECT_EQ(std::memcmp(&span, &q.color[lane], sizeof span), 0) << "lane " << l;
        }
    }
}

// The lens shades a span's lanes as its quad form shades them, colour and discard: with a
// backdrop over part of the view (so that bent points fall off it), the lens strongest and
// slack, spans at the view's corners and a lone quad's span at the right edge, and with an
// empty backdrop frame or none.
TEST(LensShader, SpansShadeEveryLaneAsQuadsDo) {
    Fixture f;
    ShaderCatalog catalog;
    registerLensShaders(catalog);
    const auto lens = ShaderLibrary(catalog).function("lensFragment");
    ASSERT_TRUE(lens && lens->span());
    const auto& device = f.renderer->device();
    SamplerDescriptor linear;
    linear.minFilter = linear.magFilter = SamplerFilter::linear;
    StageResources r;
    // Texels that differ from every neighbour, so that any slip in a coordinate shows.
    std::vector<std::uint32_t> texels(120 * 90);
    for (std::size_t i = 0; i < texels.size(); ++i) texels[i] = 0xFF000000u | std::uint32_t(i * 2654435761u >> 8);
    r.setTexture(0, f.upload(*platform::Image::adopt(120, 90, std::move(texels), platform::ColorSpace::sRGB())));
    r.setSampler(0, device->makeSampler(linear));
    struct Case {
        float progress;
        float4 frame;
        bool bound;
    };
    for (const Case& c : {Case{0.5f, {30, 20, 120, 90}, true}, Case{0.2f, {0, 0, kWidth, kHeight}, true},
                          Case{1, {30, 20, 120, 90}, true}, Case{0.5f, {30, 20, 0, 90}, true},
                          Case{0.5f, {}, false}}) {
        TransitionUniforms u = f.scene.uniforms;
        u.progress = c.progress;
        u.pixelsPerPoint = 1;
        r.setBuffer(kUniformsIndex, device->makeBuffer(&u, sizeof u), 0);
        r.setBuffer(1, c.bound ? device->makeBuffer(&c.frame, sizeof c.frame) : nullptr, 0);
        DrawConstants constants;
        lens->span().prepare(r, constants);
        int shown = 0;
        for (const int y : {0, 20, 74, 148})
            for (const int x : {0, 28, 60, 196, 198}) {
                SCOPED_TRACE(std::to_string(c.progress) + " at " + std::to_string(x) + "," + std::to_string(y));
                ASSERT_NO_FATAL_FAILURE(shadeSpanAsQuads(*lens, constants, r, x, y, 0xFF, shown));
            }
        EXPECT_EQ(shown > 0, c.bound && c.frame.z > 0);
    }
}

// Shadows and rims shade a span's lanes as their quad forms shade them, colour and discard:
// over a silhouette with a shape in every level, spans across the view (far
// outside, across the edges, deep inside), a lone quad's span and scattered live lanes,
// for a shadow with and without drop, both rims, and looks that draw nothing.
TEST(OverlayShaders, SpansShadeEveryLaneAsQuadsDo) {
    Fixture f;
    ShaderCatalog catalog;
    registerShadowShaders(catalog);
    const ShaderLibrary library(catalog);
    const auto& device = f.renderer->device();
    auto silhouette = device->makeTexture(
        TextureDescriptor::texture2D(PixelFormat::r8Unorm, kWidth / 2, kHeight / 2, Mipmapped::yes));
    for (int level = 0; level < silhouette->mipLevelCount(); ++level) {
        const int w = silhouette->width(level), h = silhouette->height(level), scale = 1 << level;
        std::vector<std::uint8_t> texels(std::size_t(w * h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                // A 60 × 40 texel box at (20, 15), specks of every value strewn inside and
                // out, level by level unlike the others, so that a coarse look around a quad
                // that strays by a texel shows.
                const bool inside = x * scale >= 20 && x * scale < 80 && y * scale >= 15 && y * scale < 55;
                const std::uint32_t speck =
                    (std::uint32_t(x) * 73856093u ^ std::uint32_t(y) * 19349663u ^ std::uint32_t(level) * 83492791u) *
                    2654435761u;
                texels[std::size_t(y * w + x)] = speck % 7 == 0 ? std::uint8_t(speck >> 24) : inside ? 255 : 0;
            }
        ASSERT_TRUE(silhouette->replaceRegion({0, 0, w, h}, level, texels.data(), std::size_t(w)));
    }
    StageResources r;
    r.setTexture(kSilhouetteTexture, silhouette);
    r.setSampler(0, f.renderer->sampler());
    const PassInfo info{0, 4, kWidth, kHeight};
    r.setBuffer(kPassInfoIndex, device->makeBuffer(&info, sizeof info), 0);
    f.scene.uniforms.pixelsPerPoint = 1;
    struct Case {
        const char* function;
        OverlayLook look;
        bool bound;
        bool shows;
    };
    const Case cases[] = {
        {"shadowFragment", shadowLook(f.scene, *silhouette, {10, 0, 0.5f, 0, 0, true}, 1, 1), true, true},
        {"shadowFragment", shadowLook(f.scene, *silhouette, {4, 12, 0.8f, 0, 0, true}, 0.5f, 1), true, true},
        {"shadowFragment", shadowLook(f.scene, *silhouette, {4, 12, 0, 0, 0, true}, 1, 1), true, false},
        {"rimFragment", rimLook(f.scene, *silhouette, 0.7f, 4, 1), true, true},
        {"innerRimFragment", rimLook(f.scene, *silhouette, 0.3f, 2, -1), true, true},
        {"rimFragment", {}, false, false},
    };
    for (const Case& c : cases) {
        const auto shader = library.function(c.function);
        ASSERT_TRUE(shader && shader->span());
        r.setBuffer(2, c.bound ? device->makeBuffer(&c.look, sizeof c.look) : nullptr, 0);
        DrawConstants constants;
        shader->span().prepare(r, constants);
        int shown = 0;
        for (int y = 0; y < kHeight; y += 2)
            for (int x = 0; x + 4 <= kWidth; x += 4)
                for (const std::uint8_t live : {0xFF, 0x0F, 0x96}) {
                    SCOPED_TRACE(std::string(c.function) + " at " + std::to_string(x) + "," + std::to_string(y));
                    ASSERT_NO_FATAL_FAILURE(shadeSpanAsQuads(*shader, constants, r, x, y, live, shown));
                }
        EXPECT_EQ(shown > 0, c.shows) << c.function;
    }
}

}  // namespace
}  // namespace furlpane
