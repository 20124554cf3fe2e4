#include "platform/graphics/affine_transform.h"

#include <algorithm>

namespace platform {

std::optional<AffineTransform> AffineTransform::inverted() const {
    const double det = determinant();
    if (det == 0 || !std::isfinite(det) || !isFinite()) return std::nullopt;
    const double ia = d / det, ib = -b / det, ic = -c / det, id = a / det;
    return AffineTransform{ia, ib, ic, id, -(tx * ia + ty * ic), -(tx * ib + ty * id)};
}

double AffineTransform::maxScale() const {
    // The largest singular value of the linear part.
    const double p = a * a + b * b, q = c * c + d * d, r = a * c + b * d;
    const double mean = (p + q) / 2;
    const double spread = std::sqrt(std::max(0.0, (p - q) * (p - q) / 4 + r * r));
    return std::sqrt(mean + spread);
}

bool AffineTransform::isFinite() const {
    return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d) &&
           std::isfinite(tx) && std::isfinite(ty);
}

}  // namespace platform
