// The classified plan: timing, bars, stamps and strips, settled once per transition from
// three seeded streams, so that the bars (which depend on the picture) never shift the
// stamps or the strips of a given seed.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "transitions/effects/classified/classified.h"

namespace furlpane::effects {
namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// A window side read from the uniforms: at least 2 points; a value that is not a finite
// number is taken as the smallest side rather than poisoning every later step.
double planSide(float side) {
    const double value = side;
    return std::isfinite(value) ? std::max(2.0, value) : 2.0;
}

double clampedTitleBar(double titleBar, double height) {
    if (!std::isfinite(titleBar)) titleBar = 0;
    return std::min(height - 1, std::max(0.0, titleBar));
}

Classified::Strip drawStrip(EffectRandom& random, const Classified::Timing& timing, double freedFraction) {
    double u[17];
    for (int k = 1; k <= 16; ++k) u[k] = random.unit();
    Classified::Strip s;
    s.sway = 1.5 + 3.5 * u[1];
    s.swayPhase = kTwoPi * u[2];
    s.twist = (u[3] < 0.5 ? -1 : 1) * (0.35 + 0.7 * u[4]);
    s.twistPhase = kTwoPi * u[5];
    s.curl = 18 * u[6] - 4;
    s.lean = 12 * (u[7] - 0.5);
    s.release = timing.releases.lower + u[8] * (timing.releases.upper - timing.releases.lower);
    s.velocity = {80 * (u[9] - 0.5), 120 + 140 * u[10], 90 * u[11]};
    s.spin = 3.2 * (u[12] - 0.5);
    s.flip = (u[13] < 0.5 ? -1 : 1) * (3 + 6 * u[14]);
    s.freed = timing.shred.lower + (timing.shred.upper - timing.shred.lower) * freedFraction;
    s.turns = u[15] < 0.5 ? -1 : 1;
    s.wobble = 1.1 * (u[16] - 0.5);
    return s;
}

// The centre of a stamp of size (w, h) tilted by angle, aimed at (fx, fy) of the body and
// kept 2 points inside the page, or on the middle of the body where it cannot be.
double2 placeStamp(double2 stamp, double angle, double fx, double fy, double2 size, double titleBar) {
    const double c = std::abs(std::cos(angle)), s = std::abs(std::sin(angle));
    const double hx = (stamp.x * c + stamp.y * s) / 2, hy = (stamp.x * s + stamp.y * c) / 2;
    const double bodyH = std::max(1.0, size.y - titleBar);
    double2 center;
    const double loX = hx + 2, hiX = size.x - hx - 2;
    center.x = hiX >= loX ? std::min(std::max(size.x * fx, loX), hiX) : size.x / 2;
    const double loY = titleBar + hy + 2, hiY = size.y - hy - 2;
    center.y = hiY >= loY ? std::min(std::max(titleBar + bodyH * fy, loY), hiY) : titleBar + bodyH / 2;
    return center;
}

}  // namespace

int stripCount(double width) {
    const double w0 = std::clamp(width / 48, 6.0, 12.0);
    const double n = std::round(width / w0);
    if (!(n >= 3)) return 2;  // also for a width that is not a number
    return static_cast<int>(std::min(n, 256.0));
}

Classified::Timing classifiedTiming(bool isTitleStrip) {
    Classified::Timing t;
    if (isTitleStrip) {
        t.redact = {0.03, 0.30};
        t.impacts = {0.35, 0.43};
        t.shred = {0.47, 0.78};
        t.releases = {0.775, 0.825};
        t.fade = {0.84, 0.92};
        t.flight = 0;
        t.seams = t.corners = t.shrink = {2, 2};
    } else {
        t.redact = {0.03, 0.24};
        t.impacts = {0.29, 0.36};
        t.shred = {0.39, 0.58};
        t.releases = t.fade = {2, 2};
        t.flight = 0.22;
        t.seams = {0.78, 0.85};
        t.corners = {0.80, 0.87};
        t.shrink = {0.86, 0.93};
    }
    return t;
}

