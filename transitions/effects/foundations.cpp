#include "transitions/effects/foundations.h"

#include <algorithm>
#include <cmath>

namespace furlpane::effects {

double phaseProgress(Phase phase, double t) {
    if (phase.upper > phase.lower) {
        const double u = (t - phase.lower) / (phase.upper - phase.lower);
        return u <= 0 ? 0 : std::min(1.0, u);
    }
    return t >= phase.upper ? 1 : 0;
}

double fixedShrinkProgress(double t) { return phaseProgress(kFixedShrinkPhase, t); }

namespace {

double keepInsideAxis(double center, double half, double roomOrigin, double roomSize) {
    if (!(roomSize > 0)) return center;
    const double lo = roomOrigin + half + 8;
    const double hi = roomOrigin + roomSize - half - 8;
    if (hi < lo) return center;
    if (center <= lo) center = lo;
    return std::min(center, hi);
}

struct Stage {
    double scale;
    double2 center;   // the thumbnail's own centre
    double2 staged;   // the stage's centre, kept inside the room
    double2 size;     // the thumbnail size used for the result
};

Stage stageOf(double2 fullSize, double2 origin, double2 size, double2 roomOrigin, double2 roomSize, SizeFloor floor) {
    const double2 floored{std::max(size.x, 1e-6), std::max(size.y, 1e-6)};
    const double r = std::min(fullSize.x / floored.x, fullSize.y / floored.y);
    const double longer = std::max(floored.x, floored.y);
    const double k = 240 / longer;
    const double s = std::max(1.0, std::min(r, k));
    const double2 used = floor == SizeFloor::throughout ? floored : size;
    const double2 c = origin + used / 2.0;
    const double2 half = used * (s / 2.0);
    return {s, c, keepInside(c, half, roomOrigin, roomSize), used};
}

}  // namespace

double2 keepInside(double2 center, double2 half, double2 roomOrigin, double2 roomSize) {
    return {keepInsideAxis(center.x, half.x, roomOrigin.x, roomSize.x),
            keepInsideAxis(center.y, half.y, roomOrigin.y, roomSize.y)};
}

Rect2 stageRect(double2 fullSize, double2 origin, double2 size, double2 roomOrigin, double2 roomSize, SizeFloor floor) {
    const Stage st = stageOf(fullSize, origin, size, roomOrigin, roomSize, floor);
    const double2 stageSize = st.size * st.scale;
    return {st.staged - stageSize / 2.0, stageSize};
}

Rect2 shrinkToThumbnail(double t, Phase shrink, double2 fullSize, double2 origin, double2 size, double2 roomOrigin,
                        double2 roomSize, SizeFloor floor) {
    const double e = smootherstep(phaseProgress(shrink, t));
    if (e >= 1) return {origin, size};
    const Stage st = stageOf(fullSize, origin, size, roomOrigin, roomSize, floor);
    const double2 center = st.staged + (st.center - st.staged) * e;
    const double2 drawn = st.size * (st.scale + (1 - st.scale) * e);
    return {center - drawn / 2.0, drawn};
}

double saneLength(double v) {
    if (!std::isfinite(v)) return 0;
    return std::clamp(v, 0.0, kLongestLength);
}

double saneCoordinate(double v) {
    if (!std::isfinite(v)) return 0;
    return std::clamp(v, -4 * kLongestLength, 4 * kLongestLength);
}

double saneFraction(double v) {
    if (!std::isfinite(v)) return 0;
    return std::clamp(v, 0.0, 1.0);
}

Rect2 saneRect(float4 r) {
    return {{saneCoordinate(r.x), saneCoordinate(r.y)}, {saneLength(r.z), saneLength(r.w)}};
}

std::array<double2, 4> bezierPath(double2 a, double2 b, double2 d) {
    const double2 ab = b - a;
    const double distance = std::sqrt(ab.x * ab.x + ab.y * ab.y);
    const double2 w = distance > 1e-9 ? ab / distance : d;
    return {a, a + d * (0.35 * distance), b - w * (0.35 * distance), b};
}

double2 bezierPoint(const std::array<double2, 4>& p, double t) {
    const double s = 1 - t;
    return p[0] * (s * s * s) + p[1] * (3 * s * s * t) + p[2] * (3 * s * t * t) + p[3] * (t * t * t);
}

double2 bezierDerivative(const std::array<double2, 4>& p, double t) {
    const double s = 1 - t;
    return (p[1] - p[0]) * (3 * s * s) + (p[2] - p[1]) * (6 * s * t) + (p[3] - p[2]) * (3 * t * t);
}

}  // namespace furlpane::effects
