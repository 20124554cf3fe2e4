#include "transitions/effect_catalogue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace furlpane {
namespace {

using E = TransitionEffect;
using platform::simd::uint2;

TEST(EffectCatalogue, NumbersAndNamesFollowTheCatalogue) {
    EXPECT_EQ(effectNumber(E::swirl), 0);
    EXPECT_EQ(effectNumber(E::blackHole), 2);
    EXPECT_EQ(effectNumber(E::shade), 9);
    EXPECT_EQ(effectNumber(E::moonFang), 19);
    EXPECT_EQ(effectNumber(E::cut), 22);
    EXPECT_EQ(effectName(E::sliderPuzzle), "sliderPuzzle");
    EXPECT_EQ(effectName(E::blutVene), "blutVene");
    for (const E e : allEffects()) EXPECT_FALSE(effectName(e).empty()) << effectNumber(e);
}

TEST(EffectChoice, NothingOrNoAnimationIsACutWhateverTheMotionSetting) {
    for (const ReduceMotion m : {ReduceMotion::no, ReduceMotion::yes}) {
        EXPECT_EQ(titleStripEffect(std::nullopt, m), E::cut);
        EXPECT_EQ(thumbnailEffect(std::nullopt, m), E::cut);
        EXPECT_EQ(titleStripEffect(TitleStripAnimation::noAnimation, m), E::cut);
        EXPECT_EQ(thumbnailEffect(ThumbnailAnimation::noAnimation, m), E::cut);
    }
}

TEST(EffectChoice, ReducedMotionFadesEveryNamedAnimation) {
    for (int i = 0; i < 23; ++i) {
        const auto t = static_cast<TitleStripAnimation>(i);
        const auto n = static_cast<ThumbnailAnimation>(i);
        if (t == TitleStripAnimation::noAnimation) continue;
        EXPECT_EQ(titleStripEffect(t, ReduceMotion::yes), E::fade) << i;
        EXPECT_EQ(thumbnailEffect(n, ReduceMotion::yes), E::fade) << i;
    }
    EXPECT_EQ(titleStripEffect(TitleStripAnimation::fade, ReduceMotion::no), E::fade);
}

TEST(EffectChoice, NamedAnimationsGiveTheEffectOfTheSameName) {
    EXPECT_EQ(titleStripEffect(TitleStripAnimation::roll, ReduceMotion::no), E::rollUp);
    EXPECT_EQ(thumbnailEffect(ThumbnailAnimation::swirl, ReduceMotion::no), E::swirl);
    EXPECT_EQ(titleStripEffect(TitleStripAnimation::randomOrder, ReduceMotion::no), E::rollUp);
    EXPECT_EQ(thumbnailEffect(ThumbnailAnimation::randomOrder, ReduceMotion::no), E::swirl);
    // The twenty shared cases, blackHole ... fade, by name.
    for (int i = 1; i <= 20; ++i) {
        const E expected = static_cast<E>(i + 1);
        const E strip = titleStripEffect(static_cast<TitleStripAnimation>(i), ReduceMotion::no);
        const E thumb = thumbnailEffect(static_cast<ThumbnailAnimation>(i), ReduceMotion::no);
        EXPECT_EQ(strip, expected) << i;
        EXPECT_EQ(thumb, expected) << i;
    }
    EXPECT_EQ(thumbnailEffect(ThumbnailAnimation::moonFang, ReduceMotion::no), E::moonFang);
    EXPECT_EQ(titleStripEffect(TitleStripAnimation::blackHole, ReduceMotion::no), E::blackHole);
}

TEST(GridCount, RoundsHalvesAwayFromZeroAndClamps) {
    EXPECT_EQ(gridCount(5, 2, 0, 10), 3u);
    EXPECT_EQ(gridCount(4.9, 2, 0, 10), 2u);
    EXPECT_EQ(gridCount(1000, 1, 2, 64), 64u);
    EXPECT_EQ(gridCount(0, 22, 2, 64), 2u);
    EXPECT_EQ(gridCount(-50, 22, 2, 64), 2u);
}

void expectGrid(E effect, double w, double h, uint2 expected) {
    const uint2 g = effectGrid(effect, w, h);
    EXPECT_EQ(g.x, expected.x) << effectName(effect) << " " << w << "x" << h;
    EXPECT_EQ(g.y, expected.y) << effectName(effect) << " " << w << "x" << h;
}

TEST(EffectGrid, AnEightHundredBySixHundredWindow) {
    expectGrid(E::swirl, 800, 600, {36, 27});
    expectGrid(E::rollUp, 800, 600, {1, 300});
    expectGrid(E::burningPaper, 800, 600, {300, 59});
    expectGrid(E::bats, 800, 600, {27, 20});
    expectGrid(E::shatter, 800, 600, {260, 1});
    expectGrid(E::blinds, 800, 600, {1, 38});
    expectGrid(E::sliderPuzzle, 800, 600, {5, 4});
    expectGrid(E::taco, 800, 600, {1, 300});
    expectGrid(E::classified, 800, 600, {67, 40});
    expectGrid(E::magnet, 800, 600, {100, 75});
    expectGrid(E::moonless, 800, 600, {35, 26});
    expectGrid(E::blutVene, 800, 600, {42, 26});
    expectGrid(E::sparks, 800, 600, {36, 27});
    for (const E e : {E::blackHole, E::mist, E::origami, E::shade, E::wired, E::water, E::moonFang, E::scale, E::fade,
                      E::cut})
        expectGrid(e, 800, 600, {1, 1});
}

TEST(EffectGrid, TitleStripsLayTheEightGridEffectsBelowTheTitleBar) {
    const auto grid = [](E e) {
        return effectGrid(e, 800, gridHeight(e, 600, StandInKind::titleStrip, 28));
    };
    const auto expect = [&](E e, uint2 g) {
        EXPECT_EQ(grid(e).x, g.x) << effectName(e);
        EXPECT_EQ(grid(e).y, g.y) << effectName(e);
    };
    expect(E::sliderPuzzle, {6, 4});
    expect(E::blinds, {1, 36});
    expect(E::magnet, {100, 72});
    expect(E::swirl, {36, 27});
    expect(E::burningPaper, {300, 59});
    EXPECT_EQ(gridHeight(E::blinds, 600, StandInKind::thumbnail, 28), 600);
    EXPECT_EQ(gridHeight(E::swirl, 600, StandInKind::titleStrip, 28), 600);
    // A title bar taller than the window leaves a height of 1: the lower bounds apply.
    EXPECT_EQ(gridHeight(E::taco, 20, StandInKind::titleStrip, 28), 1);
    EXPECT_EQ(gridHeight(E::taco, 20, StandInKind::titleStrip, -5), 20);
    expectGrid(E::blinds, 800, gridHeight(E::blinds, 20, StandInKind::titleStrip, 28), {1, 3});
    expectGrid(E::taco, 800, gridHeight(E::taco, 20, StandInKind::titleStrip, 28), {1, 2});
}

TEST(EffectGrid, SmallWindowsAndTheSliderPuzzleOrientation) {
    expectGrid(E::sliderPuzzle, 60, 60, {2, 1});
    expectGrid(E::classified, 60, 60, {10, 40});
    expectGrid(E::shatter, 60, 60, {40, 1});
    expectGrid(E::burningPaper, 60, 60, {40, 10});
    expectGrid(E::sliderPuzzle, 300, 200, {6, 4});
    expectGrid(E::sliderPuzzle, 200, 300, {4, 6});
    // The axes' own lower bounds differ.
    expectGrid(E::bats, 1, 1, {3, 1});
    expectGrid(E::moonless, 1, 1, {3, 2});
    expectGrid(E::sparks, 1, 1, {2, 1});
    expectGrid(E::rollUp, 1, 1, {1, 1});
}

TEST(EffectGrid, ClassifiedStripCounts) {
    EXPECT_EQ(classifiedStripCount(100), 17u);
    EXPECT_EQ(classifiedStripCount(300), 48u);
    EXPECT_EQ(classifiedStripCount(1000), 83u);
    EXPECT_EQ(classifiedStripCount(10), 2u);
    EXPECT_EQ(classifiedStripCount(1e9), 256u);
    EXPECT_EQ(classifiedStripCount(576), 48u);
    EXPECT_EQ(classifiedStripCount(288), 48u);
}

TEST(EffectGrid, SizesThatAreNotFiniteStayWithinTheBounds) {
    const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
    const uint2 big = effectGrid(E::swirl, 1e300, 1e300);
    EXPECT_EQ(big.x, 64u);
    for (const E e : allEffects())
        for (const double w : {nan, inf, -inf, 0.0, -10.0, 1e308})
            for (const double h : {nan, inf, 600.0}) {
                const uint2 g = effectGrid(e, w, h);
                EXPECT_GE(g.x, 1u) << effectName(e);
                EXPECT_GE(g.y, 1u) << effectName(e);
                EXPECT_LE(g.x, 2048u) << effectName(e);
                EXPECT_LE(g.y, 2048u) << effectName(e);
            }
    EXPECT_EQ(gridHeight(E::bats, nan, StandInKind::titleStrip, 28), 1);
}

}  // namespace
}  // namespace furlpane
