#pragma once

// The 8-bit plane filters of the ink analysis: minimum and maximum over a small window,
// and a box mean over a large one. Each costs a constant number of operations per texel
// whatever the window size (sliding windows and running sums), so the analysis stays
// linear in the texels of the picture.
//
// A plane is width × height bytes, row-major, row 0 at the top; width and height at
// least 1.

#include <cstdint>
#include <vector>

namespace furlpane::effects::ink_filters {

using Plane = std::vector<std::uint8_t>;

// Minimum (and maximum) over the window 9 texels wide and 3 high centred on each texel.
// Texels outside the plane take no part: at the edges the window is simply smaller.
Plane windowMinimum(const Plane& in, int width, int height);
Plane windowMaximum(const Plane& in, int width, int height);

// Mean over the window 63 texels wide and 31 high centred on each texel, rounded to the
// nearest integer; outside the plane each texel is a copy of the nearest edge texel.
Plane boxMean(const Plane& in, int width, int height);

inline constexpr int kExtremeWidth = 9;
inline constexpr int kExtremeHeight = 3;
inline constexpr int kBoxWidth = 63;
inline constexpr int kBoxHeight = 31;

}  // namespace furlpane::effects::ink_filters
