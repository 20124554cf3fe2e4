#include "transitions/effect_catalogue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>

namespace furlpane {
namespace {

using E = TransitionEffect;
using platform::simd::uint2;

// The numbering is part of the contract (the ramps and the choice tables rely on it) and
// shader function names are built from the names.
TEST(EffectCatalogue, NumbersAndNamesFollowTheCatalogue) {
    for (const auto& [e, number, name] : {std::tuple{E::swirl, 0, "swirl"}, {E::blackHole, 2, "blackHole"},
                                          {E::sliderPuzzle, 11, "sliderPuzzle"}, {E::blutVene, 17, "blutVene"},
                                          {E::moonFang, 19, "moonFang"}, {E::cut, 22, "cut"}}) {
        EXPECT_EQ(effectNumber(e), number);
        EXPECT_EQ(effectName(e), name);
    }
    for (const E e : allEffects()) EXPECT_FALSE(effectName(e).empty()) << effectNumber(e);
}

TEST(EffectChoice, CutWithoutAnimationFadeForReducedMotionOtherwiseTheSameName) {
    for (const ReduceMotion m : {ReduceMotion::no, ReduceMotion::yes}) {
        EXPECT_EQ(titleStripEffect(std::nullopt, m), E::cut);
        EXPECT_EQ(thumbnailEffect(std::nullopt, m), E::cut);
        EXPECT_EQ(titleStripEffect(TitleStripAnimation::noAnimation, m), E::cut);
        EXPECT_EQ(thumbnailEffect(ThumbnailAnimation::noAnimation, m), E::cut);
    }
    EXPECT_EQ(titleStripEffect(TitleStripAnimation::roll, ReduceMotion::no), E::rollUp);
    EXPECT_EQ(thumbnailEffect(ThumbnailAnimation::swirl, ReduceMotion::no), E::swirl);
    EXPECT_EQ(titleStripEffect(TitleStripAnimation::randomOrder, ReduceMotion::no), E::rollUp);
    EXPECT_EQ(thumbnailEffect(ThumbnailAnimation::randomOrder, ReduceMotion::no), E::swirl);
    for (int i = 0; i < 23; ++i) {
        SCOPED_TRACE(i);
        const auto strip = static_cast<TitleStripAnimation>(i);
        const auto thumb = static_cast<ThumbnailAnimation>(i);
        if (strip == TitleStripAnimation::noAnimation) continue;
        EXPECT_EQ(titleStripEffect(strip, ReduceMotion::yes), E::fade);
        EXPECT_EQ(thumbnailEffect(thumb, ReduceMotion::yes), E::fade);
        if (i < 1 || i > 20) continue;  // the twenty shared cases, blackHole ... fade, by name
        EXPECT_EQ(titleStripEffect(strip, ReduceMotion::no), static_cast<E>(i + 1));
        EXPECT_EQ(thumbnailEffect(thumb, ReduceMotion::no), static_cast<E>(i + 1));
    }
}

TEST(GridCount, RoundsHalvesAwayFromZeroAndClamps) {
    EXPECT_EQ(gridCount(5, 2, 0, 10), 3u);
    EXPECT_EQ(gridCount(4.9, 2, 0, 10), 2u);
    EXPECT_EQ(gridCount(1000, 1, 2, 64), 64u);
    EXPECT_EQ(gridCount(-50, 22, 2, 64), 2u);
}

TEST(EffectGrid, GridsOfEachEffectForSeveralSizes) {
    const struct {
        E effect;
        double width, height;
        uint2 grid;
    } cases[] = {
        {E::swirl, 800, 600, {36, 27}},        {E::rollUp, 800, 600, {1, 300}},
        {E::burningPaper, 800, 600, {300, 59}}, {E::bats, 800, 600, {27, 20}},
        {E::shatter, 800, 600, {260, 1}},      {E::blinds, 800, 600, {1, 38}},
        {E::sliderPuzzle, 800, 600, {5, 4}},   {E::taco, 800, 600, {1, 300}},
        {E::classified, 800, 600, {67, 40}},   {E::magnet, 800, 600, {100, 75}},
        {E::moonless, 800, 600, {35, 26}},     {E::blutVene, 800, 600, {42, 26}},
        {E::sparks, 800, 600, {36, 27}},       {E::water, 800, 600, {1, 1}},
        // Small windows, and the slider puzzle's orientation.
        {E::sliderPuzzle, 60, 60, {2, 1}},     {E::classified, 60, 60, {10, 40}},
        {E::shatter, 60, 60, {40, 1}},         {E::burningPaper, 60, 60, {40, 10}},
        {E::sliderPuzzle, 300, 200, {6, 4}},   {E::sliderPuzzle, 200, 300, {4, 6}},
        // The axes' own lower bounds differ.
        {E::bats, 1, 1, {3, 1}},               {E::moonless, 1, 1, {3, 2}},
        {E::sparks, 1, 1, {2, 1}},             {E::rollUp, 1, 1, {1, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(effectName(c.effect)) + " " + std::to_string(c.width) + " x " +
                     std::to_string(c.height));
        const uint2 g = effectGrid(c.effect, c.width, c.height);
        EXPECT_EQ(g.x, c.grid.x);
        EXPECT_EQ(g.y, c.grid.y);
    }
    for (const E e : {E::blackHole, E::mist, E::origami, E::shade, E::wired, E::moonFang, E::scale, E::fade, E::cut})
        EXPECT_EQ(effectGrid(e, 800, 600).x * effectGrid(e, 800, 600).y, 1u) << effectName(e);
}

TEST(EffectGrid, TitleStripsLayTheEightGridEffectsBelowTheTitleBar) {
    const struct {
        E effect;
        double height, titleBar;
        uint2 grid;
    } cases[] = {
        {E::sliderPuzzle, 600, 28, {6, 4}}, {E::blinds, 600, 28, {1, 36}}, {E::magnet, 600, 28, {100, 72}},
        {E::swirl, 600, 28, {36, 27}},      {E::burningPaper, 600, 28, {300, 59}},
        // A title bar taller than the window leaves a height of 1: the lower bounds apply.
        {E::blinds, 20, 28, {1, 3}},        {E::taco, 20, 28, {1, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(effectName(c.effect));
        const uint2 g = effectGrid(c.effect, 800, gridHeight(c.effect, c.height, StandInKind::titleStrip, c.titleBar));
        EXPECT_EQ(g.x, c.grid.x);
        EXPECT_EQ(g.y, c.grid.y);
    }
    EXPECT_EQ(gridHeight(E::blinds, 600, StandInKind::thumbnail, 28), 600);
    EXPECT_EQ(gridHeight(E::taco, 20, StandInKind::titleStrip, 28), 1);
    EXPECT_EQ(gridHeight(E::taco, 20, StandInKind::titleStrip, -5), 20);
}

// The counts themselves are the model's; the catalogue only hands them on.
TEST(EffectGrid, ClassifiedStripCounts) {
    for (const auto& [width, strips] : {std::pair{576.0, 48u}, {288.0, 48u}, {1e9, 256u}})
        EXPECT_EQ(classifiedStripCount(width), strips) << width;
}

TEST(EffectGrid, SizesThatAreNotFiniteStayWithinTheBounds) {
    const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
    EXPECT_EQ(effectGrid(E::swirl, 1e300, 1e300).x, 64u);
    for (const E e : allEffects())
        for (const double w : {nan, inf, -inf, 0.0, -10.0, 1e308})
            for (const double h : {nan, inf, 600.0}) {
                const uint2 g = effectGrid(e, w, h);
                EXPECT_TRUE(g.x >= 1 && g.y >= 1 && g.x <= 2048 && g.y <= 2048)
                    << effectName(e) << " " << w << " x " << h;
            }
    EXPECT_EQ(gridHeight(E::bats, nan, StandInKind::titleStrip, 28), 1);
}

}  // namespace
}  // namespace furlpane
