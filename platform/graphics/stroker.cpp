#include "platform/graphics/stroker.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace platform::raster {

namespace {

constexpr int kMaxArcSteps = 4096;
constexpr double kSamePoint = 1e-9;

Point operator+(Point p, Point q) { return {p.x + q.x, p.y + q.y}; }
Point operator-(Point p, Point q) { return {p.x - q.x, p.y - q.y}; }
Point operator*(Point p, double k) { return {p.x * k, p.y * k}; }
double cross(Point p, Point q) { return p.x * q.y - p.y * q.x; }
double dot(Point p, Point q) { return p.x * q.x + p.y * q.y; }
Point rotated(Point v, double angle) {
    const double s = std::sin(angle), c = std::cos(angle);
    return {v.x * c - v.y * s, v.x * s + v.y * c};
}

class Stroker {
public:
    Stroker(EdgeList& out, const StrokeStyle& style, const AffineTransform& toDevice, double tolerance)
        : out_(out), style_(style), toDevice_(toDevice), half_(style.width / 2) {
        // The angle one chord of a circle of this radius may span within the tolerance.
        const double ratio = std::clamp(1 - tolerance / half_, -1.0, 1.0);
        arcStep_ = std::max(2 * std::acos(ratio), 2 * std::numbers::pi / kMaxArcSteps);
        arcStep_ = std::min(arcStep_, std::numbers::pi / 4);
    }

    void stroke(const Path::Polyline& line) {
        points_.clear();
        for (Point p : line.points)
            if (points_.empty() || std::hypot(p.x - points_.back().x, p.y - points_.back().y) > kSamePoint)
                points_.push_back(p);
        if (line.closed && points_.size() > 1 &&
            std::hypot(points_.front().x - points_.back().x, points_.front().y - points_.back().y) <= kSamePoint)
            points_.pop_back();
        if (points_.size() == 1) return strokeDot(points_.front());
        line.closed ? strokeClosed() : strokeOpen();
    }

private:
    void strokeOpen() {
        const size_t n = points_.size();
        for (size_t i = 0; i + 1 < n; ++i) segment(points_[i], points_[i + 1]);
        for (size_t i = 1; i + 1 < n; ++i) join(points_[i], direction(i - 1, i), direction(i, i + 1));
        cap(points_.front(), direction(0, 1) * -1);
        cap(points_.back(), direction(n - 2, n - 1));
    }

    void strokeClosed() {
        const size_t n = points_.size();
        for (size_t i = 0; i < n; ++i) {
            const size_t next = (i + 1) % n, prev = (i + n - 1) % n;
            segment(points_[i], points_[next]);
            join(points_[i], direction(prev, i), direction(i, next));
        }
    }

    Point direction(size_t from, size_t to) const {
        const Point v = points_[to] - points_[from];
        return v * (1 / std::hypot(v.x, v.y));
    }
    static Point normal(Point d) { return {-d.y, d.x}; }

    void segment(Point p, Point q) {
        const Point n = normal(direction(p, q)) * half_;
        emit({p + n, q + n, q - n, p - n});
    }
    static Point direction(Point p, Point q) {
        const Point v = q - p;
        return v * (1 / std::hypot(v.x, v.y));
    }

    void join(Point p, Point d0, Point d1) {
        const double turn = cross(d0, d1), along = dot(d0, d1);
        if (std::fabs(turn) < 1e-12 && along > 0) return;  // straight on
        // The outer side is right of the path when it turns left, and left otherwise.
        const double side = turn > 0 ? -1 : 1;
        const Point a = p + normal(d0) * (side * half_), b = p + normal(d1) * (side * half_);
        switch (style_.join) {
        case LineJoin::bevel: return emit({p, a, b});
        case LineJoin::round: return roundJoin(p, a - p, std::acos(std::clamp(along, -1.0, 1.0)), turn > 0 ? 1 : -1);
        case LineJoin::miter: {
            // The miter's length over the line width is 1 / sin(half the inner angle).
            const double halfInner = std::sqrt(std::max(0.0, (1 + along) / 2));
            if (halfInner < 1e-12 || 1 / halfInner > style_.miterLimit) return emit({p, a, b});
            const Point bisector = (a - p) + (b - p);
            const double len = std::hypot(bisector.x, bisector.y);
            return emit({p, a, p + bisector * (half_ / halfInner / len), b});
        }
        }
    }

    void roundJoin(Point p, Point from, double angle, int sense) {
        scratch_.clear();
        scratch_.push_back(p);
        const int steps = std::max(1, int(std::ceil(angle / arcStep_)));
        for (int k = 0; k <= steps; ++k) scratch_.push_back(p + rotated(from, sense * angle * k / steps));
        emitScratch();
    }

    // A cap at p for a line leaving p in direction `out` (pointing away from the line).
    void cap(Point p, Point out) {
        const Point n = normal(out) * half_;
        if (style_.cap == LineCap::square) {
            const Point ext = out * half_;
            return emit({p + n, p + n + ext, p - n + ext, p - n});
        }
        if (style_.cap != LineCap::round) return;
        scratch_.clear();
        const int steps = std::max(2, int(std::ceil(std::numbers::pi / arcStep_)));
        for (int k = 0; k <= steps; ++k) scratch_.push_back(p + rotated(n, -std::numbers::pi * k / steps));
        emitScratch();
    }

    // A subpath that never moves: round caps make a disc, square caps a square.
    void strokeDot(Point p) {
        if (style_.cap == LineCap::square)
            return emit({p + Point{-half_, -half_}, p + Point{half_, -half_}, p + Point{half_, half_},
                         p + Point{-half_, half_}});
        if (style_.cap != LineCap::round) return;
        scratch_.clear();
        const int steps = std::max(8, int(std::ceil(2 * std::numbers::pi / arcStep_)));
        for (int k = 0; k < steps; ++k) scratch_.push_back(p + rotated({half_, 0}, 2 * std::numbers::pi * k / steps));
        emitScratch();
    }

    void emit(std::initializer_list<Point> polygon) {
        scratch_.assign(polygon.begin(), polygon.end());
        emitScratch();
    }

    // Winds the piece counter-clockwise (in user space) and hands it to the edge list.
    void emitScratch() {
        double area = 0;
        for (size_t i = 0, n = scratch_.size(); i < n; ++i) area += cross(scratch_[i], scratch_[(i + 1) % n]);
        if (area < 0) std::reverse(scratch_.begin(), scratch_.end());
        for (Point& p : scratch_) p = toDevice_.apply(p);
        out_.addPolygon(scratch_);
    }

    EdgeList& out_;
    StrokeStyle style_;
    AffineTransform toDevice_;
    double half_;
    double arcStep_;
    std::vector<Point> points_;
    std::vector<Point> scratch_;
};

}  // namespace

void addStroke(EdgeList& out, const std::vector<Path::Polyline>& lines, const StrokeStyle& style,
               const AffineTransform& toDevice, double tolerance) {
    if (!(style.width > 0) || !std::isfinite(style.width)) return;
    Stroker stroker(out, style, toDevice, tolerance);
    for (const Path::Polyline& line : lines) stroker.stroke(line);
}

}  // namespace platform::raster
