#include "platform/graphics/path.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

// The distance of a cubic's control points from a quarter circle's ends, per unit radius,
// that makes the curve's midpoint lie on the circle.
constexpr double kKappa = 0.5522847498307936;
constexpr int kMaxSegmentsPerCurve = 1000;

Point quadAt(Point p0, Point p1, Point p2, double t) {
    const double u = 1 - t;
    return {u * u * p0.x + 2 * u * t * p1.x + t * t * p2.x,
            u * u * p0.y + 2 * u * t * p1.y + t * t * p2.y};
}

Point cubicAt(Point p0, Point p1, Point p2, Point p3, double t) {
    const double u = 1 - t;
    const double w0 = u * u * u, w1 = 3 * u * u * t, w2 = 3 * u * t * t, w3 = t * t * t;
    return {w0 * p0.x + w1 * p1.x + w2 * p2.x + w3 * p3.x,
            w0 * p0.y + w1 * p1.y + w2 * p2.y + w3 * p3.y};
}

double secondDifference(Point p, Point q, Point r) {
    return std::hypot(p.x - 2 * q.x + r.x, p.y - 2 * q.y + r.y);
}

// Wang's bound: this many uniform steps keep a Bézier curve of the given degree within
// `tolerance` of its chords.
int segmentsFor(double maxSecondDifference, double degreeFactor, double tolerance) {
    const double n = std::ceil(std::sqrt(degreeFactor * maxSecondDifference / tolerance));
    if (!std::isfinite(n) || n < 1) return 1;
    return int(std::min<double>(n, kMaxSegmentsPerCurve));
}

void includeExtremes(double p0, double p1, double p2, double p3, bool cubic,
                     std::vector<double>& ts) {
    if (!cubic) {
        const double denom = p0 - 2 * p1 + p2;
        if (denom != 0) ts.push_back((p0 - p1) / denom);
        return;
    }
    // The derivative's roots: a·t² + b·t + c = 0.
    const double a = p3 - 3 * p2 + 3 * p1 - p0;
    const double b = 2 * (p2 - 2 * p1 + p0);
    const double c = p1 - p0;
    if (std::fabs(a) < 1e-12) {
        if (b != 0) ts.push_back(-c / b);
        return;
    }
    const double disc = b * b - 4 * a * c;
    if (disc < 0) return;
    const double root = std::sqrt(disc);
    ts.push_back((-b + root) / (2 * a));
    ts.push_back((-b - root) / (2 * a));
}

struct BoundsAccumulator {
    double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
    void add(Point p) {
        x0 = std::min(x0, p.x), y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x), y1 = std::max(y1, p.y);
    }
    Rect rect() const { return x0 > x1 ? Rect::null() : Rect(x0, y0, x1 - x0, y1 - y0); }
};

}  // namespace

Path Path::rect(const Rect& r) {
    Path p;
    p.addRect(r);
    return p;
}

Path Path::roundedRect(const Rect& r, double cornerWidth, double cornerHeight) {
    Path p;
    p.addRoundedRect(r, cornerWidth, cornerHeight);
    return p;
}

Path Path::ellipse(const Rect& r) {
    Path p;
    p.addEllipse(r);
    return p;
}

void Path::ensureSubpath(Point fallback) {
    if (!needsMove_) return;
    moveTo(hasCurrentPoint_ ? subpathStart_ : fallback);
}

void Path::moveTo(Point p) {
    if (!verbs_.empty() && verbs_.back() == Verb::move) {
        points_.back() = p;  // a move that starts nothing is forgotten
    } else {
        verbs_.push_back(Verb::move);
        points_.push_back(p);
    }
    subpathStart_ = p;
    hasCurrentPoint_ = true;
    needsMove_ = false;
}

void Path::lineTo(Point p) {
    ensureSubpath(p);
    verbs_.push_back(Verb::line);
    points_.push_back(p);
}

void Path::quadTo(Point control, Point p) {
    ensureSubpath(control);
    verbs_.push_back(Verb::quad);
    points_.push_back(control);
    points_.push_back(p);
}

void Path::curveTo(Point control1, Point control2, Point p) {
    ensureSubpath(control1);
    verbs_.push_back(Verb::cubic);
    points_.push_back(control1);
    points_.push_back(control2);
    points_.push_back(p);
}

void Path::closeSubpath() {
    if (needsMove_ || verbs_.empty() || verbs_.back() == Verb::close) return;
    verbs_.push_back(Verb::close);
    needsMove_ = true;
}

void Path::addRect(const Rect& r) {
    if (r.isNull()) return;
    moveTo({r.minX(), r.minY()});
    lineTo({r.maxX(), r.minY()});
    lineTo({r.maxX(), r.maxY()});
    lineTo({r.minX(), r.maxY()});
    closeSubpath();
}

void Path::addRoundedRect(const Rect& r, double cornerWidth, double cornerHeight) {
    if (r.isNull()) return;
    const double rx = std::isnan(cornerWidth) ? 0 : std::clamp(cornerWidth, 0.0, r.width() / 2);
    const double ry = std::isnan(cornerHeight) ? 0 : std::clamp(cornerHeight, 0.0, r.height() / 2);
    if (rx == 0 || ry == 0) return addRect(r);
    const double x0 = r.minX(), y0 = r.minY(), x1 = r.maxX(), y1 = r.maxY();
    const double kx = rx * kKappa, ky = ry * kKappa;
    moveTo({x0 + rx, y0});
    lineTo({x1 - rx, y0});
    curveTo({x1 - rx + kx, y0}, {x1, y0 + ry - ky}, {x1, y0 + ry});
    lineTo({x1, y1 - ry});
    curveTo({x1, y1 - ry + ky}, {x1 - rx + kx, y1}, {x1 - rx, y1});
    lineTo({x0 + rx, y1});
    curveTo({x0 + rx - kx, y1}, {x0, y1 - ry + ky}, {x0, y1 - ry});
    lineTo({x0, y0 + ry});
    curveTo({x0, y0 + ry - ky}, {x0 + rx - kx, y0}, {x0 + rx, y0});
    closeSubpath();
}

