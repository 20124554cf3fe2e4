#include <algorithm>
#include <cmath>
#include <numbers>

#include "transitions/effects/shade/shade.h"

namespace furlpane::effects {

namespace {

constexpr double kPi = std::numbers::pi;

// clamp(x, a, b) = min(b, max(a, x)): a value that is not a number lands on the lower bound.
double clampTo(double x, double lo, double hi) { return std::min(hi, std::max(lo, x)); }

Shade::Timing titleStripTiming() {
    Shade::Timing t;
    t.hem = {0.02, 0.06};
    t.drop = 0.04;
    t.fall = 0.065;
    t.tug = {0.15, 0.26};
    t.release = 0.275;
    t.snap = {0.275, 0.4};
    t.spin = {0.4, 0.93};
    t.reelIn = {0.78, 0.91};
    // The phases of the thumbnail's second act never start before the transition ends.
    t.flight = t.unroll = t.hemIn = t.shrink = {1, 1};
    return t;
}

Shade::Timing thumbnailTiming() {
    Shade::Timing t;
    t.hem = {0.02, 0.05};
    t.drop = 0.035;
    t.fall = 0.055;
    t.tug = {0.12, 0.2};
    t.release = 0.215;
    t.snap = {0.215, 0.32};
    t.spin = {0.32, 0.58};
    t.reelIn = {0.44, 0.56};
    t.flight = {0.56, 0.7};
    t.unroll = {0.7, 0.83};
    t.hemIn = {0.8, 0.86};
    t.shrink = {0.83, 0.92};
    return t;
}

// The sideways speed the ring gets when the held cord is let go: the only random draws.
double drawKick(uint32_t seed) {
    EffectRandom random(seed, tags::kShade);
    const double u1 = random.unit();
    const double u2 = random.unit();
    const double kick = 25 + 30 * u2;
    return u1 < 0.5 ? -kick : kick;
}

}  // namespace

Shade shadePlan(const TransitionUniforms& uniforms) {
    const double2 size{static_cast<double>(std::max(1.0f, uniforms.window.z)),
                       static_cast<double>(std::max(1.0f, uniforms.window.w))};
    return buildShade(size, static_cast<double>(uniforms.titleBarHeight), isTitleStrip(uniforms),
                            uniforms.seed);
}

Shade buildShade(double2 size, double titleBar, bool isTitleStrip, uint32_t seed) {
    Shade plan;
    const double w = std::max(1.0, size.x);
    const double h = std::max(1.0, size.y);
    plan.size = {w, h};
    plan.titleBar = clampTo(titleBar, 0, h);
    plan.isTitleStrip = isTitleStrip;
    const double tb = plan.titleBar;
    const double body = std::max(1.0, h - tb);
    plan.hemRadius = clampTo(w / 130, 3, 5.5);
    plan.cordLength = clampTo(0.16 * h, 34, 80);
    plan.ringRadius = clampTo(w / 70, 6, 11);
    plan.pull = std::min(body, clampTo(0.08 * h, 14, 44));
    plan.flapLength = std::min(body, 20 + tb);
    const double wound = isTitleStrip ? std::max(1.0, 0.55 * tb - plan.hemRadius) : 1 + plan.hemRadius;
    plan.woundFlap = std::min(plan.flapLength, wound);
    plan.turns = isTitleStrip ? 3.6 : 2.0;
    plan.timing = isTitleStrip ? titleStripTiming() : thumbnailTiming();
    const double kick = drawKick(seed);
    plan.cordSteps = simulateCord(plan, kick);
    return plan;
}

double Shade::body() const { return std::max(1.0, size.y - titleBar); }

Shade::HemState Shade::hemState(double t) const {
    const double d = body();
    if (t < timing.tug.lower) return {};
    if (t < timing.snap.lower) return {smootherstep(phaseProgress(timing.tug, t)) * pull, 0, 0, 0};
    if (t < timing.spin.lower) {
        const double e = flapLength - d;
        return {pull + (e - pull) * std::pow(phaseProgress(timing.snap, t), 1.6), 0, 0, 0};
    }
    if (t <= timing.spin.upper) {
        const double u = phaseProgress(timing.spin, t);
        const double g = 1 - std::pow(1 - u, 1.5);
        const double flap = flapLength + (woundFlap - flapLength) * g;
        const double angle = turns * 2 * kPi * g;
        const double swing = -0.8 * std::sqrt(1 - u) * smoothstep(clampTo(u / 0.08, 0, 1));
        return {-d, flap, angle, swing};
    }
    if (isTitleStrip) return {-d, 0, 0, 0};
    if (t < timing.unroll.lower) return {woundFlap - d, 0, 0, 0};
    if (t < timing.unroll.upper) return {unrollDrop(phaseProgress(timing.unroll, t)), 0, 0, 0};
    return {};
}

double Shade::unrollDrop(double u) const {
    const double d = body();
    if (u < 0.42) {
        const double k = u / 0.42;
        return (1 - k * k) * (woundFlap - d);
    }
    // The hem overshoots the bottom edge and settles in a damped bounce.
    const double v = (u - 0.42) / (1 - 0.42);
    const double amplitude = std::min(0.6 * pull + 10, 0.12 * d);
    return (1 - v) * std::sin(2.5 * kPi * v) * std::exp(-3.2 * v) * amplitude;
}

Shade::HemPoint Shade::hemPoint(const HemState& s) const {
    if (s.flap <= 0) return {{size.y + s.drop, 0}, {1, 0}};
    // The sheet leaves the roller at (tb, -1) and bends by `swing` over its length.
    const double2 r0{titleBar, -1};
    const double a = s.angle;
    const double kappa = s.swing / std::max(1e-6, s.flap);
    double2 p;
    if (std::abs(kappa) < 1e-6) {
        p = r0 + double2{std::cos(a), std::sin(a)} * s.flap;
    } else {
        p = r0 + double2{(std::sin(a + s.swing) - std::sin(a)) / kappa, (std::cos(a) - std::cos(a + s.swing)) / kappa};
    }
    return {p, {std::cos(a + s.swing), std::sin(a + s.swing)}};
}

double3 Shade::cordAnchor(double t) const {
    const HemPoint hp = hemPoint(hemState(t));
    const double2 beyond = hp.point + hp.direction * (1.4 * hemRadius);
    return {size.x / 2, beyond.x, beyond.y};
}

double Shade::cordLengthAt(double seconds) const {
    const double t = seconds / 1.2;
    const double k = (t - timing.drop) / timing.fall;
    if (k <= 0) return 0;
    double length = k * k <= 1 ? cordLength * (k * k) : cordLength;
    if (k > 1) {
        // The ring jerks at the cord's end when it runs out.
        const double tau = (t - timing.drop - timing.fall) * 1.2;
        length = length * (1 - 0.14 * std::exp(-20 * tau) * std::abs(std::sin(2 * kPi * tau / 0.11)));
    }
    return length * (1 - smootherstep(phaseProgress(timing.reelIn, t)));
}

std::array<double3, Shade::kCordPoints> Shade::cordPoints(double t) const {
    std::array<double3, kCordPoints> points{};
    if (cordSteps.size() < static_cast<size_t>(kCordRecords * kCordPoints)) return points;
    const double x = clampTo(t, 0, 1) * 288;
    const int i = std::min(static_cast<int>(std::floor(x)), 288);
    const int j = std::min(i + 1, 288);
    const double f = x - i;
    for (int m = 0; m < kCordPoints; ++m) {
        const double3 a = cordSteps[i * kCordPoints + m];
        const double3 b = cordSteps[j * kCordPoints + m];
        points[m] = a + (b - a) * f;
    }
    return points;
}

}  // namespace furlpane::effects
