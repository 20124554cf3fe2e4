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

// The planes the row scan reads, each one byte per texel.
struct InkPlanes {
    Plane luma, alpha, neutral, neutralLuma;
    Plane lumaMin, lumaMax, alphaMin, boxMask, boxLuma;
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
    std::size_t i = 0;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* texel = pixels.data() + static_cast<std::size_t>(y) * rowBytes;
        for (int x = 0; x < width; ++x, ++i, texel += 4) {
            const unsigned b = texel[0], g = texel[1], r = texel[2];
            const auto luma = static_cast<std::uint8_t>((18 * b + 183 * g + 55 * r + 128) >> 8);
            const unsigned spread = std::max({b, g, r}) - std::min({b, g, r});
            const bool neutral = spread <= 71;
            p.luma[i] = luma;
            p.alpha[i] = texel[3];
            p.neutral[i] = neutral ? 255 : 0;
            p.neutralLuma[i] = neutral ? luma : 0;
        }
    }
    return p;
}

void filterPlanes(InkPlanes& p, int width, int height) {
    p.lumaMin = ink_filters::windowMinimum(p.luma, width, height);
    p.lumaMax = ink_filters::windowMaximum(p.luma, width, height);
    p.alphaMin = ink_filters::windowMinimum(p.alpha, width, height);
    p.boxMask = ink_filters::boxMean(p.neutral, width, height);
    p.boxLuma = ink_filters::boxMean(p.neutralLuma, width, height);
}

bool isInk(const InkPlanes& p, std::size_t i) {
    if (p.neutral[i] == 0) return true;
    const int luma = p.luma[i], low = p.lumaMin[i], high = p.lumaMax[i];
    const int mask = p.boxMask[i], meanLuma = p.boxLuma[i];
    const bool lightPage = mask < 8 || 510 * meanLuma >= (low + high) * mask;
    return lightPage ? high - luma > 40 : luma - low > 40;
}

// The number of texels in 2 points, at least 1 and never beyond the row.
int gapTexels(double texel, int width) {
    double k = std::floor(2 / texel);
    if (!(k >= 1)) k = 1;
    return static_cast<int>(std::min(k, static_cast<double>(width) + 1));
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
    ink.marks.assign(static_cast<std::size_t>(ink.width) * static_cast<std::size_t>(ink.height), false);
    if (ink.marks.empty() || !rangeHoldsRows(pixels.size(), width, height, rowBytes)) return ink;

    InkPlanes p = splitPlanes(pixels, width, height, rowBytes);
    filterPlanes(p, width, height);
    const int k = gapTexels(texel, width);
    std::uint64_t sum = 0, count = 0;
    for (int y = 0; y < height; ++y) {
        const std::size_t rowStart = static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        int lastMark = -k - 2;
        for (int x = 0; x < width; ++x) {
            const std::size_t i = rowStart + static_cast<std::size_t>(x);
            if (p.alpha[i] < 128) continue;
            sum += p.luma[i];
            ++count;
            if (p.alphaMin[i] < 250 || !isInk(p, i)) continue;
            ink.marks[i] = true;
            const int gap = x - lastMark;
            if (gap >= 2 && gap <= k + 1)
                for (int between = lastMark + 1; between < x; ++between) ink.marks[rowStart + between] = true;
            lastMark = x;
        }
    }
    ink.lightness = count > 0 ? static_cast<double>(sum) / static_cast<double>(count) / 255 : 1;
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
