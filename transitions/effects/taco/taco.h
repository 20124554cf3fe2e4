#pragma once

// The taco effect: the window's picture folds like a tortilla along a horizontal crease,
// its outline rounds, and filling drops into the fold. Bound for a title strip, the taco
// is eaten in up to twelve bites from one side until only the title strip is left, with
// crumbs falling from each bite. Bound for a thumbnail, the filled taco flies to the
// thumbnail, lands with a squash, unfolds while its filling spills out, and shrinks onto
// the thumbnail.
//
// Sheet space: x from 0 at the window's left edge to w at its right edge, y from 0 at
// its top edge down to h, z out of the sheet's plane (the fold lifts the lower part of
// the sheet to positive z); lengths in points.
//
// The plan is built once per transition (tacoPlan, one "TACOTACO" stream: the filling,
// then the bites or the spill); tacoFrame is a pure function of the plan and t.

#include <cstdint>
#include <optional>
#include <vector>

#include "transitions/effects/effect_model.h"
#include "transitions/effects/foundations.h"
#include "transitions/effects/transition_uniforms.h"

namespace furlpane::effects {

using platform::simd::double4x4;

struct Taco {
    // Raw values are what the piece shader receives.
    enum class Kind : std::uint8_t { lettuce = 0, cheese = 1, tomato = 2, meat = 3, onion = 4, cilantro = 5, shell = 6, leaf = 7 };

    // Phase windows of t; a window at 2 never starts in that variant.
    struct Timing {
        Phase round;
        Phase fold;
        Phase fill;
        Phase settle;
        Phase bites;
        double crumbsGone = 2;
        Phase flight;
        Phase landing;
        Phase unfold;
        Phase spill;
        Phase unround;
        Phase corners;
        Phase shrink;
    };

    struct Piece {
        Kind kind = Kind::lettuce;
        double3 rest;            // where it lies in the filled taco
        double length = 0;
        double width = 0;
        double angle = 0;
        double bend = 0;         // curvature of a shred, per point
        double tint = 0;         // 0 ... 1
        std::optional<Phase> drop;  // when it drops into the fold; none for a crumb
        double height = 0;       // from how far above its rest it drops
        double2 drift;           // sideways offset at which its drop starts
        double turn = 0;         // extra rotation at which its drop starts
        double gone = 2;         // when it leaves the taco (2: never)
        bool falls = false;      // whether it falls away when it leaves
        double3 velocity;        // of its fall, points per unit of fall time
        double spin = 0;         // rotation rate while falling
        double life = 0;         // how long its fall is drawn
    };

    // A bite removes the disc of 0.925 × radius around its centre at its time.
    struct Bite {
        double2 center;
        double radius = 0;
        double time = 0;
    };

    // 48 bytes per drawn piece: place (view x, y, z, sheet scale), form (length, width,
    // angle, bend), look (kind, tint, visibility, index in pieces).
    struct PieceFrame {
        float4 place;
        float4 form;
        float4 look;
    };

    double2 size;           // (w, h), each 2 ... 16384
    bool isTitleStrip = false;
    double top = 0;         // the flat strip: the title bar for a title strip, else 0
    double crease = 0;      // y at which the sheet starts to bend
    double radius = 0;      // of the bend
    double opening = 0;     // how much higher the upper flap stands than the back flap
    double middle = 0;      // y of the middle of the bend, the outline's centre line
    double upper = 0;       // half-heights of the rounded outline above and below middle
    double lower = 0;
    double exponent = 0;    // of the superellipse outline
    double pieceScale = 1;
    double crown = 0;       // how far the filling stands above the sheet's top outline
    Timing timing;
    std::vector<Piece> pieces;  // rim leaves first, then the filling by kind, then crumbs
    std::vector<Bite> bites;    // title strips only, in the order they happen

    // The (y, z) that the sheet's lower outline at column x takes when fully folded.
    double2 foldedEdge(double x) const;
    // The y of the lower (and upper) edge of the rounded outline at column x.
    double outlineLower(double x) const;
    double outlineUpper(double x) const;
    // How many of n equal rows of the sheet below the flat strip lie above the crease.
    int splitCount(int n) const;

    double foldAngle(double t) const;
    double roundness(double t) const;
    double chomp(double t) const;
    Phase uneatenSpan(double t) const;
    Rect2 tacoStage(double t, const Placement& placement) const;
    double4x4 tacoSheetTransform(double t, const Placement& placement) const;
    // The piece records at t under the sheet transform m, and the size of the behind group.
    std::pair<std::vector<PieceFrame>, int> pieceFrames(double t, const double4x4& m,
                                                        const Placement& placement) const;
};

inline constexpr double kTacoWrap = 2.941592653589793;  // π − 0.2, the angle of the full fold
inline constexpr int kMaxBites = 12;

// ---- Plan (taco_plan.cpp, taco_filling.cpp) ----
Taco tacoPlan(const TransitionUniforms& uniforms);
Taco buildTaco(double2 size, double top, bool isTitleStrip, std::uint32_t seed);
Taco::Timing tacoTiming(bool isTitleStrip);
std::vector<Taco::Piece> fillingPieces(const Taco& plan, EffectRandom& random);
std::vector<Taco::Piece> spillPieces(std::vector<Taco::Piece> pieces, const Taco& plan, EffectRandom& random);
double tacoCrown(const Taco& plan, const std::vector<Taco::Piece>& pieces);

// ---- Bites (taco_bites.cpp) ----
std::vector<Taco::Bite> planBites(const Taco& plan, EffectRandom& random);
// The usual bite radius for a bitten region of this width and height: 0.7 of its height
// or a tenth of its width, at least 16 points, at most 0.45 of its larger side.
double tacoBiteSize(double width, double regionHeight);
// (margin + the largest distance from center to a point) / 0.925; 0 distance for none.
double coverRadius(double2 center, double margin, const std::vector<double2>& points);
// The uneaten cells in 4-connected groups, largest first (equal sizes in the order found).
std::vector<std::vector<int>> uneatenGroups(const std::vector<bool>& uneaten, int cols);
std::vector<Taco::Piece> biteAway(std::vector<Taco::Piece> pieces, const std::vector<Taco::Bite>& bites,
                                  const Taco& plan, EffectRandom& random);
std::vector<Taco::Piece> biteCrumbs(const std::vector<Taco::Bite>& bites, const Taco& plan, EffectRandom& random);

// ---- Frames (taco_frames.cpp) ----

// The pieces in drawing order (the first `behind` lie inside the fold, between the flat
// part and the folded-up back flap) and the 22 look values of the sheet shader:
//   0 ... 3  the sheet transform's columns
//   4  (crease, radius, fold angle, π − 0.2)
//   5  (top, h − top, middle, roundness)
//   6  (w / 2, upper, lower, exponent)
//   7  (mode, fade, camera distance, sheet scale): mode 1 before the outline starts
//      rounding, 2 from a thumbnail's shrink, else 0
//   8  (corner phase, 1 for a title strip, sheet shown, bites taken)
//   9  (opening, closure, uneaten span lower, upper)
//   10 ... 21  bite i: (centre x, centre y, radius, progress), zeros past the last
struct TacoFrame : EffectFrame<Taco::PieceFrame> {
    int behind = 0;
};
TacoFrame tacoFrame(const Taco& plan, double t, const Placement& placement);

static_assert(sizeof(Taco::PieceFrame) == 48);

}  // namespace furlpane::effects
