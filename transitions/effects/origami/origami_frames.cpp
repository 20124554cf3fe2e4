// Every frame eases each fold open or closed, rotates every facet about the hinges of
// the folds that turn it, and carries the sheet along the dart's flight to the
// stand-in, landing and settling on it.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "transitions/effects/origami/origami.h"

namespace furlpane::effects {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kBankAngle = 1.319468914507713;  // 0.42 pi

double cross(double2 a, double2 b) { return a.x * b.y - a.y * b.x; }
double ease3(double x) { return (3 - 2 * x) * x * x; }

double4x4 translation(double x, double y, double z) { return double4x4::translation({x, y, z}); }
double4x4 scaling(double x, double y, double z) { return double4x4::diagonal({x, y, z, 1}); }

double foldAmount(const Origami::Fold& fold, double t) {
    double a = smootherstep(phaseProgress(fold.folding, t));
    if (fold.unfolding) a -= smootherstep(phaseProgress(*fold.unfolding, t));
    return a;
}

// Restoring plays the frames backwards; only the crease marks keep their own rule, so
// that a mark appears when its fold starts to close in the backward run.
double creaseMark(const Origami::Fold& fold, const Origami& plan, double t, Direction direction) {
    if (direction == Direction::minimizing) {
        const double lower = fold.folding.lower;
        return ease3(phaseProgress({lower, lower + 0.02}, t)) * (1 - ease3(phaseProgress(plan.settling, t)));
    }
    const double e = fold.unfolding ? fold.unfolding->upper : fold.folding.upper;
    return ease3(clamp01((t - 0.01) / 0.045)) * (1 - ease3(phaseProgress({e - 0.02, e}, t)));
}

struct FlightScale {
    double2 ratio;  // stand-in size / sheet size per axis
    double mean;    // m
    double k;       // how much larger than the stand-in the dart flies
};

FlightScale flightScale(const Origami& plan, const Origami::Flight& flight, Rect2 standIn) {
    const double2 ratio = standIn.size / plan.size;
    const double m = std::max(1e-6, (ratio.x + ratio.y) / 2);
    const double k = std::min(1 / m, std::max(1.0, 150 / (flight.length * m)));
    return {ratio, m, k};
}

double4x4 flying(const Origami& plan, const Origami::Flight& flight, double t, double2 windowOrigin,
                 const FlightScale& fs, double2 arrival, double depth) {
    const double u = phaseProgress(flight.span, t);
    const double e = smootherstep(u);
    const auto path = bezierPath(windowOrigin + flight.pivot, arrival + (flight.pivot - plan.size / 2.0) * fs.ratio * fs.k,
                                 flight.nose);
    const double2 p = bezierPoint(path, e);
    const double turn = pathTurn(path, e, flight.nose);
    const double2 s = (fs.ratio * fs.k - double2(1.0)) * e + double2(1.0);
    const double sz = (fs.mean * fs.k - 1) * e + 1;
    const double lift = std::sin(kPi * u) * 0.08 * depth;
    // The dart banks in over the first 30 % of the flight and straightens out over the last.
    const double fade = 1 - ease3(phaseProgress({0.7, 1.0}, u));
    const double yaw = turn * fade;
    double roll = ease3(phaseProgress({0, 0.3}, u)) * kBankAngle * fade;
    if (!(cross(flight.top, flight.nose) < 0)) roll = -roll;
    const double4x4 rz = rotationAbout({0, 0, 1}, {0, 0, 0}, yaw);
    const double4x4 rn = rotationAbout({flight.nose.x, flight.nose.y, 0}, {0, 0, 0}, roll);
    return translation(p.x, p.y, lift) * rz * scaling(s.x, s.y, sz) * rn * translation(-flight.pivot.x, -flight.pivot.y, 0);
}

double4x4 landing(const Origami& plan, const Origami::Flight& flight, double t, Rect2 standIn, const FlightScale& fs,
                  double2 arrival) {
    const double e = smootherstep(phaseProgress({flight.span.upper, plan.settling.upper}, t));
    const double s = (1 - fs.k) * e + fs.k;
    // The centre eases from the arrival point onto the stand-in's centre as the sheet
    // shrinks, so that the landing continues the flight wherever the dart touched down.
    const double2 c = standIn.origin + standIn.size / 2.0;
    const double2 centre = arrival + (c - arrival) * e;
    return translation(centre.x, centre.y, 0) * scaling(fs.ratio.x * s, fs.ratio.y * s, fs.mean * s) *
           translation(-plan.size.x / 2, -plan.size.y / 2, 0);
}

}  // namespace

