// The ink map: which texels of the window picture belong to its writing.
//
// Writing is found by contrast with its neighbourhood. A texel with a strong colour is
// ink outright; a neutral (grey) texel is ink when it stands more than 40 levels of luma
// away from the local extreme on the side of the page's background: darker than the
// local maximum on a light page, lighter than the local minimum on a dark one. Which side
// the background is on comes from the mean luma of the neutral texels around the texel.
// Short gaps inside a row are closed so that the letters of a word join into one blob.

#include <algorithm>
#include <cmath>

#include "platform/gpu/texture.h"
#include "transitions/effects/classified/classified.h"
#include "transitions/effects/classified/ink_filters.h"

namespace furlpane::effects {
namespace {

using ink_filters::Plane;

// The per-texel planes that the neighbourhood filters read.
struct InkPlanes {
    Plane luma, alpha, neutral, neutralLuma;
};

// One row of everything the scan decides on.
struct InkRow {
    const std::uint8_t* luma;
    const std::uint8_t* alpha;
    const std::uint8_t* neutral;
    const std::uint8_t* lumaMin;
    const std::uint8_t* lumaMax;
    const std::uint8_t* alphaMin;
    const std::uint8_t* boxMask;
    const std::uint8_t* boxLuma;
};

bool rangeHoldsRows(std::size_t available, int width, int height, std::size_t rowBytes) {
    const std::size_t row = static_cast<std::size_t>(width) * 4;
    if (rowBytes < row || available < row) return false;
    return (available - row) / rowBytes >= static_cast<std::size_t>(height - 1);
}

InkPlanes splitPlanes(std::span<const std::uint8_t> pixels, int width, int height, std::size_t rowBytes) {
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    InkPlanes p;
    p.luma.resize(count);
    p.alpha.resize(count);
    p.neutral.resize(count);
    p.neutralLuma.resize(count);
    // Byte stores may alias anything, so the loop works on local pointers that promise
    // they do not, or every store would reload the planes' addresses.
    std::uint8_t* __restrict luma = p.luma.data();
    std::uint8_t* __restrict alpha = p.alpha.data();
    std::uint8_t* __restrict neutral = p.neutral.data();
    std::uint8_t* __restrict neutralLuma = p.neutralLuma.data();
    std::size_t i = 0;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* __restrict texel = pixels.data() + static_cast<std::size_t>(y) * rowBytes;
        for (int x = 0; x < width; ++x, ++i, texel += 4) {
            const unsigned b = texel[0], g = texel[1], r = texel[2];
            const unsigned value = (18 * b + 183 * g + 55 * r + 128) >> 8;
            const unsigned high = std::max(std::max(b, g), r), low = std::min(std::min(b, g), r);
            const unsigned grey = high - low <= 71 ? 255u : 0u;
            luma[i] = static_cast<std::uint8_t>(value);
            alpha[i] = texel[3];
            neutral[i] = static_cast<std::uint8_t>(grey);
            neutralLuma[i] = static_cast<std::uint8_t>(value & grey);
        }
    }
    return p;
}

// Whether the texel at x is writing. Written without short circuits: on busy pictures
// the tests are unpredictable, and evaluating them all is cheaper than mispredicting.
inline bool isInk(const InkRow& row, int x) {
    const int luma = row.luma[x], low = row.lumaMin[x], high = row.lumaMax[x];
    const int mask = row.boxMask[x], meanLuma = row.boxLuma[x];
    const bool lightPage = (mask < 8) | (510 * meanLuma >= (low + high) * mask);
    const bool standsOut = (lightPage & (high - luma > 40)) | (!lightPage & (luma - low > 40));
    return (row.neutral[x] == 0) | standsOut;
}

// The number of texels in 2 points, at least 1 and never beyond the row.
int gapTexels(double texel, int width) {
    double k = std::floor(2 / texel);
    if (!(k >= 1)) k = 1;
    return static_cast<int>(std::min(k, static_cast<double>(width) + 1));
}

struct Lightness {
    std::uint64_t sum = 0;
    std::uint64_t count = 0;
};

// Marks the ink of one row and closes the gaps of up to k texels between ink texels.
void scanRow(const InkRow& row, int width, int k, std::uint8_t* marks, Lightness& light) {
    // Local sums: a byte store through marks could otherwise be taken to change them.
    std::uint64_t sum = 0, count = 0;
    int lastMark = -k - 2;
    for (int x = 0; x < width; ++x) {
        const bool opaque = row.alpha[x] >= 128;
        sum += opaque ? row.luma[x] : 0u;
        count += opaque ? 1u : 0u;
        if (!(opaque & (row.alphaMin[x] >= 250) & isInk(row, x))) continue;
        marks[x] = 1;
        const int gap = x - lastMark;
        if (gap >= 2 && gap <= k + 1) std::fill(marks + lastMark + 1, marks + x, std::uint8_t{1});
        lastMark = x;
    }
    light.sum += sum;
    light.count += count;
}

}  // namespace

