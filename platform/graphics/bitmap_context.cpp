#include "platform/graphics/bitmap_context.h"

#include <algorithm>
#include <cmath>

#include "platform/graphics/compositing.h"
#include "platform/graphics/stroker.h"

namespace platform {

namespace {

// How far flattened curves may stray from the true ones, in pixels. Chords lie inside
// a convex curve, so this is also how far a curved edge may move inwards: a fortieth of
// a pixel, a few levels of coverage at most on the pixels the edge crosses.
constexpr double kFlatness = 0.025;

bool isIntegral(double v) { return std::floor(v) == v; }

// The part of pixel i (the unit interval [i, i + 1)) that lies in [lo, hi).
double overlap(int i, double lo, double hi) {
    return std::max(0.0, std::min(double(i + 1), hi) - std::max(double(i), lo));
}

uint8_t toByte(double coverage) { return uint8_t(std::lround(std::clamp(coverage, 0.0, 1.0) * 255)); }

}  // namespace

std::optional<BitmapContext> BitmapContext::create(int width, int height, ColorSpace space) {
    if (!Image::isValidSize(width, height) || !space.isRGB()) return std::nullopt;
    auto pixels = std::make_shared<Pixels>(size_t(width) * size_t(height), 0u);
    return BitmapContext(width, height, std::move(space), std::move(pixels));
}

BitmapContext::BitmapContext(int width, int height, ColorSpace space, std::shared_ptr<Pixels> pixels)
    : width_(width), height_(height), space_(std::move(space)), pixels_(std::move(pixels)) {
    state_.clip = {0, 0, width, height};
}

std::span<const uint8_t> BitmapContext::bytes() const {
    return {reinterpret_cast<const uint8_t*>(pixels_->data()), pixels_->size() * 4};
}

std::span<uint8_t> BitmapContext::mutableBytes() {
    makeUnique();
    return {reinterpret_cast<uint8_t*>(pixels_->data()), pixels_->size() * 4};
}

void BitmapContext::makeUnique() {
    // Only this context can add sharers (through makeImage), so a count of one cannot
    // grow behind our back; a stale higher count only costs a needless copy.
    if (pixels_.use_count() > 1) pixels_ = std::make_shared<Pixels>(*pixels_);
}

Image BitmapContext::makeImage() const { return Image(width_, height_, pixels_, space_); }

// ---- State ----

void BitmapContext::saveGState() { saved_.push_back(state_); }

void BitmapContext::restoreGState() {
    if (saved_.empty()) return;
    state_ = std::move(saved_.back());
    saved_.pop_back();
}

void BitmapContext::concatenate(const AffineTransform& t) { state_.transform = t.then(state_.transform); }
void BitmapContext::translateBy(double dx, double dy) { concatenate(AffineTransform::translation(dx, dy)); }
void BitmapContext::scaleBy(double sx, double sy) { concatenate(AffineTransform::scale(sx, sy)); }
void BitmapContext::rotateBy(double radians) { concatenate(AffineTransform::rotation(radians)); }

void BitmapContext::setAlpha(double a) { state_.alpha = std::isnan(a) ? 0 : std::clamp(a, 0.0, 1.0); }

AffineTransform BitmapContext::deviceTransform() const {
    return state_.transform.then({1, 0, 0, -1, 0, double(height_)});
}

uint32_t BitmapContext::sourceWord(const Color& c) const {
    Color withAlpha = c;
    withAlpha.alpha = (std::isnan(c.alpha) ? 0 : std::clamp(c.alpha, 0.0, 1.0)) * state_.alpha;
    return premultipliedWord(withAlpha);
}

Rect BitmapContext::clipBoundingBox() const {
    const raster::PixelBox& b = state_.clip;
    if (b.isEmpty()) return Rect::null();
    return Rect(b.x0, height_ - b.y1, b.width(), b.height());
}

void BitmapContext::clipToRect(const Rect& r) {
    const AffineTransform t = deviceTransform();
    if (r.isNull() || !t.isFinite() || !std::isfinite(r.minX()) || !std::isfinite(r.minY()) ||
        !std::isfinite(r.width()) || !std::isfinite(r.height())) {
        state_.clip = {};
        state_.mask.reset();
        return;
    }
    const Point corners[4] = {t.apply({r.minX(), r.minY()}), t.apply({r.maxX(), r.minY()}),
                              t.apply({r.maxX(), r.maxY()}), t.apply({r.minX(), r.maxY()})};
    double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
    for (Point p : corners) x0 = std::min(x0, p.x), y0 = std::min(y0, p.y), x1 = std::max(x1, p.x), y1 = std::max(y1, p.y);
    const raster::PixelBox box = state_.clip.intersection(raster::PixelBox::enclosing(x0, y0, x1, y1));
    const bool pixelAligned = t.keepsAxes() && isIntegral(x0) && isIntegral(y0) && isIntegral(x1) && isIntegral(y1);
    if (box.isEmpty() || (pixelAligned && !state_.mask)) {
        state_.clip = box;
        if (box.isEmpty()) state_.mask.reset();
        return;
    }
    // A clip edge through pixels (or a mask already in force) needs per-pixel coverage.
    auto mask = std::make_shared<ClipMask>();
    mask->box = box;
    mask->coverage.assign(size_t(box.width()) * size_t(box.height()), 0);
    raster::EdgeList edges;
    edges.addPolygon(corners);
    raster::CoverageRasterizer rasterizer(edges, box, FillRule::nonZero);
    raster::CoverageRow row;
    while (rasterizer.next(row)) {
        uint8_t* out = mask->coverage.data() + size_t(row.y - box.y0) * size_t(box.width()) + size_t(row.x0 - box.x0);
        for (size_t i = 0; i < row.coverage.size(); ++i) {
            const uint8_t old = state_.mask ? state_.mask->at(row.x0 + int(i), row.y) : 255;
            out[i] = raster::scaleByte(row.coverage[i], old);
        }
    }
    state_.clip = box;
    state_.mask = std::move(mask);
}

// ---- Filling ----

std::span<const uint8_t> BitmapContext::maskedCoverage(int y, int x0, std::span<const uint8_t> coverage) {
    if (!state_.mask) return coverage;
    scratchCoverage_.resize(coverage.size());
    for (size_t i = 0; i < coverage.size(); ++i)
        scratchCoverage_[i] = raster::scaleByte(coverage[i], state_.mask->at(x0 + int(i), y));
    return scratchCoverage_;
}

void BitmapContext::compositeCoverageRow(int y, int x0, std::span<const uint8_t> coverage, uint32_t color,
                                         BlendMode mode) {
    const std::span<const uint8_t> c = maskedCoverage(y, x0, coverage);
    raster::compositeSolid(rowPointer(y) + x0, c.data(), int(c.size()), color, mode);
}

void BitmapContext::fillEdges(const raster::EdgeList& edges, FillRule rule, uint32_t color, BlendMode mode) {
    if (!edges.isFinite() || edges.isEmpty() || state_.clip.isEmpty()) return;
    if (color == 0 && mode == BlendMode::normal) return;
    makeUnique();
    raster::CoverageRasterizer rasterizer(edges, state_.clip, rule);
    raster::CoverageRow row;
    while (rasterizer.next(row)) compositeCoverageRow(row.y, row.x0, row.coverage, color, mode);
}

// A rectangle with edges along the pixel grid (in pixel space, y down): coverage is
// the product of each axis's overlap, so no rasterizer is needed, and the columns
// strictly inside need no per-pixel coverage at all.
void BitmapContext::fillAlignedRect(double x0, double y0, double x1, double y1, uint32_t color, BlendMode mode) {
    const raster::PixelBox box = state_.clip.intersection(raster::PixelBox::enclosing(x0, y0, x1, y1));
    if (box.isEmpty()) return;
    makeUnique();
    const int width = box.width();
    std::vector<double> columns(static_cast<size_t>(width));
    for (int x = box.x0; x < box.x1; ++x) columns[size_t(x - box.x0)] = overlap(x, x0, x1);
    // Full columns [innerFirst, innerEnd) relative to the box.
    const int innerFirst = columns.front() < 1 ? 1 : 0;
    const int innerEnd = std::max(innerFirst, columns.back() < 1 ? width - 1 : width);
    std::vector<uint8_t> fullRow(static_cast<size_t>(width)), partialRow(static_cast<size_t>(width));
    for (int i = 0; i < width; ++i) fullRow[size_t(i)] = toByte(columns[size_t(i)]);
    for (int y = box.y0; y < box.y1; ++y) {
        const double cy = overlap(y, y0, y1);
        if (cy < 1) {
            for (int i = 0; i < width; ++i) partialRow[size_t(i)] = toByte(columns[size_t(i)] * cy);
            compositeCoverageRow(y, box.x0, partialRow, color, mode);
        } else if (state_.mask) {
            compositeCoverageRow(y, box.x0, fullRow, color, mode);
        } else {
            uint32_t* row = rowPointer(y) + box.x0;
            raster::compositeSolid(row, fullRow.data(), innerFirst, color, mode);
            raster::compositeSolidUniform(row + innerFirst, innerEnd - innerFirst, 255, color, mode);
            raster::compositeSolid(row + innerEnd, fullRow.data() + innerEnd, width - innerEnd, color, mode);
        }
    }
}

void BitmapContext::fillRectWith(const Rect& r, uint32_t color, BlendMode mode) {
    if (r.isNull() || r.isEmpty()) return;
    if (color == 0 && mode == BlendMode::normal) return;
    const AffineTransform t = deviceTransform();
    if (t.keepsAxes() && t.isFinite()) {
        const Point p = t.apply({r.minX(), r.minY()}), q = t.apply({r.maxX(), r.maxY()});
        if (std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(q.x) && std::isfinite(q.y))
            fillAlignedRect(std::min(p.x, q.x), std::min(p.y, q.y), std::max(p.x, q.x), std::max(p.y, q.y), color, mode);
        return;
    }
    raster::EdgeList edges;
    for (const Path::Polyline& line : Path::rect(r).flattened(t, kFlatness)) edges.addPolygon(line.points);
    fillEdges(edges, FillRule::nonZero, color, mode);
}

void BitmapContext::clear() {
    makeUnique();
    std::fill(pixels_->begin(), pixels_->end(), 0u);
}

void BitmapContext::clearRect(const Rect& r) { fillRectWith(r, 0, BlendMode::copy); }

void BitmapContext::fillRect(const Rect& r) { fillRectWith(r, sourceWord(state_.fill), state_.blend); }

void BitmapContext::fillPath(const Path& path, FillRule rule) {
    const AffineTransform t = deviceTransform();
    if (!t.isFinite() || !path.isFinite()) return;
    raster::EdgeList edges;
    for (const Path::Polyline& line : path.flattened(t, kFlatness)) edges.addPolygon(line.points);
    fillEdges(edges, rule, sourceWord(state_.fill), state_.blend);
}

void BitmapContext::strokePath(const Path& path) {
    const AffineTransform t = deviceTransform();
    const double scale = t.maxScale();
    if (!t.isFinite() || !path.isFinite() || !(scale > 0)) return;
    raster::StrokeStyle style{state_.lineWidth, state_.join, state_.cap, state_.miterLimit};
    if (style.width == 0) style.width = 1 / scale;
    // Stroking happens in user space, so a scaled context widens the line as expected;
    // the tolerance is scaled to stay kFlatness in pixels.
    const double tolerance = kFlatness / scale;
    raster::EdgeList edges;
    raster::addStroke(edges, path.flattened(AffineTransform::identity(), tolerance), style, t, tolerance);
    fillEdges(edges, FillRule::nonZero, sourceWord(state_.stroke), state_.blend);
}

void BitmapContext::strokeRect(const Rect& r) { strokePath(Path::rect(r)); }

}  // namespace platform
