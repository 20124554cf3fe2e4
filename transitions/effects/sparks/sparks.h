#pragma once

// The click-sparks effect: every cell of the effect grid turns into a small coloured
// spark that bursts away from a random click point near the window's middle, spins,
// slows down and then flies home: into the title bar, where it fades, for a title
// strip; onto its own cell of the thumbnail's stage for a thumbnail. The colours run
// around the click like a colour wheel, twice per turn, through a palette of eight
// pastel tones.
//
// The plan is built once per transition from the seed (every draw is taken then); the
// frame function is pure.

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "transitions/effects/effect_model.h"
#include "transitions/effects/foundations.h"
#include "transitions/effects/transition_uniforms.h"

namespace furlpane::effects {

struct Sparks {
    // One spark; times are values of t.
    struct Plan {
        double release = 0;  // when the spark leaves its cell
        double2 velocity;    // initial velocity, points per unit of t
        double spin = 0;     // turning rate, angle per unit of t
        double edge = 0;     // full size of the spark in points
        double3 color;       // red, green, blue in 0...1
        bool isOutline = false;
        double leaves = 0;     // when the spark stops roaming and heads home
        double lands = 0;      // when it arrives
        double gathersAt = 0;  // title strip: x from the region's left edge where it lands
    };

    // The per-instance record, 64 bytes:
    //   place (centre x, centre y, half width, half height),
    //   turn (angle, 0.22 × shorter side × pop, outline width or 0, morph cell -> spark),
    //   tint (red, green, blue, 1),
    //   look (mode, opacity, landing blend, 0).
    // Modes: 0 a live spark, 1 a cell before its spark shows, 3 a spark landed on the
    // thumbnail's stage and 2 the same from t >= 0.899999 on. A landed title-strip spark
    // and one faded out completely are all zero.
    struct SparkFrame {
        float4 place;
        float4 turn;
        float4 tint;
        float4 look;
    };

    double4 region;  // origin x, y, width, height of the area that breaks into sparks
    int columns = 1;
    int rows = 1;
    double2 cell;    // region size / (columns, rows)
    bool isTitleStrip = false;
    double titleBar = 0;  // title-bar height for a title strip, else 0
    double2 click;
    double reach = 1;     // max(1, distance from the click to the farthest corner)
    std::vector<Plan> plans;  // one per cell, row by row
    double sweep = 1;     // +1 or -1: the side to which homing sparks swerve

    // The stage of the thumbnail with the fixed shrink window and the region's size as
    // the full size.
    Rect2 shrinkToThumbnail(double t, Rect2 standIn, Rect2 room) const;
};

static_assert(sizeof(Sparks::SparkFrame) == 64, "the spark record is the shaders' contract");

// The largest grid side a plan is built with. The effect grid never exceeds 120 cells a
// side; anything beyond this is refused input and is reduced to it, so that an absurd
// grid cannot exhaust memory.
inline constexpr int kMaxSparkGridSide = 256;

inline constexpr int kSparkPaletteSize = 8;
// The eight pastel tones (red, green, blue), in wheel order.
const std::array<double3, kSparkPaletteSize>& sparkPalette();

// The region is the window, or for a title strip the window below its title bar.
Sparks sparksPlan(const TransitionUniforms& uniforms);
// A given title bar makes the plan a title strip.
Sparks buildSparks(double2 regionOrigin, double2 regionSize, int64_t columns, int64_t rows,
                             std::optional<double> titleBar, uint32_t seed);

// One record per spark in plan order, and the look: (region), (stage, all zero for a
// title strip), (columns, rows, 0, 0).
using SparksFrame = EffectFrame<Sparks::SparkFrame>;
SparksFrame sparkFrames(const Sparks& plan, double t, const Placement& placement);

}  // namespace furlpane::effects
