#include <algorithm>
#include <cmath>
#include <numbers>

#include "transitions/effects/shade/shade.h"

namespace furlpane::effects {

namespace {

constexpr double kPi = std::numbers::pi;

double4x4 translation(double x, double y, double z) { return double4x4::translation({x, y, z}); }
double4x4 scaling(double x, double y, double z) { return double4x4::diagonal({x, y, z, 1}); }

// The rotation by theta about the z axis: (x, y) -> (x cos - y sin, x sin + y cos).
double4x4 rotationZ(double theta) {
    if (theta == 0) return double4x4::identity();
    const double c = std::cos(theta), s = std::sin(theta);
    return {{c, s, 0, 0}, {-s, c, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
}


// The bundle's flight as a quadratic Bezier from the window's top centre to the stage's,
// arcing above both ends but kept below the room's top edge.
struct Flight {
    double2 position;
    double2 scale;
    double tilt;
};

Flight flyBundle(const Shade& plan, double f, double2 windowOrigin, Rect2 stage, Rect2 room) {
    const double halfWidth = plan.size.x / 2;
    const double2 ratio = stage.size / plan.size;
    const double2 s0 = windowOrigin + double2{halfWidth, 0};
    const double2 e = stage.origin + double2{halfWidth * ratio.x, 0};
    const double2 se = e - s0;
    double2 c{(s0.x + e.x) / 2, (s0.y + e.y) / 2 - (0.3 * std::sqrt(se.x * se.x + se.y * se.y) + 30)};
    const bool roomHasHeight = room.size.y > 0;
    if (roomHasHeight) c.y = std::max(c.y, std::min({e.y, s0.y, room.origin.y + 8}));
    double2 b = s0 * ((1 - f) * (1 - f)) + c * (2 * (1 - f) * f) + e * (f * f);
    const double2 scale{1 + (ratio.x - 1) * f, 1 + (ratio.y - 1) * f};
    double tilt = -0.14 * std::sin(kPi * f);
    if (e.x < s0.x) tilt = -tilt;
    // The end of the tilted bundle that swings up stays below the room's top edge.
    if (roomHasHeight) b.y = std::max(b.y, std::min({e.y, s0.y, room.origin.y}) + std::abs(std::sin(tilt)) * halfWidth * scale.x);
    return {b, scale, tilt};
}

double2 hemBarCentre(const Shade& plan, const Shade::HemState& state) {
    const Shade::HemPoint hp = plan.hemPoint(state);
    return hp.point + hp.direction * (0.4 * plan.hemRadius);
}

// The hem only counts as moving when it neither changes between hanging straight and
// hanging from the roller nor stands still within the frame.
bool hemMoving(const Shade& plan, const Shade::HemState& now, const Shade::HemState& before,
               const Shade::HemState& after) {
    const bool allHanging = now.flap > 0 && before.flap > 0 && after.flap > 0;
    const bool allStraight = now.flap <= 0 && before.flap <= 0 && after.flap <= 0;
    if (!allHanging && !allStraight) return false;
    const double2 d = hemBarCentre(plan, before) - hemBarCentre(plan, after);
    return std::sqrt(d.x * d.x + d.y * d.y) > 2.5;
}

int frameMode(const Shade& plan, double t) {
    const Shade::Timing& timing = plan.timing;
    if (t <= timing.tug.lower) return 1;
    if (!plan.isTitleStrip) {
        if (t >= timing.shrink.upper) return 2;
        if (t > timing.flight.lower) return 0;
    }
    return 3;
}

float4 toRecord(const Shade::HemState& s) { return toFloat4(s.drop, s.flap, s.angle, s.swing); }

}  // namespace

double Shade::hemScale(double t) const {
    const double u = phaseProgress(timing.hem, t);
    const double a = 1 - (1 - u) * (1 - u) * (1 - u);
    if (isTitleStrip) return t > timing.spin.upper ? 0 : a;
    return a * (1 - smootherstep(phaseProgress(timing.hemIn, t)));
}

double4 Shade::ringSample(double t) const {
    const auto points = cordPoints(t);
    const double3 p10 = points[10], p11 = points[11];
    const double length = cordLengthAt(1.2 * t);
    const double3 d = p11 - p10;
    const double dl = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    const double3 direction = dl > 1e-6 ? d / dl : double3{0, 1, 0};
    // The ring reaches full size when 30% of the cord is out.
    const double s = clamp01(length / std::max(1e-6, cordLength) / 0.3);
    const double g = s * s * (3 - 2 * s);
    return {p11 + direction * (ringRadius * g), ringRadius * g};
}

Rect2 Shade::shrinkToThumbnail(double t, Rect2 standIn, Rect2 room) const {
    return effects::shrinkToThumbnail(t, timing.shrink, size, standIn.origin, standIn.size, room.origin, room.size,
                                      SizeFloor::throughout);
}

double4x4 Shade::sheetTransform(double t, double2 windowOrigin, Rect2 standIn, Rect2 room) const {
    if (isTitleStrip || t <= timing.flight.lower) return double4x4::identity();
    const Rect2 stage = shrinkToThumbnail(t, standIn, room);
    const double2 ratio = stage.size / size;
    if (t >= timing.flight.upper)
        return translation(stage.origin.x, stage.origin.y, 0) * scaling(ratio.x, ratio.y, (ratio.x + ratio.y) / 2);
    const double f = smootherstep(phaseProgress(timing.flight, t));
    const Flight flight = flyBundle(*this, f, windowOrigin, stage, room);
    // The bundle pivots and scales about its top centre.
    return translation(flight.position.x, flight.position.y, 0) * rotationZ(flight.tilt) *
           scaling(flight.scale.x, flight.scale.y, (flight.scale.x + flight.scale.y) / 2) *
           translation(-size.x / 2, 0, 0);
}

ShadeFrame shadeFrame(const Shade& plan, double t, const Placement& placement) {
    const Shade::Timing& timing = plan.timing;
    const double halfStep = placement.frameStep(kShadeFrameRate) / 2;
    const double w = plan.size.x;
    const double2 viewSize = placement.viewSize;
    const double opacity = placement.opacity;
    const double4x4 m = plan.sheetTransform(t, placement.window.origin, placement.standIn, placement.room);
    const int mode = frameMode(plan, t);
    const double fade =
        plan.isTitleStrip ? 0 : smootherstep(phaseProgress({timing.unroll.upper - 0.03, timing.hemIn.upper}, t));
    const double hemScale = plan.hemScale(t);
    const double ringIn = clamp01(hemScale / 0.35);
    const double hemHalf = hemScale * std::max(0.0, w / 2 - plan.hemRadius);
    const bool cordVisible = plan.cordLengthAt(1.2 * t) > 0.5 && (!plan.isTitleStrip || t < timing.spin.upper);
    const Shade::HemState h0 = plan.hemState(t);
    const Shade::HemState h1 = plan.hemState(std::max(0.0, t - halfStep));
    const Shade::HemState h2 = plan.hemState(std::min(1.0, t + halfStep));
    std::array<double4, 4> rings{plan.ringSample(clamp01(t - halfStep)), plan.ringSample(clamp01(t + halfStep)),
                                 plan.ringSample(clamp01(t - halfStep / 2)), plan.ringSample(clamp01(t + halfStep / 2))};
    // A ring that hardly moves within the frame is not drawn smeared.
    if (distance(rings[0].xyz(), rings[1].xyz()) < 2.5)
        for (double4& ring : rings) ring.w = 0;

    ShadeFrame frame;
    std::vector<float4>& look = frame.look;
    look.assign(kShadeLookCount, float4{});
    for (int c = 0; c < 4; ++c) look[c] = toFloat4(m.columns[c]);
    look[4] = toFloat4(1.8 * std::max(1.0, std::max(viewSize.x, viewSize.y)), mode, fade, 1 + (opacity - 1) * fade);
    look[5] = toRecord(h0);
    look[6] = toFloat4(plan.titleBar, std::max(1.0, plan.size.y - plan.titleBar), -1,
                       ringIn * ringIn * (3 - 2 * ringIn) * plan.hemRadius);
    look[7] = toFloat4(w / 2 - hemHalf, w / 2 + hemHalf, plan.hemRadius, 0);
    look[8] = toFloat4(plan.ringSample(t));
    look[9] = toRecord(h1);
    look[10] = toRecord(h2);
    look[11] = toFloat4(cordVisible ? 12 : 0, 1.1, hemMoving(plan, h0, h1, h2) ? 1 : 0, 0);
    for (int i = 0; i < 4; ++i) look[12 + i] = toFloat4(rings[i]);
    const auto cord = plan.cordPoints(t);
    for (int i = 0; i < Shade::kCordPoints; ++i) look[16 + i] = toFloat4(cord[i].x, cord[i].y, cord[i].z, 0);
    return frame;
}

}  // namespace furlpane::effects
