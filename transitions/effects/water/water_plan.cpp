// The plan of the water effect: its grid, gravity and field level, and the drops and
// holes with all their random draws. One stream serves the build, in this order: the
// two swell phases, the drops' set-up and every drop in reading order, then the holes.

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

#include "transitions/effects/water/water.h"

namespace furlpane::effects {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;


// The release wave along the region: three sines of 2.6π, 6.2π and 13.4π per width.
struct Wave {
    double p0, p1, p2;
    double operator()(double s) const {
        return 0.5 * std::sin(8.168140899333462 * s + p0) + 0.3 * std::sin(19.477874452256717 * s + p1) +
               0.2 * std::sin(42.09734155810323 * s + p2);
    }
};

struct DropSetUp {
    Wave wave;
    double amp;
    double phi;
    double lag;
    double centerX;
};

// What depends only on a drop's column: the release wave, the weight wave and the drip
// of the lowest rows. Worked out once per column, with the very arguments each drop
// would give them, so every drop gets the same bits as if it had computed them itself.
struct ColumnTerms {
    double releaseWave;
    double heavierWave;
    double drip;
};

// The lowest rows hang down in drips about 31 points apart.
double drip(double x, double phi) {
    return std::max(0.0, 0.6 * std::sin(kTwoPi * x / 31 + phi) + 0.4 * std::sin(14.451326206513047 * x / 31 + 1.7 * phi));
}

// Edge drops and the bottom row may be kicked outward as they let go.
void kick(Water::Drop& drop, bool tested, double centerX, EffectRandom& random) {
    if (!tested || !(random.unit() < 0.5)) return;
    const double push = 60 + 160 * random.unit();
    drop.speed.x += drop.rest.x < centerX ? -push : push;
    drop.speed.y += 40 * random.unit();
    drop.size = 0.55 + 0.3 * random.unit();
}

// Splash, side, bounce and spray.
void splash(Water::Drop& drop, double v, double centerX, EffectRandom& random) {
    const double u = random.unit();
    const double p = 0.06 + 0.07 * v;
    drop.splashes = u < p;
    const bool small = u < 0.35 * p;
    const double s = random.unit();
    drop.side = ((s < 0.3) != (drop.rest.x >= centerX)) ? 1 : -1;
    if (small) {
        drop.bounce.x = 0.3 + 0.3 * random.unit();
        drop.bounce.y = 0.25 + 0.3 * random.unit();
        drop.spray = 0.45 + 0.25 * random.unit();
    } else {
        drop.bounce.x = 0.15 + 0.25 * random.unit();
        drop.bounce.y = 0.2 + 0.25 * random.unit();
        drop.spray = 1.0 + 0.4 * random.unit();
    }
}

Water::Drop makeDrop(int c, int r, int rows, bool isTitleStrip, const DropSetUp& set, const ColumnTerms& column,
                     EffectRandom& random, double2 origin, double2 size, double2 cell, double2 center, double rippleReach) {
    Water::Drop drop;
    const double v = (r + 0.5) / rows;
    drop.height = v;
    drop.rest = {origin.x + (c + 0.5) * cell.x, origin.y + (r + 0.5) * cell.y};
    drop.liquefies = 0.02 + 0.09999999999999999 * length(drop.rest - center) / rippleReach;
    double release = (1 - v) * set.lag + 0.12 + 0.02 * column.releaseWave + 0.004 * random.unit();
    if (isTitleStrip && r == 0) release += 0.015 + 0.05 * random.unit();
    if (release <= drop.liquefies + 0.03) release = drop.liquefies + 0.03;
    drop.release = release;

    drop.sag = set.amp * (v * v);
    if (r == rows - 1) drop.sag += 6 * column.drip;
    if (r == rows - 2) drop.sag += 3 * column.drip;

    const double sx = (random.unit() - 0.5) * 24;
    drop.speed = {sx, (random.unit() - 0.5) * 24 + 40};
    const double nearSide = std::min(origin.x + size.x - drop.rest.x, drop.rest.x - origin.x);
    kick(drop, nearSide < 1.5 * cell.x || r == rows - 1, set.centerX, random);
    splash(drop, v, set.centerX, random);
    drop.angle = kTwoPi * random.unit();
    drop.heavier = 1 + 0.06 * column.heavierWave;
    return drop;
}

// For every drop, the holes that can ever move it: a hole that its rest lies within,
// or one that overlaps a hole that can. Any other hole finds the drop (at rest, or on
// the rim of the last hole that moved it) outside its largest radius, so skipping it
// changes nothing. One point of margin covers rounding on the rims.
//
// And the time before which no hole reaches the drop's rest: a hole's radius grows
// monotonically, (t − opens) × speed × 1.2 up to its largest, so before
// opens + distance / (speed × 1.2), less a margin far above rounding, it is shorter than
// the distance from its middle to the rest; a hole whose largest radius does not reach
// the rest never does. Until one reaches it, the rest stays where it is.
//
// And the time from which every hole that can move the drop is at its largest radius
// (opens + most / (speed × 1.2), plus the margin): from then on the push is one fixed
// offset, worked out once here.
void settleHoles(const Water& water, Water::Drop& drop) {
    double settled = -INFINITY;
    for (uint32_t bits = drop.nearHoles; bits != 0; bits &= bits - 1) {
        const Water::Hole& hole = water.holes[static_cast<size_t>(std::countr_zero(bits))];
        settled = std::max(settled, hole.speed > 0 ? hole.opens + hole.most / (hole.speed * 1.2) * (1 + 1e-9) + 1e-9
                                                   : INFINITY);
    }
    if (!std::isfinite(settled)) return;
    drop.settledOffset = water.holeOffset(drop, settled);
    drop.settledFrom = settled;
}

void narrowHoles(std::vector<Water::Drop>& drops, const std::vector<Water::Hole>& holes) {
    if (holes.size() > 32) return;  // more than a mask can name: every drop is worked out in full
    const size_t count = holes.size();
    std::vector<uint32_t> overlaps(count, 0);
    for (size_t h = 0; h < count; ++h)
        for (size_t j = 0; j < h; ++j)
            if (length(holes[h].middle - holes[j].middle) < holes[h].most + holes[j].most + 1) overlaps[h] |= 1u << j;
    for (Water::Drop& drop : drops) {
        uint32_t near = 0;
        double untouched = INFINITY;
        for (size_t h = 0; h < count; ++h) {
            const Water::Hole& hole = holes[h];
            const double distance = length(drop.rest - hole.middle);
            if (distance < hole.most + 1 || (near & overlaps[h]) != 0) near |= 1u << h;
            if (distance < hole.most + 1) {
                const double reaches =
                    hole.speed > 0 ? hole.opens + distance / (hole.speed * 1.2) * (1 - 1e-9) - 1e-9 : -INFINITY;
                untouched = std::min(untouched, reaches);
            }
        }
        drop.nearHoles = near;
        drop.untouchedBefore = untouched;
    }
}

double gravityFor(bool isTitleStrip, double floor, double reach, double top) {
    const double fall = std::max(1.0, floor - 0.6 * reach - top);
    const double fallTimeSquared = isTitleStrip ? 0.05198399999999999 : 0.06969600000000001;
    return std::clamp(2 * fall / fallTimeSquared, 6000.0, 22000.0);
}

}  // namespace

