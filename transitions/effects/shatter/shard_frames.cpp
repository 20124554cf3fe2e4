// Where every shard is at t, and how it looks. The plan fixes when each shard bulges,
// breaks free, tumbles and homes or fades; these formulas turn that into one record
// per shard. They are a pure function of the plan and the arguments.
//
// For shard i with centroid c (window-local), plan p and the progress t:
//
//   b = smoothstep(local progress of t in p.bulge...p.release)   the bulge, 0 to 1
//   τ = max(0, t − p.release)                                    flight time since release
//   moved = p.outward × (crush × b) + p.velocity.xy × τ + (0, ½ g τ²)
//   z     = crush × b + p.velocity.z × τ                         towards the viewer
//   angle = 0.12 × b + p.spin × τ                                about p.axis
//
// with g = 2600 points per unit of t² for a title strip (its shards fall away) and 700
// for a thumbnail (its shards hang in the air before they home). So before its release
// a shard rises out of the pane by up to `crush` points, drifts outward by as much and
// tilts a little, which opens the cracks; afterwards it flies, falls and tumbles.
//
// Thumbnail: h = smootherstep(local progress of t in p.homing). The home of the shard is
// its own place in the picture drawn in R = shrinkToThumbnail(t, 0.8...0.9, size,
// stand-in, room) (the stage until 0.8, the thumbnail from 0.9), so k = R.size / size.
// The shard's centre moves from its free place (window origin + c + moved) to its home
// (R.origin + c × k) by h, its scale from 1 to k, and z and the angle shrink by the
// factor (1 − h): the shard lands flat and in place.
//
// The staying title-bar piece is never moved.
//
// transform = P × T(centre, z) × S(scale) × R(axis, angle) × T(−c), where P is a
// perspective with the eye 1800 points in front of the window's centre (px, py):
// P × (x, y, z, 1) = (x − px z / 1800, y − py z / 1800, z, 1 − z / 1800). The shader
// divides by w (clamped to at least 0.05) and gets view points.
//
// look  = (alpha, facing, 0, 0): alpha = 1 + (opacity − 1) × h for a thumbnail (the
//         shards take on the stand-in's opacity as they land), 1 − smootherstep(local
//         progress in p.fading) for a title strip, 1 for the staying piece; facing = the
//         z of the tumbled pane's normal, −1...1, with which the shader darkens shards
//         seen edge-on.
// flash = (glint, crack, 0, 0): crack = smoothstep(local progress in
//         (p.bulge − 0.03)...p.bulge) × (1 − h), how brightly the shard's crack edges
//         show; glint = the larger of an impact flash (1 − ratio)² × max(0, 1 − |t −
//         p.bulge| / min(0.05, p.bulge)) (nothing yet at t = 0), ratio = |c − impact| /
//         reach limited to 1, and a band of light
//         that sweeps across the pane in the direction of `sweep` during 0.02...0.3,
//         0.3 × e^(−((x − s) / 0.08)²) with x the shard's centre across the window (0 to
//         1, mirrored when sweep is −1) and s = −0.2 + 1.4 × local progress, both faded by
//         (1 − h). The staying piece shows neither.

#include <algorithm>
#include <cmath>

#include "transitions/effects/shatter/shatter.h"

