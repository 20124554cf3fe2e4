#include <algorithm>
#include <cmath>
#include <numbers>

#include "transitions/effects/sparks/sparks.h"

namespace furlpane::effects {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kLate = 0.899999;


// What the frame shares between its sparks.
struct FrameContext {
    const Sparks& plan;
    double t;
    Rect2 stage;
    double2 stageCell;
    double opacity;
};

// A spark in flight: where it is, how big and how it is turned.
struct Live {
    double2 position;
    double2 size;
    double angle = 0;
    double morph = 0;
    double pop = 0;
    double alpha = 1;
    double blend = 0;
};

Live roam(const Sparks::Plan& p, double2 home, double2 cell, double t) {
    Live s;
    const double start = p.release - 0.03;
    s.pop = smoothstep(clamp01((t - start) / (p.release - start)));
    const double2 base = cell * (1 - 0.08 * s.pop);
    s.position = home;
    s.size = base;
    if (t <= p.release) return s;
    const double tau = t - p.release;
    s.position = home + p.velocity * ((1 - std::exp(-3.4 * tau)) / 3.4);
    s.angle = p.spin * tau;
    s.morph = smoothstep(clamp01(tau / ((p.release + 0.09) - p.release)));
    const double shrink = tau / 0.7 > 1 ? (1 - 0.32) : 1 - 0.32 * tau / 0.7;
    s.size = base + (double2(p.edge * shrink) - base) * s.morph;
    return s;
}

// Moves the spark a share e of the way to its target, swerving to the plan's side.
void swerveToward(Live& s, double2 target, double e, double sideways, double sweep) {
    const double2 d = target - s.position;
    s.position += double2{e * d.x - sideways * sweep * std::sin(kPi * e) * d.y,
                          e * d.y + sideways * sweep * std::sin(kPi * e) * d.x};
}

void headHome(const FrameContext& f, const Sparks::Plan& p, int column, int row, Live& s) {
    const double q = (f.t - p.leaves) / (p.lands - p.leaves);
    const double e = 0.5 * (3 - q) * q * q;
    if (f.plan.isTitleStrip) {
        s.alpha = 1 - smoothstep(clamp01((q - 0.55) / (1 - 0.55)));
        const double2 target{f.plan.region.x + p.gathersAt, f.plan.region.y - f.plan.titleBar / 2};
        swerveToward(s, target, e, 0.08, f.plan.sweep);
        s.size = s.size * (1 - 0.32 * q);
        return;
    }
    s.alpha = 1 + (f.opacity - 1) * e;
    const double2 target = f.stage.origin + double2{column + 0.5, row + 0.5} * f.stageCell;
    swerveToward(s, target, e, 0.22, f.plan.sweep);
    const double s1 = smoothstep(clamp01(q));
    const double s2 = smoothstep(clamp01(2 * q - 1));
    s.size = s.size + (f.stageCell - s.size) * s1;
    s.angle = s.angle * (1 - s1);
    s.morph = s.morph * (1 - s2);
    s.pop = s.pop * (1 - s2);
    s.blend = s2;
}

Sparks::SparkFrame sparkFrame(const FrameContext& f, size_t index) {
    const Sparks& plan = f.plan;
    const Sparks::Plan& p = plan.plans[index];
    const int column = static_cast<int>(index % static_cast<size_t>(plan.columns));
    const int row = static_cast<int>(index / static_cast<size_t>(plan.columns));
    if (f.t <= p.release - 0.03) return {{}, {}, {}, {1, 1, 0, 0}};
    if (f.t >= p.lands) {
        if (plan.isTitleStrip) return {};
        return {{}, {}, {}, toFloat4(f.t >= kLate ? 2 : 3, f.opacity, 0, 0)};
    }
    const double2 home = plan.region.xy() + double2{column + 0.5, row + 0.5} * plan.cell;
    Live s = roam(p, home, plan.cell, f.t);
    if (f.t > p.leaves) headHome(f, p, column, row, s);
    if (s.alpha <= 0.001) return {};
    const double shorter = std::min(s.size.x, s.size.y);
    const double outline = p.isOutline ? std::min(0.5 * shorter, std::max(1.5, 0.1 * p.edge)) : 0;
    return {toFloat4(s.position.x, s.position.y, s.size.x / 2, s.size.y / 2),
            toFloat4(s.angle, 0.22 * shorter * s.pop, outline, s.morph), toFloat4(p.color.x, p.color.y, p.color.z, 1),
            toFloat4(0, s.alpha, s.blend, 0)};
}

}  // namespace

SparksFrame sparkFrames(const Sparks& plan, double t, const Placement& placement) {
    const Rect2 stage = plan.isTitleStrip ? Rect2{} : plan.shrinkToThumbnail(t, placement.standIn, placement.room);
    const double2 grid{static_cast<double>(plan.columns), static_cast<double>(plan.rows)};
    const FrameContext context{plan, t, stage, stage.size / grid, placement.opacity};
    SparksFrame result;
    result.records.reserve(plan.plans.size());
    for (size_t i = 0; i < plan.plans.size(); ++i) result.records.push_back(sparkFrame(context, i));
    result.look = {toFloat4(plan.region), toFloat4(stage.origin.x, stage.origin.y, stage.size.x, stage.size.y),
                   toFloat4(plan.columns, plan.rows, 0, 0)};
    return result;
}

}  // namespace furlpane::effects
