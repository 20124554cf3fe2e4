#pragma once

// The 4 × 4 affine building blocks that effect frames compose: translations, scales and
// right-handed rotations about the three axes, in Double, column-major like every other
// matrix of the platform's simd types. Written from sine and cosine directly (not through
// quaternions) so that a rotation by 0 is exactly the identity.

#include <cmath>

#include "platform/simd/simd.h"

namespace furlpane::effects {

using platform::simd::double4x4;
using platform::simd::float4x4;

inline double4x4 translation(double x, double y, double z = 0) {
    return double4x4::translation({x, y, z});
}

inline double4x4 scaling(double x, double y, double z = 1) { return double4x4::diagonal({x, y, z, 1}); }

// y turns toward z.
inline double4x4 rotationX(double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    return {{1, 0, 0, 0}, {0, c, s, 0}, {0, -s, c, 0}, {0, 0, 0, 1}};
}

// z turns toward x.
inline double4x4 rotationY(double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    return {{c, 0, -s, 0}, {0, 1, 0, 0}, {s, 0, c, 0}, {0, 0, 0, 1}};
}

// x turns toward y (clockwise on screen, where y grows downward).
inline double4x4 rotationZ(double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    return {{c, s, 0, 0}, {-s, c, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
}

// The length of the (x, y, z) part of the first column: how much the matrix scales the
// x axis.
inline double columnScale(const double4x4& m) {
    const auto& c = m.columns[0];
    return std::sqrt(c.x * c.x + c.y * c.y + c.z * c.z);
}

// Each entry rounded to the nearest float, as records carry it.
inline float4x4 toFloat4x4(const double4x4& m) { return float4x4(m); }

}  // namespace furlpane::effects