namespace furlpane::effects {

namespace {

using platform::simd::double4x4;
using platform::simd::quatd;

constexpr double kEye = 1800;

// Where a shard is at t and how it is turned.
struct ShardPose {
    double2 centre;  // view points
    double2 scale{1, 1};
    double z = 0;
    double angle = 0;
    double homed = 0;  // h
};

double4x4 perspective(double2 pivot) {
    return {{1, 0, 0, 0}, {0, 1, 0, 0}, {-pivot.x / kEye, -pivot.y / kEye, 1, -1 / kEye}, {0, 0, 0, 1}};
}

ShardPose place(const Shatter& s, const Shatter::Plan& p, double2 c, double t, Rect2 window, Rect2 home) {
    const double b = smoothstep(phaseProgress({p.bulge, p.release}, t));
    const double tau = std::max(0.0, t - p.release);
    const double g = s.titleBar > 0 ? 2600 : 700;
    const double2 moved = p.outward * (s.crush * b) + double2{p.velocity.x, p.velocity.y} * tau +
                          double2{0, 0.5 * g * tau * tau};
    ShardPose out;
    out.centre = window.origin + c + moved;
    out.z = s.crush * b + p.velocity.z * tau;
    out.angle = 0.12 * b + p.spin * tau;
    if (!p.homing) return out;
    const double h = smootherstep(phaseProgress(*p.homing, t));
    const double2 k = home.size / s.size;
    out.centre = out.centre + (home.origin + c * k - out.centre) * h;
    out.scale = double2{1, 1} + (k - double2{1, 1}) * h;
    out.z = out.z * (1 - h);
    out.angle = out.angle * (1 - h);
    out.homed = h;
    return out;
}

double4x4 transformOf(const ShardPose& pl, const Shatter::Plan& p, double2 c, double2 pivot) {
    const double4x4 rotation = matrix4x4(quatd::angleAxis(pl.angle, p.axis));
    const double4x4 toCentre = double4x4::translation({pl.centre.x, pl.centre.y, pl.z});
    const double4x4 scale = double4x4::diagonal({pl.scale.x, pl.scale.y, 1, 1});
    const double4x4 fromCentroid = double4x4::translation({-c.x, -c.y, 0});
    return perspective(pivot) * toCentre * scale * rotation * fromCentroid;
}

double glintOf(const Shatter& s, const Shatter::Plan& p, double2 c, double t) {
    const double2 d = c - s.impact;
    const double ratio = std::min(std::sqrt(d.x * d.x + d.y * d.y) / s.reach, 1.0);
    const double impact = (1 - ratio) * (1 - ratio) * std::max(0.0, 1 - std::abs(t - p.bulge) / std::min(0.05, p.bulge));
    const double u = phaseProgress({0.02, 0.3}, t);
    double band = 0;
    if (u > 0 && u < 1) {
        const double across = s.sweep < 0 ? 1 - c.x / s.size.x : c.x / s.size.x;
        const double x = (across - (-0.2 + 1.4 * u)) / 0.08;
        band = 0.3 * std::exp(-x * x);
    }
    return std::max(impact, band);
}

Shatter::ShardFrame frameOf(const Shatter& s, size_t i, double t, Rect2 window, Rect2 home, double opacity) {
    const Shatter::Plan& p = s.plans[i];
    const double2 c = centroid(s.shards[i].corners);
    const double2 pivot = window.origin + s.size / 2.0;
    Shatter::ShardFrame frame;
    if (s.shards[i].stays) {
        frame.transform = float4x4(transformOf(ShardPose{window.origin + c}, p, c, pivot));
        frame.look = {1, 1, 0, 0};
        frame.flash = {0, 0, 0, 0};
        return frame;
    }
    const ShardPose pl = place(s, p, c, t, window, home);
    const double4x4 m = transformOf(pl, p, c, pivot);
    frame.transform = float4x4(m);
    const double facing = matrix4x4(quatd::angleAxis(pl.angle, p.axis)).columns[2].z;
    const double alpha =
        p.homing ? 1 + (opacity - 1) * pl.homed : p.fading ? 1 - smootherstep(phaseProgress(*p.fading, t)) : 1;
    frame.look = toFloat4(alpha, facing, 0, 0);
    const double crack = smoothstep(phaseProgress({std::max(0.0, p.bulge - 0.03), p.bulge}, t)) * (1 - pl.homed);
    frame.flash = toFloat4(glintOf(s, p, c, t) * (1 - pl.homed), crack, 0, 0);
    return frame;
}

}  // namespace

ShatterFrame shardFrames(const Shatter& plan, double t, const Placement& placement) {
    const Rect2 standIn = placement.standIn, room = placement.room;
    const Rect2 home = shrinkToThumbnail(t, kFixedShrinkPhase, plan.size, standIn.origin, standIn.size, room.origin,
                                         room.size, SizeFloor::ratioOnly);
    const size_t n = std::min(plan.shards.size(), plan.plans.size());
    ShatterFrame frame;
    frame.records.reserve(n);
    for (size_t i = 0; i < n; ++i)
        frame.records.push_back(frameOf(plan, i, t, placement.window, home, placement.opacity));
    frame.look = {toFloat4(plan.size.x, plan.size.y, plan.crush, plan.sweep), float4{kShatterCrackWidth, 0, 0, 0}};
    return frame;
}

}  // namespace furlpane::effects
