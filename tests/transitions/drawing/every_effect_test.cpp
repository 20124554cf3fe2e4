// Every effect of the catalogue through the real renderer: each draws a look of its own
// that moves with the progress, plays backwards when restoring, lands on the title strip
// or the thumbnail, casts its shapes into the silhouette, and draws the same bytes on
// any number of threads (against a reference frame of each, kept in references/).

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "tests/support/reference_images.h"
#include "tests/transitions/drawing/effect_frames.h"

namespace furlpane::testing {
namespace {

using E = TransitionEffect;

constexpr int kBlock = 8;
// The least mean block difference (luma and alpha, 0 ... 255 each) by which two frames
// count as looking different: far above what moving a few edges by a pixel makes.
constexpr double kApart = 3.0;

// A frame seen from afar: the mean premultiplied luma and alpha of each 8 × 8 block.
struct Blocks {
    std::vector<double> luma;
    std::vector<double> alpha;
};

Blocks blocksOf(const platform::Image& frame) {
    const int across = frame.width() / kBlock, down = frame.height() / kBlock;
    Blocks b{std::vector<double>(size_t(across * down)), std::vector<double>(size_t(across * down))};
    for (int y = 0; y < down * kBlock; ++y)
        for (int x = 0; x < across * kBlock; ++x) {
            const platform::Pixel p = frame.pixel(x, y);
            const size_t k = size_t((y / kBlock) * across + x / kBlock);
            b.luma[k] += (0.3 * p.r + 0.59 * p.g + 0.11 * p.b) / (kBlock * kBlock);
            b.alpha[k] += double(p.a) / (kBlock * kBlock);
        }
    return b;
}

// How differently two frames look: the mean difference of their blocks.
double distance(const Blocks& a, const Blocks& b) {
    double sum = 0;
    for (size_t k = 0; k < a.luma.size(); ++k)
        sum += std::fabs(a.luma[k] - b.luma[k]) + std::fabs(a.alpha[k] - b.alpha[k]);
    return sum / double(std::max<size_t>(a.luma.size(), 1));
}

// cut is drawn with scale's pair: the two are meant to look alike.
bool drawnAlike(E a, E b) { return (a == E::cut || a == E::scale) && (b == E::cut || b == E::scale); }

const char* kindName(StandInKind kind) { return kind == StandInKind::titleStrip ? "titleStrip" : "thumbnail"; }

// Frames at a quarter, a half and three quarters of the way; effects are compared with
// one another at the first two, where every one of them is in full swing (near the end
// many have become small pictures on the stand-in).
void expectOwnLooks(StandInKind kind) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    constexpr std::array<float, 3> kProgress{0.25f, 0.5f, 0.75f};
    constexpr size_t kCompared = 2;
    std::vector<std::array<Blocks, 3>> seen;
    for (const E e : allEffects()) {
        TransitionScene scene = frames->scene(e, kind);
        std::array<Blocks, 3> looks;
        for (size_t k = 0; k < kProgress.size(); ++k) {
            const auto frame = frames->render(scene, kProgress[k]);
            ASSERT_TRUE(frame) << effectName(e);
            looks[k] = blocksOf(*frame);
            if (k == 0) continue;
            EXPECT_GT(distance(looks[k - 1], looks[k]), kApart)
                << effectName(e) << " stands still after " << kProgress[k - 1];
        }
        seen.push_back(std::move(looks));
    }
    for (int i = 0; i < kEffectCount; ++i)
        for (int j = i + 1; j < kEffectCount; ++j) {
            const E a = static_cast<E>(i), b = static_cast<E>(j);
            if (drawnAlike(a, b)) continue;
            for (size_t k = 0; k < kCompared; ++k)
                EXPECT_GT(distance(seen[size_t(i)][k], seen[size_t(j)][k]), kApart)
                    << effectName(a) << " and " << effectName(b) << " look alike at " << kProgress[k];
        }
}

TEST(EveryEffect, ThumbnailFramesMoveAndDifferFromEveryOtherEffect) { expectOwnLooks(StandInKind::thumbnail); }
TEST(EveryEffect, TitleStripFramesMoveAndDifferFromEveryOtherEffect) { expectOwnLooks(StandInKind::titleStrip); }

// Restoring hands the renderer the progress turned around; an effect that reads nothing
// else of the direction draws the very same frame. The origami's crease marks and the
// water's puddles follow rules of their own when restoring (their own tests).
TEST(EveryEffect, RestoringPlaysTheSameFramesBackwards) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    for (const E e : allEffects()) {
        if (e == E::origami || e == E::water) continue;
        // Title strips and thumbnails alike; one of them each, alternately.
        const StandInKind kind = effectNumber(e) % 2 ? StandInKind::titleStrip : StandInKind::thumbnail;
        TransitionScene minimizing = frames->scene(e, kind), restoring = frames->scene(e, kind);
        restoring.uniforms.restoring = 1;
        const auto there = frames->render(minimizing, 0.4f), back = frames->render(restoring, 0.4f);
        ASSERT_TRUE(there && back) << effectName(e);
        EXPECT_TRUE(there->hasSamePixels(*back)) << effectName(e) << " " << kindName(kind);
    }
}

