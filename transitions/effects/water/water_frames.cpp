// One frame of the water effect: which phase shows, every drop's state and weight, the
// drop records, the puddles and the `look` array of the water shaders:
//
//   0      drawing rectangle x, y, width, height (all 0 when empty)
//   1      level, reach, floor, clock (1.2 × t minimizing, 1.2 × (1 − t) restoring)
//   2      zeros, filled in by the renderer
//   3      ripple origin x, y, ripple radius, ripple strength
//   4      window shown whole, there are drop frames, stand-in shown (each 1 or 0), 1
//   5...9  the first puddle's five records; 10...14 the second's
//
// The cost is linear in the drops: every state is closed-form, and the weights look
// only at the drops in the 3 × 3 block of grid cells around each loose drop.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "transitions/effects/water/water.h"

namespace furlpane::effects {

namespace {

// Rectangles as (x, y, width, height); an empty one has no width and no height.
struct Box {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool empty = true;

    void add(double x, double y, double w, double h) {
        if (!(w > 0 || h > 0)) return;
        if (empty) {
            *this = {x, y, x + w, y + h, false};
            return;
        }
        x0 = std::min(x0, x);
        y0 = std::min(y0, y);
        x1 = std::max(x1, x + w);
        y1 = std::max(y1, y + h);
    }
    void addGrown(double4 r, double by) { add(r.x - by, r.y - by, r.z + 2 * by, r.w + 2 * by); }
};

// The present states bucketed by grid cell, in cell order (rows from the top, cells
// from the left) and, within a cell, in index order. A grid with few cells per state
// is counted straight into place; a sparse one (states strewn far apart) is sorted, so
// that memory stays linear in the states either way.
class NeighbourGrid {
public:
    NeighbourGrid(const std::vector<std::optional<Water::State>>& states, double reach) {
        double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
        for (const auto& s : states) {
            if (!s) continue;
            minX = std::min(minX, s->position.x);
            maxX = std::max(maxX, s->position.x);
            minY = std::min(minY, s->position.y);
            maxY = std::max(maxY, s->position.y);
        }
        side_ = std::max(1.0, reach);
        minX_ = minX;
        minY_ = minY;
        columns_ = countAlong(maxX - minX);
        rows_ = countAlong(maxY - minY);
        build(states, reach);
    }

    // The cell of a position, each index clamped to the grid.
    std::pair<int64_t, int64_t> cellOf(double2 p) const { return {indexAlong(p.y - minY_, rows_), indexAlong(p.x - minX_, columns_)}; }
    // The cell (row, column) of the state with index i, which must be present.
    std::pair<int64_t, int64_t> cellOfState(size_t i) const {
        const int64_t key = keyOfState_[i];
        return {key / columns_, key % columns_};
    }
    int64_t rows() const { return rows_; }
    int64_t columns() const { return columns_; }

    // The states in cells c0...c1 of one row: a run of the packed arrays.
    std::pair<size_t, size_t> run(int64_t row, int64_t c0, int64_t c1) const {
        const int64_t first = row * columns_ + c0, last = row * columns_ + c1;
        if (!starts_.empty()) return {starts_[static_cast<size_t>(first)], starts_[static_cast<size_t>(last + 1)]};
        const auto b = std::lower_bound(keys_.begin(), keys_.end(), first);
        const auto e = std::upper_bound(b, keys_.end(), last);
        return {static_cast<size_t>(b - keys_.begin()), static_cast<size_t>(e - keys_.begin())};
    }

    std::vector<double> x, y, radius2;
    std::vector<uint32_t> index;

private:
    int64_t countAlong(double extent) const {
        const double q = extent / side_;
        return q < 4095 ? static_cast<int64_t>(q) + 1 : 4096;
    }
    int64_t indexAlong(double offset, int64_t count) const {
        const double q = offset / side_;
        if (!(q > 0)) return 0;
        return q < static_cast<double>(count - 1) ? static_cast<int64_t>(q) : count - 1;
    }

    void build(const std::vector<std::optional<Water::State>>& states, double reach) {
        std::vector<std::pair<int64_t, uint32_t>> entries;
        entries.reserve(states.size());
        keyOfState_.assign(states.size(), -1);
        for (size_t i = 0; i < states.size(); ++i) {
            if (!states[i]) continue;
            const auto [row, column] = cellOf(states[i]->position);
            keyOfState_[i] = row * columns_ + column;
            entries.push_back({keyOfState_[i], static_cast<uint32_t>(i)});
        }
        const int64_t cells = rows_ * columns_;
        if (cells <= 4 * static_cast<int64_t>(entries.size()) + 4096) {
            countIntoPlace(entries, static_cast<size_t>(cells));
        } else {
            std::sort(entries.begin(), entries.end());
            for (const auto& e : entries) keys_.push_back(e.first);
        }
        for (const auto& e : entries) {
            const Water::State& s = *states[e.second];
            const double r = s.size * reach;
            x.push_back(s.position.x);
            y.push_back(s.position.y);
            radius2.push_back(r * r);
            index.push_back(e.second);
        }
    }

