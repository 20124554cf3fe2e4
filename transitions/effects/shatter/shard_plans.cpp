// The motion of every shard: when it bulges and breaks free, how it flies and tumbles,
// and when it homes into the thumbnail or fades out.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "transitions/effects/shatter/shatter.h"

namespace furlpane::effects {

namespace {

constexpr double kPi = std::numbers::pi;


struct Draws {
    double u[8];
};

// The median area of the shards that move, 1 when none does.
double medianArea(const std::vector<double>& areas, const std::vector<size_t>& candidates) {
    if (candidates.empty()) return 1;
    std::vector<double> sorted;
    sorted.reserve(candidates.size());
    for (const size_t i : candidates) sorted.push_back(areas[i]);
    std::sort(sorted.begin(), sorted.end());
    return sorted[sorted.size() / 2];
}

// Title strip: a few shards are thrown at the viewer. A repeated pick still uses up its draw.
std::vector<bool> chooseThrown(const std::vector<size_t>& candidates, size_t shardCount, EffectRandom& random) {
    std::vector<bool> thrown(shardCount, false);
    const size_t count = candidates.size();
    size_t k = count < 50 ? 1 : std::min<size_t>(6, count / 25);
    k = std::min(k, count);
    size_t chosen = 0;
    while (chosen < k) {
        const double u = random.unit();
        const size_t position = static_cast<size_t>(u * static_cast<double>(count)) % count;
        const size_t index = candidates[position];
        if (!thrown[index]) {
            thrown[index] = true;
            ++chosen;
        }
    }
    return thrown;
}

void planThumbnail(Shatter::Plan& plan, const Draws& d, double ratio, double area, double median, double sign,
                   double2 c, double2 size) {
    const double speed = (0.7 + 0.6 * d.u[2]) * (1.1 - 0.6 * ratio) * 380;
    plan.velocity = {speed * plan.outward.x, speed * plan.outward.y - 140 * (d.u[0] + 0.5),
                     (1.2 - 0.5 * ratio) * (0.4 + 0.8 * d.u[7]) * 300};
    plan.spin = 2 * kPi * sign * (area < median ? 2 : 1);
    // How far the shard lies from the window's centre: far shards arrive late.
    const double q = 0.55 * std::min(1.0, 2 * length(c / size - double2{0.5, 0.5}));
    const double end = 0.6 + (0.8 - 0.6) * std::min(1.0, 0.45 * d.u[4] + q);
    const double start = std::max(end - 0.3 - 0.06 * d.u[5], plan.release + 0.12);
    plan.homing = Phase{start, end};
}

void planTitleStrip(Shatter::Plan& plan, const Draws& d, double ratio, double area, double sign, bool thrown) {
    const double speed = (0.7 + 0.6 * d.u[2]) * (1.1 - 0.6 * ratio) * 200;
    plan.velocity = {speed * plan.outward.x, speed * plan.outward.y - 60 * (d.u[0] + 0.5),
                     thrown ? 2000 + 800 * d.u[7] : (0.4 + 0.8 * d.u[7]) * 260};
    // Large shards tumble slower.
    plan.spin = sign * (4 + 7 * d.u[5]) / std::pow(1 + area / 2500, 0.25);
    plan.fading = thrown ? Phase{plan.release + 0.18, std::min(0.82, plan.release + 0.36)}
                         : Phase{0.7 + 0.06 * d.u[4], 0.82};
}

}  // namespace

std::vector<Shatter::Plan> shardPlans(const std::vector<Shatter::Shard>& shards, bool isTitleStrip, double2 impact,
                                      double reach, double2 size, EffectRandom& random) {
    std::vector<double> areas;
    std::vector<size_t> candidates;
    areas.reserve(shards.size());
    for (size_t i = 0; i < shards.size(); ++i) {
        areas.push_back(polygonArea(shards[i].corners));
        if (!shards[i].stays) candidates.push_back(i);
    }
    const double median = medianArea(areas, candidates);
    const std::vector<bool> thrown =
        isTitleStrip ? chooseThrown(candidates, shards.size(), random) : std::vector<bool>(shards.size(), false);

    std::vector<Shatter::Plan> plans;
    plans.reserve(shards.size());
    for (size_t i = 0; i < shards.size(); ++i) {
        Draws d{};
        for (double& u : d.u) u = random.unit();
        const double2 c = centroid(shards[i].corners);
        const double dist = length(c - impact);
        const double ratio = std::min(dist / reach, 1.0);
        Shatter::Plan plan;
        plan.outward = dist > 1e-6 ? (c - impact) / dist : double2{std::cos(2 * kPi * d.u[0]), std::sin(2 * kPi * d.u[0])};
        plan.bulge = 0.03 + 0.13 * std::pow(std::max(ratio, 0.0), 0.75);
        plan.release = 0.17 + 0.1 * ratio + 0.03 * d.u[1];
        const double3 axis{d.u[4] - 0.5, d.u[5] - 0.5, 0.3 * (d.u[6] - 0.5) + 1e-6};
        plan.axis = axis / std::sqrt(axis.x * axis.x + axis.y * axis.y + axis.z * axis.z);
        const double sign = d.u[3] < 0.5 ? -1 : 1;
        if (isTitleStrip) {
            planTitleStrip(plan, d, ratio, areas[i], sign, thrown[i]);
        } else {
            planThumbnail(plan, d, ratio, areas[i], median, sign, c, size);
        }
        plans.push_back(plan);
    }
    return plans;
}

}  // namespace furlpane::effects
