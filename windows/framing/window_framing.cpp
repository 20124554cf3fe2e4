// Locating a window's plain picture inside its framed picture, the depth of their
// differences, and the strips of the framed picture around the agreeing interior.

#include "windows/framing/window_framing.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace furlpane {

namespace {

const std::uint8_t* at(const PixelView& v, int x, int y) {
    return v.bytes + std::size_t(y) * v.bytesPerRow + std::size_t(x) * 4;
}

std::uint32_t word(const PixelView& v, int x, int y) {
    std::uint32_t w;
    std::memcpy(&w, at(v, x, y), sizeof w);
    return w;
}

// The alpha byte is the last of a pixel's four in memory.
bool sameAlpha(const std::uint8_t* a, const std::uint8_t* b) { return a[3] == b[3]; }

// The plain picture at the offset lies wholly inside the framed one.
bool fitsInside(const PixelView& plain, const PixelView& framed, FramingOffset o) {
    return o.left >= 0 && o.top >= 0 && std::int64_t(o.left) + plain.width <= framed.width &&
           std::int64_t(o.top) + plain.height <= framed.height;
}

// Compares the alpha of a run of pixels: count of them, `step` bytes apart in each view.
bool alphaRunsAgree(const std::uint8_t* a, std::size_t stepA, const std::uint8_t* b, std::size_t stepB, int count) {
    for (int i = 0; i < count; ++i, a += stepA, b += stepB)
        if (!sameAlpha(a, b)) return false;
    return true;
}

// The offset passes the four edge checks (alpha of the middle half of each edge) and
// the content check (five sample rows, whole pixels, without 8 pixels at either end).
bool passes(const PixelView& plain, const PixelView& framed, FramingOffset o) {
    const int w = plain.width, h = plain.height, t = h / 3;
    const int edgeStart = w / 4, edgeCount = (w - w / 4) - edgeStart;
    const std::size_t p = plain.bytesPerRow, f = framed.bytesPerRow;
    if (!alphaRunsAgree(at(plain, edgeStart, 0), 4, at(framed, o.left + edgeStart, o.top), 4, edgeCount)) return false;
    if (!alphaRunsAgree(at(plain, edgeStart, h - 1), 4, at(framed, o.left + edgeStart, o.top + h - 1), 4, edgeCount))
        return false;
    if (!alphaRunsAgree(at(plain, 0, t), p, at(framed, o.left, o.top + t), f, t)) return false;
    if (!alphaRunsAgree(at(plain, w - 1, t), p, at(framed, o.left + w - 1, o.top + t), f, t)) return false;
    const std::array<int, 5> sampleRows{t, t + h / 12, t + h / 6, t + (3 * t) / 4, 2 * t};
    const std::size_t runBytes = std::size_t(w - 16) * 4;
    for (const int y : sampleRows)
        if (std::memcmp(at(plain, 8, y), at(framed, o.left + 8, o.top + y), runBytes) != 0) return false;
    return true;
}

// The left offsets worth trying, nearest the horizontal centre first.
std::vector<int> leftCandidates(int slack) {
    const int c = slack / 2;
    std::vector<int> candidates{c};
    if (slack >= 2) candidates.push_back(c - 1);
    if (slack >= 1) candidates.push_back(c + 1);
    if (slack >= 4) candidates.push_back(c - 2);
    if (c + 2 <= slack) candidates.push_back(c + 2);
    return candidates;
}

// The depth a row raises: from the whole row between the band's ends when it lies
// within the limit of the top or bottom edge, then pixel by pixel from the innermost
// column within the limit towards the band.
int rowDepth(const PixelView& framed, const PixelView& plain, FramingOffset o, int r, int limit, int depth) {
    const int w = plain.width, d = std::min(r, plain.height - 1 - r);
    const int fy = o.top + r;
    if (d < limit && d >= depth && w - 2 * d > 0 &&
        std::memcmp(at(plain, d, r), at(framed, o.left + d, fy), std::size_t(w - 2 * d) * 4) != 0)
        depth = d + 1;
    for (int c = std::min(limit, d) - 1; c >= depth; --c) {
        if (word(plain, c, r) != word(framed, o.left + c, fy) ||
            word(plain, w - 1 - c, r) != word(framed, o.left + w - 1 - c, fy))
            return c + 1;
    }
    return depth;
}

}  // namespace

