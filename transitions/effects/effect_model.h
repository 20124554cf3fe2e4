#pragma once

// The one shape every effect model has:
//
//   Plan  xPlan(const TransitionUniforms& uniforms)
//         built once per transition (the first frame that needs it) from the uniforms
//         and their seed; every random draw is taken here;
//   Frame xFrame(const Plan& plan, double t, const Placement& placement)
//         a pure function of the plan, the progress t in 0...1 and where the transition
//         plays; its records go to the graphics processor as instances and its `look`
//         as a short array of per-frame values.
//
// Every model is listed once in effect_models.h, which the behaviour suite sweeps.

#include <vector>

#include "transitions/effects/foundations.h"
#include "transitions/effects/transition_uniforms.h"

namespace furlpane::effects {

// Whether the transition plays from the window to the stand-in or back.
enum class Direction { minimizing, restoring };

// Where one frame of a transition plays, in points of the drawing view, and how. Read
// from the uniforms with every length, coordinate and fraction made sane.
struct Placement {
    Rect2 window;
    Rect2 standIn;
    Rect2 room;
    double2 viewSize;
    double opacity = 1;  // the stand-in's
    Direction direction = Direction::minimizing;
    // The slow-motion factor, a positive number (1 at normal speed): a model
    // that draws the motion of one display frame spans a step of t divided by it.
    double slowdown = 1;

    // The span of t that one display frame of `rate` frames per second covers.
    double frameStep(double rate) const { return (1.0 / rate) / slowdown; }
};

// The placement of the uniforms' frame. A slowdown that is not a positive number counts as 1.
Placement placementOf(const TransitionUniforms& uniforms, double slowdown = 1);

// The records of one frame in drawing order, and the frame's look values.
template <class Record>
struct EffectFrame {
    std::vector<Record> records;
    std::vector<float4> look;
};

}  // namespace furlpane::effects
