// One taco frame: the sheet transform, the sheet shader's look values and the piece
// records. Nothing here draws random numbers; every motion comes from the plan and t.

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>

#include "transitions/effects/ordering.h"
#include "transitions/effects/taco/taco.h"
#include "transitions/effects/transforms.h"

namespace furlpane::effects {
namespace {

constexpr double kPi = std::numbers::pi;


// The raw progress through a window, unclamped; a step for equal bounds.
double rawProgress(Phase w, double t) {
    if (w.upper > w.lower) return (t - w.lower) / (w.upper - w.lower);
    return t >= w.upper ? 1 : 0;
}

double chompPulse(double x) {
    if (x > 0 && x < 0.15) return x / 0.15;
    if (x >= 0.15 && x < 1) {
        const double fall = 1 - (x - 0.15) / 0.85;
        return fall * fall;
    }
    return 0;
}

double2 centerOf(const Rect2& r) { return r.origin + r.size / 2.0; }

}  // namespace

double Taco::foldAngle(double t) const {
    if (!isTitleStrip && t > timing.unfold.lower)
        return (1 - smootherstep(phaseProgress(timing.unfold, t))) * kTacoWrap;
    const double p = rawProgress(timing.fold, t);
    if (p <= 0) return 0;
    if (p < 0.6) return smootherstep(p / 0.6) * (kPi - 0.08);
    const double s = std::min(1.0, (p - 0.6) / 0.4);
    return kTacoWrap + 0.12 * (1 + 2 * s) * (1 - s) * (1 - s) * std::cos(1.5 * kPi * s);
}

double Taco::roundness(double t) const {
    const double r = smootherstep(phaseProgress(timing.round, t));
    return isTitleStrip ? r : r * (1 - smootherstep(phaseProgress(timing.unround, t)));
}

double Taco::chomp(double t) const {
    double sum = 0;
    for (const Bite& bite : bites) sum += chompPulse((t - bite.time) / 0.06);
    return std::min(sum, 1.2);
}

Phase Taco::uneatenSpan(double t) const {
    const double w = size.x;
    if (bites.empty()) return {0, w};
    const bool fromRight = bites.front().center.x > w / 2;
    std::optional<double> reached;
    for (const Bite& bite : bites) {
        if (t < bite.time + 0.014) continue;
        const double x = bite.center.x;
        reached = !reached ? x : fromRight ? std::min(*reached, x) : std::max(*reached, x);
    }
    return fromRight ? Phase{0, reached.value_or(w)} : Phase{reached.value_or(0), w};
}

Rect2 Taco::tacoStage(double t, const Placement& pl) const {
    const double2 floored{std::max(pl.standIn.size.x, 1e-6), std::max(pl.standIn.size.y, 1e-6)};
    const double r = std::min(size.x / floored.x, size.y / floored.y);
    const double k = 240 / std::max(floored.x, floored.y);
    const double s = std::max(1.0, std::min(r, k));
    const double2 c = pl.standIn.origin + floored / 2.0;
    const double2 half = floored * (s / 2);
    const double lift = crown * s * floored.y / size.y * 0.5;
    const double2 staged =
        keepInside({c.x, c.y - lift}, {half.x, half.y + lift}, pl.room.origin, pl.room.size) + double2{0, lift};
    const double e = smootherstep(phaseProgress(timing.shrink, t));
    if (e >= 1) return {pl.standIn.origin, pl.standIn.size};
    const double2 center = staged + (c - staged) * e;
    const double2 drawn = floored * (s + (1 - s) * e);
    return {center - drawn / 2.0, drawn};
}

namespace {

// How far a thumbnail-bound taco sinks before its flight so that its filling stays 8
// points inside the room.
double settleLift(const Taco& plan, const Placement& pl) {
    if (!(pl.room.size.y > 0)) return 0;
    return std::max(0.0, plan.crown + 8 - (pl.window.origin.y - pl.room.origin.y));
}

double4x4 landingSquash(const Taco& plan, double t) {
    const double b = std::sin(kPi * phaseProgress(plan.timing.landing, t));
    const double px = plan.size.x / 2, py = plan.crease + plan.radius;
    return translation(px, py) * scaling(1 + 0.06 * b, 1 - 0.12 * b) * translation(-px, -py);
}

double4x4 flightTransform(const Taco& plan, double t, const Placement& pl, const Rect2& stage, double lift) {
    const double w = plan.size.x, h = plan.size.y;
    const double f = smootherstep(phaseProgress(plan.timing.flight, t));
    const double2 p0 = pl.window.origin + double2{w / 2, h / 2 + lift};
    const double2 p1 = centerOf(stage);
    double2 control = (p0 + p1) / 2.0 - double2{0, 0.3 * distance(p1, p0) + 30};
    if (pl.room.size.y > 0) control.y = std::max(control.y, std::min({p0.y, p1.y, pl.room.origin.y + 8}));
    const double g = 1 - f;
    double2 at = p0 * (g * g) + control * (2 * g * f) + p1 * (f * f);
    const double kx = stage.size.x / w, ky = stage.size.y / h, kz = (kx + ky) / 2;
    const double3 scale{1 + (kx - 1) * f, 1 + (ky - 1) * f, 1 + (kz - 1) * f};
    const double a = std::sin(kPi * f), sigma = p1.x >= p0.x ? 1 : -1;
    // The top of the crown, allowing for the bank, stays 8 points below the room's top.
    if (pl.room.size.y > 0) {
        const double reach = (h / 2 + plan.crown) * scale.y + std::abs(std::sin(0.08 * a)) * (w / 2) * scale.x;
        at.y = std::max(at.y, pl.room.origin.y + 8 + reach);
    }
    return translation(at.x, at.y) * rotationZ(-0.08 * sigma * a) * rotationY(0.42 * sigma * a) *
           rotationX(0.3 * a) * scaling(scale.x, scale.y, scale.z) * translation(-w / 2, -h / 2) *
           landingSquash(plan, t);
}

}  // namespace

double4x4 Taco::tacoSheetTransform(double t, const Placement& pl) const {
    const double2 o = pl.window.origin;
    if (isTitleStrip) {
        const double jolt = chomp(t);
        const double tip = 0.08 * smootherstep(phaseProgress(timing.fill, t)) + 0.06 * jolt;
        const double k = 1 - 0.025 * jolt;
        return translation(o.x, o.y + top) * rotationX(tip) * scaling(1, k, k) * translation(0, -top);
    }
    const double lift = settleLift(*this, pl);
    if (t <= timing.flight.lower)
        return translation(o.x, o.y + smootherstep(phaseProgress(timing.settle, t)) * lift);
    const Rect2 stage = tacoStage(t, pl);
    if (t < timing.flight.upper) return flightTransform(*this, t, pl, stage, lift);
    const double kx = stage.size.x / size.x, ky = stage.size.y / size.y;
    return translation(stage.origin.x, stage.origin.y) * scaling(kx, ky, (kx + ky) / 2) * landingSquash(*this, t);
}

namespace {

struct Placed {
    double z;
    Taco::PieceFrame frame;
};

float4 pieceLook(const Taco::Piece& p, double visibility, std::size_t index) {
    return toFloat4(static_cast<double>(p.kind), p.tint, visibility, static_cast<double>(index));
}

float4 placeOf(const double4x4& m, double3 point, double3 velocity, double a) {
    const double4 at = m * double4{point, 1};
    return toFloat4(at.x + velocity.x * a, at.y + velocity.y * a + 1300 * a * a, at.z + velocity.z * a,
                    columnScale(m));
}

}  // namespace

std::pair<std::vector<Taco::PieceFrame>, int> Taco::pieceFrames(double t, const double4x4& m,
                                                                const Placement& pl) const {
    std::vector<Placed> inside, rest;
    std::map<double, double4x4> atGone;
    const double theta = foldAngle(t), r = radius;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const Piece& p = pieces[i];
        if (p.gone <= t) {
            if (!p.falls) continue;
            const double a = (t - p.gone) * 1.2;
            if (!(a < p.life)) continue;
            const double x = clamp01((a / p.life - 0.5) * 2);
            const double v = 1 - (3 - 2 * x) * x * x;
            if (v <= 0) continue;
            auto found = atGone.find(p.gone);
            if (found == atGone.end()) found = atGone.emplace(p.gone, tacoSheetTransform(p.gone, pl)).first;
            const PieceFrame f{placeOf(found->second, p.rest, p.velocity, a),
                               toFloat4(p.length, p.width, p.angle + p.spin * a, p.bend), pieceLook(p, v, i)};
            rest.push_back({static_cast<double>(f.place.z), f});
            continue;
        }
        if (!p.drop || t < p.drop->lower) continue;
        const double progress = phaseProgress(*p.drop, t), q = 1 - progress;
        if (progress <= 0) continue;
        const double after = t - p.drop->upper;
        const double bounce = after > 0 && after < 0.03 ? 2.4 * pieceScale * std::sin(kPi * after / 0.03) : 0;
        const double3 at{p.rest.x + p.drift.x * q, p.rest.y + p.drift.y * q,
                         p.rest.z + p.height * (1 - progress * progress) + bounce};
        const double4 placed = m * double4{at, 1};
        const PieceFrame f{toFloat4(placed.x, placed.y, placed.z, columnScale(m)),
                           toFloat4(p.length, p.width, p.angle + p.turn * q, p.bend),
                           pieceLook(p, std::min(1.0, progress / 0.3), i)};
        const bool behind = theta > kPi / 2 &&
                            at.z <= ((at.y - (crease + r * std::sin(theta))) / std::cos(theta)) * std::sin(theta) +
                                        r * (1 - std::cos(theta));
        (behind ? inside : rest).push_back({placed.z, f});
    }
    auto byDepth = [](const Placed& a, const Placed& b) { return a.z < b.z; };
    stableSortRecords(inside, byDepth);
    stableSortRecords(rest, byDepth);
    std::vector<PieceFrame> frames;
    frames.reserve(inside.size() + rest.size());
    for (const Placed& p : inside) frames.push_back(p.frame);
    for (const Placed& p : rest) frames.push_back(p.frame);
    return {std::move(frames), static_cast<int>(inside.size())};
}

