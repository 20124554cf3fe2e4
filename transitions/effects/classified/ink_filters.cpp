#include "transitions/effects/classified/ink_filters.h"

#include <algorithm>

namespace furlpane::effects::ink_filters {
namespace {

// One pass of a 9-wide extreme along each row. The row is padded with 4 neutral values
// (255 for a minimum, 0 for a maximum) on each side, so absent texels never win; the
// 9-wide extreme is then the extreme of three 3-wide extremes 3 apart: four comparisons
// per texel.
template <class Pick>
Plane rowExtremes(const Plane& in, int width, int height, std::uint8_t neutral, Pick pick) {
    constexpr int kHalf = kExtremeWidth / 2;
    Plane out(in.size());
    std::vector<std::uint8_t> padded(static_cast<std::size_t>(width + 2 * kHalf), neutral);
    std::vector<std::uint8_t> threes(padded.size(), neutral);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = in.data() + static_cast<std::size_t>(y) * width;
        std::copy(row, row + width, padded.begin() + kHalf);
        for (std::size_t i = 1; i + 1 < padded.size(); ++i)
            threes[i] = pick(pick(padded[i - 1], padded[i]), padded[i + 1]);
        std::uint8_t* target = out.data() + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            const std::size_t i = static_cast<std::size_t>(x);
            target[x] = pick(pick(threes[i + 1], threes[i + 4]), threes[i + 7]);
        }
    }
    return out;
}

// The 3-high extreme down each column of the row extremes; rows outside take no part.
template <class Pick>
Plane columnExtremes(const Plane& rows, int width, int height, Pick pick) {
    Plane out(rows.size());
    const std::size_t w = static_cast<std::size_t>(width);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* mid = rows.data() + y * w;
        const std::uint8_t* up = y > 0 ? mid - w : mid;
        const std::uint8_t* down = y + 1 < height ? mid + w : mid;
        std::uint8_t* target = out.data() + y * w;
        for (std::size_t x = 0; x < w; ++x) target[x] = pick(pick(up[x], mid[x]), down[x]);
    }
    return out;
}

std::uint8_t smaller(std::uint8_t a, std::uint8_t b) { return b < a ? b : a; }
std::uint8_t larger(std::uint8_t a, std::uint8_t b) { return a < b ? b : a; }

int clampIndex(int i, int count) { return std::clamp(i, 0, count - 1); }

// Sums over the 63-wide window of each row, edges extended; at most 63 × 255.
std::vector<std::uint16_t> rowSums(const Plane& in, int width, int height) {
    constexpr int kHalf = kBoxWidth / 2;
    std::vector<std::uint16_t> sums(in.size());
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = in.data() + static_cast<std::size_t>(y) * width;
        std::uint16_t* target = sums.data() + static_cast<std::size_t>(y) * width;
        unsigned sum = 0;
        for (int d = -kHalf; d <= kHalf; ++d) sum += row[clampIndex(d, width)];
        for (int x = 0; x < width; ++x) {
            target[x] = static_cast<std::uint16_t>(sum);
            sum += row[clampIndex(x + kHalf + 1, width)];
            sum -= row[clampIndex(x - kHalf, width)];
        }
    }
    return sums;
}

}  // namespace

Plane windowMinimum(const Plane& in, int width, int height) {
    return columnExtremes(rowExtremes(in, width, height, 255, smaller), width, height, smaller);
}

Plane windowMaximum(const Plane& in, int width, int height) {
    return columnExtremes(rowExtremes(in, width, height, 0, larger), width, height, larger);
}

Plane boxMean(const Plane& in, int width, int height) {
    constexpr int kHalf = kBoxHeight / 2;
    constexpr unsigned kArea = kBoxWidth * kBoxHeight;
    const std::vector<std::uint16_t> rows = rowSums(in, width, height);
    const std::size_t w = static_cast<std::size_t>(width);
    auto rowAt = [&](int y) { return rows.data() + static_cast<std::size_t>(clampIndex(y, height)) * w; };

    std::vector<unsigned> columns(w, 0);
    for (int d = -kHalf; d <= kHalf; ++d) {
        const std::uint16_t* row = rowAt(d);
        for (std::size_t x = 0; x < w; ++x) columns[x] += row[x];
    }
    Plane out(in.size());
    for (int y = 0; y < height; ++y) {
        std::uint8_t* target = out.data() + static_cast<std::size_t>(y) * w;
        const std::uint16_t* entering = rowAt(y + kHalf + 1);
        const std::uint16_t* leaving = rowAt(y - kHalf);
        for (std::size_t x = 0; x < w; ++x) {
            target[x] = static_cast<std::uint8_t>((columns[x] + kArea / 2) / kArea);
            columns[x] = columns[x] + entering[x] - leaving[x];
        }
    }
    return out;
}

}  // namespace furlpane::effects::ink_filters
