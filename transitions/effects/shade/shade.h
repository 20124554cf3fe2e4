#pragma once

// The roller-shade effect: the window is drawn as a blind with a hem bar, a pull cord
// and a ring. The cord drops, is tugged, the blind snaps up and winds onto a roller
// under the title bar. For a title strip the story ends there; for a thumbnail the
// rolled bundle flies to the thumbnail's stage, unrolls there with a small bounce and
// the stage shrinks onto the thumbnail.
//
// The plan is built once per transition (the pull cord is simulated then, never per
// frame); every other function here is a pure function of the plan and its arguments.
// Lengths are points of the window: x from its left edge, y down from its top edge,
// z the depth with the window plane at z = 0.

#include <array>
#include <cstdint>
#include <vector>

#include "platform/simd/simd.h"
#include "transitions/effects/effect_model.h"
#include "transitions/effects/foundations.h"
#include "transitions/effects/transition_uniforms.h"

namespace furlpane::effects {

using platform::simd::double4x4;

struct Shade {
    // Windows of t, and three single instants or durations (`drop`, `fall`, `release`).
    struct Timing {
        Phase hem;        // the hem bar grows in
        double drop = 0;   // the cord starts to fall from the hem
        double fall = 0;   // time the cord takes to pay out fully
        Phase tug;        // the hem is pulled down by `pull`
        double release = 0;  // the ring is let go
        Phase snap;       // the sheet snaps up
        Phase spin;       // the roller winds the sheet in
        Phase reelIn;     // the cord is drawn up
        Phase flight;     // the rolled bundle flies to the stage
        Phase unroll;     // the sheet unrolls inside the stage
        Phase hemIn;      // the hem bar fades out
        Phase shrink;     // the stage shrinks onto the thumbnail
    };

    // The state of the hem and of the sheet hanging from the roller.
    struct HemState {
        double drop = 0;
        double flap = 0;
        double angle = 0;
        double swing = 0;
    };

    // The end of the sheet in the side view (y, z) and the sheet's direction there.
    struct HemPoint {
        double2 point;
        double2 direction;
    };

    static constexpr int kCordPoints = 12;
    static constexpr int kCordRecords = 289;

    double2 size;          // window width and height, each at least 1
    double titleBar = 0;   // title-bar height clamped to 0...height
    bool isTitleStrip = false;
    double hemRadius = 0;
    double cordLength = 0;
    double ringRadius = 0;
    double pull = 0;        // how far the tug pulls the hem down
    double flapLength = 0;  // sheet left hanging below the roller when the snap ends
    double woundFlap = 0;
    double turns = 0;       // roller turns during the spin
    Timing timing;
    // The recorded cord: kCordRecords records of kCordPoints points, record-major;
    // record k holds the cord at t = k / 288.
    std::vector<double3> cordSteps;

    // The height of the window below its title bar, never below 1.
    double body() const;

    HemState hemState(double t) const;
    double unrollDrop(double u) const;
    HemPoint hemPoint(const HemState& state) const;
    double3 cordAnchor(double t) const;
    // The paid-out cord length at s seconds (s = 1.2 t).
    double cordLengthAt(double seconds) const;
    std::array<double3, kCordPoints> cordPoints(double t) const;

    // How far the hem bar is shown, 0...1.
    double hemScale(double t) const;
    // The ring's centre (x, y, z) and radius.
    double4 ringSample(double t) const;
    // Window-local points to view points while the rolled sheet flies and after it.
    double4x4 sheetTransform(double t, double2 windowOrigin, Rect2 standIn, Rect2 room) const;
    // The stage shrink with the plan's own shrink window and `size` as the full size.
    Rect2 shrinkToThumbnail(double t, Rect2 standIn, Rect2 room) const;
};

// Reads the window's size (each side raised to at least 1 as a float), the title-bar
// height, the stand-in's crop and the seed.
Shade shadePlan(const TransitionUniforms& uniforms);
Shade buildShade(double2 size, double titleBar, bool isTitleStrip, uint32_t seed);

// The recorded position-based simulation of the 12-point pull cord, 1.2 seconds for t
// from 0 to 1, sampled every fifth of 1440 steps: Shade::kCordRecords records.
std::vector<double3> simulateCord(const Shade& plan, double kick);

// One frame: no records, and the 28 look values handed to the sheet, flap, hem, cord
// and ring shaders: entries 0-3 the sheet transform's columns, 4 depth scale / mode /
// fade / opacity, 5 the hem state now, 6 title bar / body / -1 / ring-in radius, 7 the
// hem bar's ends and radius, 8 the ring now, 9 and 10 the hem state half a display frame
// (at kShadeFrameRate) before and after, 11 cord count / 1.1 / hem moving, 12-15 four
// ring samples, 16-27 the cord points.
using ShadeFrame = EffectFrame<float4>;
inline constexpr int kShadeLookCount = 28;
inline constexpr double kShadeFrameRate = 144;
ShadeFrame shadeFrame(const Shade& plan, double t, const Placement& placement);

}  // namespace furlpane::effects
