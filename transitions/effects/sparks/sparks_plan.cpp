#include <algorithm>
#include <cmath>
#include <numbers>

#include "transitions/effects/sparks/sparks.h"

namespace furlpane::effects {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr int kDrawsPerSpark = 12;

int gridSide(int64_t requested) {
    return static_cast<int>(std::clamp<int64_t>(requested, 1, kMaxSparkGridSide));
}


// The largest distance from the click to a corner of the region.
double reachOf(double2 click, double2 origin, double2 size) {
    const double2 corners[] = {origin, origin + double2{size.x, 0}, origin + size, origin + double2{0, size.y}};
    double reach = 0;
    for (const double2& corner : corners) reach = std::max(reach, length(corner - click));
    return std::max(1.0, reach);
}

// The shared values every spark of one plan needs while it is built.
struct Layout {
    double2 origin;
    double2 size;  // the region's size raised to at least 1 per axis
    int columns;
    int rows;
    double2 cell;
    double2 click;
    double reach;
    double paletteOffset;
    bool isTitleStrip;
};

double3 wheelColor(double phi, double paletteOffset, double d11) {
    constexpr int n = kSparkPaletteSize;
    const double k = std::floor((phi / (2 * kPi) + 1) * (2 * n) + paletteOffset + (d11 - 0.5) * 1.6);
    // A region that is not finite gives no angle to speak of; it takes the first tone.
    const int64_t wheel = std::isfinite(k) ? static_cast<int64_t>(std::fmod(k, n)) : 0;
    const int64_t index = ((wheel % n) + n) % n;
    return sparkPalette()[static_cast<size_t>(index)];
}

// One spark from its twelve draws d[0] = d5 ... d[11] = d16.
Sparks::Plan planSpark(const Layout& l, int column, int row, const std::array<double, kDrawsPerSpark>& d) {
    Sparks::Plan p;
    const double2 c = l.origin + double2{column + 0.5, row + 0.5} * l.cell;
    const double2 v = c - l.click;
    const double dist = length(v);
    const double nd = std::min(1.0, dist / l.reach);
    const double phi = dist > 1e-6 ? std::atan2(v.y, v.x) : 2 * kPi * d[0];
    const double theta = phi + (2 * d[1] - 1) * 0.35;
    p.edge = 12 + 16 * d[2];
    const double speed = 110 + 170 * d[3] + dist * 2.21 * (d[11] + 0.5);
    p.velocity = double2{std::cos(theta), std::sin(theta)} * speed;
    // Cells near the click go first.
    p.release = 0.04 + 0.12 * std::pow(nd, 0.8) + 0.015 * d[4];
    p.spin = -2.6 + 5.2 * d[5];
    p.color = wheelColor(phi, l.paletteOffset, d[6]);
    p.isOutline = d[7] < 1.0 / 3;
    if (l.isTitleStrip) {
        p.leaves = std::max(p.release + 0.2, 0.38 + (0.6 - 0.38) * d[8]);
        p.lands = std::min(0.84, p.leaves + 0.2 + 0.06 * d[9]);
    } else {
        // Outer cells land later.
        const double2 fromMiddle{(column + 0.5) / l.columns - 0.5, (row + 0.5) / l.rows - 0.5};
        const double r = std::min(1.0, 2 * length(fromMiddle));
        p.lands = 0.58 + (0.78 - 0.58) * std::min(1.0, 0.45 * d[8] + 0.55 * r);
        p.leaves = std::max(p.release + 0.2, p.lands - 0.24 - 0.06 * d[9]);
    }
    const double margin = std::min(0.5 * l.size.x, 28.0);
    p.gathersAt = std::min(l.size.x - margin, std::max(margin, (d[10] - 0.5) * 0.2 * l.size.x + (c.x - l.origin.x)));
    return p;
}

}  // namespace

const std::array<double3, kSparkPaletteSize>& sparkPalette() {
    static const std::array<double3, kSparkPaletteSize> palette{{{0.91, 0.522, 0.549},
                                                                 {0.918, 0.655, 0.471},
                                                                 {0.906, 0.788, 0.478},
                                                                 {0.663, 0.788, 0.545},
                                                                 {0.498, 0.78, 0.745},
                                                                 {0.525, 0.714, 0.871},
                                                                 {0.604, 0.627, 0.874},
                                                                 {0.753, 0.576, 0.808}}};
    return palette;
}

Sparks sparksPlan(const TransitionUniforms& uniforms) {
    const double x = uniforms.window.x, y = uniforms.window.y;
    const double w = uniforms.window.z, h = uniforms.window.w;
    const bool titleStrip = isTitleStrip(uniforms);
    const double tb = titleStrip ? std::min(h, std::max(0.0, static_cast<double>(uniforms.titleBarHeight))) : 0;
    const std::optional<double> titleBar = titleStrip ? std::optional<double>(tb) : std::nullopt;
    return buildSparks({x, y + tb}, {std::max(1.0, w), std::max(1.0, h - tb)}, uniforms.grid.x, uniforms.grid.y,
                            titleBar, uniforms.seed);
}

Sparks buildSparks(double2 regionOrigin, double2 regionSize, int64_t columns, int64_t rows,
                             std::optional<double> titleBar, uint32_t seed) {
    EffectRandom random(seed, tags::kSparks);
    Layout l;
    l.origin = regionOrigin;
    l.size = {std::max(1.0, regionSize.x), std::max(1.0, regionSize.y)};
    l.columns = gridSide(columns);
    l.rows = gridSide(rows);
    l.cell = l.size / double2{static_cast<double>(l.columns), static_cast<double>(l.rows)};
    const double u1 = random.unit();
    const double u2 = random.unit();
    // The click lies in the middle 28% of the region on each axis.
    l.click = regionOrigin + double2{((u1 - 0.5) * 0.28 + 0.5) * l.size.x, ((u2 - 0.5) * 0.28 + 0.5) * l.size.y};
    l.reach = reachOf(l.click, regionOrigin, l.size);
    const double sweep = random.unit() < 0.5 ? -1 : 1;
    l.paletteOffset = random.unit() * kSparkPaletteSize;
    l.isTitleStrip = titleBar.has_value();

    Sparks plan;
    plan.region = {regionOrigin, regionSize};
    plan.columns = l.columns;
    plan.rows = l.rows;
    plan.cell = l.cell;
    plan.isTitleStrip = l.isTitleStrip;
    plan.titleBar = titleBar.value_or(0);
    plan.click = l.click;
    plan.reach = l.reach;
    plan.sweep = sweep;
    const int count = l.columns * l.rows;
    plan.plans.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        // Every spark consumes its twelve draws, whether or not it uses each of them.
        std::array<double, kDrawsPerSpark> draws;
        for (double& d : draws) d = random.unit();
        plan.plans.push_back(planSpark(l, i % l.columns, i / l.columns, draws));
    }
    return plan;
}

Rect2 Sparks::shrinkToThumbnail(double t, Rect2 standIn, Rect2 room) const {
    return effects::shrinkToThumbnail(t, kFixedShrinkPhase, region.zw(), standIn.origin, standIn.size, room.origin,
                                      room.size, SizeFloor::ratioOnly);
}

}  // namespace furlpane::effects