double fieldLevel(double2 cell, double reach) {
    const int k = static_cast<int>(std::ceil(reach / std::max(1e-6, std::min(cell.x, cell.y)))) + 1;
    const double2 offsets[4] = {{0, 0}, {-cell.x / 2, 0}, {0, -cell.y / 2}, {-cell.x / 2, -cell.y / 2}};
    const double reach2 = reach * reach;
    double total = 0;
    for (const double2 o : offsets) {
        double sum = 0;
        for (int i = -k; i <= k; ++i) {
            for (int j = -k; j <= k; ++j) {
                const double2 p{i * cell.x + o.x, j * cell.y + o.y};
                const double q = (p.x * p.x + p.y * p.y) / reach2;
                if (q < 1) sum += (1 - q) * (1 - q) * (1 - q);
            }
        }
        total += sum;
    }
    return total / 4;
}

std::vector<Water::Drop> makeDrops(int columns, int rows, bool isTitleStrip, EffectRandom& random, double2 origin,
                                   double2 size, double2 cell, double2 center, double rippleReach) {
    DropSetUp set;
    set.wave.p0 = kTwoPi * random.unit();
    set.wave.p1 = kTwoPi * random.unit();
    set.wave.p2 = kTwoPi * random.unit();
    set.amp = std::min(0.025 * size.y, 10.0);
    if (set.amp <= 3) set.amp = 3;
    set.phi = kTwoPi * random.unit();
    set.lag = isTitleStrip ? 0.15000000000000002 : 0.12;
    set.centerX = origin.x + size.x / 2;
    std::vector<ColumnTerms> terms(static_cast<size_t>(columns));
    for (int c = 0; c < columns; ++c) {
        const double restX = origin.x + (c + 0.5) * cell.x;
        terms[static_cast<size_t>(c)] = {set.wave((restX - origin.x) / std::max(1.0, size.x)),
                                         set.wave((restX + 0.37 * size.x - origin.x) / std::max(1.0, size.x)),
                                         drip(restX - origin.x, set.phi)};
    }
    std::vector<Water::Drop> drops;
    drops.reserve(static_cast<size_t>(columns) * static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            drops.push_back(makeDrop(c, r, rows, isTitleStrip, set, terms[static_cast<size_t>(c)], random, origin, size,
                                     cell, center, rippleReach));
    return drops;
}

std::vector<Water::Hole> makeHoles(bool isTitleStrip, EffectRandom& random, double2 origin, double2 size) {
    const int n = static_cast<int>(std::clamp(std::round(size.x * size.y / 9000), 4.0, 32.0));
    const double2 margin = size * 0.12;
    const double lag = isTitleStrip ? 0.15000000000000002 : 0.12;
    double largest = std::min(0.17 * std::min(size.x, size.y), 110.0);
    if (largest <= 34) largest = 34;
    std::vector<Water::Hole> holes;
    holes.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        Water::Hole hole;
        const double ux = random.unit();
        const double uy = random.unit();
        hole.middle = origin + margin + double2{ux, uy} * (size - margin * 2.0);
        hole.opens = (1 - (hole.middle.y - origin.y) / std::max(1.0, size.y)) * lag + 0.12 + 0.03 + 0.05 * random.unit();
        hole.speed = 500 + 400 * random.unit();
        hole.most = (0.7 + 0.6 * random.unit()) * largest;
        holes.push_back(hole);
    }
    return holes;
}