Classified::Ink readInk(std::span<const std::uint8_t> pixels, int width, int height, std::size_t rowBytes,
                        double texel) {
    Classified::Ink ink;
    const bool sane = width >= 0 && height >= 0 && width <= platform::gpu::kMaxTextureSide &&
                      height <= platform::gpu::kMaxTextureSide;
    ink.width = sane ? width : 0;
    ink.height = sane ? height : 0;
    ink.texel = texel;
    ink.marks.assign(static_cast<std::size_t>(ink.width) * static_cast<std::size_t>(ink.height), 0);
    if (ink.marks.empty() || !rangeHoldsRows(pixels.size(), width, height, rowBytes)) return ink;

    const InkPlanes p = splitPlanes(pixels, width, height, rowBytes);
    using ink_filters::Extreme;
    ink_filters::WindowExtremes lumaMin(p.luma, width, height, Extreme::minimum);
    ink_filters::WindowExtremes lumaMax(p.luma, width, height, Extreme::maximum);
    ink_filters::WindowExtremes alphaMin(p.alpha, width, height, Extreme::minimum);
    ink_filters::BoxMean boxMask(p.neutral, width, height);
    ink_filters::BoxMean boxLuma(p.neutralLuma, width, height);
    const int k = gapTexels(texel, width);
    Lightness light;
    for (int y = 0; y < height; ++y) {
        const std::size_t start = static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        const InkRow row{p.luma.data() + start, p.alpha.data() + start, p.neutral.data() + start,
                         lumaMin.row(y),        lumaMax.row(y),         alphaMin.row(y),
                         boxMask.next(),        boxLuma.next()};
        scanRow(row, width, k, ink.marks.data() + start, light);
    }
    ink.lightness = light.count > 0 ? static_cast<double>(light.sum) / static_cast<double>(light.count) / 255 : 1;
    return ink;
}

namespace {
int levelSide(int side, int level) { return level >= 31 ? 1 : std::max(side >> level, 1); }
}  // namespace

ReadBackLayout readBackLayout(int levelCount, int width, int height, double pixelsPerPoint) {
    // A scale that is not a number reads as 1 pixel per point rather than poisoning the
    // level and the texel size.
    if (!std::isfinite(pixelsPerPoint)) pixelsPerPoint = 1;
    const int levels = std::max(1, levelCount);
    width = std::max(1, width);
    height = std::max(1, height);
    const double wanted = std::round(std::log2(std::max(1.0, pixelsPerPoint)));
    int level = static_cast<int>(std::clamp(wanted, 0.0, static_cast<double>(levels - 1)));
    while (level < levels - 1 &&
           static_cast<long>(levelSide(width, level)) * levelSide(height, level) > kReadBackTexelLimit)
        ++level;

    ReadBackLayout layout;
    layout.level = level;
    layout.width = levelSide(width, level);
    layout.height = levelSide(height, level);
    layout.rowBytes = (static_cast<std::size_t>(layout.width) * 4 + 255) / 256 * 256;
    layout.length = layout.rowBytes * static_cast<std::size_t>(layout.height);
    layout.texel = (static_cast<double>(width) / layout.width) / std::max(pixelsPerPoint, 0.0001);
    return layout;
}

}  // namespace furlpane::effects
