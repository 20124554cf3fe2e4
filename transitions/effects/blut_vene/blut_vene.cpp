#include "transitions/effects/blut_vene/blut_vene.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numeric>

namespace furlpane::effects {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// One row up and one column left, straight up, one row up and one column right.
constexpr std::array<int, 3> kGrowthColumnStep{-1, 0, 1};
constexpr int kStraight = 1;

double unit(uint32_t x) { return static_cast<double>(veinHash(x)) * 0x1.0p-32; }


struct Keys {
    std::array<uint32_t, 8> k{};  // k[1] ... k[7]
    explicit Keys(uint32_t seed) {
        const uint32_t s0 = veinHash(seed);
        for (uint32_t j = 1; j <= 7; ++j) k[j] = veinHash(s0 ^ j);
    }
    double operator()(int key, int64_t index) const { return unit(k[key] ^ static_cast<uint32_t>(index)); }
};

// The grid and the cheapest way from every cell down to the bottom edge.
struct Network {
    int columns = 2;
    int rows = 2;
    int n = 4;
    double2 origin;
    double2 cell;
    double bottom = 0;
    double bend = 0;
    std::vector<double2> points;
    std::vector<double> head;  // head start of each bottom cell
    std::vector<double> best;
    std::vector<int> from;
    std::vector<bool> drawn;
    std::vector<int> weight;
    std::vector<double> length;
    std::vector<int> tree;

    int bottomIndex(int x) const { return (rows - 1) * columns + x; }
};

void placePoints(Network& net, const Keys& key) {
    net.points.resize(static_cast<size_t>(net.n));
    for (int i = 0; i < net.n; ++i) {
        const int x = i % net.columns, y = i / net.columns;
        // The centre of the cell, shaken by up to 0.2 of a cell on each axis.
        net.points[i] = {(x + 0.5 + (key(1, i) - 0.5) * 0.4) * net.cell.x + net.origin.x,
                         (y + 0.5 + (key(2, i) - 0.5) * 0.4) * net.cell.y + net.origin.y};
    }
}

// Shortest paths upward, one row at a time, over path states (cell, arriving direction).
void relax(Network& net, const Keys& key) {
    std::vector<double> cost(static_cast<size_t>(net.n) * 3, kInfinity);
    std::vector<int> parent(static_cast<size_t>(net.n) * 3, -1);
    net.head.resize(static_cast<size_t>(net.columns));
    for (int x = 0; x < net.columns; ++x) {
        const int i = net.bottomIndex(x);
        net.head[x] = key(3, x) * net.cell.y * 3;
        cost[i * 3 + kStraight] = net.head[x] + (net.bottom - net.points[i].y);
    }
    for (int y = net.rows - 2; y >= 0; --y) {
        for (int x = 0; x < net.columns; ++x) {
            const int i = y * net.columns + x;
            for (int d = 0; d < 3; ++d) {
                const int sx = x - kGrowthColumnStep[d];
                if (sx < 0 || sx >= net.columns) continue;
                const int j = (y + 1) * net.columns + sx;
                double link = (key(4, int64_t{j} * 3 + d) + 0.6) * length(net.points[j] - net.points[i]);
                if (d != kStraight) link *= 1.25;
                for (int e = 0; e < 3; ++e) {
                    if (!std::isfinite(cost[j * 3 + e])) continue;
                    const double candidate = cost[j * 3 + e] + link + std::abs(e - d) * net.bend * 0.45;
                    if (candidate < cost[i * 3 + d]) {
                        cost[i * 3 + d] = candidate;
                        parent[i * 3 + d] = j;
                    }
                }
            }
        }
    }
    net.best.resize(static_cast<size_t>(net.n));
    net.from.resize(static_cast<size_t>(net.n));
    for (int i = 0; i < net.n; ++i) {
        int chosen = 0;
        for (int d = 1; d < 3; ++d)
            if (cost[i * 3 + d] < cost[i * 3 + chosen]) chosen = d;
        net.best[i] = cost[i * 3 + chosen];
        net.from[i] = parent[i * 3 + chosen];
    }
}

// 55 percent of the tips are cut, once; a bottom point without children is never drawn.
void cutTips(Network& net, const Keys& key) {
    std::vector<int> kids(static_cast<size_t>(net.n), 0);
    for (int i = 0; i < net.n; ++i)
        if (net.from[i] >= 0) ++kids[net.from[i]];
    net.drawn.assign(static_cast<size_t>(net.n), true);
    for (int i = 0; i < net.n; ++i)
        if (kids[i] == 0) net.drawn[i] = net.from[i] >= 0 && key(5, i) >= 0.55;
}

// Children before parents: best descending, index descending among equal bests.
std::vector<int> leavesFirst(const Network& net) {
    std::vector<int> order(static_cast<size_t>(net.n));
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        if (net.best[a] != net.best[b]) return net.best[a] > net.best[b];
        return a > b;
    });
    return order;
}

void weighTrees(Network& net, const std::vector<int>& order) {
    net.weight.assign(static_cast<size_t>(net.n), 0);
    for (int c : order) {
        if (!net.drawn[c]) continue;
        net.weight[c] += 1;
        if (net.from[c] >= 0) net.weight[net.from[c]] += net.weight[c];
    }
    net.length.assign(static_cast<size_t>(net.n), 0);
    net.tree.assign(static_cast<size_t>(net.n), 0);
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        const int c = *it;
        if (!net.drawn[c]) continue;
        const int p = net.from[c];
        if (p < 0) {
            net.length[c] = net.bottom - net.points[c].y;
            net.tree[c] = c;
        } else {
            net.length[c] = net.length[p] + length(net.points[p] - net.points[c]);
            net.tree[c] = net.tree[p];
        }
    }
}

