#pragma once

// The 8-bit plane filters of the ink analysis: minimum and maximum over a small window,
// and a box mean over a large one. They produce their output one row at a time, so that
// the analysis keeps a few rows instead of whole planes, and each costs a constant number
// of operations per texel whatever the window size (sliding windows and running sums):
// the analysis stays linear in the texels of the picture.
//
// A plane is width × height bytes, row-major, row 0 at the top; width and height at
// least 1. The plane must outlive the filter reading it.

#include <cstdint>
#include <vector>

namespace furlpane::effects::ink_filters {

using Plane = std::vector<std::uint8_t>;

inline constexpr int kExtremeWidth = 9;
inline constexpr int kExtremeHeight = 3;
inline constexpr int kBoxWidth = 63;
inline constexpr int kBoxHeight = 31;

enum class Extreme { minimum, maximum };

// The minimum or maximum over the window 9 texels wide and 3 high centred on each texel.
// Texels outside the plane take no part: at the edges the window is simply smaller.
class WindowExtremes {
public:
    WindowExtremes(const Plane& plane, int width, int height, Extreme extreme);
    // Row y of the result, valid until the next call.
    const std::uint8_t* row(int y);

private:
    const Plane& plane_;
    int width_;
    int height_;
    Extreme extreme_;
    std::vector<std::uint8_t> padded_;  // the rows' extreme, 4 neutral values each side
    std::vector<std::uint8_t> threes_;
    std::vector<std::uint8_t> out_;
};

// The mean over the window 63 texels wide and 31 high centred on each texel, rounded to
// the nearest integer; outside the plane each texel is a copy of the nearest edge texel.
// Rows must be asked for in order, from 0.
class BoxMean {
public:
    BoxMean(const Plane& plane, int width, int height);
    const std::uint8_t* next();

private:
    void addRow(int y, int sign);

    const Plane& plane_;
    int width_;
    int height_;
    int y_ = 0;
    std::vector<std::uint32_t> columns_;  // sums down the columns of the 31 rows around y
    std::vector<std::uint32_t> prefix_;   // running sums along the row, edges extended
    std::vector<std::uint8_t> out_;
};

// Whole planes, for callers that want them (and for tests).
Plane windowMinimum(const Plane& in, int width, int height);
Plane windowMaximum(const Plane& in, int width, int height);
Plane boxMean(const Plane& in, int width, int height);

}  // namespace furlpane::effects::ink_filters
