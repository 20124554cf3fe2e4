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

namespace furlpane {

namespace {

// One line per modelled effect, in effect order.
constexpr EffectHooks kModelledEffects[] = {
    {TransitionEffect::burningPaper, registerBurningPaperShaders, prepareBurningPaper, drawBurningPaper},
    {TransitionEffect::origami, registerOrigamiShaders, prepareOrigami, drawOrigami},
    {TransitionEffect::shatter, registerShatterShaders, prepareShatter, drawShatter},
    {TransitionEffect::shade, registerShadeShaders, prepareShade, drawShade},
    {TransitionEffect::sliderPuzzle, registerSliderPuzzleShaders, prepareSliderPuzzle, drawSliderPuzzle},
    {TransitionEffect::taco, registerTacoShaders, prepareTaco, drawTaco},
    {TransitionEffect::classified, registerClassifiedShaders, prepareClassified, drawClassified},
    {TransitionEffect::water, registerWaterShaders, prepareWater, drawWater},
    {TransitionEffect::moonless, registerMoonlessShaders, prepareMoonless, drawMoonless},
    {TransitionEffect::blutVene, registerBlutVeneShaders, prepareBlutVene, drawBlutVene},
    {TransitionEffect::sparks, registerSparksShaders, prepareSparks, drawSparks},
};

}  // namespace

std::span<const EffectHooks> modelledEffects() { return kModelledEffects; }

const EffectHooks* effectHooks(TransitionEffect effect) {
    for (const EffectHooks& hooks : kModelledEffects)
        if (hooks.effect == effect) return &hooks;
    return nullptr;
}

}  // namespace furlpane