// Turns costs into times of growth and cell counts into widths.
struct Scales {
    double norm = 1;
    double widthScale = 1;
    double time(double v) const { return v * 0.31 / norm + 0.03; }
    double width(int w) const { return std::min(4.0, 2.8 + 0.16 * std::log2(std::max(1.0, double(w)))) * widthScale; }
};

Scales scalesOf(const Network& net) {
    Scales s;
    bool any = false;
    double largest = 0;
    for (int i = 0; i < net.n; ++i) {
        if (!net.drawn[i]) continue;
        largest = any ? std::max(largest, net.best[i]) : net.best[i];
        any = true;
    }
    s.norm = any ? std::max(largest, 1e-9) : 1;
    s.widthScale = std::clamp(std::sqrt(net.bend / 19), 1.0, 1.5);
    return s;
}

void appendTrunks(const Network& net, const Keys& key, const Scales& s, BlutVene& veins) {
    for (int x = 0; x < net.columns; ++x) {
        const int i = net.bottomIndex(x);
        if (!net.drawn[i] || net.from[i] >= 0 || net.weight[i] < 2) continue;
        const double2 p = net.points[i];
        veins.segments.push_back({toFloat4(p.x, net.bottom, p.x, p.y),
                                  toFloat4(s.time(net.head[x]), s.time(net.best[i]), s.width(net.weight[i]), 1),
                                  toFloat4(0, key(6, i), 0, 0)});
    }
    veins.trunks = static_cast<int>(veins.segments.size());
}

void appendBranches(const Network& net, const Keys& key, const Scales& s, BlutVene& veins) {
    for (int c = 0; c < net.n; ++c) {
        const int p = net.from[c];
        if (!net.drawn[c] || p < 0) continue;
        // Thick veins always show; eight percent of the thin twigs are hidden.
        const double shown = net.weight[c] > 6 ? 1 : (key(7, c) < 0.08 ? 0 : 1);
        const double2 a = net.points[p], b = net.points[c];
        veins.segments.push_back({toFloat4(a.x, a.y, b.x, b.y),
                                  toFloat4(s.time(net.best[p]), s.time(net.best[c]), s.width(net.weight[c]), shown),
                                  toFloat4(net.length[p], key(6, net.tree[c]), 0, 0)});
    }
}

int gridSide(int64_t requested) { return static_cast<int>(std::clamp<int64_t>(requested, 2, kMaxVeinGridSide)); }

// A region that is not finite has no shortest paths worth the name, and would leave the
// costs unordered; its origin counts as 0 and its size as 1 on such an axis.
double2 finiteOr(double2 v, double fallback) {
    return {std::isfinite(v.x) ? v.x : fallback, std::isfinite(v.y) ? v.y : fallback};
}

}  // namespace

uint32_t veinHash(uint32_t x) {
    const uint32_t h = x * 747796405u + 2891336453u;
    const uint32_t w = ((h >> ((h >> 28) + 4u)) ^ h) * 277803737u;
    return (w >> 22) ^ w;
}

BlutVene blutVenePlan(const TransitionUniforms& uniforms) {
    const double height = uniforms.window.w;
    const double cut = isTitleStrip(uniforms)
                           ? std::min(height, std::max(0.0, static_cast<double>(uniforms.titleBarHeight)))
                           : 0;
    const double2 origin{uniforms.window.x, uniforms.window.y + cut};
    const double2 size{uniforms.window.z, std::max(1.0, height - cut)};
    return makeBlutVene(uniforms.grid.x, uniforms.grid.y, uniforms.seed, origin, size);
}

BlutVene makeBlutVene(int64_t columns, int64_t rows, uint32_t seed, double2 givenOrigin, double2 givenSize) {
    const double2 origin = finiteOr(givenOrigin, 0);
    const double2 size = finiteOr(givenSize, 1);
    const Keys key(seed);
    Network net;
    net.columns = gridSide(columns);
    net.rows = gridSide(rows);
    net.n = net.columns * net.rows;
    net.origin = origin;
    net.cell = {std::max(1.0, size.x) / net.columns, std::max(1.0, size.y) / net.rows};
    net.bottom = origin.y + size.y;
    net.bend = std::max(net.cell.x, net.cell.y);
    placePoints(net, key);
    relax(net, key);
    cutTips(net, key);
    weighTrees(net, leavesFirst(net));
    const Scales scales = scalesOf(net);

    BlutVene veins;
    veins.region = {origin, size};
    veins.columns = net.columns;
    veins.rows = net.rows;
    veins.cell = net.cell;
    appendTrunks(net, key, scales, veins);
    appendBranches(net, key, scales, veins);
    return veins;
}

BlutVeneFrame blutVeneFrame(const BlutVene& plan, double, const Placement&) {
    BlutVeneFrame frame;
    frame.look = {toFloat4(plan.region), toFloat4(plan.columns, plan.rows, plan.trunks,
                                                  static_cast<double>(plan.segments.size()))};
    return frame;
}

}  // namespace furlpane::effects
