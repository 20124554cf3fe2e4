// The two fold programmes: successive halvings and a tuck for a title strip, a paper
// dart for a thumbnail.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "transitions/effects/origami/origami.h"

namespace furlpane::effects {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kWingAngle = 1.413716694115407;  // 81 degrees
constexpr double kCos22 = 0.9238795325112867;
constexpr double kSin22 = 0.3826834323650898;

double cross(double2 a, double2 b) { return a.x * b.y - a.y * b.x; }
double2 normalized(double2 v) { return v / std::sqrt(v.x * v.x + v.y * v.y); }

// The body is halved while a half stays taller than 10 points: 1 to 7 halvings.
int halvingsOf(double rest) {
    int n = 1;
    for (int k = 1; k <= 6; ++k) {
        if (!(rest * std::exp2(-k) > 10)) break;
        n = k + 1;
    }
    return n;
}

Origami::Fold halving(double y, double h, bool isTuck, Phase folding) {
    Origami::Fold fold;
    fold.crease = {{0, y}, {1, 0}};
    // The part beyond the crease, with the corner (0, h), turns.
    fold.side = h - y > 0 ? 1 : -1;
    fold.layers = Origami::Layers::all();
    fold.isTowardViewer = !isTuck;
    fold.angle = kPi;
    fold.folding = folding;
    fold.tucksAway = isTuck;
    return fold;
}

// The dart's canonical frame: u along the sheet's length toward the target's side,
// v across it, so that the nose lies on the short edge nearer the target.
struct DartFrame {
    double2 col0, col1, offset;
    double length = 0;  // the longer side, L
    double width = 0;   // the shorter side, S
    double2 map(double u, double v) const { return offset + col0 * u + col1 * v; }
};

DartFrame dartFrame(double2 size, double2 target) {
    const double w = size.x, h = size.y;
    if (w >= h) {
        if (target.x >= w / 2) return {{1, 0}, {0, 1}, {0, 0}, w, h};
        return {{-1, 0}, {0, 1}, {w, 0}, w, h};
    }
    if (target.y >= h / 2) return {{0, 1}, {-1, 0}, {w, 0}, h, w};
    return {{0, -1}, {1, 0}, {0, h}, h, w};
}

Origami::Fold dartFold(double2 origin, double2 toward, double2 reference, Phase folding, Phase unfolding) {
    Origami::Fold fold;
    const double2 direction = normalized(toward - origin);
    fold.crease = {origin, direction};
    fold.side = cross(direction, reference - origin) > 0 ? 1 : -1;
    fold.layers = Origami::Layers::all();
    fold.isTowardViewer = true;
    fold.angle = kPi;
    fold.folding = folding;
    fold.unfolding = unfolding;
    return fold;
}

}  // namespace

Origami origamiPlan(const TransitionUniforms& uniforms) {
    const double2 size{std::max(1.0, static_cast<double>(uniforms.window.z)),
                       std::max(1.0, static_cast<double>(uniforms.window.w))};
    if (isTitleStrip(uniforms)) return titleStripOrigami(size, uniforms.titleBarHeight);
    const double2 standInOrigin{uniforms.standIn.x, uniforms.standIn.y};
    const double2 standInSize{uniforms.standIn.z, uniforms.standIn.w};
    const double2 windowOrigin{uniforms.window.x, uniforms.window.y};
    return windowOrigami(size, standInOrigin + standInSize * 0.5 - windowOrigin);
}

Origami titleStripOrigami(double2 size, double titleBarHeight) {
    const double h = size.y;
    const double strip = std::min(h, titleBarHeight > 0 ? titleBarHeight : 0.0);
    const double rest = h - strip;
    const int n = halvingsOf(rest);
    // Each halving takes three quarters of the time of the one before, the tuck half
    // the time of the last halving; together they fill 0.8 of the progress.
    std::vector<double> weights;
    for (int j = 1; j <= n; ++j) weights.push_back(std::pow(0.75, j - 1));
    weights.push_back(0.5 * std::pow(0.75, n - 1));
    double total = 0;
    for (double w : weights) total += w;
    const double scale = 0.8 / total;

    std::vector<Origami::Fold> folds;
    double lower = 0.06;
    for (int j = 1; j <= n + 1; ++j) {
        const bool isTuck = j == n + 1;
        const double y = isTuck ? strip : strip + rest / std::exp2(j);
        const double upper = isTuck ? 0.86 : lower + weights[j - 1] * scale;
        folds.push_back(halving(y, h, isTuck, {lower, upper}));
        lower = upper;
    }
    return applyFolds(size, std::move(folds), std::nullopt, 0.01, {0.88, 0.94});
}

Origami windowOrigami(double2 size, double2 target) {
    const DartFrame f = dartFrame(size, target);
    const double L = f.length, S = f.width;
    const double2 a = f.map(L, S / 2), b = f.map(L - S / 2, 0), c = f.map(L - S / 2, S);
    const double2 e = f.map(0, S / 2), q = f.map(0, 0.35 * S);
    std::vector<Origami::Fold> folds;
    // The two far corners onto the centre line, then the new slanted edges onto it again.
    folds.push_back(dartFold(b, a, f.map(L, 0), {0.06, 0.15}, {0.84, 0.89}));
    folds.push_back(dartFold(c, a, f.map(L, S), {0.06, 0.15}, {0.84, 0.89}));
    folds.push_back(dartFold(a, f.map(L - kCos22, S / 2 - kSin22), b, {0.15, 0.24}, {0.79, 0.84}));
    folds.push_back(dartFold(a, f.map(L - kCos22, S / 2 + kSin22), c, {0.15, 0.24}, {0.79, 0.84}));
    // In half lengthwise.
    folds.push_back(dartFold(e, a, f.map(0, S), {0.24, 0.34}, {0.74, 0.79}));
    const Origami::Line centre = folds[4].crease;
    const double centreSide = folds[4].side;
    const double stayingSide = cross(centre.direction, f.map(0, 0) - centre.origin) > 0 ? 1 : -1;
    // The wings, 0.15 S from the centre line: one on the half that turned toward the
    // viewer, one on the half that stayed, turned away from it.
    for (int wing = 0; wing < 2; ++wing) {
        Origami::Fold fold = dartFold(q, f.map(L, 0.35 * S), f.map(0, 0), {0.34, 0.42}, {0.70, 0.74});
        fold.layers = Origami::Layers::from(centre, wing == 0 ? centreSide : stayingSide);
        fold.isTowardViewer = wing == 0;
        fold.angle = kWingAngle;
        folds.push_back(fold);
    }
    Origami::Flight flight;
    flight.span = {0.42, 0.70};
    flight.pivot = f.map(L / 2, 0.35 * S);
    flight.nose = folds[4].crease.direction;
    flight.top = normalized(f.map(0, 0) - f.map(0, 1));
    flight.length = L;
    return applyFolds(size, std::move(folds), flight, 0.04, {0.89, 0.94});
}

}  // namespace furlpane::effects
