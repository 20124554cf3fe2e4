// How the pane is struck and cut into shards. One seeded stream serves the whole build;
// its draws are taken in a fixed order (impact, rays, rings, ring points, splits, shard
// plans, sweep), because the same seed must always give the same picture.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "transitions/effects/shatter/shatter.h"

namespace furlpane::effects {

namespace {

constexpr double kPi = std::numbers::pi;


double2 stripImpact(double w, double titleBar, double body, EffectRandom& random) {
    const double u1 = random.unit();
    const double u2 = random.unit();
    return {w * (0.5 + 0.28 * (u1 - 0.5)), titleBar + body * (0.45 + 0.2 * (u2 - 0.5))};
}

// The blow lands beyond the window's centre, seen from the thumbnail.
double2 thumbnailImpact(double2 hint, double2 size, EffectRandom& random) {
    const double2 c = size / 2.0;
    const double2 d = c - hint;
    const double dl = length(d);
    double2 dir;
    if (dl > 1) {
        dir = d / dl;
    } else {
        const double u = random.unit();
        dir = {std::cos(2 * kPi * u), std::sin(2 * kPi * u)};
    }
    const double ux = random.unit();
    const double uy = random.unit();
    const double2 p{c.x + (0.14 * (ux - 0.5) * size.x + 0.16 * dir.x * size.x),
                    c.y + (0.14 * (uy - 0.5) * size.y + 0.16 * dir.y * size.y)};
    return {std::clamp(p.x, 0.2 * size.x, 0.8 * size.x), std::clamp(p.y, 0.2 * size.y, 0.8 * size.y)};
}

double reachOf(double2 impact, double w, double h, double titleBar) {
    const double2 corners[] = {{0, titleBar}, {w, titleBar}, {w, h}, {0, h}};
    double reach = 0;
    for (const double2 c : corners) reach = std::max(reach, length(c - impact));
    return std::max(reach, 1.0);
}

// Keeps the part of each raw shard inside the body; edges along the window's edges are
// borders, the title bar's lower line is a crack when there is a title bar.
std::vector<Shatter::Shard> clipToBody(const std::vector<Shatter::Shard>& raw, double w, double h, double titleBar) {
    const int topLabel = titleBar > 0 ? 0 : -1;
    std::vector<Shatter::Shard> kept;
    kept.reserve(raw.size());
    std::vector<double> d;
    for (const Shatter::Shard& shard : raw) {
        std::optional<Shatter::Shard> s = shard;
        for (int side = 0; side < 4 && s; ++side) {
            d.clear();
            for (const double2 c : s->corners) {
                d.push_back(side == 0 ? c.x : side == 1 ? w - c.x : side == 2 ? c.y - titleBar : h - c.y);
            }
            s = splitPolygon(d, side == 2 ? topLabel : -1, *s);
        }
        if (s) kept.push_back(std::move(*s));
    }
    return kept;
}

// One pass of splitting large shards across the line from the impact. Pieces made in
// a pass are not looked at again in that pass.
std::vector<Shatter::Shard> splitLarge(const std::vector<Shatter::Shard>& shards, double least, double2 impact,
                                       EffectRandom& random) {
    std::vector<Shatter::Shard> out;
    out.reserve(shards.size() * 2);
    std::vector<double> d, negated;
    for (const Shatter::Shard& shard : shards) {
        const double area = polygonArea(shard.corners);
        if (!(area > least) || shard.corners.size() >= 8) {
            out.push_back(shard);
            continue;
        }
        const double uTheta = random.unit();
        const double ux = random.unit();
        const double uy = random.unit();
        const double2 c = centroid(shard.corners);
        const double phi = std::atan2(c.y - impact.y, c.x - impact.x);
        const double theta = phi + kPi / 2 + 0.9 * (uTheta - 0.5);
        const double root = std::sqrt(area);
        const double2 p{c.x + root * (0.3 * (ux - 0.5)), c.y + root * (0.3 * (uy - 0.5))};
        const double cosT = std::cos(theta), sinT = std::sin(theta);
        d.clear();
        negated.clear();
        for (const double2 q : shard.corners) {
            const double di = (q.y - p.y) * cosT - (q.x - p.x) * sinT;
            d.push_back(di);
            negated.push_back(-di);
        }
        std::optional<Shatter::Shard> first = splitPolygon(d, 0, shard);
        std::optional<Shatter::Shard> second = splitPolygon(negated, 0, shard);
        if (first && second) {
            out.push_back(std::move(*first));
            out.push_back(std::move(*second));
        } else {
            out.push_back(shard);
        }
    }
    return out;
}

}  // namespace

std::vector<double> rayAngles(double area, EffectRandom& random) {
    const int n = static_cast<int>(std::clamp(std::round(std::sqrt(area) / 40), 9.0, 18.0));
    const double a0 = 2 * kPi * random.unit();
    std::vector<double> angles(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) angles[static_cast<size_t>(i)] = a0 + 2 * kPi * (i + 0.6 * (random.unit() - 0.5)) / n;
    return angles;
}

// The ring radii, the outer ring last. The radii grow by a factor of at least 1.45 and
// reach is finite and at most a few times the longest length, so the loop is short.
std::vector<double> ringRadii(double reach, const std::vector<double>& angles, EffectRandom& random) {
    std::vector<double> radii;
    double r = std::max(0.06 * reach, 6.0) * (0.85 + 0.3 * random.unit());
    while (r < reach) {
        radii.push_back(r);
        r = r * (1.45 + 0.35 * random.unit());
    }
    const size_t n = angles.size();
    double widest = angles[0] + 2 * kPi - angles[n - 1];
    for (size_t i = 0; i + 1 < n; ++i) widest = std::max(widest, angles[i + 1] - angles[i]);
    // Straight edges between rays must still cover the whole body.
    radii.push_back(std::max(1.15, 1.02 / std::cos(widest / 2)) * reach);
    return radii;
}

// points[k][j]: ring k on ray j. Along a ray every ring lies at least 1.18 times as far
// out as the one inside it.
std::vector<std::vector<double2>> ringPoints(double2 impact, const std::vector<double>& radii,
                                             const std::vector<double>& angles, EffectRandom& random) {
    const size_t n = angles.size(), m = radii.size();
    std::vector<double> previous(n, 0.0);
    std::vector<std::vector<double2>> points(m, std::vector<double2>(n));
    for (size_t k = 0; k < m; ++k) {
        for (size_t j = 0; j < n; ++j) {
            double r = k + 1 == m ? radii[k] : radii[k] * (1 + 0.26 * (random.unit() - 0.5));
            if (r <= 1.18 * previous[j]) r = 1.18 * previous[j];
            previous[j] = r;
            points[k][j] = impact + double2{std::cos(angles[j]), std::sin(angles[j])} * r;
        }
    }
    return points;
}

std::vector<Shatter::Shard> rawShards(double2 impact, const std::vector<std::vector<double2>>& p) {
    const size_t m = p.size(), n = p[0].size();
    std::vector<Shatter::Shard> shards;
    shards.reserve(n * m);
    for (size_t j = 0; j < n; ++j) {
        const size_t jn = (j + 1) % n;
        shards.push_back({{impact, p[0][j], p[0][jn]}, {0, 0, 0}, false});
        for (size_t k = 0; k + 1 < m; ++k)
            shards.push_back({{p[k][j], p[k + 1][j], p[k + 1][jn], p[k][jn]}, {0, 0, 0, 0}, false});
    }
    return shards;
}

double polygonArea(const std::vector<double2>& corners) {
    const size_t n = corners.size();
    double sum = 0;
    for (size_t i = 0; i < n; ++i) {
        const double2 a = corners[i], b = corners[(i + 1) % n];
        sum += a.x * b.y - b.x * a.y;
    }
    return std::abs(sum) / 2;
}

std::optional<Shatter::Shard> splitPolygon(const std::vector<double>& distances, int label,
                                           const Shatter::Shard& shard) {
    const size_t n = shard.corners.size();
    if (n == 0 || distances.size() != n || shard.sides.size() != n) return std::nullopt;
    auto snapped = [&](size_t i) { return std::abs(distances[i]) < 1e-9 ? 0.0 : distances[i]; };
    Shatter::Shard out;
    out.stays = shard.stays;
    for (size_t i = 0; i < n; ++i) {
        const size_t next = (i + 1) % n;
        const double2 a = shard.corners[i], b = shard.corners[next];
        const double da = snapped(i), db = snapped(next);
        if (da >= 0 && db >= 0) {
            out.corners.push_back(a);
            out.sides.push_back(shard.sides[i]);
        } else if (da >= 0) {
            out.corners.push_back(a);
            if (da == 0) {
                out.sides.push_back(label);
            } else {
                out.sides.push_back(shard.sides[i]);
                out.corners.push_back(a + (b - a) * (da / (da - db)));
                out.sides.push_back(label);
            }
        } else if (db > 0) {
            out.corners.push_back(a + (b - a) * (da / (da - db)));
            out.sides.push_back(shard.sides[i]);
        }
    }
    if (out.corners.size() < 3 || !(polygonArea(out.corners) > 1e-6)) return std::nullopt;
    return out;
}

Shatter buildShatter(std::optional<double2> hint, uint32_t seed, double2 size, double titleBar) {
    EffectRandom random(seed, tags::kShatter);
    const double w = size.x, h = size.y;
    const double body = std::max(h - titleBar, 0.0);
    const double area = w * body;

    Shatter plan;
    plan.size = size;
    plan.titleBar = titleBar;
    plan.impact = hint ? thumbnailImpact(*hint, size, random) : stripImpact(w, titleBar, body, random);
    plan.reach = reachOf(plan.impact, w, h, titleBar);

    const std::vector<double> angles = rayAngles(area, random);
    const std::vector<double> radii = ringRadii(plan.reach, angles, random);
    const auto points = ringPoints(plan.impact, radii, angles, random);
    std::vector<Shatter::Shard> shards = clipToBody(rawShards(plan.impact, points), w, h, titleBar);

    const double least = std::max(area / 60, 900.0);
    shards = splitLarge(shards, least, plan.impact, random);
    shards = splitLarge(shards, 1.6 * least, plan.impact, random);
    if (titleBar > 0) {
        shards.insert(shards.begin(), Shatter::Shard{{{0, 0}, {w, 0}, {w, titleBar}, {0, titleBar}}, {-1, -1, -1, -1}, true});
    }
    plan.shards = std::move(shards);
    plan.crush = std::min(std::max(0.045 * plan.reach, 6.0), 26.0);
    plan.plans = shardPlans(plan.shards, titleBar > 0, plan.impact, plan.reach, size, random);
    plan.sweep = random.unit() < 0.5 ? -1 : 1;
    return plan;
}

Shatter shatterPlan(const TransitionUniforms& u) {
    const Rect2 window = saneRect(u.window);
    const double w = std::max(1.0, window.size.x), h = std::max(1.0, window.size.y);
    if (isTitleStrip(u)) {
        const double titleBar = std::min(h, std::max(1.0, saneLength(u.titleBarHeight)));
        return buildShatter(std::nullopt, u.seed, {w, h}, titleBar);
    }
    const Rect2 standIn = saneRect(u.standIn);
    const double2 hint = standIn.origin + standIn.size / 2.0 - window.origin;
    return buildShatter(hint, u.seed, {w, h}, 0);
}

}  // namespace furlpane::effects
