// The bites of a taco bound for a title strip. A grid of cells over the part below the
// flat strip is eaten from one side to the other: each bite is taken at the frontier of
// what is left, grows to swallow cells it would leave behind and small islands, and the
// twelfth takes everything. Then tiny last bites are merged into the one before, and a
// fine scan makes sure every point is eaten, never after a bite has already passed it.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "transitions/effects/taco/taco.h"

namespace furlpane::effects {
namespace {

constexpr double kBiteReach = 0.925;

// The bitten region and its planning grid.
struct Region {
    double width;
    double top;
    double bottom;  // B = crease + radius
    double height;  // H′
    double cell;    // g
    int cols;
    int rows;
    double biteSize;  // R

    explicit Region(const Taco& plan)
        : width(plan.size.x), top(plan.top), bottom(plan.crease + plan.radius),
          height(std::max(1.0, bottom - top)), cell(std::max(2.0, std::min(width, height) / 36)),
          cols(std::max(1, static_cast<int>(std::ceil(width / cell)))),
          rows(std::max(1, static_cast<int>(std::ceil(height / cell)))), biteSize(tacoBiteSize(width, height)) {}
    int count() const { return cols * rows; }
    double2 center(int k) const {
        const int col = k % cols, row = k / cols;
        return {std::min((col + 0.5) * cell, width), std::min(top + (row + 0.5) * cell, bottom)};
    }
};

struct Planned {
    Taco::Bite bite;
    std::vector<int> eaten;
};

std::vector<double2> centersOf(const Region& region, const std::vector<int>& cells) {
    std::vector<double2> points;
    points.reserve(cells.size());
    for (int k : cells) points.push_back(region.center(k));
    return points;
}

std::vector<int> uneatenCells(const std::vector<bool>& uneaten) {
    std::vector<int> cells;
    for (std::size_t k = 0; k < uneaten.size(); ++k)
        if (uneaten[k]) cells.push_back(static_cast<int>(k));
    return cells;
}

bool ahead(double x, double than, int direction) { return direction > 0 ? x > than : x < than; }

// The frontier cell: one of the uneaten cells nearest the side being eaten from.
double2 frontierCell(const Region& region, const std::vector<int>& left, int direction, double u) {
    double frontier = region.center(left.front()).x;
    for (int k : left) {
        const double x = region.center(k).x;
        frontier = direction > 0 ? std::min(frontier, x) : std::max(frontier, x);
    }
    std::vector<int> candidates;
    for (int k : left)
        if (std::abs(region.center(k).x - frontier) <= 1.01 * region.cell) candidates.push_back(k);
    const auto count = static_cast<int>(candidates.size());
    const int pick = std::min(static_cast<int>(std::floor(count * u)), count - 1);
    return region.center(candidates[static_cast<std::size_t>(pick)]);
}

Planned takeBite(const Region& region, std::vector<bool>& uneaten, int direction, bool last, EffectRandom& random) {
    const double R = region.biteSize, mid = (region.top + region.bottom) / 2;
    const double lo = region.top + 0.2 * R, hi = region.bottom - 0.2 * R;
    const double spare = (region.height - 1.3 * R) / R;
    const double k = spare > 0 ? 0.15 + 0.85 * std::min(1.0, spare) : 0.15;

    std::vector<int> left = uneatenCells(uneaten);
    const double2 f = frontierCell(region, left, direction, random.unit());
    const double uy = random.unit();
    double cy = lo <= hi ? std::clamp(mid + (f.y - mid) * k + (uy - 0.5) * 0.12 * region.height, lo, hi) : mid;
    cy = std::min(std::max(cy, f.y - 0.55 * R), f.y + 0.55 * R);
    const double2 c{f.x + direction * (0.3 + 0.2 * random.unit()) * R, cy};
    double rr = (0.9 + 0.2 * random.unit()) * R;

    std::vector<double2> behind;
    for (int cell : left)
        if (ahead(c.x, region.center(cell).x, direction)) behind.push_back(region.center(cell));
    if (!behind.empty()) rr = std::max(rr, coverRadius(c, region.cell, behind));
    if (last) rr = std::max(rr, coverRadius(c, region.cell, centersOf(region, left)));

    Planned planned{{c, rr, 0}, {}};
    for (int cell : left) {
        if (distance(region.center(cell), c) < kBiteReach * rr) {
            uneaten[static_cast<std::size_t>(cell)] = false;
            planned.eaten.push_back(cell);
        }
    }
    const auto groups = uneatenGroups(uneaten, region.cols);
    for (std::size_t g = 1; g < groups.size(); ++g) {
        const double needed = coverRadius(c, region.cell, centersOf(region, groups[g]));
        if (needed > 1.5 * R) continue;
        planned.bite.radius = std::max(planned.bite.radius, needed);
        for (int cell : groups[g]) {
            uneaten[static_cast<std::size_t>(cell)] = false;
            planned.eaten.push_back(cell);
        }
    }
    return planned;
}

// A last bite that would eat less than a fifth of the average is merged into the one before.
void mergeSmallLastBites(std::vector<Planned>& bites, const Region& region) {
    while (bites.size() > 1) {
        const std::size_t n = bites.size();
        std::size_t before = 0;
        for (std::size_t i = 0; i + 1 < n; ++i) before += bites[i].eaten.size();
        if (0.2 * static_cast<double>(before) / static_cast<double>(n - 1) <= static_cast<double>(bites.back().eaten.size()))
            return;
        Taco::Bite& previous = bites[n - 2].bite;
        previous.radius =
            std::max(previous.radius, coverRadius(previous.center, region.cell, centersOf(region, bites.back().eaten)));
        bites.pop_back();
    }
}

bool covers(const Taco::Bite& bite, double2 p) { return distance(p, bite.center) < kBiteReach * bite.radius; }

void coverPoint(std::vector<Taco::Bite>& bites, double2 p, double step, int direction) {
    std::size_t first = bites.size();
    for (std::size_t i = 0; i < bites.size(); ++i)
        if (covers(bites[i], p)) {
            first = i;
            break;
        }
    const bool covered = first < bites.size();
    for (std::size_t j = 0; j < bites.size(); ++j) {
        if (!ahead(bites[j].center.x, p.x, direction)) continue;
        if (!(covered && first <= j))
            bites[j].radius = std::max(bites[j].radius, coverRadius(bites[j].center, step, {p}));
        return;
    }
    if (covered) return;
    std::size_t nearest = 0;
    double best = distance(p, bites[0].center) - kBiteReach * bites[0].radius;
    for (std::size_t i = 1; i < bites.size(); ++i) {
        const double gap = distance(p, bites[i].center) - kBiteReach * bites[i].radius;
        if (gap < best) best = gap, nearest = i;
    }
    bites[nearest].radius = std::max(bites[nearest].radius, coverRadius(bites[nearest].center, step, {p}));
}

void coverLeftovers(std::vector<Taco::Bite>& bites, const Region& region, int direction) {
    if (bites.empty()) return;
    const double step = std::max(1.5, std::min(region.width, region.height) / 120);
    for (int row = 0;; ++row) {
        const double y = region.top + (row + 0.5) * step;
        if (!(y < region.bottom)) break;
        for (int col = 0;; ++col) {
            const double x = (col + 0.5) * step;
            if (!(x < region.width)) break;
            coverPoint(bites, {x, y}, step, direction);
        }
    }
}

void timeBites(std::vector<Taco::Bite>& bites, Phase window, EffectRandom& random) {
    std::vector<double> weights;
    double total = 0;
    for (std::size_t i = 0; i < bites.size(); ++i) {
        weights.push_back(0.75 + 0.5 * random.unit());
        total += weights.back();
    }
    double before = 0;
    for (std::size_t i = 0; i < bites.size(); ++i) {
        bites[i].time = window.lower + (window.upper - window.lower) * before / total;
        before += weights[i];
    }
}

}  // namespace

double tacoBiteSize(double width, double regionHeight) {
    const double r0 = std::max(0.7 * regionHeight, width / 10.5);
    return std::max(16.0, std::min(r0, 0.45 * std::max(regionHeight, width)));
}

double coverRadius(double2 center, double margin, const std::vector<double2>& points) {
    double farthest = 0;
    for (const double2& p : points) farthest = std::max(farthest, distance(center, p));
    return (margin + farthest) / kBiteReach;
}

std::vector<std::vector<int>> uneatenGroups(const std::vector<bool>& uneaten, int cols) {
    const int count = static_cast<int>(uneaten.size());
    std::vector<bool> seen(uneaten.size(), false);
    std::vector<std::vector<int>> groups;
    std::vector<int> stack;
    for (int start = 0; start < count; ++start) {
        if (!uneaten[static_cast<std::size_t>(start)] || seen[static_cast<std::size_t>(start)]) continue;
        std::vector<int> group;
        seen[static_cast<std::size_t>(start)] = true;
        stack.push_back(start);
        while (!stack.empty()) {
            const int k = stack.back();
            stack.pop_back();
            group.push_back(k);
            const int col = cols > 0 ? k % cols : 0;
            auto visit = [&](int n) {
                if (n < 0 || n >= count || !uneaten[static_cast<std::size_t>(n)] || seen[static_cast<std::size_t>(n)])
                    return;
                seen[static_cast<std::size_t>(n)] = true;
                stack.push_back(n);
            };
            if (col > 0) visit(k - 1);
            if (col + 1 < cols) visit(k + 1);
            visit(k - cols);
            visit(k + cols);
        }
        groups.push_back(std::move(group));
    }
    std::stable_sort(groups.begin(), groups.end(),
                     [](const std::vector<int>& a, const std::vector<int>& b) { return a.size() > b.size(); });
    return groups;
}

std::vector<Taco::Bite> planBites(const Taco& plan, EffectRandom& random) {
    const Region region(plan);
    const int direction = random.unit() >= 0.5 ? 1 : -1;
    std::vector<bool> uneaten(static_cast<std::size_t>(region.count()), true);
    std::vector<Planned> planned;
    while (planned.size() < static_cast<std::size_t>(kMaxBites)) {
        if (std::find(uneaten.begin(), uneaten.end(), true) == uneaten.end()) break;
        const bool last = planned.size() + 1 == static_cast<std::size_t>(kMaxBites);
        planned.push_back(takeBite(region, uneaten, direction, last, random));
    }
    mergeSmallLastBites(planned, region);
    std::vector<Taco::Bite> bites;
    for (const Planned& p : planned) bites.push_back(p.bite);
    coverLeftovers(bites, region, direction);
    timeBites(bites, plan.timing.bites, random);
    return bites;
}

std::vector<Taco::Piece> biteAway(std::vector<Taco::Piece> pieces, const std::vector<Taco::Bite>& bites,
                                  const Taco& plan, EffectRandom& random) {
    for (Taco::Piece& p : pieces) {
        double time = bites.empty() ? 2 : bites.back().time;
        for (const Taco::Bite& bite : bites) {
            if (distance(double2{p.rest.x, p.rest.y}, bite.center) < kBiteReach * bite.radius + 0.5 * p.length + 2) {
                time = bite.time;
                break;
            }
        }
        p.gone = time + 0.004;
        p.falls = p.kind != Taco::Kind::leaf && random.unit() < 0.1;
        const double side = random.unit(), vx = random.unit(), vy = random.unit(), vz = random.unit();
        p.spin = (random.unit() - 0.5) * 14;
        p.life = std::max(0.04, std::min(0.25 + 0.15 * random.unit(), (plan.timing.crumbsGone - p.gone) * 1.2));
        p.velocity = {(side < 0.5 ? -1 : 1) * (60 + 140 * vx), 40 + 120 * vy, 20 + 60 * vz};
    }
    return pieces;
}

namespace {

double2 crumbPlace(const Taco::Bite& bite, const std::vector<Taco::Bite>& earlier, const Region& region,
                   EffectRandom& random) {
    double2 p = bite.center;
    for (int attempt = 0; attempt < 24; ++attempt) {
        const double angle = 2 * std::numbers::pi * random.unit();
        const double reach = std::sqrt(random.unit()) * bite.radius * kBiteReach;
        const double2 q = bite.center + double2{std::cos(angle), std::sin(angle)} * reach;
        const bool inside = q.x >= 0 && q.x <= region.width && q.y >= region.top && q.y <= region.bottom;
        const bool fresh = std::none_of(earlier.begin(), earlier.end(), [&](const Taco::Bite& b) { return covers(b, q); });
        if (inside && fresh) {
            p = q;
            break;
        }
    }
    return {std::clamp(p.x, 0.0, region.width), std::clamp(p.y, region.top, region.bottom)};
}

Taco::Piece crumb(const Taco::Bite& bite, double2 p, const Taco& plan, EffectRandom& random) {
    static constexpr Taco::Kind kFilling[] = {Taco::Kind::lettuce, Taco::Kind::cheese, Taco::Kind::tomato,
                                              Taco::Kind::meat};
    const double s = plan.pieceScale;
    Taco::Piece c;
    double base = 2.6, span = 3.4;
    c.kind = Taco::Kind::shell;
    if (random.unit() >= 0.65) {
        c.kind = kFilling[std::min(static_cast<int>(std::floor(4 * random.unit())), 3)];
        base = 2.0, span = 2.4;
    }
    c.rest = {p.x, p.y, random.unit() * plan.foldedEdge(p.x).y};
    c.length = (base + span * random.unit()) * s;
    c.angle = 2 * std::numbers::pi * random.unit();
    c.bend = (random.unit() - 0.5) * 0.2 / s;
    c.tint = random.unit();
    c.spin = (random.unit() - 0.5) * 24;
    const bool shred = c.kind == Taco::Kind::lettuce || c.kind == Taco::Kind::cheese;
    c.width = shred ? 0.45 * c.length : c.length * (0.8 + 0.2 * random.unit());
    const double vx = 30 + 110 * random.unit(), vy = 120 * random.unit() - 40, vz = 80 * random.unit() - 20;
    c.life = std::max(0.04, std::min(0.26 + 0.16 * random.unit(), (plan.timing.crumbsGone - bite.time) * 1.2));
    c.velocity = {p.x < bite.center.x ? -vx : vx, vy, vz};
    c.gone = bite.time;
    c.falls = true;
    return c;
}

}  // namespace

std::vector<Taco::Piece> biteCrumbs(const std::vector<Taco::Bite>& bites, const Taco& plan, EffectRandom& random) {
    const Region region(plan);
    std::vector<Taco::Piece> crumbs;
    for (std::size_t i = 0; i < bites.size(); ++i) {
        const double many = std::trunc(bites[i].radius / (6 * plan.pieceScale));
        const int n = static_cast<int>(std::clamp(many, 6.0, 26.0));
        const std::vector<Taco::Bite> earlier(bites.begin(), bites.begin() + static_cast<std::ptrdiff_t>(i));
        for (int k = 0; k < n; ++k) {
            const double2 p = crumbPlace(bites[i], earlier, region, random);
            crumbs.push_back(crumb(bites[i], p, plan, random));
        }
    }
    return crumbs;
}

}  // namespace furlpane::effects
