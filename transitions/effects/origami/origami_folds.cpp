// The fold engine: cuts the sheet into convex facets along each crease, decides which
// facets each fold turns, mirrors their placement across the crease and restacks their
// layers. It runs once, when the plan is built.

#include <algorithm>
#include <cmath>

#include "transitions/effects/origami/origami.h"

namespace furlpane::effects {

namespace {

// A fold whose angle is below this does not lie flat: pi - 1e-9.
constexpr double kFlatAngle = 3.141592652589793;

double cross(double2 a, double2 b) { return a.x * b.y - a.y * b.x; }

double2 placed(const Origami::Placement& placement, double2 p) { return placement.matrix * p + placement.offset; }

double areaOf(const std::vector<double2>& corners) {
    double sum = 0;
    for (size_t i = 0; i < corners.size(); ++i) sum += cross(corners[i], corners[(i + 1) % corners.size()]);
    return std::abs(sum) / 2;
}

bool isSelected(const Origami::Layers& layers, const Origami::Facet& facet) {
    if (layers.kind == Origami::Layers::Kind::all) return true;
    const double2 c = centroid(facet.corners);
    return layers.side * cross(layers.line.direction, c - layers.line.origin) > 0;
}

// Cuts every selected facet along the fold's crease; the turning piece comes first.
std::vector<Origami::Facet> cutAlong(const std::vector<Origami::Facet>& facets, const Origami::Fold& fold, int k) {
    std::vector<Origami::Facet> next;
    next.reserve(facets.size() * 2);
    for (const Origami::Facet& facet : facets) {
        if (!isSelected(fold.layers, facet)) {
            next.push_back(facet);
            next.back().turns.push_back(false);
            continue;
        }
        std::vector<double> values;
        values.reserve(facet.corners.size());
        for (const double2& corner : facet.corners)
            values.push_back(fold.side * cross(fold.crease.direction, placed(facet.placement, corner) - fold.crease.origin));
        if (auto turning = splitFacet(facet, values, KeptSide::positive, k)) {
            turning->turns.push_back(true);
            next.push_back(std::move(*turning));
        }
        if (auto staying = splitFacet(facet, values, KeptSide::negative, k)) {
            staying->turns.push_back(false);
            next.push_back(std::move(*staying));
        }
    }
    return next;
}

// The reflection across the crease line, as a 2 × 2 matrix (columns).
double2x2 reflectionAcross(double2 d) {
    const double xy = 2 * d.x * d.y;
    return {{{2 * d.x * d.x - 1, xy}, {xy, 2 * d.y * d.y - 1}}};
}

// Lays the movers of fold k down on the other side of its crease and returns the
// fold's hinge height.
double turnMovers(std::vector<Origami::Facet>& facets, const Origami::Fold& fold, size_t k, double thickness) {
    int lowAll = facets.front().layer, highAll = lowAll;
    int lowMov = 0, highMov = 0;
    bool anyMover = false;
    for (const Origami::Facet& f : facets) {
        lowAll = std::min(lowAll, f.layer);
        highAll = std::max(highAll, f.layer);
        if (!f.turns[k]) continue;
        lowMov = anyMover ? std::min(lowMov, f.layer) : f.layer;
        highMov = anyMover ? std::max(highMov, f.layer) : f.layer;
        anyMover = true;
    }
    if (!anyMover) return 0;
    // A fold that stays out of the plane hinges half a layer beyond its movers.
    if (fold.angle < kFlatAngle) return fold.isTowardViewer ? (highMov + 0.5) * thickness : (lowMov - 0.5) * thickness;
    // base - layer reverses the movers' order and lands them as one block in front of
    // (or behind) everything; the hinge lies midway between old and new heights.
    const int base = fold.isTowardViewer ? highAll + highMov + 1 : lowAll + lowMov - 1;
    const double2x2 r = reflectionAcross(fold.crease.direction);
    const double2 o = fold.crease.origin;
    for (Origami::Facet& f : facets) {
        if (!f.turns[k]) continue;
        f.layer = base - f.layer;
        f.placement.matrix = r * f.placement.matrix;
        f.placement.offset = r * (f.placement.offset - o) + o;
    }
    return base * thickness * 0.5;
}

}  // namespace

std::optional<Origami::Facet> splitFacet(const Origami::Facet& facet, const std::vector<double>& values, KeptSide kept,
                                         int foldIndex) {
    const size_t n = facet.corners.size();
    if (values.size() != n || n < 3 || facet.sides.size() != n) return std::nullopt;
    std::vector<double> s(n);
    for (size_t i = 0; i < n; ++i) {
        const double v = std::abs(values[i]) < 1e-7 ? 0 : values[i];
        s[i] = kept == KeptSide::negative ? -v : v;
    }
    Origami::Facet piece;
    const auto crossing = [&](size_t i, size_t j) {
        const double a = s[i], b = s[j];
        return facet.corners[i] + (facet.corners[j] - facet.corners[i]) * (a / (a - b));
    };
    for (size_t i = 0; i < n; ++i) {
        const size_t j = (i + 1) % n;
        const double a = s[i], b = s[j];
        if (a >= 0) {
            piece.corners.push_back(facet.corners[i]);
            if (b >= 0) {
                piece.sides.push_back(facet.sides[i]);
            } else if (a == 0) {
                piece.sides.push_back(foldIndex);
            } else {
                piece.sides.push_back(facet.sides[i]);
                piece.corners.push_back(crossing(i, j));
                piece.sides.push_back(foldIndex);
            }
        } else if (b > 0) {
            piece.corners.push_back(crossing(i, j));
            piece.sides.push_back(facet.sides[i]);
        }
    }
    if (piece.corners.size() < 3 || !(areaOf(piece.corners) > 1e-6)) return std::nullopt;
    piece.placement = facet.placement;
    piece.layer = facet.layer;
    piece.turns = facet.turns;
    return piece;
}

Origami applyFolds(double2 size, std::vector<Origami::Fold> folds, std::optional<Origami::Flight> flight,
                   double thickness, Phase settling) {
    Origami plan;
    plan.size = size;
    plan.thickness = thickness;
    plan.flight = flight;
    plan.settling = settling;
    Origami::Facet sheet;
    sheet.corners = {{0, 0}, {size.x, 0}, {size.x, size.y}, {0, size.y}};
    sheet.sides = {-1, -1, -1, -1};
    plan.facets = {sheet};
    for (size_t k = 0; k < folds.size(); ++k) {
        plan.facets = cutAlong(plan.facets, folds[k], static_cast<int>(k));
        plan.creaseHeights.push_back(plan.facets.empty() ? 0 : turnMovers(plan.facets, folds[k], k, thickness));
    }
    plan.folds = std::move(folds);
    return plan;
}

}  // namespace furlpane::effects
