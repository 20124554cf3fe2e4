// How one drop moves: pushed by the holes, wobbling and sagging while it hangs, falling
// after its release, and bouncing or sliding once it lands. Every state is a closed-form
// function of t.

#include <algorithm>
#include <bit>
#include <cmath>

#include "transitions/effects/water/water.h"

namespace furlpane::effects {

namespace {

// Local progress of x in lower...upper, with the divisor as the bounds give it.
double progressIn(double lower, double upper, double x) { return phaseProgress({lower, upper}, x); }

}  // namespace

double2 Water::holeOffset(const Drop& drop, double t) const {
    if (t < drop.untouchedBefore) return {0, 0};
    if (t >= drop.settledFrom) return drop.settledOffset;
    double2 p = drop.rest;
    const auto pushBy = [&](const Hole& hole) {
        const double r = std::min(hole.most, (t - hole.opens) * hole.speed * 1.2);
        if (!(r > 0)) return;
        const double2 d = p - hole.middle;
        // Most holes are far: a comparison of squares, with a margin far above rounding,
        // settles them before the square root that decides the near ones.
        const double d2 = d.x * d.x + d.y * d.y;
        if (!(d2 < r * r * (1 + 1e-9))) return;
        const double distance = std::sqrt(d2);
        if (!(distance < r)) return;
        const double2 dir = distance > 1e-6 ? d / distance : double2{std::cos(drop.angle), std::sin(drop.angle)};
        p = hole.middle + dir * r;
    };
    if (holes.size() > 32) {
        for (const Hole& hole : holes) pushBy(hole);
    } else {
        for (uint32_t bits = drop.nearHoles; bits != 0; bits &= bits - 1) {
            const size_t i = static_cast<size_t>(std::countr_zero(bits));
            if (i >= holes.size()) break;
            pushBy(holes[i]);
        }
    }
    return p - drop.rest;
}

Water::Resting Water::restingState(const Drop& drop, double t) const {
    const double l = drop.liquefies;
    double span = drop.release - l;
    if (span <= 1e-6) span = 1e-6;
    const double p = std::clamp((t - l) / span, 0.0, 1.0);
    const double w = smoothstep(progressIn(l, l + 0.04, t));
    const double a1 = swellPhases.y + 1.2 * t * 16.336281798666924 +
                      0.0483321946706122 * (0.85 * drop.rest.y - 0.5 * drop.rest.x);
    const double a2 = swellPhases.x + 1.2 * t * 12.566370614359172 +
                      0.0483321946706122 * (0.8 * drop.rest.x + 0.6 * drop.rest.y);
    const double sin1 = std::sin(a1), cos1 = std::cos(a1), sin2 = std::sin(a2), cos2 = std::cos(a2);
    const double2 push = holeOffset(drop, t);
    Resting out;
    out.position = drop.rest + double2{sin2, cos1} * (1.6 * w) + double2{0, drop.sag * smoothstep(p)} + push;
    out.velocity = {1.6 * 12.566370614359172 * w * cos2,
                    6 * drop.sag * p * (1 - p) / (1.2 * span) - 1.6 * 16.336281798666924 * w * sin1};
    return out;
}

std::optional<double> Water::landingTime(const Drop& drop) const {
    const double surface = floor - 0.6 * reach;
    const double d = surface - drop.start.y;
    if (!(d > holeOffset(drop, drop.release).y)) return std::nullopt;
    const double g = gravity * drop.heavier;
    const double vy = drop.speed.y;
    double most = 0;
    for (const Hole& hole : holes) most = std::max(most, hole.most);
    const double m = 2 * most;
    const auto fallTime = [&](double distance) {
        return (std::sqrt(std::max(0.0, vy * vy + 2 * g * std::max(0.0, distance))) - vy) / g;
    };
    const auto y = [&](double time) {
        return drop.start.y + vy * time + 0.5 * g * time * time + holeOffset(drop, drop.release + time / 1.2).y;
    };
    double lo = fallTime(d - m), hi = fallTime(d + m + 1);
    if (y(lo) >= surface) return lo;
    const double step = (hi - lo) / 8;
    for (int k = 1; k <= 8; ++k) {
        const double time = lo + k * step;
        if (y(time) >= surface) {
            lo = time - step;
            hi = time;
            break;
        }
    }
    for (int i = 0; i < 8; ++i) {
        const double mid = (lo + hi) / 2;
        if (y(mid) >= surface) {
            hi = mid;
        } else {
            lo = mid;
        }
    }
    return hi;
}

std::optional<Water::State> Water::dropState(const Drop& drop, double t) const {
    const double keep = 1 - smoothstep(progressIn(0.8, 0.86, t));
    if (!(keep > 0)) return std::nullopt;
    if (t <= drop.release) {
        const Resting r = restingState(drop, t);
        const double picture = 1 - 0.1 * smoothstep(progressIn(drop.liquefies, drop.liquefies + 0.04, t));
        return State{r.position, r.velocity, keep, picture, 0};
    }
    const double tau = 1.2 * (t - drop.release);
    const double cx = region.x + region.z / 2;
    const double g = gravity * drop.heavier;
    const double2 s = drop.start;
    const auto fade = [&] { return 0.03 + 0.97 * std::exp(-tau / 0.06); };
    if (!drop.landing || tau < *drop.landing) {
        // The drop drifts towards the region's vertical centre line by 18 % of its
        // distance from it, with a time constant of 0.18 s.
        const double2 push = holeOffset(drop, drop.release + tau / 1.2);
        const double drift = std::exp(-tau / 0.18);
        const double2 position = s + drop.speed * tau + double2{0.18 * (cx - s.x) * (1 - drift), 0.5 * g * tau * tau} + push;
        if (!drop.landing && position.y >= floor + reach) return std::nullopt;
        const double2 velocity = drop.speed + double2{(cx - s.x) * drift, g * tau};
        return State{position, velocity, keep * drop.size, fade(), tau};
    }
    // Landed. Where it landed (the falling x at the landing time) is worked out only
    // for a drop that is still there.
    const double landing = *drop.landing;
    const double vland = std::max(1.0, drop.speed.y + g * landing);
    const double surface = floor - 0.6 * reach;
    const auto landedX = [&] {
        return s.x + drop.speed.x * landing + 0.18 * (cx - s.x) * (1 - std::exp(-landing / 0.18)) +
               holeOffset(drop, drop.release + landing / 1.2).x;
    };
    double sigma = tau - landing;
    double sizeFactor = drop.size;
    double bounced = 0;  // how far sideways a finished bounce carried the drop
    if (drop.splashes) {
        const double remaining = std::max(0.0, 0.96 - (1.2 * drop.release + landing) - 0.15);
        const double vb = std::min(0.5 * gravity * remaining, std::max(300.0, drop.bounce.y * vland));
        if (vb >= 150) {
            const double d = 2 * vb / gravity;
            const double hb = drop.side * std::min((region.z / 3 + 80) / d, std::max(50.0, drop.bounce.x * vland));
            if (sigma < d) {
                const double lift = smoothstep(progressIn(d / 2, d, sigma));
                return State{{landedX() + hb * sigma, surface - (vb * sigma - 0.5 * gravity * sigma * sigma)},
                             {hb, gravity * sigma - vb},
                             keep * (1 - 0.4 * lift) * drop.spray,
                             0.6 * fade(),
                             tau};
            }
            bounced = hb * d;
            sigma = sigma - d;
            sizeFactor = 0.8 * drop.spray;
        }
    }
    // The slide: sideways, slowing with a time constant of 0.12 s, sinking 1.9 reach
    // below the surface line over 0.3 s, then gone.
    const double q = sigma / 0.3;
    if (q >= 1) return std::nullopt;
    const double x = bounced != 0 ? landedX() + bounced : landedX();
    const double s0 = std::min((region.z / 3 + 80) / 3 / 0.12, std::max(50.0, (drop.bounce.x + 0.5) * 0.15 * vland));
    const double k = std::exp(-sigma / 0.12);
    return State{{x + 0.12 * s0 * drop.side * (1 - k), surface + 1.9 * q * q * reach},
                 {s0 * drop.side * k, 2 * 1.9 * q * reach / 0.3},
                 keep * sizeFactor,
                 0.5 * fade(),
                 tau};
}

}  // namespace furlpane::effects
