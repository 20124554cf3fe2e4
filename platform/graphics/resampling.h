#pragma once

// Resampling plans for drawing an image along one axis.
//
// An image of n pixels drawn over the device interval [d0, d1) is resampled per output
// pixel. When the image is not enlarged (d1 − d0 ≤ n) an output pixel averages the
// source pixels its footprint covers, each weighted by the length it covers (a box
// filter, which is what area-averaging downscaling means); when it is enlarged, the
// output pixel interpolates linearly between the two source pixel centres around its
// own centre, holding the edge pixels beyond the outermost centres. A pixel-aligned 1:1
// plan has single taps of weight 1, so copying is exact.
//
// Output pixels only partly inside [d0, d1) get the covered fraction as their coverage,
// which anti-aliases the image's edges.

#include <vector>

namespace platform::raster {

struct AxisPlan {
    // Output pixels [first, end).
    int first = 0;
    int end = 0;
    // Taps of output pixel first + i: indices tapStart[i] ... tapStart[i + 1] − 1.
    std::vector<int> tapStart;
    std::vector<int> source;
    std::vector<float> weight;
    std::vector<float> coverage;
    // The most taps any output pixel has.
    int maxTaps = 0;

    bool isEmpty() const { return end <= first; }
};

// `reversed` mirrors the image along the axis (its first pixel lies at d1). Output is
// limited to the pixels [clipFirst, clipEnd).
AxisPlan planAxis(int sourceLength, double d0, double d1, bool reversed, int clipFirst, int clipEnd);

}  // namespace platform::raster