void Path::addEllipse(const Rect& r) {
    if (r.isNull()) return;
    const double cx = r.midX(), cy = r.midY(), rx = r.width() / 2, ry = r.height() / 2;
    const double kx = rx * kKappa, ky = ry * kKappa;
    moveTo({cx + rx, cy});
    curveTo({cx + rx, cy + ky}, {cx + kx, cy + ry}, {cx, cy + ry});
    curveTo({cx - kx, cy + ry}, {cx - rx, cy + ky}, {cx - rx, cy});
    curveTo({cx - rx, cy - ky}, {cx - kx, cy - ry}, {cx, cy - ry});
    curveTo({cx + kx, cy - ry}, {cx + rx, cy - ky}, {cx + rx, cy});
    closeSubpath();
}

void Path::addPath(const Path& other, const AffineTransform& t) {
    size_t i = 0;
    for (Verb v : other.verbs_) {
        const auto at = [&](size_t k) { return t.apply(other.points_[i + k]); };
        switch (v) {
        case Verb::move: moveTo(at(0)); i += 1; break;
        case Verb::line: lineTo(at(0)); i += 1; break;
        case Verb::quad: quadTo(at(0), at(1)); i += 2; break;
        case Verb::cubic: curveTo(at(0), at(1), at(2)); i += 3; break;
        case Verb::close: closeSubpath(); break;
        }
    }
}

std::optional<Point> Path::currentPoint() const {
    if (!hasCurrentPoint_) return std::nullopt;
    if (needsMove_) return subpathStart_;
    return points_.back();
}

Rect Path::boundingBox() const {
    BoundsAccumulator box;
    size_t i = 0;
    Point last;
    std::vector<double> ts;
    for (Verb v : verbs_) {
        if (v == Verb::move || v == Verb::line) {
            last = points_[i++];
            box.add(last);
        } else if (v == Verb::quad || v == Verb::cubic) {
            const bool cubic = v == Verb::cubic;
            const Point p1 = points_[i], p2 = points_[i + 1];
            const Point p3 = cubic ? points_[i + 2] : p2;
            ts.clear();
            includeExtremes(last.x, p1.x, p2.x, p3.x, cubic, ts);
            includeExtremes(last.y, p1.y, p2.y, p3.y, cubic, ts);
            for (double t : ts)
                if (t > 0 && t < 1) box.add(cubic ? cubicAt(last, p1, p2, p3, t) : quadAt(last, p1, p2, t));
            last = cubic ? p3 : p2;
            box.add(last);
            i += cubic ? 3 : 2;
        }
    }
    return box.rect();
}

bool Path::isFinite() const {
    return std::all_of(points_.begin(), points_.end(),
                       [](Point p) { return std::isfinite(p.x) && std::isfinite(p.y); });
}

Path Path::transformed(const AffineTransform& t) const {
    Path out;
    out.addPath(*this, t);
    return out;
}

std::vector<Path::Polyline> Path::flattened(const AffineTransform& t, double tolerance) const {
    std::vector<Polyline> lines;
    Polyline current;
    bool hasSegment = false;
    const auto finish = [&](bool closed) {
        if (hasSegment && !current.points.empty()) {
            current.closed = closed;
            if (closed && current.points.size() > 1 && current.points.back() == current.points.front())
                current.points.pop_back();
            lines.push_back(std::move(current));
        }
        current = Polyline{};
        hasSegment = false;
    };
    size_t i = 0;
    Point last;
    for (Verb v : verbs_) {
        switch (v) {
        case Verb::move:
            finish(false);
            last = t.apply(points_[i++]);
            current.points.push_back(last);
            break;
        case Verb::line:
            last = t.apply(points_[i++]);
            current.points.push_back(last);
            hasSegment = true;
            break;
        case Verb::quad: {
            const Point p1 = t.apply(points_[i]), p2 = t.apply(points_[i + 1]);
            const int n = segmentsFor(secondDifference(last, p1, p2), 0.25, tolerance);
            for (int k = 1; k < n; ++k) current.points.push_back(quadAt(last, p1, p2, double(k) / n));
            current.points.push_back(p2);
            last = p2;
            i += 2;
            hasSegment = true;
            break;
        }
        case Verb::cubic: {
            const Point p1 = t.apply(points_[i]), p2 = t.apply(points_[i + 1]), p3 = t.apply(points_[i + 2]);
            const double dd = std::max(secondDifference(last, p1, p2), secondDifference(p1, p2, p3));
            const int n = segmentsFor(dd, 0.75, tolerance);
            for (int k = 1; k < n; ++k) current.points.push_back(cubicAt(last, p1, p2, p3, double(k) / n));
            current.points.push_back(p3);
            last = p3;
            i += 3;
            hasSegment = true;
            break;
        }
        case Verb::close: {
            const Point start = current.points.empty() ? last : current.points.front();
            finish(true);
            last = start;
            break;
        }
        }
    }
    finish(false);
    return lines;
}

}  // namespace platform