TacoFrame tacoFrame(const Taco& plan, double t, const Placement& pl) {
    const Taco::Timing& timing = plan.timing;
    const bool strip = plan.isTitleStrip;
    int mode = t <= timing.round.lower ? 1 : 0;
    if (!strip && mode == 0 && t >= timing.shrink.lower) mode = 2;
    const double fade = strip ? 1 : 1 + (pl.opacity - 1) * smootherstep(phaseProgress(timing.flight, t));
    const double4x4 m = plan.tacoSheetTransform(t, pl);
    const double scale = columnScale(m);
    const double camera = 1.8 * std::max({1.0, pl.viewSize.x, pl.viewSize.y});
    const double theta = plan.foldAngle(t);

    TacoFrame frame;
    if (mode == 0) std::tie(frame.records, frame.behind) = plan.pieceFrames(t, m, pl);
    const std::vector<Taco::Bite>& bites = plan.bites;
    double shown = 1;
    if (strip && !bites.empty() && t >= bites.back().time + 0.02) shown = 0;
    int taken = 0;
    for (const Taco::Bite& b : bites) taken += b.time < t ? 1 : 0;
    const double x = clamp01((theta / kTacoWrap - 0.6) / 0.4);
    const Phase span = plan.uneatenSpan(t);

    auto& look = frame.look;
    look.reserve(22);
    for (const auto& column : m.columns) look.push_back(toFloat4(column));
    look.push_back(toFloat4(plan.crease, plan.radius, theta, kTacoWrap));
    look.push_back(toFloat4(plan.top, plan.size.y - plan.top, plan.middle, plan.roundness(t)));
    look.push_back(toFloat4(plan.size.x / 2, plan.upper, plan.lower, plan.exponent));
    look.push_back(toFloat4(mode, fade, camera, scale));
    look.push_back(toFloat4(strip ? 0 : smootherstep(phaseProgress(timing.corners, t)), strip ? 1 : 0, shown, taken));
    look.push_back(toFloat4(plan.opening, (3 - 2 * x) * x * x, span.lower, span.upper));
    for (std::size_t i = 0; i < static_cast<std::size_t>(kMaxBites); ++i) {
        if (i >= bites.size()) {
            look.push_back(float4{});
            continue;
        }
        const Taco::Bite& b = bites[i];
        look.push_back(toFloat4(b.center.x, b.center.y, b.radius, phaseProgress({b.time, b.time + 0.014}, t)));
    }
    return frame;
}

}  // namespace furlpane::effects
