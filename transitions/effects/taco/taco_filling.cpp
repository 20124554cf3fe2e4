// The filling: lettuce leaves along the rim, then meat, lettuce, cheese, tomato, onion
// and cilantro. Meat lies lowest and drops first; the later kinds reach higher above the
// rim and lie nearer the back flap. Bound for a thumbnail, every piece later spills out
// of the unfolding taco, the middle first.

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "transitions/effects/taco/taco.h"

namespace furlpane::effects {
namespace {

constexpr double kPi = std::numbers::pi;
using Kind = Taco::Kind;
using Piece = Taco::Piece;

struct KindShare {
    Kind kind;
    double share;
    double a;  // the kind's layer of the fill window
    double b;
};

constexpr std::array<KindShare, 6> kKinds{{{Kind::meat, 0.14, 0, 0.3},
                                           {Kind::lettuce, 0.18, 0.2, 0.6},
                                           {Kind::cheese, 0.38, 0.35, 0.85},
                                           {Kind::tomato, 0.20, 0.45, 0.95},
                                           {Kind::onion, 0.05, 0.5, 1.0},
                                           {Kind::cilantro, 0.05, 0.5, 1.0}}};

// How much filling stands above the rim at column x.
double band(const Taco& plan, double x) {
    const double s = plan.pieceScale;
    if (!plan.isTitleStrip) return 16 * s;
    const double2 rim = plan.foldedEdge(x);
    return std::min(std::max(0.0, rim.x - plan.top) + 3 * s, 4 * s + plan.opening);
}

void rimLeaves(const Taco& plan, double x, EffectRandom& random, std::vector<Piece>& out) {
    const double s = plan.pieceScale, w = plan.size.x, fill = plan.timing.fill.upper - plan.timing.fill.lower;
    const double2 rim = plan.foldedEdge(x);
    const double slope = (plan.foldedEdge(std::min(w, x + 2)).x - plan.foldedEdge(std::max(0.0, x - 2)).x) / 4;
    const int n = std::max(1, static_cast<int>(std::ceil(band(plan, x) / (12.4 * s))));
    for (int j = 0; j < n; ++j) {
        double u[14];
        for (int k = 1; k <= 13; ++k) u[k] = random.unit();
        Piece leaf;
        leaf.kind = Kind::leaf;
        leaf.tint = u[1];
        leaf.length = (0.8 + 0.4 * u[2]) * 30 * s;
        leaf.width = (0.8 + 0.4 * u[3]) * 20 * s;
        leaf.angle = std::atan(slope) + (u[4] - 0.5) * 0.7;
        double y = rim.x - (j + 0.15 + 0.35 * u[5]) * 12.4 * s;
        if (plan.isTitleStrip) y = std::max(y, plan.top + 0.25 * leaf.width);
        const double xs = x + (u[6] - 0.5) * 9 * s;
        const double depth = std::max(plan.foldedEdge(xs).y, 2 * plan.radius);
        leaf.rest = {xs, y, depth * (0.5 - 0.3 * j / n + 0.12 * u[7])};
        const double lowerBound = plan.timing.fill.lower + (0.05 + 0.4 * u[8]) * 0.58 * fill;
        leaf.drop = Phase{lowerBound, lowerBound + (0.85 + 0.15 * u[9]) * 0.42 * fill};
        leaf.height = (70 + 80 * u[10]) * s;
        leaf.drift = double2{u[11] - 0.5, u[12] - 0.7} * (16 * s);
        leaf.turn = (u[13] - 0.5) * 2.4;
        out.push_back(leaf);
    }
}

// The shape draws of one piece: length, width, angle and bend by kind.
void drawShape(Piece& p, double s, EffectRandom& random) {
    switch (p.kind) {
    case Kind::lettuce:
    case Kind::cheese: {
        const bool lettuce = p.kind == Kind::lettuce;
        p.length = (lettuce ? 12 + 10 * random.unit() : 9 + 8 * random.unit()) * s;
        p.width = (lettuce ? 3.0 + 2.2 * random.unit() : 2.2 + 0.9 * random.unit()) * s;
        const double angle = random.unit() - 0.5;
        const bool wide = random.unit() < 0.3;
        p.angle = angle * (lettuce ? (wide ? 2.8 : 1.2) : (wide ? 3.0 : 1.4));
        p.bend = (random.unit() - 0.5) * (lettuce ? 0.2 : 0.1) / s;
        break;
    }
    case Kind::tomato:
        p.length = (5 + 3 * random.unit()) * s;
        p.width = p.length * (0.85 + 0.15 * random.unit());
        p.angle = kPi * random.unit();
        break;
    case Kind::meat:
        p.length = (5.5 + 4 * random.unit()) * s;
        p.width = p.length * (0.75 + 0.25 * random.unit());
        p.angle = 2 * kPi * random.unit();
        break;
    case Kind::onion:
        p.length = (3.4 + 1.8 * random.unit()) * s;
        p.width = p.length * (0.7 + 0.3 * random.unit());
        p.angle = kPi * random.unit();
        break;
    default:  // cilantro
        p.length = (5.5 + 2.6 * random.unit()) * s;
        p.width = p.length;
        p.angle = 2 * kPi * random.unit();
        break;
    }
}

Piece fillingPiece(const Taco& plan, const KindShare& kind, EffectRandom& random) {
    const double s = plan.pieceScale, w = plan.size.x, fill = plan.timing.fill.upper - plan.timing.fill.lower;
    Piece p;
    p.kind = kind.kind;
    const double x = 0.035 * w + 0.93 * w * random.unit();
    const double2 rim = plan.foldedEdge(x);
    p.tint = random.unit();
    drawShape(p, s, random);
    const double f = std::pow(random.unit(), kind.kind == Kind::meat ? 1.8 : 0.6);
    const double depthFraction = random.unit(), dropStart = random.unit(), dropLength = random.unit();
    const double height = random.unit(), driftX = random.unit(), driftY = random.unit(), turn = random.unit();

    double y = rim.x + 2 * s - f * (band(plan, x) + 4 * s);
    if (plan.isTitleStrip) y = std::max(y, plan.top + 0.3 * p.width);
    const double depth = std::max(rim.y, 2 * plan.radius);
    const double z = kind.kind == Kind::meat ? depth * (0.1 + 0.3 * depthFraction) : depth * (0.45 + 0.43 * depthFraction);
    p.rest = {x, y, z};
    const double lowerBound = plan.timing.fill.lower + (kind.a + (kind.b - kind.a) * dropStart) * 0.58 * fill;
    p.drop = Phase{lowerBound, lowerBound + (0.85 + 0.15 * dropLength) * 0.42 * fill};
    p.height = (150 + 170 * height) * s;
    p.drift = double2{driftX - 0.5, driftY - 0.7} * (16 * s);
    p.turn = (turn - 0.5) * 2.4;
    return p;
}

// The number of filling pieces before the per-kind rounding: 30 ... 450.
int fillingCount(const Taco& plan) {
    const double s = plan.pieceScale, w = plan.size.x;
    double area = 16 * s * 0.93 * w;
    if (plan.isTitleStrip) {
        area = 0;
        for (int i = 0; i < 64; ++i) area += band(plan, (i + 0.5) * w / 64) * 0.93 * w / 64;
    }
    const double n = std::trunc(0.85 * area / (40 * s * s));
    return static_cast<int>(std::clamp(n, 30.0, 450.0));
}

}  // namespace

std::vector<Taco::Piece> fillingPieces(const Taco& plan, EffectRandom& random) {
    const double s = plan.pieceScale, w = plan.size.x, margin = 0.035 * w;
    std::vector<Piece> pieces;
    double x = margin + 9 * s * random.unit();
    while (x < w - margin) {
        rimLeaves(plan, x, random, pieces);
        x += (0.42 + 0.16 * random.unit()) * 30 * s;
    }
    const int n = fillingCount(plan);
    for (const KindShare& kind : kKinds) {
        const int count = std::max(1, static_cast<int>(std::round(kind.share * n)));
        for (int i = 0; i < count; ++i) pieces.push_back(fillingPiece(plan, kind, random));
    }
    return pieces;
}

double tacoCrown(const Taco& plan, const std::vector<Taco::Piece>& pieces) {
    double crown = 0;
    for (const Piece& p : pieces) {
        const double extent = p.rest.y - 0.5 * std::max(p.length, p.width);
        const double outline = plan.isTitleStrip ? plan.top : plan.outlineUpper(p.rest.x);
        crown = std::max(crown, outline - extent);
    }
    return crown;
}

std::vector<Taco::Piece> spillPieces(std::vector<Taco::Piece> pieces, const Taco& plan, EffectRandom& random) {
    const double half = plan.size.x / 2;
    const Taco::Timing& t = plan.timing;
    for (Piece& p : pieces) {
        const double q = std::abs(p.rest.x - half) / std::max(1e-6, half);
        p.gone = std::min(t.unfold.lower + 0.008 + 0.03 * q + 0.03 * random.unit(), t.spill.upper - 0.1);
        const double vx = random.unit(), vy = random.unit(), vz = random.unit();
        p.velocity = {(vx - 0.5) * 220, 110 * vy - 70, 120 * vz + 30};
        p.spin = (random.unit() - 0.5) * 16;
        p.life = (0.85 + 0.15 * random.unit()) * (t.spill.upper - p.gone) * 1.2;
        p.falls = true;
    }
    return pieces;
}

}  // namespace furlpane::effects
