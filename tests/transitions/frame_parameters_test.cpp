#include "transitions/frame_parameters.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace furlpane {
namespace {

using E = TransitionEffect;
using Ints = std::array<std::int32_t, 4>;

TransitionScene sceneOf(E effect, float opacity = 1) {
    TransitionScene s;
    s.effect = effect;
    s.uniforms.opacity = opacity;
    s.windowShadow = {24, 10, 0.5f, 0.4f, 1.5f, true};
    s.standInShadow = {8, 3, 0.3f, 0.6f, 1.0f, false};
    s.standInInnerRim = {0.8f, 2.0f};
    return s;
}

TransitionPicture::Framing framingOf(WindowFraming::Geometry g) { return {nullptr, g, {g, {}}}; }

// Every field, in the order of the declaration.
std::array<float, 12> fieldsOf(const ShadowParameters& p) {
    return {p.windowBorder,    p.windowBorderWidth, p.standInBorder,  p.standInBorderWidth,
            p.windowFade,      p.standInFade,       p.innerRimDensity, p.innerRimWidth,
            p.windowSoftness,  p.standInSoftness,   p.unframedFade,    p.framingFade};
}

TEST(ShadowParameters, StartOfABlackHoleWithoutFraming) {
    const ShadowParameters p = shadowParameters(sceneOf(E::blackHole), 0);
    EXPECT_EQ(fieldsOf(p), (std::array<float, 12>{0.4f, 1.5f, 0, 1.0f, 1, 0, 0, 0, 1, 0, 1, 0}));
    EXPECT_TRUE(drawsPoses(p));
}

TEST(ShadowParameters, RampsOfTheShortEffectsOpenAndCloseOverSixPercent) {
    EXPECT_EQ(shadowParameters(sceneOf(E::blackHole), 0.03f).windowFade, 0.5f);
    for (const float p : {0.06f, 0.07f, 0.5f, 0.93f}) {
        const ShadowParameters s = shadowParameters(sceneOf(E::blackHole), p);
        EXPECT_EQ(s.windowFade, 0) << p;
        EXPECT_EQ(s.standInFade, 0) << p;
        EXPECT_FALSE(drawsPoses(s)) << p;
    }
    const ShadowParameters late = shadowParameters(sceneOf(E::blackHole), 0.97f);
    EXPECT_NEAR(late.standInFade, 0.5f, 1e-3);
    EXPECT_NEAR(late.innerRimDensity, 0.5f * 0.8f, 1e-3);
    EXPECT_EQ(late.innerRimWidth, 2.0f);
    EXPECT_NEAR(late.standInBorder, 0.6f * late.standInFade, 1e-6);
    const ShadowParameters end = shadowParameters(sceneOf(E::blackHole), 1);
    EXPECT_EQ(end.standInFade, 1);
    EXPECT_EQ(end.innerRimDensity, 0.8f);
}

TEST(ShadowParameters, TheSecondRampDividesByTheSinglePrecisionDifference) {
    // 1 − 0.94 in single precision is one unit in the last place above 0.06.
    const float span = 1.0f - 0.94f;
    EXPECT_EQ(span, std::nextafter(0.06f, 1.0f));
    const float p = 0.94f + 0.5f * span;
    const float x = (p - 0.94f) / span;
    EXPECT_EQ(shadowRamps(E::blackHole, p).out, x * x * (3 - 2 * x));
    EXPECT_EQ(shadowRamps(E::blackHole, 0.94f).out, 0);
}

TEST(ShadowParameters, EffectsTwoToNineteenUseTheShortRampsAndTheRestTheLongOnes) {
    for (const E e : allEffects()) {
        SCOPED_TRACE(effectName(e));
        const int n = effectNumber(e);
        const ShadowRamps r = shadowRamps(e, 0.06f);
        if (e == E::fade) {
            EXPECT_EQ(r.in, 0.06f);
            EXPECT_EQ(r.out, 0.06f);
        } else if (n >= 2 && n <= 19) {
            EXPECT_EQ(r.in, 1);
        } else {
            EXPECT_EQ(r.in, 0.5f);  // swirl, rollUp, scale, cut: halfway at 0.06
            EXPECT_EQ(shadowRamps(e, 0.12f).in, 1);
        }
    }
}

TEST(ShadowParameters, FadeRunsLinearlyAndAnInvisibleStandInHasNoFadeNorInnerRim) {
    const ShadowParameters fade = shadowParameters(sceneOf(E::fade, 0.8f), 0.5f);
    EXPECT_EQ(fade.windowFade, 0.5f);
    EXPECT_EQ(fade.standInFade, 0.5f * 0.8f);
    for (const float p : {0.0f, 0.5f, 0.97f, 1.0f}) {
        const ShadowParameters s = shadowParameters(sceneOf(E::swirl, 0), p);
        EXPECT_EQ(s.standInFade + s.innerRimDensity + s.innerRimWidth, 0) << p;
    }
}

TEST(ShadowParameters, AFramingTakesOverTheWindowsRimAndFadesOut) {
    for (const E e : {E::blackHole, E::swirl, E::fade}) {
        SCOPED_TRACE(effectName(e));
        TransitionScene s = sceneOf(e);
        s.framing = framingOf({820, 640, 10, 12, 6});
        float previousFraming = 2, previousUnframed = -1;
        for (const float p : {0.0f, 0.03f, 0.06f, 0.1f, 0.12f, 0.5f, 1.0f}) {
            const ShadowParameters x = shadowParameters(s, p);
            EXPECT_EQ(x.windowBorder, 0);
            EXPECT_EQ(x.windowBorderWidth, 0);
            EXPECT_EQ(x.windowFade, 0);
            EXPECT_LE(x.framingFade, previousFraming);
            previousFraming = x.framingFade;
            if (e == E::fade) {
                EXPECT_EQ(x.unframedFade, 1);
            } else {
                EXPECT_GE(x.unframedFade, previousUnframed);
                previousUnframed = x.unframedFade;
            }
        }
        EXPECT_EQ(shadowParameters(s, 0).framingFade, 1);
        EXPECT_EQ(shadowParameters(s, 1).framingFade, 0);
    }
    TransitionScene s = sceneOf(E::blackHole);
    s.framing = framingOf({820, 640, 10, 12, 6});
    EXPECT_EQ(shadowParameters(s, 0).unframedFade, 0);
    EXPECT_EQ(shadowParameters(s, 0.06f).unframedFade, 1);
}

TEST(ShadowParameters, AProgressThatIsNotANumberCountsAsTheStart) {
    const ShadowParameters p = shadowParameters(sceneOf(E::swirl), std::nanf(""));
    EXPECT_EQ(p.windowFade, 1);
    EXPECT_EQ(p.standInFade, 0);
}

TEST(FramingParameters, FieldsComeFromTheTwoFramings) {
    TransitionScene s = sceneOf(E::blackHole);
    s.uniforms.freshness = 0.25f;
    const FramingParameters none = framingParameters(s, 0.7f);
    EXPECT_EQ(std::to_array(none.framing), Ints{});
    EXPECT_EQ(std::to_array(none.freshFraming), Ints{});
    EXPECT_EQ(none.depth, 0);
    EXPECT_EQ(none.fade, 0.7f);
    EXPECT_EQ(none.freshness, 0);

    s.framing = framingOf({820, 640, 10, 12, 6});
    const FramingParameters one = framingParameters(s, 0.5f);
    EXPECT_EQ(std::to_array(one.framing), (Ints{10, 12, 820, 640}));
    EXPECT_EQ(one.depth, 6);
    EXPECT_EQ(std::to_array(one.freshFraming), Ints{});
    EXPECT_EQ(one.freshDepth, 0);
    EXPECT_EQ(one.freshness, 0);

    s.freshFraming = framingOf({16384, 900, 40, 2, 80});
    const FramingParameters two = framingParameters(s, 0.5f);
    EXPECT_EQ(std::to_array(two.freshFraming), (Ints{40, 2, 16384, 900}));
    EXPECT_EQ(two.freshDepth, 80);
    EXPECT_EQ(two.freshness, 0.25f);
}

}  // namespace
}  // namespace furlpane
