#include "platform/geometry/geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace platform {

namespace {
constexpr double kInf = std::numeric_limits<double>::infinity();
}

Rect Rect::null() { return Rect(kInf, kInf, 0, 0); }

bool Rect::isNull() const { return std::isinf(origin.x) || std::isinf(origin.y); }

bool Rect::isEmpty() const { return isNull() || size.width == 0 || size.height == 0; }

bool Rect::isFinite() const {
    return std::isfinite(origin.x) && std::isfinite(origin.y) && std::isfinite(size.width) &&
           std::isfinite(size.height);
}

double Rect::minX() const { return size.width < 0 ? origin.x + size.width : origin.x; }
double Rect::minY() const { return size.height < 0 ? origin.y + size.height : origin.y; }
double Rect::maxX() const { return minX() + width(); }
double Rect::maxY() const { return minY() + height(); }
double Rect::midX() const { return minX() + width() / 2; }
double Rect::midY() const { return minY() + height() / 2; }

Rect Rect::standardized() const {
    if (isNull()) return null();
    return Rect(minX(), minY(), width(), height());
}

bool Rect::contains(Point p) const {
    if (isNull()) return false;
    return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
}

bool Rect::contains(const Rect& r) const {
    if (isNull() || r.isNull()) return false;
    return r.minX() >= minX() && r.maxX() <= maxX() && r.minY() >= minY() && r.maxY() <= maxY();
}

bool Rect::intersects(const Rect& r) const { return !intersection(r).isNull(); }

Rect Rect::intersection(const Rect& r) const {
    if (isNull() || r.isNull()) return null();
    const double x0 = std::max(minX(), r.minX());
    const double y0 = std::max(minY(), r.minY());
    const double x1 = std::min(maxX(), r.maxX());
    const double y1 = std::min(maxY(), r.maxY());
    if (!(x1 > x0) || !(y1 > y0)) return null();
    return Rect(x0, y0, x1 - x0, y1 - y0);
}

Rect Rect::united(const Rect& r) const {
    if (isNull()) return r.standardized();
    if (r.isNull()) return standardized();
    const double x0 = std::min(minX(), r.minX());
    const double y0 = std::min(minY(), r.minY());
    return Rect(x0, y0, std::max(maxX(), r.maxX()) - x0, std::max(maxY(), r.maxY()) - y0);
}

Rect Rect::insetBy(double dx, double dy) const {
    if (isNull()) return null();
    const double w = width() - 2 * dx;
    const double h = height() - 2 * dy;
    if (w < 0 || h < 0) return null();
    return Rect(minX() + dx, minY() + dy, w, h);
}

Rect Rect::offsetBy(double dx, double dy) const {
    if (isNull()) return null();
    return Rect(origin.x + dx, origin.y + dy, size.width, size.height);
}

Rect Rect::integral() const {
    if (isNull()) return null();
    const double x0 = std::floor(minX());
    const double y0 = std::floor(minY());
    return Rect(x0, y0, std::ceil(maxX()) - x0, std::ceil(maxY()) - y0);
}

double Rect::area() const { return isNull() ? 0 : width() * height(); }

Rect flipRect(const Rect& r, double h) {
    if (r.isNull()) return Rect::null();
    return Rect(r.minX(), h - r.maxY(), r.width(), r.height());
}

Point flipPoint(Point p, double h) { return {p.x, h - p.y}; }

int64_t truncatingInt(double x) {
    if (std::isnan(x)) return 0;
    // 2^63 is exactly representable; anything at or beyond it saturates.
    constexpr double kLimit = 9223372036854775808.0;
    if (x >= kLimit) return std::numeric_limits<int64_t>::max();
    if (x < -kLimit) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(x);
}

int32_t truncatingInt32(double x) {
    if (std::isnan(x)) return 0;
    if (x >= 2147483648.0) return std::numeric_limits<int32_t>::max();
    if (x <= -2147483649.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(x);
}

std::string describe(Point p) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "(%g, %g)", p.x, p.y);
    return buf;
}

std::string describe(const Rect& r) {
    if (r.isNull()) return "null";
    char buf[128];
    std::snprintf(buf, sizeof buf, "(%g, %g, %g, %g)", r.origin.x, r.origin.y, r.size.width,
                  r.size.height);
    return buf;
}

}  // namespace platform