// At the end only the stand-in is left: the thumbnail covered, nothing of the window
// elsewhere; for a title strip its title bar, and nothing below it but (for the shade)
// the roller it is wound on.
TEST(EveryEffect, EveryEffectEndsOnItsStandIn) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    const auto w = EffectFrames::kWindow, t = EffectFrames::kThumbnail;
    const int bar = int(w.y + EffectFrames::kTitleBar);
    for (const E e : allEffects()) {
        TransitionScene thumbnail = frames->scene(e, StandInKind::thumbnail);
        const auto landed = frames->render(thumbnail, 1);
        ASSERT_TRUE(landed) << effectName(e);
        const int inside = coverageIn(*landed, int(t.x), int(t.y), int(t.x + t.z), int(t.y + t.w)).covered;
        EXPECT_GT(inside, int(t.z * t.w) * 9 / 10) << effectName(e);
        EXPECT_LT(coverageIn(*landed, 0, 0, 640, 400).covered - inside, int(t.z * t.w) / 20) << effectName(e);
        TransitionScene strip = frames->scene(e, StandInKind::titleStrip);
        const auto rolled = frames->render(strip, 1);
        ASSERT_TRUE(rolled) << effectName(e);
        EXPECT_GT(coverageIn(*rolled, int(w.x), int(w.y), int(w.x + w.z), bar).covered,
                  int(w.z * EffectFrames::kTitleBar) * 9 / 10)
            << effectName(e);
        EXPECT_LT(coverageIn(*rolled, 0, bar + 12, 640, 400).covered, int(w.z) / 2) << effectName(e);
    }
}

// Mid-transition every effect casts its moving shapes into the silhouette, about as
// much of them as it draws in colour.
TEST(EveryEffect, TheSilhouetteFollowsTheShapes) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    for (const E e : allEffects())
        for (const StandInKind kind : {StandInKind::thumbnail, StandInKind::titleStrip}) {
            TransitionScene scene = frames->scene(e, kind);
            const auto frame = frames->render(scene, 0.5f);
            ASSERT_TRUE(frame) << effectName(e);
            const int drawn = coverageIn(*frame, 0, 0, 640, 400).covered;
            const int cast = frames->silhouetteCoverage(scene);
            EXPECT_GT(cast, drawn / 2) << effectName(e) << " " << kindName(kind);
            EXPECT_LT(cast, drawn * 2 + 64) << effectName(e) << " " << kindName(kind);
        }
}

// Uniforms that nothing sound produces (not a number, infinite, huge, an empty window,
// grids far beyond any the catalogue gives) draw nothing harmful with any effect, and
// the next sound frame is drawn as before.
TEST(EveryEffect, AbsurdUniformsDrawNothingHarmful) {
    auto frames = EffectFrames::create();
    ASSERT_TRUE(frames);
    const float nan = std::nanf(""), inf = std::numeric_limits<float>::infinity();
    for (const E e : allEffects()) {
        TransitionScene scene = frames->scene(e, StandInKind::thumbnail);
        const auto sound = frames->render(scene, 0.5f);
        ASSERT_TRUE(sound) << effectName(e);
        for (const float v : {nan, inf, -inf, 3e38f, 0.0f}) {
            TransitionScene absurd = frames->scene(e, e == E::fade ? StandInKind::titleStrip : StandInKind::thumbnail);
            TransitionUniforms& u = absurd.uniforms;
            u.window = {v, 10, v, v};
            u.standIn = {10, v, -v, 30};
            u.cornerRadius = u.opacity = u.pixelsPerPoint = u.standInCrop = u.titleBarHeight = v;
            u.grid = {0xFFFFFFFFu, v == 0 ? 0u : 1u};
            (void)frames->render(absurd, v);
        }
        const auto again = frames->render(scene, 0.5f);
        ASSERT_TRUE(again) << effectName(e);
        EXPECT_TRUE(again->hasSamePixels(*sound)) << effectName(e);
    }
}

// One frame of each effect halfway, the same bytes on one thread and on eight, and the
// same as its reference picture.
TEST(EveryEffect, ReferenceFramesOnOneAndEightThreads) {
    auto one = EffectFrames::create(1, 1), eight = EffectFrames::create(1, 8);
    ASSERT_TRUE(one && eight);
    for (const E e : allEffects()) {
        if (e == E::cut) continue;  // scale's frame
        TransitionScene a = one->scene(e, StandInKind::thumbnail), b = eight->scene(e, StandInKind::thumbnail);
        const auto single = one->render(a, 0.5f), many = eight->render(b, 0.5f);
        ASSERT_TRUE(single && many) << effectName(e);
        EXPECT_TRUE(single->hasSamePixels(*many)) << effectName(e);
        furlpane_test::expectMatchesReference(*single, FURLPANE_EFFECT_REFERENCES, std::string(effectName(e)));
    }
}

}  // namespace
}  // namespace furlpane::testing
