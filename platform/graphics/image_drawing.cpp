// Drawing images into a bitmap context: an exact copy for 1:1 pixel-aligned drawing,
// separable resampling for scales and flips, and bilinear sampling under rotation.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/graphics/bitmap_context.h"
#include "platform/graphics/compositing.h"
#include "platform/graphics/resampling.h"

namespace platform {

namespace {

struct Float4 {
    float v[4] = {0, 0, 0, 0};
};

inline void addWeighted(Float4& acc, uint32_t word, float w) {
    acc.v[0] += w * float(word & 0xFF);
    acc.v[1] += w * float((word >> 8) & 0xFF);
    acc.v[2] += w * float((word >> 16) & 0xFF);
    acc.v[3] += w * float(word >> 24);
}

// Rounds premultiplied components scaled by k (0...1) back into a pixel word. Every
// step is monotonic, so colour bytes cannot come out above alpha.
inline uint32_t packScaled(const Float4& c, float k) {
    uint32_t w = 0;
    for (int i = 0; i < 4; ++i) w |= uint32_t(std::clamp(c.v[i] * k + 0.5f, 0.0f, 255.0f)) << (8 * i);
    return w;
}

uint8_t alphaByte(double alpha) { return uint8_t(std::lround(alpha * 255)); }

// Rows of the image resampled horizontally, kept for the few output rows that need
// each of them. A source row lives in slot row % size; the rows one output row reads are
// consecutive and fewer than the slots, so they never evict one another.
class ResampledRows {
public:
    ResampledRows(const Image& image, const raster::AxisPlan& xs, int slots)
        : image_(image), xs_(xs), width_(xs.end - xs.first), tags_(size_t(slots), -1),
          rows_(size_t(slots) * size_t(width_)) {}

