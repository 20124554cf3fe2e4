#include "transitions/effects/classified/ink_filters.h"

#include <algorithm>

namespace furlpane::effects::ink_filters {
namespace {

constexpr int kExtremeHalf = kExtremeWidth / 2;

int clampIndex(int i, int count) { return std::clamp(i, 0, count - 1); }

template <Extreme E>
inline std::uint8_t pick(std::uint8_t a, std::uint8_t b) {
    if constexpr (E == Extreme::minimum) return b < a ? b : a;
    else return a < b ? b : a;
}

// The 3-high extreme down each column, then the 9-wide extreme along the row as the
// extreme of three 3-wide extremes 3 apart: six comparisons per texel. Absent texels are
// padding that never wins (255 for a minimum, 0 for a maximum).
template <Extreme E>
void extremeRow(const std::uint8_t* up, const std::uint8_t* mid, const std::uint8_t* down, int width,
                std::uint8_t* padded, std::uint8_t* threes, std::uint8_t* out) {
    std::uint8_t* row = padded + kExtremeHalf;
    for (int x = 0; x < width; ++x) row[x] = pick<E>(pick<E>(up[x], mid[x]), down[x]);
    const int last = width + 2 * kExtremeHalf - 1;
    for (int i = 1; i < last; ++i) threes[i] = pick<E>(pick<E>(padded[i - 1], padded[i]), padded[i + 1]);
    for (int x = 0; x < width; ++x) out[x] = pick<E>(pick<E>(threes[x + 1], threes[x + 4]), threes[x + 7]);
}

}  // namespace

WindowExtremes::WindowExtremes(const Plane& plane, int width, int height, Extreme extreme)
    : plane_(plane), width_(width), height_(height), extreme_(extreme),
      padded_(static_cast<std::size_t>(width + 2 * kExtremeHalf), extreme == Extreme::minimum ? 255 : 0),
      threes_(padded_.size(), 0), out_(static_cast<std::size_t>(width)) {}

const std::uint8_t* WindowExtremes::row(int y) {
    const std::size_t w = static_cast<std::size_t>(width_);
    const std::uint8_t* mid = plane_.data() + static_cast<std::size_t>(y) * w;
    const std::uint8_t* up = y > 0 ? mid - w : mid;
    const std::uint8_t* down = y + 1 < height_ ? mid + w : mid;
    if (extreme_ == Extreme::minimum)
        extremeRow<Extreme::minimum>(up, mid, down, width_, padded_.data(), threes_.data(), out_.data());
    else
        extremeRow<Extreme::maximum>(up, mid, down, width_, padded_.data(), threes_.data(), out_.data());
    return out_.data();
}

BoxMean::BoxMean(const Plane& plane, int width, int height)
    : plane_(plane), width_(width), height_(height), columns_(static_cast<std::size_t>(width), 0),
      prefix_(static_cast<std::size_t>(width + kBoxWidth), 0), out_(static_cast<std::size_t>(width)) {
    constexpr int kHalf = kBoxHeight / 2;
    for (int d = -kHalf; d <= kHalf; ++d) addRow(clampIndex(d, height_), 1);
}

void BoxMean::addRow(int y, int sign) {
    const std::uint8_t* __restrict row = plane_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
    std::uint32_t* __restrict columns = columns_.data();
    const int w = width_;
    if (sign > 0)
        for (int x = 0; x < w; ++x) columns[x] += row[x];
    else
        for (int x = 0; x < w; ++x) columns[x] -= row[x];
}

const std::uint8_t* BoxMean::next() {
    constexpr int kHalfWidth = kBoxWidth / 2, kHalfHeight = kBoxHeight / 2;
    constexpr std::uint32_t kArea = kBoxWidth * kBoxHeight;
    // prefix[i] is the sum of the first i column sums of the row extended by 31 copies of
    // its edge columns on each side; each mean is then the difference of two of them.
    const std::uint32_t* __restrict col = columns_.data();
    std::uint32_t* __restrict prefix = prefix_.data();
    const int w = width_;
    std::uint32_t sum = 0;
    prefix[0] = 0;
    int i = 0;
    for (; i < kHalfWidth; ++i) prefix[i + 1] = sum += col[0];
    for (int x = 0; x < w; ++x, ++i) prefix[i + 1] = sum += col[x];
    for (int j = 0; j < kHalfWidth; ++j, ++i) prefix[i + 1] = sum += col[w - 1];
    std::uint8_t* __restrict out = out_.data();
    for (int x = 0; x < w; ++x)
        out[x] = static_cast<std::uint8_t>((prefix[x + kBoxWidth] - prefix[x] + kArea / 2) / kArea);
    // Slide the column sums down one row: the row 16 below comes in, the row 15 above leaves.
    addRow(clampIndex(y_ + kHalfHeight + 1, height_), 1);
    addRow(clampIndex(y_ - kHalfHeight, height_), -1);
    ++y_;
    return out_.data();
}

namespace {

template <class RowSource>
Plane wholePlane(RowSource&& next, int width, int height) {
    Plane out(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        std::copy_n(next(y), width, out.begin() + static_cast<std::ptrdiff_t>(y) * width);
    return out;
}

}  // namespace

Plane windowMinimum(const Plane& in, int width, int height) {
    WindowExtremes f(in, width, height, Extreme::minimum);
    return wholePlane([&](int y) { return f.row(y); }, width, height);
}

Plane windowMaximum(const Plane& in, int width, int height) {
    WindowExtremes f(in, width, height, Extreme::maximum);
    return wholePlane([&](int y) { return f.row(y); }, width, height);
}

Plane boxMean(const Plane& in, int width, int height) {
    BoxMean f(in, width, height);
    return wholePlane([&](int) { return f.next(); }, width, height);
}

}  // namespace furlpane::effects::ink_filters
