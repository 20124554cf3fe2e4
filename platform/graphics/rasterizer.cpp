#include "platform/graphics/rasterizer.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace platform::raster {

namespace {

// Coordinates beyond this are clamped; far outside any context, they only need to keep
// the side of the picture they lie on.
constexpr double kFarAway = 1e15;

double sane(double v) { return std::clamp(v, -kFarAway, kFarAway); }

int floorToInt(double v) { return int(std::clamp(std::floor(v), double(INT_MIN / 2), double(INT_MAX / 2))); }
int ceilToInt(double v) { return int(std::clamp(std::ceil(v), double(INT_MIN / 2), double(INT_MAX / 2))); }

}  // namespace

PixelBox PixelBox::intersection(const PixelBox& o) const {
    PixelBox r{std::max(x0, o.x0), std::max(y0, o.y0), std::min(x1, o.x1), std::min(y1, o.y1)};
    if (r.isEmpty()) return {};
    return r;
}

PixelBox PixelBox::enclosing(double minX, double minY, double maxX, double maxY) {
    if (!(minX <= maxX) || !(minY <= maxY)) return {};
    return {floorToInt(minX), floorToInt(minY), ceilToInt(maxX), ceilToInt(maxY)};
}

void EdgeList::addPolygon(std::span<const Point> points) {
    const size_t n = points.size();
    for (size_t i = 0; i < n; ++i) {
        const Point p = points[i], q = points[(i + 1) % n];
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
            finite_ = false;
            continue;
        }
        minX_ = std::min(minX_, sane(p.x)), maxX_ = std::max(maxX_, sane(p.x));
        minY_ = std::min(minY_, sane(p.y)), maxY_ = std::max(maxY_, sane(p.y));
        if (p.y == q.y) continue;  // horizontal edges change no winding
        edges_.push_back({sane(p.x), sane(p.y), sane(q.x), sane(q.y)});
    }
}

PixelBox EdgeList::bounds() const {
    if (edges_.empty() || !finite_) return {};
    return PixelBox::enclosing(minX_, minY_, maxX_, maxY_);
}

CoverageRasterizer::CoverageRasterizer(const EdgeList& edges, PixelBox clip, FillRule rule)
    : edges_(edges), box_(edges.bounds().intersection(clip)), rule_(rule) {
    bandTop_ = box_.y0;
    if (box_.isEmpty()) return;
    stride_ = box_.width() + 2;
    accumulation_.assign(size_t(stride_) * kBandRows, 0.0f);
    touched_.resize(kBandRows);
    coverage_.resize(size_t(box_.width()));
}

bool CoverageRasterizer::next(CoverageRow& row) {
    if (box_.isEmpty()) return false;
    for (;;) {
        if (nextSpan_ < spans_.size()) {
            row = spans_[nextSpan_++];
            return true;
        }
        spans_.clear();
        nextSpan_ = 0;
        if (nextRowInBand_ < bandRows_) {
            emitRow(nextRowInBand_++);
            continue;
        }
        if (bandTop_ >= box_.y1) return false;
        accumulateBand();
    }
}

void CoverageRasterizer::accumulateBand() {
    bandRows_ = std::min(kBandRows, box_.y1 - bandTop_);
    nextRowInBand_ = 0;
    for (const Edge& e : edges_.edges()) addEdge(e);
    bandTop_ += bandRows_;
}

void CoverageRasterizer::addEdge(const Edge& e) {
    // Edges are taken top to bottom; the direction keeps the winding's sign.
    const bool down = e.y0 < e.y1;
    double x0 = down ? e.x0 : e.x1, y0 = down ? e.y0 : e.y1;
    double x1 = down ? e.x1 : e.x0, y1 = down ? e.y1 : e.y0;
    const double top = bandTop_, bottom = bandTop_ + bandRows_;
    if (y1 <= top || y0 >= bottom) return;
    const double slope = (x1 - x0) / (y1 - y0);
    if (y0 < top) x0 += (top - y0) * slope, y0 = top;
    if (y1 > bottom) x1 -= (y1 - bottom) * slope, y1 = bottom;
    addClippedLine(x0 - box_.x0, y0 - top, x1 - box_.x0, y1 - top, down ? 1.0f : -1.0f);
}

// Splits a band-local line where it leaves the box sideways. Parts left of the box still
// change the winding of every pixel to their right, so they run down its left side; parts
// right of it affect no pixel of the box and are dropped.
void CoverageRasterizer::addClippedLine(double x0, double y0, double x1, double y1, float dir) {
    const double width = box_.width();
    if (y1 <= y0) return;
    const auto crossAt = [&](double x) { return y0 + (x - x0) * (y1 - y0) / (x1 - x0); };
    if ((x0 < 0 && x1 > 0) || (x0 > 0 && x1 < 0)) {
        const double y = std::clamp(crossAt(0), y0, y1);
        addClippedLine(x0, y0, 0, y, dir);
        addClippedLine(0, y, x1, y1, dir);
        return;
    }
    if ((x0 < width && x1 > width) || (x0 > width && x1 < width)) {
        const double y = std::clamp(crossAt(width), y0, y1);
        addClippedLine(x0, y0, width, y, dir);
        addClippedLine(width, y, x1, y1, dir);
        return;
    }
    if (x0 >= width && x1 >= width) return;
    if (x0 <= 0 && x1 <= 0) x0 = x1 = 0;
    addLine(float(x0), float(y0), float(x1), float(y1), dir);
}

