#pragma once

// Which samples of an 8 × 8 block of pixels lie inside a triangle, found a row of eight
// pixels at a time: the edge functions at the block's first samples, stepped down the
// rows and offset along them. Only the edges that cut through the block are tested (it
// lies inside the others). Where the values of those edges over the block fit 32 bits
// (edges shorter than about 4096 pixels), they are stepped in 32-bit lanes that wrap:
// every value the test looks at is the exact edge function, so the result is the same as
// stepping in 64 bits, the way taken elsewhere. Either way a sample is inside when no
// edge function is negative, the fill rule's test. Internal to the GPU layer.

#include "platform/gpu/raster.h"

#include <cstdint>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform::gpu {

inline constexpr int kCoverageBlock = 8;

// The edges of a triangle that cut through a closed rectangle of pixels.
struct CuttingEdges {
    bool outside = false;  // some edge leaves the whole rectangle outside
    int count = 0;         // edges with samples on both sides; none: the rectangle lies inside
    int edge[3] = {};
    bool fits32 = true;  // the values of those edges over the rectangle fit 32 bits
};

inline constexpr CuttingEdges kEveryEdge{false, 3, {0, 1, 2}, true};

// Conservative: over the closed rectangle [x0, x1] × [y0, y1] (pixels). Only the edges
// of candidates are looked at: those cutting a rectangle that holds this one (the
// rectangle lies inside the others).
inline CuttingEdges cuttingEdges(const Triangle& t, int x0, int y0, int x1, int y1,
                                 const CuttingEdges& candidates = kEveryEdge) {
    const std::int64_t X0 = std::int64_t(x0) * kSubpixels, X1 = std::int64_t(x1) * kSubpixels;
    const std::int64_t Y0 = std::int64_t(y0) * kSubpixels, Y1 = std::int64_t(y1) * kSubpixels;
    CuttingEdges out;
    for (int i = 0; i < candidates.count; ++i) {
        const int e = candidates.edge[i];
        const std::int64_t hi = t.c[e] + t.a[e] * (t.a[e] > 0 ? X1 : X0) + t.b[e] * (t.b[e] > 0 ? Y1 : Y0);
        if (hi < 0) {
            out.outside = true;
            return out;
        }
        const std::int64_t lo = t.c[e] + t.a[e] * (t.a[e] > 0 ? X0 : X1) + t.b[e] * (t.b[e] > 0 ? Y0 : Y1);
        if (lo >= 0) continue;
        out.edge[out.count++] = e;
        out.fits32 = out.fits32 && lo >= std::numeric_limits<std::int32_t>::min() &&
                     hi <= std::numeric_limits<std::int32_t>::max();
    }
    return out;
}

// The samples of a block a triangle covers: bit 8·row + column of sample[s] is sample s
// of the pixel at that row and column of the block.
struct BlockCoverage {
    std::uint64_t sample[4] = {};
    bool uniform = false;  // every sample's mask is sample[0]: the block lies inside the triangle
};

namespace coverage_detail {

// The top bits of eight lanes, lane k at bit k.
template <class V>
inline unsigned signBits(const V& v) {
    constexpr int top = int(sizeof(v[0])) * 8 - 1;
    unsigned bits = 0;
    for (int k = 0; k < kCoverageBlock; ++k) bits |= unsigned(v[k] >> top) << k;
    return bits;
}

#if defined(__SSE2__)
typedef std::uint32_t U32x8 __attribute__((vector_size(32)));
typedef std::uint32_t U32x4 __attribute__((vector_size(16)));

inline unsigned signBits(const U32x8& v) {
    const U32x4 lo = __builtin_shufflevector(v, v, 0, 1, 2, 3), hi = __builtin_shufflevector(v, v, 4, 5, 6, 7);
    return unsigned(_mm_movemask_ps(__m128(lo))) | unsigned(_mm_movemask_ps(__m128(hi))) << 4;
}
#endif

}  // namespace coverage_detail

