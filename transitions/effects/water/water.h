#pragma once

// The water effect melts a window into water. The melting part of the window (the
// region) is cut into a grid of cells; every cell becomes a drop that starts to wobble
// when a ripple from the region's centre reaches it, sags, lets go, falls to the floor
// of the room and there bounces or slides, spreads and vanishes. Holes open in the sheet
// and push the drops near them aside. The graphics processor sums the drops as soft
// blobs into a field and shows water where the field passes a level. Minimized to a
// thumbnail, the water gathers in a puddle on the thumbnail; restored, no drops fall:
// puddles carry the water back.
//
// Positions are view points, origin top left, y growing downward; the floor is the
// bottom edge of the room. The motion runs on a clock of 1.2 seconds per unit of t;
// speeds are points per second, gravity points per second squared. The surface line,
// floor − 0.6 × reach, is the y of a drop's centre when it lies on the floor.
//
// The plan is built once from the uniforms and the seed; every frame is a closed-form
// function of the plan and t (nothing is stepped from frame to frame).

#include <cmath>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "platform/simd/simd.h"
#include "transitions/effects/effect_model.h"
#include "transitions/effects/foundations.h"
#include "transitions/effects/transition_uniforms.h"

namespace furlpane::effects {

struct Water {
    struct Drop {
        double2 rest;           // centre of the drop's cell, where it starts
        double height = 0;      // (row + 0.5) / rows
        double liquefies = 0;   // t at which the ripple reaches it and it starts to wobble
        double release = 0;     // t at which it lets go; at least liquefies + 0.03
        double2 speed;          // velocity at release (positive y downward)
        double heavier = 1;     // factor on gravity, 0.94...1.06
        double angle = 0;       // direction a hole pushes it when it sits on the hole's middle
        double sag = 0;         // points it sinks between liquefying and release
        double size = 1;        // blob radius in the fall as a factor on reach
        double2 start;          // where the fall is computed from
        std::optional<double> landing;  // seconds of fall until it reaches the surface line
        bool splashes = false;
        double2 bounce;         // x: sideways speed factor; y: upward speed factor
        double side = 1;        // x direction of the bounce and the slide
        double spray = 1;       // size factor during and after a bounce
        // Shortcuts for the push of the holes, set while the plan is built and never
        // changing a result. nearHoles: the holes (bit i for hole i) that can ever move
        // this drop; every other hole is too far from it and from the holes that can.
        // untouchedBefore: before this t no hole has reached the drop's rest, so nothing
        // has moved it. settledFrom: from this t on every hole that can move the drop is
        // at its largest, so the push no longer changes; it is settledOffset. A drop made
        // elsewhere keeps the defaults and is worked out in full. They belong to the
        // plan's holes: whoever changes the holes of a built plan resets them.
        uint32_t nearHoles = ~0u;
        double untouchedBefore = -INFINITY;
        double settledFrom = INFINITY;
        double2 settledOffset;
    };

    struct Hole {
        double2 middle;
        double opens = 0;  // t at which it starts to open
        double speed = 0;  // growth of its radius, points per second
        double most = 0;   // its largest radius
    };

    // A drop at one instant.
    struct State {
        double2 position;
        double2 velocity;
        double size = 0;     // blob radius as a factor on reach
        double picture = 1;  // how much of the window's picture the drop still shows
        double loose = 0;    // seconds since release; 0 while it hangs
    };

    struct Resting {
        double2 position;
        double2 velocity;
    };

    // One drawn drop, 48 bytes: place (position, position − rest), form (streak, radius,
    // weight), look (picture, 0, 0, 0).
    struct DropFrame {
        float4 place;
        float4 form;
        float4 look;
    };

    struct Puddle {
        enum class Kind : int { window = 1, thumbnail = 2, body = 3 };
        Kind kind = Kind::window;
        double4 target;  // the rectangle the water fills
        double corner = 0;
        double2 source;  // where the water comes in or drains from
        double spread = 0;
        double dry = 100000;
        double spill = 0;
        double depth = 0;
        double cleared = 0;
        double lobes = 0;
        double ripples = 0;
        double wet = 0;
        double age = 0;
        friend bool operator==(const Puddle&, const Puddle&) = default;
    };

