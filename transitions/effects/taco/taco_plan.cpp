// The taco's geometry: where the sheet bends, how tight, and the rounded outline. The
// crease is placed so that, once folded 0.2 radian short of flat, the upper flap's edge
// stands `opening` above the folded-up back flap's edge.

#include <algorithm>
#include <cmath>

#include "transitions/effects/taco/taco.h"

namespace furlpane::effects {
namespace {

// Sides read from the uniforms: at least 2 points; not more than the largest picture, so
// that absurd sizes cannot ask for millions of rim leaves or bite cells; a value that is
// not a finite number reads as the smallest side.
double planSide(float side) {
    const double value = side;
    return std::isfinite(value) ? std::clamp(value, 2.0, 16384.0) : 2.0;
}

// max(0, 1 − q^e)^(1/e), q the distance from the centre column in half-widths (at most 1).
double outlineFactor(double x, double w, double e) {
    const double q = std::min(1.0, std::abs(x - w / 2) / std::max(1e-6, w / 2));
    return std::pow(std::max(0.0, 1 - std::pow(q, e)), 1 / e);
}

void placeFold(Taco& plan) {
    const double h = plan.size.y, top = plan.top;
    const double height = std::max(1.0, h - top);
    const double r = std::min(std::min(std::max(0.065 * height, 3.0), 34.0), 0.125 * height);
    const double o = plan.isTitleStrip ? std::min(std::min(std::max(0.13 * height, 12.0), 48.0), 0.25 * height) : 0;
    const double reach = height + top - r * kTacoWrap;
    const double c0 = std::cos(0.2), s0 = std::sin(0.2);
    plan.radius = r;
    plan.opening = o;
    plan.crease = std::min(reach - 1, std::max(1 + top, (c0 * reach + o + top - r * s0) / (1 + c0)));
    plan.middle = plan.crease + r * kTacoWrap / 2;
    plan.upper = std::max(1.0, plan.middle - top);
    plan.lower = std::max(1.0, height + top - plan.middle);
    plan.exponent = plan.isTitleStrip ? 5.0 : 2.6;
    plan.pieceScale = std::min(std::max(std::sqrt(plan.size.x * height) / 400, 0.8), 1.3);
}

}  // namespace

Taco::Timing tacoTiming(bool isTitleStrip) {
    Taco::Timing t;
    const Phase never{2, 2};
    t.round = {0.03, 0.13};
    t.fold = {0.04, 0.28};
    if (isTitleStrip) {
        t.fill = {0.22, 0.4};
        t.settle = never;
        t.bites = {0.42, 0.8};
        t.crumbsGone = 0.93;
        t.flight = t.landing = t.unfold = t.spill = t.unround = t.corners = t.shrink = never;
    } else {
        t.fill = {0.2, 0.39};
        t.settle = {0.16, 0.25};
        t.bites = never;
        t.crumbsGone = 2;
        t.flight = {0.4, 0.57};
        t.landing = {0.56, 0.62};
        t.unfold = {0.61, 0.76};
        t.spill = {0.62, 0.87};
        t.unround = {0.67, 0.81};
        t.corners = {0.8, 0.87};
        t.shrink = {0.86, 0.93};
    }
    return t;
}

Taco tacoPlan(const TransitionUniforms& uniforms) {
    const double w = planSide(uniforms.window.z), h = planSide(uniforms.window.w);
    const bool title = isTitleStrip(uniforms);
    double top = 0;
    if (title) {
        const double bar = uniforms.titleBarHeight;
        top = std::min(h - 1, std::max(0.0, std::isfinite(bar) ? bar : 0.0));
    }
    return buildTaco({w, h}, top, title, uniforms.seed);
}

Taco buildTaco(double2 size, double top, bool isTitleStrip, std::uint32_t seed) {
    Taco plan;
    plan.size = size;
    plan.isTitleStrip = isTitleStrip;
    plan.top = isTitleStrip ? std::clamp(top, 0.0, size.y - 1) : 0;
    plan.timing = tacoTiming(isTitleStrip);
    placeFold(plan);

    EffectRandom random(seed, tags::kTaco);
    std::vector<Taco::Piece> filling = fillingPieces(plan, random);
    plan.crown = tacoCrown(plan, filling);
    if (isTitleStrip) {
        plan.bites = planBites(plan, random);
        plan.pieces = biteAway(std::move(filling), plan.bites, plan, random);
        std::vector<Taco::Piece> crumbs = biteCrumbs(plan.bites, plan, random);
        plan.pieces.insert(plan.pieces.end(), crumbs.begin(), crumbs.end());
    } else {
        plan.pieces = spillPieces(std::move(filling), plan, random);
    }
    return plan;
}

double Taco::outlineLower(double x) const { return middle + lower * outlineFactor(x, size.x, exponent); }
double Taco::outlineUpper(double x) const { return middle - upper * outlineFactor(x, size.x, exponent); }

double2 Taco::foldedEdge(double x) const {
    const double y = outlineLower(x);
    if (y <= crease) return {y, 0};
    const double d = y - crease;
    if (d <= radius * kTacoWrap) {
        const double phi = d / radius;
        return {crease + radius * std::sin(phi), radius * (1 - std::cos(phi))};
    }
    const double beyond = d - radius * kTacoWrap;
    return {crease + radius * std::sin(0.2) - beyond * std::cos(0.2),
            radius * (1 + std::cos(0.2)) + beyond * std::sin(0.2)};
}

int Taco::splitCount(int n) const {
    const double rows = std::floor(n * (crease - top) / std::max(1e-6, size.y - top));
    return static_cast<int>(std::clamp(rows, 0.0, static_cast<double>(std::max(0, n))));
}

}  // namespace furlpane::effects
