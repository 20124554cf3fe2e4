#pragma once

// The shatter effect: the window's picture breaks like a pane of glass struck at one
// point. Cracks run out from the impact along rays and rings, the pane falls apart into
// shards, and the shards bulge, break free, tumble and leave.
//
// Bound for a title strip, the title bar stays where it is as one piece that never
// moves, the body is struck near its middle and its shards fall away and fade, while a
// few of them fly at the viewer. Bound for a thumbnail, the whole window breaks, the blow
// lands on the far side of the window's centre from the thumbnail, and every shard homes
// into the thumbnail in a window of time of its own.
//
// The plan (`Shatter`) is built once per transition from the uniforms and the seed; the
// mesh and the edge records are made from it once; `shardFrames` places every shard for
// one progress t and is a pure function of the plan and its arguments.
//
// Coordinates of the plan are window-local points: x from 0 to the window's width, y
// from 0 to its height, the title bar the band 0 ≤ y ≤ titleBar. Angles are radians from
// +x towards +y. Times are values of the progress t.

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/simd/simd.h"
#include "transitions/effects/effect_model.h"
#include "transitions/effects/foundations.h"
#include "transitions/effects/polygon_mesh.h"
#include "transitions/effects/transition_uniforms.h"

namespace furlpane::effects {

using platform::simd::float4x4;

struct Shatter {
    // One piece of the pane.
    struct Shard {
        std::vector<double2> corners;  // in order, at least 3
        // sides[i] labels the edge from corners[i] to the next corner: −1 an outer border
        // of the pane (a window edge), 0 a crack between pieces.
        std::vector<int> sides;
        bool stays = false;  // only the title-bar piece, which never moves
    };

    // The motion of one shard.
    struct Plan {
        double bulge = 0;         // the instant it starts to bulge out along `outward`
        double release = 0;       // the instant it breaks free; always after `bulge`
        double2 outward;          // unit vector from the impact to the shard's centroid
        double3 velocity;         // flight velocity after release, points per unit of t; z towards the viewer
        double3 axis;             // unit axis of the tumbling
        double spin = 0;          // tumbling rate about `axis`, radians per unit of t
        std::optional<Phase> homing;  // thumbnail: when the shard flies into the thumbnail
        std::optional<Phase> fading;  // title strip: when the shard fades out
    };

    // The per-frame record of one shard, 96 bytes, read by the shard shaders.
    struct ShardFrame {
        float4x4 transform;  // window-local point (x, y, 0, 1) to homogeneous view points
        float4 look;
        float4 flash;
    };

    double2 size;         // the window's width and height, each at least 1
    double titleBar = 0;  // the band that stays in place; 0 when bound for a thumbnail
    double2 impact;
    double reach = 1;     // from the impact to the farthest corner of the body, at least 1
    double crush = 6;     // 0.045 × reach limited to 6...26: how far shards bulge before release
    std::vector<Shard> shards;  // the title-bar piece first when there is one
    std::vector<Plan> plans;    // one per shard, in the same order
    double sweep = 1;           // +1 or −1: the direction in which the glint sweeps the pane

    // The triangle mesh of all shards: three vertices (x, y, shard index, 0) per
    // triangle, corners welded and T-junctions split so that neighbours share edges.
    std::vector<float4> shatterMesh() const;
    // Eight edge records (inward normal x, y, line offset, label) per shard; unused
    // slots (0, 0, 0, −2).
    std::vector<float4> shardRecords() const;
};

static_assert(sizeof(Shatter::ShardFrame) == 96, "a shard record is 96 bytes");

// The effect's entry: reads `window`, `standIn`, `titleBarHeight`, `standInCrop` and
// `seed` of the uniforms. Every input gives a plan; values that are not finite or are
// absurdly large are made sane first (see foundations.h), so the build is bounded.
Shatter shatterPlan(const TransitionUniforms& uniforms);

// The builder. An absent impact hint is the title-strip variant; a present one is the
// stand-in's centre relative to the window's origin. `size` must be finite and at least
// 1 on each axis (shatterPlan guarantees it).
Shatter buildShatter(std::optional<double2> hint, uint32_t seed, double2 size, double titleBar);

// The steps of the builder, in the order in which they draw, exposed so that each can
// be checked on its own.
// The ray angles: √area / 40 rounded, limited to 9...18 rays, evenly spread and shaken.
std::vector<double> rayAngles(double area, EffectRandom& random);
// The ring radii, growing by 1.45 to 1.8 until they pass reach, then the outer ring,
// which covers the whole body with straight edges between the rays.
std::vector<double> ringRadii(double reach, const std::vector<double>& angles, EffectRandom& random);
// points[k][j]: ring k on ray j; along a ray each ring at least 1.18 times the last.
std::vector<std::vector<double2>> ringPoints(double2 impact, const std::vector<double>& radii,
                                             const std::vector<double>& angles, EffectRandom& random);
// Per ray, the triangle at the impact, then one quadrilateral between each pair of rings.
std::vector<Shatter::Shard> rawShards(double2 impact, const std::vector<std::vector<double2>>& points);

// The part of a shard on which the distance (one per corner) is at least 0; edges that
// run along the cut get `label`. Nothing when fewer than 3 corners or an area not above
// 1e-6 would be left.
std::optional<Shatter::Shard> splitPolygon(const std::vector<double>& distances, int label,
                                           const Shatter::Shard& shard);

// One motion plan per shard, drawing from the builder's stream.
std::vector<Shatter::Plan> shardPlans(const std::vector<Shatter::Shard>& shards, bool isTitleStrip,
                                      double2 impact, double reach, double2 size, EffectRandom& random);

// Half the absolute shoelace sum.
double polygonArea(const std::vector<double2>& corners);

// Where the shards are at t: one record per shard in plan order (the formulas are
// documented in shard_frames.cpp), and the look: (window width, height, crush, sweep),
// (crack width in points, 0, 0, 0).
using ShatterFrame = EffectFrame<Shatter::ShardFrame>;
inline constexpr float kShatterCrackWidth = 1.2f;
ShatterFrame shardFrames(const Shatter& plan, double t, const Placement& placement);

}  // namespace furlpane::effects