Water buildWater(bool isTitleStrip, bool isRestoring, uint32_t seed, double2 origin, double2 size, double floor,
                 double cornerRadius) {
    const double w = size.x, h = size.y;
    Water water;
    water.region = {origin.x, origin.y, w, h};
    water.isTitleStrip = isTitleStrip;
    water.isRestoring = isRestoring;
    water.floor = floor;
    water.cornerRadius = cornerRadius;

    double side = std::min(std::sqrt(std::max(1.0, w * h) / 3600), 26.0);
    if (side <= 6) side = 6;
    water.columns = std::max(1, static_cast<int>(std::round(w / side)));
    water.rows = std::max(1, static_cast<int>(std::round(h / side)));
    water.cell = {w / water.columns, h / water.rows};
    water.reach = 0.9 * (water.cell.x + water.cell.y);
    water.level = 0.5 * fieldLevel(water.cell, water.reach);
    water.rippleOrigin = origin + size / 2.0;
    water.rippleReach = std::max(1.0, 0.5 * std::sqrt(w * w + h * h));
    water.gravity = gravityFor(isTitleStrip, floor, water.reach, origin.y);

    EffectRandom random(seed, tags::kWater);
    const double sx = kTwoPi * random.unit();
    water.swellPhases = {sx, kTwoPi * random.unit()};
    if (isRestoring) return water;

    water.drops = makeDrops(water.columns, water.rows, isTitleStrip, random, origin, size, water.cell, water.rippleOrigin,
                            water.rippleReach);
    water.holes = makeHoles(isTitleStrip, random, origin, size);
    narrowHoles(water.drops, water.holes);
    for (Water::Drop& drop : water.drops) {
        if (water.holes.size() <= 32) settleHoles(water, drop);
        drop.start = water.restingState(drop, drop.release).position - water.holeOffset(drop, drop.release);
        drop.landing = water.landingTime(drop);
    }
    return water;
}

Water waterPlan(const TransitionUniforms& u) {
    const bool strip = furlpane::isTitleStrip(u);
    const Rect2 window = saneRect(u.window);
    const Rect2 room = saneRect(u.room);
    const double stripHeight = strip ? std::min(std::max(saneLength(u.titleBarHeight), 0.0), window.size.y - 1) : 0;
    const double2 origin{window.origin.x, window.origin.y + stripHeight};
    const double2 size{std::max(1.0, window.size.x), std::max(1.0, window.size.y - stripHeight)};
    const double floorY = room.size.y > 0 ? room.origin.y + room.size.y : saneLength(u.viewSize.y);
    const bool restoring = u.restoring > 0.5f;
    return buildWater(strip, restoring, u.seed, origin, size, floorY, saneLength(u.cornerRadius));
}

}  // namespace furlpane::effects