    // A puddle's phases, as windows of its own progress.
    struct PuddlePhases {
        Phase fill, settle, drain, clear;
    };

    double4 region;  // origin x, y, width, height of the melting part; sizes at least 1
    bool isTitleStrip = false;
    bool isRestoring = false;
    double floor = 0;
    double gravity = 6000;
    int columns = 1;
    int rows = 1;
    double2 cell;
    double reach = 0;
    double level = 0;
    double2 rippleOrigin;
    double rippleReach = 1;
    double cornerRadius = 0;
    double2 swellPhases;
    std::vector<Drop> drops;  // rows from the top down, each row left to right; empty when restoring
    std::vector<Hole> holes;  // at most 32; empty when restoring

    // The push of the holes on a drop at t: where they have moved it from its rest.
    double2 holeOffset(const Drop& drop, double t) const;
    // The drop before it lets go: wobble, sag and the push of the holes.
    Resting restingState(const Drop& drop, double t) const;
    // Seconds of fall after release until the drop reaches the surface line; none for a
    // drop that begins its fall on or below that line.
    std::optional<double> landingTime(const Drop& drop) const;
    // The drop at t; none once it has vanished.
    std::optional<State> dropState(const Drop& drop, double t) const;
    // How strongly each loose drop counts in the field, so that a lone drop still shows.
    std::vector<double> dropWeights(const std::vector<std::optional<State>>& states) const;
    // The puddles at t (the uniforms' progress, never turned around).
    std::pair<std::optional<Puddle>, std::optional<Puddle>> puddles(double t, double2 windowOrigin, double2 windowSize,
                                                                   double2 standInOrigin, double2 standInSize) const;
};

static_assert(sizeof(Water::DropFrame) == 48, "a drop record is 48 bytes");

// The plan of a scene. Lengths and coordinates are made sane first (foundations.h), so
// the region is at most kLongestLength a side and the drop count is bounded.
Water waterPlan(const TransitionUniforms& uniforms);
// One frame: the drops in plan order, each drawn with a streak of its motion over one
// display frame at kWaterFrameRate, and the fifteen look values (water_frames.cpp).
using WaterFrame = EffectFrame<Water::DropFrame>;
inline constexpr double kWaterFrameRate = 120;
WaterFrame waterFrame(const Water& water, double t, const Placement& placement);

Water buildWater(bool isTitleStrip, bool isRestoring, uint32_t seed, double2 origin, double2 size, double floor,
                 double cornerRadius);
// The field of a full lattice of unit blobs, averaged over a cell's centre, the middles
// of two of its edges and its corner.
double fieldLevel(double2 cell, double reach);
std::vector<Water::Drop> makeDrops(int columns, int rows, bool isTitleStrip, EffectRandom& random, double2 origin,
                                   double2 size, double2 cell, double2 center, double rippleReach);
std::vector<Water::Hole> makeHoles(bool isTitleStrip, EffectRandom& random, double2 origin, double2 size);

Water::Puddle makePuddle(Water::Puddle::Kind kind, double2 targetOrigin, double2 targetSize, double corner,
                         double2 source, double t, const Water::PuddlePhases& windows);
Water::Puddle drainingThumbnail(double2 targetOrigin, double2 targetSize, double corner, double u);
// The kind of a raw value 1, 2 or 3; none for any other.
std::optional<Water::Puddle::Kind> puddleKind(int raw);
// Five vectors; an absent puddle gives five zero vectors.
std::vector<float4> puddleRecords(const std::optional<Water::Puddle>& puddle);

// The puddle phases: the thumbnail's while minimizing, the window's or body's while restoring.
inline constexpr Water::PuddlePhases kMinimizingPuddle{{0.42, 0.52}, {0.56, 0.74}, {0.4, 0.74}, {0.62, 0.88}};
inline constexpr Water::PuddlePhases kRestoringPuddle{{0.1, 0.48}, {0.5, 0.8}, {0.28, 0.8}, {0.62, 0.9}};

}  // namespace furlpane::effects