    void countIntoPlace(std::vector<std::pair<int64_t, uint32_t>>& entries, size_t cells) {
        starts_.assign(cells + 1, 0);
        for (const auto& e : entries) ++starts_[static_cast<size_t>(e.first) + 1];
        for (size_t c = 0; c < cells; ++c) starts_[c + 1] += starts_[c];
        std::vector<std::pair<int64_t, uint32_t>> placed(entries.size());
        std::vector<size_t> next(starts_.begin(), starts_.end() - 1);
        for (const auto& e : entries) placed[next[static_cast<size_t>(e.first)]++] = e;
        entries.swap(placed);
    }

    double side_ = 1, minX_ = 0, minY_ = 0;
    int64_t columns_ = 1, rows_ = 1;
    std::vector<size_t> starts_;  // dense grid: where each cell's run begins
    std::vector<int64_t> keys_;   // sparse grid: the cell of each packed state
    std::vector<int64_t> keyOfState_;  // the cell of each state by index; −1 when absent
};

// The field of the other drops near drop i, summed in cell order and index order.
//
// The terms are never negative, so once a sum has reached the point where the weight's
// boost max(0, 1.4 × level − sum − 1) is 0 for good, the remaining terms cannot change
// the weight. Two shortcuts follow from that, and neither changes a weight:
// - First the drop's own cell alone is summed, in any order, and the sum stops as soon
//   as it passes the point by a margin far larger than any difference that the order
//   of summation can make (1e-9 against sums below a few hundred): then the whole sum
//   passes it too, and the weight is 1.
// - Otherwise the block is walked in order and the walk stops as soon as the sum passes
//   the point. The runs are walked in short chunks, each first narrowed without
//   branches to the drops whose blob reaches drop i (d² < r²; for d² ≥ r² the quotient q
//   is at least 1 and adds nothing).
// In clumps of drops on the floor a handful of neighbours thus settle a weight instead
// of hundreds.
double neighbourField(const NeighbourGrid& grid, size_t i, double2 p, double boostBase) {
    constexpr size_t kChunk = 8;
    const auto [row, column] = grid.cellOfState(i);
    const int64_t c0 = std::max<int64_t>(0, column - 1), c1 = std::min(grid.columns() - 1, column + 1);
    const double* xs = grid.x.data();
    const double* ys = grid.y.data();
    const double* r2 = grid.radius2.data();
    {
        const auto [begin, end] = grid.run(row, column, column);
        double quick = 0;
        for (size_t k = begin; k < end; ++k) {
            const double dx = xs[k] - p.x, dy = ys[k] - p.y;
            const double d2 = dx * dx + dy * dy;
            if (!(d2 < r2[k]) || grid.index[k] == i) continue;
            const double q = d2 / r2[k];
            if (!(q < 1)) continue;
            quick += (1 - q) * (1 - q) * (1 - q);
            if (boostBase - quick - 1 <= -1e-9) return quick;
        }
    }
    double sum = 0;
    for (int64_t r = std::max<int64_t>(0, row - 1); r <= std::min(grid.rows() - 1, row + 1); ++r) {
        const auto [begin, end] = grid.run(r, c0, c1);
        for (size_t from = begin; from < end; from += kChunk) {
            const size_t to = std::min(end, from + kChunk);
            size_t reaching[kChunk];
            size_t n = 0;
            for (size_t k = from; k < to; ++k) {
                const double dx = xs[k] - p.x, dy = ys[k] - p.y;
                reaching[n] = k;
                n += static_cast<size_t>(dx * dx + dy * dy < r2[k]);
            }
            for (size_t m = 0; m < n; ++m) {
                const size_t k = reaching[m];
                if (grid.index[k] == i) continue;
                const double dx = xs[k] - p.x, dy = ys[k] - p.y;
                const double q = (dx * dx + dy * dy) / r2[k];
                if (!(q < 1)) continue;
                sum += (1 - q) * (1 - q) * (1 - q);
                if (boostBase - sum - 1 <= 0) return sum;
            }
        }
    }
    return sum;
}

}  // namespace

std::vector<double> Water::dropWeights(const std::vector<std::optional<State>>& states) const {
    std::vector<double> weights(states.size(), 1.0);
    const bool anyLoose = std::any_of(states.begin(), states.end(), [](const auto& s) { return s && s->loose > 0; });
    if (!anyLoose) return weights;
    const NeighbourGrid grid(states, reach);
    for (size_t i = 0; i < states.size(); ++i) {
        if (!states[i] || !(states[i]->loose > 0)) continue;
        // A lone loose drop grows until its own peak and its neighbours' field reach 1.4
        // times the level; the boost comes in over 0.05 s after release.
        const double s = smoothstep(std::min(1.0, states[i]->loose / 0.05));
        if (!(s > 0)) continue;
        const double base = 1.4 * level;
        const double sum = neighbourField(grid, i, states[i]->position, base);
        weights[i] = 1 + s * std::max(0.0, base - sum - 1);
    }
    return weights;
}

namespace {

struct Shown {
    bool drops = false;
    bool puddles = false;
    bool whole = false;
    bool standIn = false;
};

Shown shownAt(const Water& water, double t) {
    if (!water.isRestoring) {
        if (t < 0.02) return {false, false, true, false};
        if (t < 0.86) return {true, true, false, false};
        if (!water.isTitleStrip && t >= 0.92) return {false, false, false, true};
        return {false, true, false, false};
    }
    const double u = 1 - t;
    if (u >= 0.92) return {false, false, true, false};
    if (!water.isTitleStrip && u < 0.06) return {false, false, false, true};
    return {false, true, false, false};
}

// A streak is limited to 2.5 radii, and for drops up to full size to 2.5 radii × size.
double2 streakOf(double2 velocity, double step, double r, double size) {
    double2 streak = velocity * step;
    const double limit = size > 1 ? 2.5 * r : 2.5 * r * size;
    const double l = std::sqrt(streak.x * streak.x + streak.y * streak.y);
    if (l > limit) streak = streak * (limit / l);
    return streak;
}

std::vector<Water::DropFrame> dropFrames(const Water& water, double t, double step, Box& extent) {
    std::vector<std::optional<Water::State>> states;
    states.reserve(water.drops.size());
    for (const Water::Drop& drop : water.drops) states.push_back(water.dropState(drop, t));
    const std::vector<double> weights = water.dropWeights(states);
    std::vector<Water::DropFrame> frames;
    frames.reserve(states.size());
    for (size_t i = 0; i < states.size(); ++i) {
        if (!states[i]) continue;
        const Water::State& s = *states[i];
        const double r = water.reach * s.size;
        if (!(r > 0.25)) continue;
        const double2 streak = streakOf(s.velocity, step, r, s.size);
        const double2 moved = s.position - water.drops[i].rest;
        frames.push_back({toFloat4(s.position.x, s.position.y, moved.x, moved.y), toFloat4(streak.x, streak.y, r, weights[i]),
                          toFloat4(s.picture, 0, 0, 0)});
        const double2 half{r + std::abs(streak.x) / 2, r + std::abs(streak.y) / 2};
        extent.add(s.position.x - half.x, s.position.y - half.y, 2 * half.x, 2 * half.y);
    }
    return frames;
}

float4 clippedTo(const Box& box, double2 view) {
    if (box.empty) return {0, 0, 0, 0};
    const double x0 = std::max(box.x0, 0.0), y0 = std::max(box.y0, 0.0);
    const double x1 = std::min(box.x1, view.x), y1 = std::min(box.y1, view.y);
    if (!(x1 - x0 > 0 && y1 - y0 > 0)) return {0, 0, 0, 0};
    return toFloat4(x0, y0, x1 - x0, y1 - y0);
}

}  // namespace

WaterFrame waterFrame(const Water& water, double t, const Placement& placement) {
    const Shown phase = shownAt(water, t);
    const Rect2 window = placement.window, standIn = placement.standIn;
    WaterFrame out;
    Box drawn;
    if (phase.drops) {
        Box extent;
        out.records = dropFrames(water, t, placement.frameStep(kWaterFrameRate), extent);
        if (!extent.empty) drawn.add(extent.x0, extent.y0, extent.x1 - extent.x0, extent.y1 - extent.y0);
    }
    std::pair<std::optional<Water::Puddle>, std::optional<Water::Puddle>> found;
    if (phase.puddles) found = water.puddles(t, window.origin, window.size, standIn.origin, standIn.size);

    const bool strip = water.isTitleStrip, restoring = water.isRestoring;
    if (phase.whole) drawn.add(window.origin.x, window.origin.y, window.size.x, window.size.y);
    if (phase.standIn) drawn.add(standIn.origin.x, standIn.origin.y, standIn.size.x, standIn.size.y);
    if (t < (strip ? 0.32 : 0.29)) drawn.addGrown(water.region, 24);
    for (const auto* p : {&found.first, &found.second}) {
        if (*p && ((*p)->target.z > 0 || (*p)->target.w > 0)) drawn.addGrown((*p)->target, (*p)->spill + 24);
    }
    if (strip) drawn.add(window.origin.x, window.origin.y, window.size.x, water.region.y - window.origin.y);

    const double rippleRadius = phaseProgress({0.02, 0.12}, t) * water.rippleReach;
    const double rippleStrength =
        restoring ? 0
                  : smoothstep(phaseProgress({0.02, 0.06}, t)) *
                        (1 - smoothstep(phaseProgress({strip ? 0.27 : 0.24, 0.46}, t)));
    out.look = {clippedTo(drawn, placement.viewSize),
                toFloat4(water.level, water.reach, water.floor, 1.2 * (restoring ? 1 - t : t)),
                float4{0, 0, 0, 0},
                toFloat4(water.rippleOrigin.x, water.rippleOrigin.y, rippleRadius, rippleStrength),
                toFloat4(phase.whole ? 1 : 0, out.records.empty() ? 0 : 1, phase.standIn ? 1 : 0, 1)};
    for (const auto* p : {&found.first, &found.second}) {
        const std::vector<float4> records = puddleRecords(*p);
        out.look.insert(out.look.end(), records.begin(), records.end());
    }
    return out;
}

}  // namespace furlpane::effects
