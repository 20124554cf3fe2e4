#pragma once

// Points, sizes and rectangles in points, with the semantics window code relies on.
//
// A Rect is an origin and a size. Its size may be negative; every query standardises
// first (minX is the smaller edge), as the window server's rectangles do. Containment
// is half-open: the minimum edges belong to a rectangle, the maximum edges do not.
// The intersection of two rectangles that do not overlap is the null rectangle, which
// has infinite origin and zero size and reports isNull().
//
// Two coordinate spaces meet in this program. Top-left space has its origin at the
// top-left corner of the first screen with y growing downwards; every frame the
// system keeps is in it. AppKit's space has its origin at the bottom-left corner with
// y growing upwards. flipRect and flipPoint convert between the two given the height
// H of the first screen's frame (its maxY); the conversion is its own inverse.

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace platform {

struct Point {
    double x = 0;
    double y = 0;

    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    double width = 0;
    double height = 0;

    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    Point origin;
    Size size;

    constexpr Rect() = default;
    constexpr Rect(Point o, Size s) : origin(o), size(s) {}
    constexpr Rect(double x, double y, double w, double h) : origin{x, y}, size{w, h} {}

    static Rect null();
    static Rect zero() { return {}; }

    double minX() const;
    double minY() const;
    double maxX() const;
    double maxY() const;
    double midX() const;
    double midY() const;
    double width() const { return std::fabs(size.width); }
    double height() const { return std::fabs(size.height); }
    Point mid() const { return {midX(), midY()}; }

    bool isNull() const;
    // Null, or with a zero width or height.
    bool isEmpty() const;
    // Every coordinate is a finite number (the null rectangle is not finite).
    bool isFinite() const;

    Rect standardized() const;
    // Half-open: [minX, maxX) × [minY, maxY). Nothing is contained in a null rectangle.
    bool contains(Point p) const;
    bool contains(const Rect& r) const;
    bool intersects(const Rect& r) const;
    // The overlap, or the null rectangle when there is none (touching edges do not overlap).
    Rect intersection(const Rect& r) const;
    // The smallest rectangle holding both; a null operand is ignored.
    Rect united(const Rect& r) const;
    // Shrunk by dx on the left and right and dy on the top and bottom (negative grows).
    // A result with negative width or height is the null rectangle.
    Rect insetBy(double dx, double dy) const;
    Rect offsetBy(double dx, double dy) const;
    // The smallest rectangle with integral edges that holds this one.
    Rect integral() const;
    // width × height of the standardised rectangle; 0 for the null rectangle.
    double area() const;

    friend bool operator==(const Rect&, const Rect&) = default;
};

// Converts between top-left and AppKit (bottom-left) coordinates for a first screen
// whose frame has maxY = h: (minX, h − maxY, width, height).
Rect flipRect(const Rect& r, double h);
Point flipPoint(Point p, double h);

// Swift's `.rounded()`: halfway cases away from zero.
inline double rounded(double x) { return std::round(x); }

// Swift's `Int(x)` truncates towards zero but traps on NaN and out-of-range values.
// This one saturates instead: NaN gives 0, values beyond the range give its ends.
int64_t truncatingInt(double x);
int32_t truncatingInt32(double x);

std::string describe(const Rect& r);
std::string describe(Point p);

}  // namespace platform
