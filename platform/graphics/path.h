#pragma once

// Two-dimensional paths: subpaths of lines and quadratic and cubic Bézier curves, open
// or closed, with the usual shapes (rectangles, rounded rectangles, ellipses).
//
// A drawing call (BitmapContext::fillPath, strokePath) interprets the path in the
// context's user space. Building follows the familiar rules: a line or curve with no
// current point starts a subpath at its first point as if moved there; after
// closeSubpath the current point is the start of the closed subpath, and drawing on
// from there begins a new subpath at that point.

#include <optional>
#include <vector>

#include "platform/geometry/geometry.h"
#include "platform/graphics/affine_transform.h"

namespace platform {

// Which points a filled path covers: those with a winding number other than zero, or
// those with an odd one.
enum class FillRule { nonZero, evenOdd };

// How a stroke turns at the corners between segments (miter falls back to bevel beyond
// the miter limit) and how it ends at the ends of open subpaths.
enum class LineJoin { miter, round, bevel };
enum class LineCap { butt, round, square };

class Path {
public:
    enum class Verb { move, line, quad, cubic, close };

    // A path flattened into straight segments.
    struct Polyline {
        std::vector<Point> points;
        bool closed = false;
    };

    static Path rect(const Rect& r);
    static Path roundedRect(const Rect& r, double cornerWidth, double cornerHeight);
    static Path ellipse(const Rect& r);

    void moveTo(Point p);
    void lineTo(Point p);
    void quadTo(Point control, Point p);
    void curveTo(Point control1, Point control2, Point p);
    void closeSubpath();

    // A closed rectangle, counter-clockwise when y grows upwards, starting at its origin.
    void addRect(const Rect& r);
    // A closed rectangle with elliptical corners of the given radii, each clamped to
    // 0...half the rectangle's side; zero radii give a plain rectangle.
    void addRoundedRect(const Rect& r, double cornerWidth, double cornerHeight);
    // The ellipse inscribed in the rectangle, as four cubic curves.
    void addEllipse(const Rect& r);
    void addPath(const Path& other, const AffineTransform& t = AffineTransform::identity());

    bool isEmpty() const { return verbs_.empty(); }
    std::optional<Point> currentPoint() const;
    // The smallest rectangle holding every point of the path, curves' extremes included
    // (not just their control points); the null rectangle for an empty path.
    Rect boundingBox() const;
    // False when any point is infinite or NaN.
    bool isFinite() const;

    Path transformed(const AffineTransform& t) const;
    // The path mapped by t, with curves replaced by segments that stray at most
    // `tolerance` from them (in the mapped space). Closed subpaths do not repeat their
    // first point at the end. Subpaths of a single point are kept (a stroke may draw a dot).
    std::vector<Polyline> flattened(const AffineTransform& t, double tolerance) const;

    const std::vector<Verb>& verbs() const { return verbs_; }
    const std::vector<Point>& points() const { return points_; }

private:
    void ensureSubpath(Point fallback);

    std::vector<Verb> verbs_;
    std::vector<Point> points_;
    Point subpathStart_;
    bool hasCurrentPoint_ = false;
    bool needsMove_ = true;
};

}  // namespace platform