// Rows row0 ... row1 - 1 and columns col0 ... col1 - 1 of the block whose top-left pixel
// is (bx, by), for the sample positions (sampleX[s], sampleY[s]) in subpixels. Lanes is
// std::uint32_t when edges.fits32 holds for that rectangle, else std::uint64_t; the
// arithmetic wraps, and the test reads the sign of the exact values.
template <class Lane>
inline BlockCoverage blockCoverage(const Triangle& t, const CuttingEdges& edges, int bx, int by, int row0, int row1,
                                   int col0, int col1, int samples, const int* sampleX, const int* sampleY) {
    typedef Lane Lanes __attribute__((vector_size(kCoverageBlock * sizeof(Lane))));
    const int n = edges.count;
    const std::uint64_t columns = ((std::uint64_t(1) << col1) - 1) & ~((std::uint64_t(1) << col0) - 1);
    const std::uint64_t inRect = columns * 0x0101010101010101ull;
    BlockCoverage out;
    if (n == 0) {  // inside every edge
        const std::uint64_t rows = (row1 == kCoverageBlock ? ~std::uint64_t(0) : (std::uint64_t(1) << (8 * row1)) - 1) &
                                   ~((std::uint64_t(1) << (8 * row0)) - 1);
        for (int s = 0; s < samples; ++s) out.sample[s] = inRect & rows;
        out.uniform = true;
        return out;
    }
    Lanes along[3] = {};  // a·(column step) per lane
    Lane down[3] = {};    // b·(row step)
    for (int i = 0; i < n; ++i) {
        const int e = edges.edge[i];
        for (int k = 0; k < kCoverageBlock; ++k) along[i][k] = Lane(t.a[e] * (std::int64_t(k) * kSubpixels));
        down[i] = Lane(t.b[e] * kSubpixels);
    }
    const std::int64_t X = std::int64_t(bx) * kSubpixels, Y = std::int64_t(by + row0) * kSubpixels;
    for (int s = 0; s < samples; ++s) {
        Lane value[3] = {};  // the edge functions at the current row's first sample
        for (int i = 0; i < n; ++i) {
            const int e = edges.edge[i];
            value[i] = Lane(t.a[e] * (X + sampleX[s]) + t.b[e] * (Y + sampleY[s]) + t.c[e]);
        }
        std::uint64_t mask = 0;
        for (int row = row0; row < row1; ++row) {
            Lanes outside = {};
            for (int i = 0; i < n; ++i) {
                outside |= value[i] + along[i];
                value[i] += down[i];
            }
            mask |= std::uint64_t(~coverage_detail::signBits(outside) & 0xffu) << (kCoverageBlock * row);
        }
        out.sample[s] = mask & inRect;
    }
    return out;
}

// The quads of a block with at least one sample inside, each at the bit of its top-left
// pixel (even rows and columns), in the order of the block's rows.
inline std::uint64_t quadsWithSamples(const BlockCoverage& c, int samples) {
    std::uint64_t any = 0;
    for (int s = 0; s < samples; ++s) any |= c.sample[s];
    any |= any >> 1;
    any |= any >> kCoverageBlock;
    return any & 0x0055005500550055ull;
}

// The pixels of a span (shader.h) with one sample per pixel, from the block's mask, in
// the order of the target: bits 0-3 the top row of the quad whose top-left pixel is at
// bit and of its right neighbour, bits 4-7 their bottom row; the neighbour's only where
// pair holds.
inline unsigned spanRows(std::uint64_t sample, int bit, bool pair) {
    const unsigned top = unsigned(sample >> bit) & 15u, bottom = unsigned(sample >> (bit + kCoverageBlock)) & 15u;
    return (top | bottom << 4) & (pair ? 0xFFu : 0x33u);
}

// The samples of each lane of the quad whose top-left pixel is at bit of the block's
// masks (lanes (x, y), (x+1, y), (x, y+1), (x+1, y+1)); false when it has none.
inline bool quadCoverage(const BlockCoverage& c, int bit, int samples, unsigned cov[4]) {
    auto lanes = [&](std::uint64_t m) { return unsigned((m >> bit) & 3) | unsigned((m >> (bit + 8)) & 3) << 2; };
    static constexpr unsigned kLaneBits[16][4] = {
        {0, 0, 0, 0}, {1, 0, 0, 0}, {0, 1, 0, 0}, {1, 1, 0, 0}, {0, 0, 1, 0}, {1, 0, 1, 0}, {0, 1, 1, 0}, {1, 1, 1, 0},
        {0, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}, {1, 1, 0, 1}, {0, 0, 1, 1}, {1, 0, 1, 1}, {0, 1, 1, 1}, {1, 1, 1, 1}};
    if (samples == 1) {
        const unsigned q = lanes(c.sample[0]);
        std::memcpy(cov, kLaneBits[q], sizeof kLaneBits[q]);
        return q != 0;
    }
    if (c.uniform) {  // a lane has all of its samples or none
        const unsigned q = lanes(c.sample[0]), all = (1u << samples) - 1;
        for (int i = 0; i < 4; ++i) cov[i] = kLaneBits[q][i] * all;
        return q != 0;
    }
    // Lane i's bit of sample s to bit 4·i + s.
    static constexpr std::uint16_t kSpread[16] = {0x0000, 0x0001, 0x0010, 0x0011, 0x0100, 0x0101, 0x0110, 0x0111,
                                                  0x1000, 0x1001, 0x1010, 0x1011, 0x1100, 0x1101, 0x1110, 0x1111};
    unsigned all = 0;
    for (int s = 0; s < samples; ++s) all |= unsigned(kSpread[lanes(c.sample[s])]) << s;
    for (int i = 0; i < 4; ++i) cov[i] = (all >> (4 * i)) & 15;
    return all != 0;
}

}  // namespace platform::gpu
