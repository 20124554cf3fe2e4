#pragma once

// The slider-puzzle effect: the window becomes a sliding-tile puzzle. Seams open between
// square tiles, the bottom-right tile is lifted out to leave an empty cell, and the other
// tiles are scrambled by a short series of slides. Bound for a thumbnail, the puzzle then
// flies to the enlarged thumbnail, the slides are undone in reverse order, the lifted
// tile is put back, the seams close and the picture shrinks onto the thumbnail. Bound for
// a title strip, the puzzle stays where the window's content was and, after the
// scramble, its columns rise one after another into the title strip.
//
// The plan settles everything random once per transition; `tileFrames` is a pure
// function of the plan and the frame's values.
//
// Cells are (column, row), row 0 at the top next to the title bar. Tiles are numbered in
// reading order; tile i shows the part of the picture of its home cell
// (i mod columns, i div columns). Tile n − 1, whose home is the bottom-right cell, is the
// lifted tile: it never slides, its cell is the empty one that the scramble walks.

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/simd/simd.h"
#include "transitions/effects/effect_model.h"
#include "transitions/effects/foundations.h"
#include "transitions/effects/transition_uniforms.h"

namespace furlpane::effects {

using platform::simd::int2;

struct SliderPuzzle {
    // One slide: the tiles that move one cell by `step`, the one next to the empty cell first.
    struct Slide {
        std::vector<int> tiles;
        int2 step;
        Phase span;
        friend bool operator==(const Slide&, const Slide&) = default;
    };

    // A move of the scramble walk, before it is given a span.
    struct Move {
        std::vector<int> tiles;
        int2 step;
        friend bool operator==(const Move&, const Move&) = default;
    };

    // The per-frame record of one tile, 32 bytes.
    struct TileFrame {
        float4 span;  // (from column, from row, to column, to row) over the frame's time slice
        float4 look;  // (height, opacity, scale, 0); (0, 1, 1, 0) for every tile but the lifted one
    };

    // Windows of t; a window a variant does not use is 2...2, which t never reaches.
    struct Timing {
        Phase seams, lift, scramble, columnsUp, flight, solve, putBack, close, shrink;
        friend bool operator==(const Timing&, const Timing&) = default;
    };

    int columns = 1;
    int rows = 1;
    bool isTitleStrip = false;
    double titleBar = 0;
    Timing timing;
    std::vector<Slide> slides;               // the scramble, then (thumbnail only) the solve
    std::vector<std::vector<int2>> layouts;  // layouts[k][i]: tile i's cell after k slides
    std::vector<double> columnStarts;        // title strip: when each column starts to rise

    friend bool operator==(const SliderPuzzle&, const SliderPuzzle&) = default;
};

static_assert(sizeof(SliderPuzzle::TileFrame) == 32, "a tile record is 32 bytes");

// The largest board side the plan accepts. The grid the renderer passes is at most 10 × 4;
// larger values are taken as this, so that the layouts stay small.
inline constexpr int kLargestPuzzleSide = 64;

// The plan. Columns and rows below 1 become 1 (above kLargestPuzzleSide, that side).
SliderPuzzle sliderPuzzlePlan(int columns, int rows, bool isTitleStrip, uint32_t seed, double titleBar);
// The plan with the caller's values read from the uniforms: the grid, the stand-in's
// kind, the seed, and for a title strip its title bar limited to the window's height.
SliderPuzzle sliderPuzzlePlan(const TransitionUniforms& uniforms);

// At most `count` moves of the empty cell, preferring runs into fresh cells and slides
// that move tiles away from home.
std::vector<SliderPuzzle::Move> scrambleWalk(int columns, int rows, int count, EffectRandom& random);
// One relative duration per move (its tile count given) and one pause after every move
// but the last.
std::pair<std::vector<double>, std::vector<double>> scrambleTimings(const std::vector<int>& counts,
                                                                    EffectRandom& random);
// The moves laid out in start...end in the proportions of their durations and gaps; the
// last slide ends at end.
std::vector<SliderPuzzle::Slide> scheduleSlides(const std::vector<SliderPuzzle::Move>& moves,
                                                const std::vector<double>& durations, const std::vector<double>& gaps,
                                                double start, double end);

// The puzzle's rectangle on screen at t, and its tilt in radians.
struct PuzzleFrame {
    Rect2 rect;
    double angle = 0;
};

// Every tile's position at t in cells, by tile number.
std::vector<double2> tilePositions(const SliderPuzzle& plan, double t);
// How far the lifted tile is out of the board, 0...1.
double liftAmount(const SliderPuzzle& plan, double t);
PuzzleFrame puzzleFrame(const SliderPuzzle& plan, double t, Rect2 window, Rect2 standIn, Rect2 room);

// One frame: the tiles in tile order, the lifted tile last, each moving tile's span
// drawn over one display frame at kPuzzleFrameRate; the look's seven entries are
// described in tile_frames.cpp.
using PuzzleFrames = EffectFrame<SliderPuzzle::TileFrame>;
inline constexpr double kPuzzleFrameRate = 144;
PuzzleFrames tileFrames(const SliderPuzzle& plan, double t, const Placement& placement);

}  // namespace furlpane::effects
