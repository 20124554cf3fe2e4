#pragma once

// Every effect model, by the name of its effect, in one table: the plan and frame
// functions of each (the shape of effect_model.h). The behaviour suite sweeps every entry;
// a new model is one line here.

#include <string_view>
#include <tuple>

#include "transitions/effects/blut_vene/blut_vene.h"
#include "transitions/effects/classified/classified.h"
#include "transitions/effects/effect_model.h"
#include "transitions/effects/origami/origami.h"
#include "transitions/effects/shade/shade.h"
#include "transitions/effects/shatter/shatter.h"
#include "transitions/effects/slider_puzzle/slider_puzzle.h"
#include "transitions/effects/sparks/sparks.h"
#include "transitions/effects/taco/taco.h"
#include "transitions/effects/water/water.h"

namespace furlpane::effects {

template <class Plan, class Frame>
struct EffectModel {
    using PlanType = Plan;
    using FrameType = Frame;
    std::string_view name;  // the effect's name, as the renderer's catalogue spells it
    Plan (*plan)(const TransitionUniforms& uniforms);
    Frame (*frame)(const Plan& plan, double t, const Placement& placement);
};

inline constexpr auto kEffectModels =
    std::make_tuple(EffectModel<Shade, ShadeFrame>{"shade", shadePlan, shadeFrame},
                    EffectModel<Sparks, SparksFrame>{"sparks", sparksPlan, sparkFrames},
                    EffectModel<BlutVene, BlutVeneFrame>{"blutVene", blutVenePlan, blutVeneFrame},
                    EffectModel<Origami, OrigamiFrame>{"origami", origamiPlan, facetFrames},
                    EffectModel<Shatter, ShatterFrame>{"shatter", shatterPlan, shardFrames},
                    EffectModel<SliderPuzzle, PuzzleFrames>{"sliderPuzzle", sliderPuzzlePlan, tileFrames},
                    EffectModel<Taco, TacoFrame>{"taco", tacoPlan, tacoFrame},
                    // Without the ink of a picture: the renderer reads it back and plans with it.
                    EffectModel<Classified, ClassifiedFrame>{
                        "classified", [](const TransitionUniforms& u) { return classifiedPlan(u); }, stripFrames},
                    EffectModel<Water, WaterFrame>{"water", waterPlan, waterFrame});

inline constexpr int kEffectModelCount = static_cast<int>(std::tuple_size_v<decltype(kEffectModels)>);

// Calls visit(model) for every entry of the table, in order.
template <class Visit>
void forEachEffectModel(Visit&& visit) {
    std::apply([&](const auto&... model) { (visit(model), ...); }, kEffectModels);
}

}  // namespace furlpane::effects