// Adds, row by row, the signed area that the line leaves to its right in each cell; the
// running sum of a row then gives each pixel's coverage.
void CoverageRasterizer::addLine(float x0, float y0, float x1, float y1, float dir) {
    if (!(y1 > y0)) return;  // too short to matter once in single precision
    const float width = float(box_.width());
    const float dxdy = (x1 - x0) / (y1 - y0);
    const int firstRow = std::max(0, int(y0));
    const int endRow = std::min(bandRows_, int(std::ceil(y1)));
    float x = x0;
    for (int r = firstRow; r < endRow; ++r) {
        const float dy = std::min(float(r + 1), y1) - std::max(float(r), y0);
        const float xnext = std::clamp(x + dxdy * dy, 0.0f, width);
        const float d = dy * dir;
        const float xa = std::min(x, xnext), xb = std::max(x, xnext);
        const int ia = int(xa);
        const int ib = int(std::ceil(xb));
        float* line = accumulation_.data() + size_t(r) * size_t(stride_);
        if (ib <= ia + 1) {
            const float mid = 0.5f * (x + xnext) - float(ia);
            line[ia] += d * (1 - mid);
            line[ia + 1] += d * mid;
        } else {
            const float s = 1 / (xb - xa);
            const float fa = xa - float(ia);
            const float a0 = 0.5f * s * (1 - fa) * (1 - fa);
            const float fb = xb - float(ib) + 1;
            const float am = 0.5f * s * fb * fb;
            line[ia] += d * a0;
            if (ib == ia + 2) {
                line[ia + 1] += d * (1 - a0 - am);
            } else {
                const float a1 = s * (1.5f - fa);
                line[ia + 1] += d * (a1 - a0);
                for (int i = ia + 2; i < ib - 1; ++i) line[i] += d * s;
                const float a2 = a1 + float(ib - ia - 3) * s;
                line[ib - 1] += d * (1 - a2 - am);
            }
            line[ib] += d * am;
        }
        touch(r, ia, std::max(ib, ia + 1) + 1);
        x = xnext;
    }
}

void CoverageRasterizer::touch(int row, int first, int end) {
    std::vector<Touched>& cells = touched_[size_t(row)];
    // Consecutive rows of one edge, and neighbouring edges, often extend the last interval.
    if (!cells.empty() && first <= cells.back().end && end >= cells.back().first) {
        cells.back().first = std::min(cells.back().first, first);
        cells.back().end = std::max(cells.back().end, end);
        return;
    }
    cells.push_back({first, end});
}

uint8_t CoverageRasterizer::coverageOf(float sum) const {
    float c = std::fabs(sum);
    if (rule_ == FillRule::evenOdd) {
        c = std::fmod(c, 2.0f);
        if (c > 1) c = 2 - c;
    } else if (c > 1) {
        c = 1;
    }
    return uint8_t(c * 255 + 0.5f);
}

// Turns a row's accumulated areas into spans of coverage. Only the cells that edges
// touched need summing; between them coverage stays as it was, so the gaps are filled
// (inside a shape) or skipped (outside it) without looking at them.
void CoverageRasterizer::emitRow(int localRow) {
    std::vector<Touched>& touched = touched_[size_t(localRow)];
    if (touched.empty()) return;
    std::sort(touched.begin(), touched.end(), [](const Touched& a, const Touched& b) { return a.first < b.first; });
    float* line = accumulation_.data() + size_t(localRow) * size_t(stride_);
    const int width = box_.width();
    const int y = bandTop_ - bandRows_ + localRow;
    float sum = 0;
    uint8_t c = 0;
    int spanStart = -1, pos = 0;
    const auto close = [&](int end) {
        if (spanStart >= 0 && end > spanStart)
            spans_.push_back({y, box_.x0 + spanStart,
                              std::span<const uint8_t>(coverage_.data() + spanStart, size_t(end - spanStart))});
        spanStart = -1;
    };
    for (size_t k = 0; k < touched.size();) {
        // Merge the intervals that overlap into one.
        const int a = touched[k].first;
        int b = touched[k].end;
        for (++k; k < touched.size() && touched[k].first <= b; ++k) b = std::max(b, touched[k].end);
        if (c != 0 && a > pos) std::fill(coverage_.begin() + pos, coverage_.begin() + std::min(a, width), c);
        for (int x = std::max(a, pos); x < std::min(b, width); ++x) {
            sum += line[x];
            c = coverageOf(sum);
            coverage_[size_t(x)] = c;
            if (c == 0) close(x);
            else if (spanStart < 0) spanStart = x;
        }
        std::fill(line + a, line + b, 0.0f);
        pos = std::max(pos, std::min(b, width));
    }
    if (c != 0) std::fill(coverage_.begin() + pos, coverage_.begin() + width, c);
    close(c != 0 ? width : pos);
    touched.clear();
}

}  // namespace platform::raster
