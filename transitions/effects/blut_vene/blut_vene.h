#pragma once

// The veins effect ("blutVene"): a network of veins grows over the window from its
// bottom edge upward. The network is a forest of shortest-path trees over a jittered
// grid of points: every point finds its cheapest way down to the bottom edge in steps
// that go straight or diagonally down, the trees lose some of their tips, and every
// remaining link becomes a segment with a start time, an end time, a width and two
// marks. It is computed once per transition; the shaders animate the growth from the
// segments' times and the progress.
//
// The model draws from a hash of its own rather than the effects' shared stream: every
// random value is unit(K XOR index) for one of seven keys derived from the seed.

#include <cstdint>
#include <vector>

#include "transitions/effects/effect_model.h"
#include "transitions/effects/foundations.h"
#include "transitions/effects/transition_uniforms.h"

namespace furlpane::effects {

struct BlutVene {
    // The record the shaders read, 48 bytes:
    //   ends (x0, y0, x1, y1): (x0, y0) is the end nearer the bottom edge, where it
    //     starts to grow;
    //   timing (start, end, width, shown): grows while the progress runs from start to
    //     end; width in points; shown is 0 for a hidden twig;
    //   marks (length, tree value, 0, 0): the distance along the vein from the bottom
    //     edge to (x0, y0), and a number in [0, 1) shared by every segment of one tree.
    struct Segment {
        float4 ends;
        float4 timing;
        float4 marks;
        friend bool operator==(const Segment&, const Segment&) = default;
    };

    double4 region;  // origin x, y, width, height that the veins cover
    int columns = 2;
    int rows = 2;
    double2 cell;
    std::vector<Segment> segments;  // trunks first, then branches
    int trunks = 0;                 // how many of the first segments are trunks
};

static_assert(sizeof(BlutVene::Segment) == 48, "the segment record is the shaders' contract");

// The largest grid side a network is built with. The effect grid never exceeds 120
// cells a side; anything beyond is refused input and reduced to it.
inline constexpr int kMaxVeinGridSide = 256;

// The published PCG hash: one step of a 32-bit linear congruential generator followed
// by the RXS-M-XS output function.
uint32_t veinHash(uint32_t x);

// The region is the window, or for a title strip the window below its title bar.
BlutVene blutVenePlan(const TransitionUniforms& uniforms);
BlutVene makeBlutVene(int64_t columns, int64_t rows, uint32_t seed, double2 origin, double2 size);

// The network grows in the shaders from the segments' times and the progress, so a
// frame has no records of its own; the look: (region), (columns, rows, trunks, segments).
using BlutVeneFrame = EffectFrame<float4>;
BlutVeneFrame blutVeneFrame(const BlutVene& plan, double t, const Placement& placement);

}  // namespace furlpane::effects
