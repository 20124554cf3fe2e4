#pragma once

// The origami effect treats the window's picture as a sheet of paper and folds it
// along straight creases. For a title strip the body below the title bar is folded up
// onto itself in halvings and finally tucked behind the title bar, which never moves.
// For a thumbnail the sheet is folded into a paper dart that flies to the stand-in,
// lands on it and unfolds there in reverse order.
//
// The plan cuts the sheet into convex facets along each crease once, when it is built,
// decides which facets each fold turns, mirrors their placement and restacks their
// layers; a frame only rotates facets about the hinges and carries the sheet along the
// dart's flight. Nothing here is random: the seed is ignored.
//
// Sheet coordinates are points of the window's picture, 0 <= x <= w, 0 <= y <= h, with
// the title bar along y = 0; z points toward the viewer.

#include <array>
#include <optional>
#include <vector>

#include "platform/simd/simd.h"
#include "transitions/effects/effect_model.h"
#include "transitions/effects/foundations.h"
#include "transitions/effects/polygon_mesh.h"
#include "transitions/effects/transition_uniforms.h"

namespace furlpane::effects {

using platform::simd::double2x2;
using platform::simd::double4x4;
using platform::simd::float4x4;

struct Origami {
    struct Line {
        double2 origin;
        double2 direction;  // a unit vector
        friend bool operator==(const Line&, const Line&) = default;
    };

    // The facets a fold may turn: all of them, or only those whose centroid (in flat
    // sheet coordinates) lies on the given side of a line.
    struct Layers {
        enum class Kind { all, from };
        Kind kind = Kind::all;
        Line line;
        double side = 1;
        static Layers all() { return {}; }
        static Layers from(Line line, double side) { return {Kind::from, line, side}; }
    };

    struct Fold {
        // Given in the plane of the sheet as it lies after all earlier flat folds.
        Line crease;
        // +1 or -1: the part where side × cross(direction, p - origin) > 0 turns.
        double side = 1;
        Layers layers;
        bool isTowardViewer = true;
        double angle = 0;  // radians through which the turning part swings; pi lies flat
        Phase folding;
        std::optional<Phase> unfolding;  // none when the fold stays closed
        bool tucksAway = false;           // a facet it turned completely is hidden
    };

    // Flat sheet coordinates to the folded sheet's plane: p' = matrix · p + offset.
    struct Placement {
        double2x2 matrix = double2x2::identity();
        double2 offset;
    };

    struct Facet {
        std::vector<double2> corners;  // flat sheet coordinates, in order around the facet
        // Where the edge from corners[i] to corners[i + 1] came from: -1 the sheet's
        // border, k the crease of fold k.
        std::vector<int> sides;
        Placement placement;
        int layer = 0;            // stacking order; larger nearer the viewer
        std::vector<bool> turns;  // turns[k]: fold k turns this facet
    };

    struct Flight {
        Phase span;    // when the folded dart flies
        double2 pivot;  // the sheet point that travels along the flight path
        double2 nose;   // unit heading in sheet coordinates
        double2 top;    // unit upward direction in sheet coordinates
        double length = 0;
    };

    // The per-facet record, 80 bytes: the transform from a flat sheet point to the
    // uniforms' point space (z toward the viewer), and look = (state, visible, largest
    // fold amount, opacity factor). State 1: no fold of the facet under way and the dart
    // not yet flying; 2: the same once the dart has landed; 0 otherwise.
    struct FacetFrame {
        float4x4 transform;
        float4 look;
    };

    double2 size;  // sheet width and height, each at least 1
    std::vector<Fold> folds;
    std::vector<Facet> facets;
    std::vector<double> creaseHeights;  // the hinge height z of each fold
    double thickness = 0;               // z spacing between adjacent layers
    std::optional<Flight> flight;       // none for the title strip
    Phase settling;                    // crease marks fade out; for a dart also the landing's end
};

static_assert(sizeof(Origami::FacetFrame) == 80, "the facet record is the shaders' contract");

// A plan never has more than this many folds; the look array has room for their marks.
inline constexpr int kMaxOrigamiFolds = 16;

Origami origamiPlan(const TransitionUniforms& uniforms);
Origami titleStripOrigami(double2 size, double titleBarHeight);
// target is the stand-in's centre in sheet coordinates.
Origami windowOrigami(double2 size, double2 target);
Origami applyFolds(double2 size, std::vector<Origami::Fold> folds, std::optional<Origami::Flight> flight,
                   double thickness, Phase settling);
// The part of a facet where the signed corner distances `values` are >= 0 (or <= 0 with
// KeptSide::negative); none when it has fewer than 3 corners or no area.
enum class KeptSide { positive, negative };
std::optional<Origami::Facet> splitFacet(const Origami::Facet& facet, const std::vector<double>& values, KeptSide kept,
                                         int foldIndex);

// The mesh of the flat sheet (polygon_mesh.h): a fan per facet, vertices (x, y, facet
// index, 0), welded and without T-junctions.
std::vector<float4> origamiMesh(const Origami& plan);
// Eight edge records per facet: (inward unit normal, offset, origin of the edge: -1 the
// border, k fold k), padded with (0, 0, 0, -2).
inline constexpr int kOrigamiEdgesPerFacet = kEdgesPerPolygon;
std::vector<float4> origamiFacetRecords(const Origami& plan);

// One record per facet in plan order; the look: (settle amount, depth scale D, 0, 0),
// then the crease marks of folds 0 to 15.
using OrigamiFrame = EffectFrame<Origami::FacetFrame>;
inline constexpr int kOrigamiLookCount = 5;
OrigamiFrame facetFrames(const Origami& plan, double t, const Placement& placement);

// Where the sheet is carried: stage 0 not flying, 1 flying, 2 landing, 3 landed.
struct FlightPlacement {
    double4x4 transform;
    int stage = 0;
};
FlightPlacement flightPlacement(const Origami& plan, double t, double2 windowOrigin, Rect2 standIn, Rect2 room,
                                double depth);
// The signed turn (radians, counter-clockwise positive) of the path's heading from
// `start` to its tangent at s, summed over 48 samples.
double pathTurn(const std::array<double2, 4>& path, double s, double2 start);
// The rotation by angle about the line through point along axis; identity for angle 0.
double4x4 rotationAbout(double3 axis, double3 point, double angle);

}  // namespace furlpane::effects