Classified classifiedPlan(const TransitionUniforms& uniforms, const std::optional<Classified::Ink>& ink) {
    const double w = planSide(uniforms.window.z), h = planSide(uniforms.window.w);
    const std::uint32_t grid = uniforms.grid.x;
    const int count = grid >= 2 ? static_cast<int>(std::min<std::uint32_t>(grid, 256)) : stripCount(w);
    const double titleBar = clampedTitleBar(uniforms.titleBarHeight, h);
    const double standInCenter = double{uniforms.standIn.x} + double{uniforms.standIn.z} / 2;
    const double windowCenter = double{uniforms.window.x} + double{uniforms.window.z} / 2;
    return buildClassified(isTitleStrip(uniforms), uniforms.seed, ink, count, standInCenter > windowCenter, {w, h},
                           titleBar);
}

Classified buildClassified(bool isTitleStrip, std::uint32_t seed, const std::optional<Classified::Ink>& ink, int count,
                           bool towardRight, double2 size, double titleBar) {
    Classified plan;
    plan.size = size;
    plan.isTitleStrip = isTitleStrip;
    plan.titleBar = clampedTitleBar(titleBar, size.y);
    plan.top = isTitleStrip ? plan.titleBar : 0;
    plan.timing = classifiedTiming(isTitleStrip);
    plan.towardRight = towardRight;

    EffectRandom main(seed, tags::kClassified);
    EffectRandom stamps = EffectRandom::subStream(seed, tags::kStamps, tags::kClassified);
    EffectRandom strips = EffectRandom::subStream(seed, tags::kStrips, tags::kClassified);
    if (ink) {
        plan.bars = placeBars(ink->width, ink->height, ink->texel, ink->marks, size, plan.titleBar, plan.timing, main);
        plan.lightness = ink->lightness;
    }
    plan.stamps = placeStamps(plan.timing, stamps, size, plan.titleBar);

    const int n = std::clamp(count, 2, 256);
    const double w = size.x, length = std::max(1.0, size.y - plan.top);
    plan.strips.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double center = (i + 0.5) * w / n;
        const double d = towardRight ? w - center : center;
        const double fraction = (length + 1.5 * length * d / w) / (2.5 * length);
        plan.strips.push_back(drawStrip(strips, plan.timing, fraction));
    }
    plan.stripWidth = w / n;
    return plan;
}

std::vector<Classified::Stamp> placeStamps(const Classified::Timing& timing, EffectRandom& random, double2 size,
                                           double titleBar) {
    double u[7];
    for (int k = 1; k <= 6; ++k) u[k] = random.unit();
    const double w = size.x, bodyH = std::max(1.0, size.y - titleBar);

    Classified::Stamp first;
    const double s1 = std::max(24.0, std::min({0.42 * w, 270.0, 1.08 * bodyH, 0.9 * w}));
    first.size = {s1, s1 / 3.6};
    first.angle = -0.08 + 0.06 * (u[1] - 0.5);
    first.center = placeStamp(first.size, first.angle, 0.42 + 0.06 * (u[2] - 0.5), 0.38 + 0.08 * (u[3] - 0.5), size,
                              titleBar);
    first.impact = timing.impacts[0];
    first.ink = 0.82;
    first.force = 1.0;

    Classified::Stamp second;
    const double s2 = std::max(24.0, std::min({1.512 * bodyH, 0.92 * w, 1.28 * s1}));
    second.size = {s2, s2 / 3.6};
    second.angle = 0.16 + 0.06 * (u[4] - 0.5);
    second.center = placeStamp(second.size, second.angle, 0.57 + 0.06 * (u[5] - 0.5), 0.62 + 0.08 * (u[6] - 0.5),
                               size, titleBar);
    second.impact = timing.impacts[1];
    second.ink = 0.95;
    second.force = 1.8;
    return {first, second};
}

}  // namespace furlpane::effects
