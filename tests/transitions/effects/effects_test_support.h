#pragma once

// Helpers of the effect model tests: points through a transform, finiteness of records,
// and a comparison of a point with both of its coordinates.

#include <gtest/gtest.h>

#include <cmath>
#include <span>

#include "transitions/effects/effect_model.h"
#include "transitions/effects/foundations.h"
#include "transitions/effects/transforms.h"

namespace furlpane::effects::model_tests {

// Where a point of the plane z = 0 lands through a transform.
inline double2 mapped(const double4x4& m, double2 p) {
    const double4 r = m * double4{p.x, p.y, 0, 1};
    return {r.x, r.y};
}
inline double2 mapped(const float4x4& m, double2 p) { return mapped(double4x4(m), p); }

inline bool finite(float4 v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && std::isfinite(v.w);
}
inline bool allFinite(std::span<const float4> values) {
    for (const float4 v : values)
        if (!finite(v)) return false;
    return true;
}

inline Rect2 rectOf(float4 r) { return {{r.x, r.y}, {r.z, r.w}}; }

// The uniforms' placement with another stand-in opacity.
inline Placement placed(const TransitionUniforms& u, double opacity) {
    Placement p = placementOf(u);
    p.opacity = opacity;
    return p;
}
// A placement of rectangles given directly.
inline Placement placed(Rect2 window, Rect2 standIn, Rect2 room, double2 viewSize, double opacity,
                        Direction direction = Direction::minimizing, double slowdown = 1) {
    return {window, standIn, room, viewSize, opacity, direction, slowdown};
}

}  // namespace furlpane::effects::model_tests

// Both coordinates of a point within a tolerance; a macro, so that a failure names the
// test's own line.
#define EXPECT_POINT_NEAR(actual, expected, tolerance)                  \
    do {                                                                \
        const auto point_ = (actual);                                   \
        const auto expected_ = (expected);                              \
        EXPECT_NEAR(point_.x, expected_.x, tolerance) << #actual << ".x"; \
        EXPECT_NEAR(point_.y, expected_.y, tolerance) << #actual << ".y"; \
    } while (0)