bool PixelView::isSound() const {
    return bytes != nullptr && width >= 0 && height >= 0 && bytesPerRow >= std::size_t(width) * 4;
}

std::optional<FramingOffset> WindowFraming::scan(const PixelView& plain, const PixelView& framed) {
    if (!plain.isSound() || !framed.isSound()) return std::nullopt;
    const int w = plain.width, h = plain.height;
    if (w < minimumSide || h < minimumSide || framed.width < w || framed.height < h) return std::nullopt;
    const int verticalSlack = framed.height - h;
    for (const int left : leftCandidates(framed.width - w)) {
        for (int top = 0; top <= verticalSlack; ++top) {
            const FramingOffset offset{left, top};
            if (passes(plain, framed, offset)) return offset;
        }
    }
    return std::nullopt;
}

int WindowFraming::agreementDepth(const PixelView& framed, const PixelView& plain, FramingOffset offset) {
    if (!plain.isSound() || !framed.isSound() || !fitsInside(plain, framed, offset)) return 0;
    const int limit = std::min({plain.width / 2, plain.height / 2, depthLimit});
    int depth = 0;
    for (int r = 0; r < plain.height; ++r) depth = rowDepth(framed, plain, offset, r, limit, depth);
    return depth;
}

WindowFraming WindowFraming::make(const PixelView& framed, FramingOffset offset, int depth, int plainWidth,
                                  int plainHeight) {
    WindowFraming framing{{framed.width, framed.height, offset.left, offset.top, depth}, {}};
    framing.cutStrips(framed, offset, depth, plainWidth, plainHeight);
    return framing;
}

void WindowFraming::cutStrips(const PixelView& framed, FramingOffset offset, int depth, int plainWidth,
                              int plainHeight) {
    const PixelView plainShape{framed.bytes, plainWidth, plainHeight, std::size_t(std::max(plainWidth, 0)) * 4};
    if (!framed.isSound() || plainWidth < 0 || plainHeight < 0 || !fitsInside(plainShape, framed, offset)) return;
    const int W = framed.width, H = framed.height, left = offset.left, top = offset.top;
    const int w = plainWidth, h = plainHeight;
    if (w - 2 * depth <= 0 || h - 2 * depth <= 0) {
        if (auto whole = makeStrip(0, 0, W, H, framed)) strips.push_back(std::move(*whole));
        return;
    }
    const std::array<std::array<int, 4>, 4> rects{{
        {0, 0, W, top + depth},                                                  // top
        {0, top + h - depth, W, H - (top + h - depth)},                          // bottom
        {0, top + depth, left + depth, h - 2 * depth},                           // left
        {left + w - depth, top + depth, W - (left + w - depth), h - 2 * depth},  // right
    }};
    for (const auto& r : rects)
        if (auto strip = makeStrip(r[0], r[1], r[2], r[3], framed)) strips.push_back(std::move(*strip));
}

std::optional<WindowFraming::Strip> WindowFraming::makeStrip(int x, int y, int width, int height,
                                                             const PixelView& picture) {
    if (width <= 0 || height <= 0 || !picture.isSound()) return std::nullopt;
    if (x < 0 || y < 0 || std::int64_t(x) + width > picture.width || std::int64_t(y) + height > picture.height)
        return std::nullopt;
    Strip strip{x, y, width, height, {}};
    const std::size_t rowBytes = std::size_t(width) * 4;
    strip.bytes.reserve(rowBytes * std::size_t(height));
    for (int r = 0; r < height; ++r) {
        const std::uint8_t* row = at(picture, x, y + r);
        strip.bytes.insert(strip.bytes.end(), row, row + rowBytes);
    }
    return strip;
}

}  // namespace furlpane