double4x4 rotationAbout(double3 axis, double3 point, double angle) {
    if (angle == 0) return double4x4::identity();
    const double len = std::sqrt(axis.x * axis.x + axis.y * axis.y + axis.z * axis.z);
    const platform::simd::quatd q(axis / len * std::sin(angle / 2), std::cos(angle / 2));
    return translation(point.x, point.y, point.z) * platform::simd::matrix4x4(q) *
           translation(-point.x, -point.y, -point.z);
}

double pathTurn(const std::array<double2, 4>& path, double s, double2 start) {
    double2 prev = start;
    double total = 0;
    for (int i = 1; i <= 48; ++i) {
        double2 g = bezierDerivative(path, s * i / 48);
        const double len = length(g);
        if (!(len > 1e-9)) continue;
        g = g / len;
        total += std::atan2(cross(prev, g), dot(prev, g));
        prev = g;
    }
    return total;
}

FlightPlacement flightPlacement(const Origami& plan, double t, double2 windowOrigin, Rect2 standIn, Rect2 room,
                                double depth) {
    if (!plan.flight || t <= plan.flight->span.lower) return {translation(windowOrigin.x, windowOrigin.y, 0), 0};
    const Origami::Flight& flight = *plan.flight;
    const FlightScale fs = flightScale(plan, flight, standIn);
    const double2 c = standIn.origin + standIn.size / 2.0;
    // Where the enlarged dart touches down, 8 points inside the room.
    const double2 arrival = keepInside(c, standIn.size * fs.k / 2.0, room.origin, room.size);
    if (t < flight.span.upper) return {flying(plan, flight, t, windowOrigin, fs, arrival, depth), 1};
    return {landing(plan, flight, t, standIn, fs, arrival), t >= plan.settling.upper ? 3 : 2};
}

OrigamiFrame facetFrames(const Origami& plan, double t, const Placement& placement) {
    const double opacity = placement.opacity;
    const size_t foldCount = std::min(plan.folds.size(), plan.creaseHeights.size());
    std::vector<double> amounts(foldCount);
    std::vector<double4x4> rotations(foldCount);
    for (size_t i = 0; i < foldCount; ++i) {
        const Origami::Fold& fold = plan.folds[i];
        amounts[i] = foldAmount(fold, t);
        double theta = fold.side * fold.angle * amounts[i];
        if (!fold.isTowardViewer) theta = -theta;
        const Origami::Line& crease = fold.crease;
        rotations[i] = rotationAbout({crease.direction.x, crease.direction.y, 0},
                                     {crease.origin.x, crease.origin.y, plan.creaseHeights[i]}, theta);
    }
    const double depth = 1.8 * std::max({1.0, placement.viewSize.x, placement.viewSize.y});
    const FlightPlacement carried =
        flightPlacement(plan, t, placement.window.origin, placement.standIn, placement.room, depth);
    const double fadeTo = plan.flight ? smootherstep(phaseProgress({plan.flight->span.lower, plan.settling.upper}, t)) *
                                                (opacity - 1) + 1
                                      : 1;
    OrigamiFrame result;
    result.records.reserve(plan.facets.size());
    for (const Origami::Facet& facet : plan.facets) {
        double4x4 m = double4x4::identity();
        double amax = 0;
        bool tucked = false;
        for (size_t i = 0; i < foldCount && i < facet.turns.size(); ++i) {
            if (!facet.turns[i]) continue;
            if (amounts[i] > 0) m = rotations[i] * m;
            amax = std::max(amax, amounts[i]);
            if (!tucked && plan.folds[i].tucksAway) tucked = amounts[i] >= 1;
        }
        const int code = amax == 0 && carried.stage == 0 ? 1 : amax == 0 && carried.stage == 3 ? 2 : 0;
        result.records.push_back(
            {float4x4(carried.transform * m), toFloat4(code, tucked ? 0 : 1, amax, fadeTo)});
    }
    const double settle = plan.flight ? smootherstep(phaseProgress(plan.settling, t)) : 0;
    result.look.assign(kOrigamiLookCount, float4{});
    result.look[0] = toFloat4(settle, depth, 0, 0);
    for (size_t i = 0; i < foldCount && i < static_cast<size_t>(kMaxOrigamiFolds); ++i)
        result.look[1 + i / 4][static_cast<int>(i % 4)] =
            static_cast<float>(creaseMark(plan.folds[i], plan, t, placement.direction));
    return result;
}

}  // namespace furlpane::effects
