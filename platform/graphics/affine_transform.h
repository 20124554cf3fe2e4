#pragma once

// Affine transforms of the plane, as drawing uses them: a point (x, y) maps to
// (a·x + c·y + tx, b·x + d·y + ty). `then` composes in reading order: p.then(q) maps a
// point by p first and by q after.

#include <cmath>
#include <optional>

#include "platform/geometry/geometry.h"

namespace platform {

struct AffineTransform {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

    static constexpr AffineTransform identity() { return {}; }
    static constexpr AffineTransform translation(double x, double y) { return {1, 0, 0, 1, x, y}; }
    static constexpr AffineTransform scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
    // Counter-clockwise by `radians` when y grows upwards.
    static AffineTransform rotation(double radians) {
        const double s = std::sin(radians), co = std::cos(radians);
        return {co, s, -s, co, 0, 0};
    }

    constexpr AffineTransform then(const AffineTransform& q) const {
        return {a * q.a + b * q.c,       a * q.b + b * q.d,       c * q.a + d * q.c,
                c * q.b + d * q.d,       tx * q.a + ty * q.c + q.tx, tx * q.b + ty * q.d + q.ty};
    }
    constexpr Point apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
    // Maps a vector: no translation.
    constexpr Point applyToVector(Point v) const { return {a * v.x + c * v.y, b * v.x + d * v.y}; }

    constexpr double determinant() const { return a * d - b * c; }
    // None when the transform is singular (or not finite).
    std::optional<AffineTransform> inverted() const;
    // True when x maps only to x and y only to y (scales, flips and translations).
    constexpr bool keepsAxes() const { return b == 0 && c == 0; }
    // The largest factor by which the transform stretches a length.
    double maxScale() const;
    bool isFinite() const;

    friend bool operator==(const AffineTransform&, const AffineTransform&) = default;
};

}  // namespace platform