    const Float4* row(int sourceRow) {
        const size_t slot = size_t(sourceRow) % tags_.size();
        Float4* out = rows_.data() + slot * size_t(width_);
        if (tags_[slot] == sourceRow) return out;
        tags_[slot] = sourceRow;
        const uint32_t* src = image_.row(sourceRow);
        for (int i = 0; i < width_; ++i) {
            Float4 acc;
            for (int t = xs_.tapStart[size_t(i)]; t < xs_.tapStart[size_t(i) + 1]; ++t)
                addWeighted(acc, src[xs_.source[size_t(t)]], xs_.weight[size_t(t)]);
            out[i] = acc;
        }
        return out;
    }

private:
    const Image& image_;
    const raster::AxisPlan& xs_;
    int width_;
    std::vector<int> tags_;
    std::vector<Float4> rows_;
};

}  // namespace

void BitmapContext::drawImage(const Image& image, const Rect& r) {
    if (r.isNull() || r.isEmpty() || state_.clip.isEmpty() || state_.alpha == 0) return;
    const double w = image.width(), h = image.height();
    // Image pixel space (origin at the top-left, y down) into user space, then pixels.
    const AffineTransform toUser{r.width() / w, 0, 0, -r.height() / h, r.minX(), r.maxY()};
    const AffineTransform toDevice = toUser.then(deviceTransform());
    if (!toDevice.isFinite() || toDevice.determinant() == 0) return;
    makeUnique();
    if (!toDevice.keepsAxes()) return drawImageTransformed(image, toDevice);
    if (toDevice.a == 1 && toDevice.d == 1 && std::floor(toDevice.tx) == toDevice.tx &&
        std::floor(toDevice.ty) == toDevice.ty && !state_.mask && std::fabs(toDevice.tx) < 1e9 &&
        std::fabs(toDevice.ty) < 1e9)
        return drawImageExact(image, int(toDevice.tx), int(toDevice.ty));
    drawImageAligned(image, toDevice);
}

void BitmapContext::drawImageExact(const Image& image, int dx, int dy) {
    const raster::PixelBox box =
        state_.clip.intersection({dx, dy, dx + image.width(), dy + image.height()});
    if (box.isEmpty()) return;
    const uint32_t alpha = alphaByte(state_.alpha);
    const BlendMode mode = state_.blend;
    for (int y = box.y0; y < box.y1; ++y) {
        const uint32_t* src = image.row(y - dy) + (box.x0 - dx);
        uint32_t* dst = rowPointer(y) + box.x0;
        const int n = box.width();
        if (alpha == 255 && mode == BlendMode::copy) {
            std::memcpy(dst, src, size_t(n) * 4);
            continue;
        }
        for (int i = 0; i < n; ++i) {
            const uint32_t s = alpha == 255 ? src[i] : raster::scaleWord(src[i], alpha);
            dst[i] = raster::blendCovered(s, 255, dst[i], mode);
        }
    }
}

void BitmapContext::drawImageAligned(const Image& image, const AffineTransform& m) {
    const double xa = m.tx, xb = m.tx + m.a * image.width();
    const double ya = m.ty, yb = m.ty + m.d * image.height();
    const raster::AxisPlan xs =
        raster::planAxis(image.width(), std::min(xa, xb), std::max(xa, xb), m.a < 0, state_.clip.x0, state_.clip.x1);
    const raster::AxisPlan ys =
        raster::planAxis(image.height(), std::min(ya, yb), std::max(ya, yb), m.d < 0, state_.clip.y0, state_.clip.y1);
    if (xs.isEmpty() || ys.isEmpty()) return;
    ResampledRows rows(image, xs, ys.maxTaps + 1);
    const int width = xs.end - xs.first;
    std::vector<Float4> line(static_cast<size_t>(width));
    const float alpha = float(state_.alpha);
    for (int j = 0; j < ys.end - ys.first; ++j) {
        std::fill(line.begin(), line.end(), Float4{});
        for (int t = ys.tapStart[size_t(j)]; t < ys.tapStart[size_t(j) + 1]; ++t) {
            const Float4* src = rows.row(ys.source[size_t(t)]);
            const float wy = ys.weight[size_t(t)];
            for (int i = 0; i < width; ++i)
                for (int c = 0; c < 4; ++c) line[size_t(i)].v[c] += wy * src[i].v[c];
        }
        const int y = ys.first + j;
        uint32_t* dst = rowPointer(y) + xs.first;
        for (int i = 0; i < width; ++i) {
            const int x = xs.first + i;
            float cover = xs.coverage[size_t(i)] * ys.coverage[size_t(j)];
            if (state_.mask) cover *= float(state_.mask->at(x, y)) / 255;
            if (cover <= 0) continue;
            const uint32_t c8 = uint32_t(cover * 255 + 0.5f);
            dst[i] = raster::blendCovered(packScaled(line[size_t(i)], cover * alpha), c8, dst[i], state_.blend);
        }
    }
}

void BitmapContext::drawImageTransformed(const Image& image, const AffineTransform& m) {
    const std::optional<AffineTransform> inverse = m.inverted();
    if (!inverse) return;
    const double w = image.width(), h = image.height();
    const Point corners[4] = {m.apply({0, 0}), m.apply({w, 0}), m.apply({w, h}), m.apply({0, h})};
    raster::EdgeList edges;
    edges.addPolygon(corners);
    raster::CoverageRasterizer rasterizer(edges, state_.clip, FillRule::nonZero);
    raster::CoverageRow row;
    const float alpha = float(state_.alpha);
    while (rasterizer.next(row)) {
        const std::span<const uint8_t> coverage = maskedCoverage(row.y, row.x0, row.coverage);
        uint32_t* dst = rowPointer(row.y) + row.x0;
        for (size_t i = 0; i < coverage.size(); ++i) {
            if (coverage[i] == 0) continue;
            // Bilinear sample at the pixel's centre, edges held.
            const Point p = inverse->apply({row.x0 + double(i) + 0.5, row.y + 0.5});
            if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
            const double u = std::clamp(p.x - 0.5, 0.0, w - 1), v = std::clamp(p.y - 0.5, 0.0, h - 1);
            const int u0 = int(u), v0 = int(v);
            const int u1 = std::min(u0 + 1, image.width() - 1), v1 = std::min(v0 + 1, image.height() - 1);
            const float fu = float(u - u0), fv = float(v - v0);
            Float4 acc;
            addWeighted(acc, image.row(v0)[u0], (1 - fu) * (1 - fv));
            addWeighted(acc, image.row(v0)[u1], fu * (1 - fv));
            addWeighted(acc, image.row(v1)[u0], (1 - fu) * fv);
            addWeighted(acc, image.row(v1)[u1], fu * fv);
            const float cover = float(coverage[i]) / 255;
            dst[i] = raster::blendCovered(packScaled(acc, cover * alpha), coverage[i], dst[i], state_.blend);
        }
    }
}

}  // namespace platform
