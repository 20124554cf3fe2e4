// The puddles of the water effect: bodies of water that fill a rectangle from a source
// point, and later drain and clear. Minimizing to a thumbnail gathers a puddle on it;
// restoring from a thumbnail floods the window from the thumbnail's side while the
// thumbnail itself turns to water and drains; restoring a title strip fills the body
// from the middle of the title bar's lower edge. Everything is closed-form in t.

#include <algorithm>
#include <cmath>

#include "transitions/effects/water/water.h"

namespace furlpane::effects {

namespace {


double progressIn(double lower, double upper, double x) { return phaseProgress({lower, upper}, x); }

// The window's flood starts at the stand-in's centre when that lies in the window, and
// otherwise inside the window on the side nearest the thumbnail.
double2 windowSource(double2 origin, double2 size, double2 c) {
    const bool inside = c.x >= origin.x && c.x <= origin.x + size.x && c.y >= origin.y && c.y <= origin.y + size.y;
    if (inside) return c;
    const double2 inset{std::min(0.25 * size.x, 40.0), std::min(0.25 * size.y, 40.0)};
    const double2 lo = origin + inset, hi = origin + size - inset;
    return {std::min(std::max(c.x, lo.x), hi.x), std::min(std::max(c.y, lo.y), hi.y)};
}

}  // namespace

Water::Puddle makePuddle(Water::Puddle::Kind kind, double2 targetOrigin, double2 targetSize, double corner,
                         double2 source, double p, const Water::PuddlePhases& windows) {
    const double x = targetOrigin.x, y = targetOrigin.y, w = targetSize.x, h = targetSize.y;
    double maxReach = 0;
    for (const double2 c : {double2{x, y}, double2{x + w, y}, double2{x, y + h}, double2{x + w, y + h}})
        maxReach = std::max(maxReach, length(c - source));
    double deep = 0.06 * std::min(w, h);
    if (deep <= 4) deep = 4;
    if (deep > 26) deep = 26;
    const double a = phaseProgress(windows.fill, p);
    const double c = phaseProgress(windows.settle, p);
    const double e = phaseProgress(windows.drain, p);

    Water::Puddle puddle;
    puddle.kind = kind;
    puddle.target = {x, y, w, h};
    puddle.corner = corner;
    puddle.source = source;
    // The water races out from the source and slows as it reaches the far corner.
    puddle.spread = (maxReach + deep + 16) * (1 - (1 - a) * (1 - a) * (1 - a));
    puddle.dry = 100000;
    puddle.spill = deep * smoothstep(a) * (1 - smootherstep(c));
    puddle.depth = 1 - smootherstep(e);
    puddle.cleared =
        p >= windows.clear.upper ? 100000 : (maxReach + 6) * smootherstep(phaseProgress(windows.clear, p));
    puddle.lobes = 1 - smoothstep(progressIn(windows.fill.upper - 0.1, windows.settle.upper, p));
    puddle.ripples = smoothstep(progressIn(windows.fill.lower, windows.fill.lower + 0.06, p)) *
                     (1 - smoothstep(progressIn(windows.drain.upper - 0.1, windows.clear.upper, p)));
    puddle.wet = smoothstep(progressIn(windows.fill.lower, windows.fill.lower + 0.04, p));
    puddle.age = 1.2 * std::max(0.0, p - windows.fill.lower);
    return puddle;
}

Water::Puddle drainingThumbnail(double2 targetOrigin, double2 targetSize, double corner, double u) {
    const double w = targetSize.x, h = targetSize.y;
    const double q = std::clamp((u - 0.06) / 0.34, 0.0, 1.0);
    double deep = std::min(0.08 * std::min(w, h), 10.0);
    if (deep <= 3) deep = 3;
    const double c = progressIn(0.32, 0.56, u);

    Water::Puddle puddle;
    puddle.kind = Water::Puddle::Kind::thumbnail;
    puddle.target = {targetOrigin.x, targetOrigin.y, w, h};
    puddle.corner = corner;
    puddle.source = {targetOrigin.x + w / 2, targetOrigin.y + h / 2};
    puddle.spread = 0.5 * std::sqrt(w * w + h * h) + deep + 14;
    // The thumbnail dries from its rim inward.
    puddle.dry = puddle.spread * (1 - smootherstep(c));
    puddle.spill = deep * smoothstep(std::min(1.0, q / 0.7)) + 1.5;
    puddle.depth = smoothstep(std::clamp((q - 0.05) / 0.95, 0.0, 1.0));
    puddle.cleared = u <= 0.06 ? 100000 : 0;
    puddle.lobes = smoothstep(std::min(1.0, q / 0.4));
    puddle.ripples = smoothstep(std::min(1.0, q / 0.15)) * (1 - smoothstep(c));
    puddle.wet = smoothstep(std::min(1.0, q / 0.12)) * (1 - smootherstep(c));
    puddle.age = 1.2 * std::max(0.0, u - 0.06);
    return puddle;
}

std::vector<float4> puddleRecords(const std::optional<Water::Puddle>& puddle) {
    if (!puddle) return std::vector<float4>(5, float4{0, 0, 0, 0});
    const Water::Puddle& p = *puddle;
    return {toFloat4(p.target), toFloat4(p.source.x, p.source.y, p.spread, p.dry),
            toFloat4(p.spill, p.depth, p.cleared, p.lobes), toFloat4(p.corner, p.ripples, p.wet, p.age),
            toFloat4(static_cast<double>(static_cast<int>(p.kind)), 0, 0, 0)};
}

std::pair<std::optional<Water::Puddle>, std::optional<Water::Puddle>> Water::puddles(
    double t, double2 windowOrigin, double2 windowSize, double2 standInOrigin, double2 standInSize) const {
    using Kind = Puddle::Kind;
    const double2 standInCentre = standInOrigin + standInSize / 2.0;
    if (!isRestoring) {
        if (isTitleStrip) return {};
        return {makePuddle(Kind::thumbnail, standInOrigin, standInSize, cornerRadius, standInCentre, t, kMinimizingPuddle),
                std::nullopt};
    }
    const double u = 1 - t;
    if (!isTitleStrip) {
        const double2 source = windowSource(windowOrigin, windowSize, standInCentre);
        return {makePuddle(Kind::window, windowOrigin, windowSize, 12, source, u, kRestoringPuddle),
                drainingThumbnail(standInOrigin, standInSize, cornerRadius, u)};
    }
    const double titleHeight = region.y - windowOrigin.y;
    const double bodyHeight = std::max(1.0, windowSize.y - titleHeight);
    const double2 bodyOrigin{windowOrigin.x, region.y};
    const double2 source{windowOrigin.x + windowSize.x / 2, region.y + std::min(bodyHeight / 2, 4.0)};
    return {makePuddle(Kind::body, bodyOrigin, {windowSize.x, bodyHeight}, 12, source, u, kRestoringPuddle),
            std::nullopt};
}

std::optional<Water::Puddle::Kind> puddleKind(int raw) {
    if (raw < 1 || raw > 3) return std::nullopt;
    return static_cast<Water::Puddle::Kind>(raw);
}

}  // namespace furlpane::effects
