#include "transitions/effect_table.h"

#include "transitions/drawing/classified/classified_drawing.h"
#include "transitions/drawing/sparks/sparks_drawing.h"
#include "transitions/drawing/origami/origami_drawing.h"
#include "transitions/drawing/burning_paper/burning_paper_drawing.h"
#include "transitions/drawing/shade/shade_drawing.h"
#include "transitions/drawing/shatter/shatter_drawing.h"
#include "transitions/drawing/slider_puzzle/slider_puzzle_drawing.h"
#include "transitions/drawing/moonless/moonless_drawing.h"
#include "transitions/drawing/taco/taco_drawing.h"
#include "transitions/drawing/blut_vene/blut_vene_drawing.h"
#include "transitions/drawing/water/water_drawing.h"
#include "transitions/shaders/effect_shaders.h"

namespace furlpane {

namespace {

// One line per effect, in effect order. Effects without a preparation keep nothing
// between frames; cut draws with scale's pair, which scale registers.
constexpr EffectHooks kEffects[] = {
    {TransitionEffect::swirl, registerSwirlShaders, nullptr, drawSwirl},
    {TransitionEffect::rollUp, registerRollUpShaders, nullptr, drawRollUp},
    {TransitionEffect::blackHole, registerBlackHoleShaders, nullptr, drawBlackHole},
    {TransitionEffect::mist, registerMistShaders, nullptr, drawMist},
    {TransitionEffect::burningPaper, registerBurningPaperShaders, prepareBurningPaper, drawBurningPaper},
    {TransitionEffect::origami, registerOrigamiShaders, prepareOrigami, drawOrigami},
    {TransitionEffect::bats, registerBatsShaders, nullptr, drawBats},
    {TransitionEffect::shatter, registerShatterShaders, prepareShatter, drawShatter},
    {TransitionEffect::blinds, registerBlindsShaders, nullptr, drawBlinds},
    {TransitionEffect::shade, registerShadeShaders, prepareShade, drawShade},
    {TransitionEffect::wired, registerWiredShaders, nullptr, drawWired},
    {TransitionEffect::sliderPuzzle, registerSliderPuzzleShaders, prepareSliderPuzzle, drawSliderPuzzle},
    {TransitionEffect::taco, registerTacoShaders, prepareTaco, drawTaco},
    {TransitionEffect::classified, registerClassifiedShaders, prepareClassified, drawClassified},
    {TransitionEffect::water, registerWaterShaders, prepareWater, drawWater},
    {TransitionEffect::magnet, registerMagnetShaders, nullptr, drawMagnet},
    {TransitionEffect::moonless, registerMoonlessShaders, prepareMoonless, drawMoonless},
    {TransitionEffect::blutVene, registerBlutVeneShaders, prepareBlutVene, drawBlutVene},
    {TransitionEffect::sparks, registerSparksShaders, prepareSparks, drawSparks},
    {TransitionEffect::moonFang, registerMoonFangShaders, nullptr, drawMoonFang},
    {TransitionEffect::scale, registerScaleShaders, nullptr, drawScale},
    {TransitionEffect::fade, registerFadeShaders, nullptr, drawFade},
    {TransitionEffect::cut, nullptr, nullptr, drawScale},
};
static_assert(std::size(kEffects) == kEffectCount);

constexpr bool inEffectOrder() {
    for (int i = 0; i < kEffectCount; ++i)
        if (effectNumber(kEffects[i].effect) != i) return false;
    return true;
}
static_assert(inEffectOrder(), "the table lists every effect once, in effect order");

}  // namespace

std::span<const EffectHooks> effectTable() { return kEffects; }

const EffectHooks& effectHooks(TransitionEffect effect) {
    const auto n = static_cast<size_t>(effectNumber(effect));
    return kEffects[n < std::size(kEffects) ? n : std::size(kEffects) - 1];
}

void drawEffect(const EffectPass& pass) { effectHooks(pass.scene.effect).draw(pass); }

}  // namespace furlpane
