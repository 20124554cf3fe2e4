// The records of one classified frame. The page hangs at the window's place and shakes
// when a stamp hits; the shredder cuts the strips free one after the other. Bound for a
// thumbnail, each cut strip flies along a curve into its slot of the shrinking page and
// the seams close; bound for a title strip, the cut strips are let go below the title
// bar and fall and fade away.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "transitions/effects/classified/classified.h"
#include "transitions/effects/transforms.h"

namespace furlpane::effects {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kSwayRate = 8.168140899333462;   // 2.6π
constexpr double kTwistRate = 5.026548245743669;  // 1.6π
constexpr double kRingRate = 7.5398223686155035;  // 2.4π


// The blow of one stamp and its dying ring, s = progress since impact over 0.06.
double thumpPulse(double s) {
    if (!(s > 0 && s < 1)) return 0;
    if (s < 0.12) return s / 0.12;
    const double q = (s - 0.12) / 0.88;
    return std::cos(kRingRate * q) * (1 - q) * (1 - q);
}

struct Keyed {
    double key;
    Classified::StripFrame frame;
};

struct StripContext {
    const Classified& plan;
    double t;
    const Placement& placement;
    double opacity;
    double4x4 page;
    double seam;
    Rect2 target;  // thumbnail plans only
};

Classified::StripFrame baseRecord(const StripContext& c, int i, double attached) {
    const Classified& plan = c.plan;
    const Classified::Strip& s = plan.strips[static_cast<std::size_t>(i)];
    Classified::StripFrame f;
    f.source = toFloat4(i * plan.stripWidth, plan.top, plan.stripWidth, plan.size.y - plan.top);
    f.wave = toFloat4(attached, s.sway, s.swayPhase + 1.2 * c.t * kSwayRate, s.twist);
    f.bend = toFloat4(s.twistPhase + 1.2 * c.t * kTwistRate, 0, s.curl, s.lean);
    f.look = toFloat4(1, 0, 1, 0);
    return f;
}

Keyed hanging(const StripContext& c, int i, double attached) {
    Classified::StripFrame f = baseRecord(c, i, attached);
    const double center = (i + 0.5) * c.plan.stripWidth;
    f.transform = toFloat4x4(c.page * translation(center, c.plan.top));
    return {1, f};
}

double slotCenter(const StripContext& c, int i) {
    const double n = static_cast<double>(c.plan.strips.size());
    return c.target.origin.x + (i + 0.5) * c.target.size.x / n;
}

Keyed landed(const StripContext& c, int i) {
    const double sx = c.target.size.x / c.plan.size.x, sy = c.target.size.y / c.plan.size.y;
    Classified::StripFrame f = baseRecord(c, i, 0);
    f.transform = toFloat4x4(translation(slotCenter(c, i), c.target.origin.y) * scaling(sx, sy));
    f.wave.y = 0;
    f.wave.w = 0;
    f.look = toFloat4(c.opacity, 1, 1 - smootherstep(c.seam), 0);
    return {0, f};
}

Keyed flying(const StripContext& c, int i, double f) {
    const Classified& plan = c.plan;
    const Classified::Strip& s = plan.strips[static_cast<std::size_t>(i)];
    const Placement& pl = c.placement;
    const double center = (i + 0.5) * plan.stripWidth;
    const double2 p0{pl.window.origin.x + center, pl.window.origin.y};
    const double2 p2{slotCenter(c, i), c.target.origin.y};
    double2 p1{(p0.x + p2.x) / 2, (pl.window.origin.y + c.target.origin.y) / 2 - (0.25 * length(p2 - p0) + 30)};
    if (pl.room.size.y > 0)
        p1.y = std::max(p1.y, std::min({pl.window.origin.y, pl.room.origin.y + 8, c.target.origin.y}));
    const double g = 1 - f;
    const double2 at = p0 * (g * g) + p1 * (2 * g * f) + p2 * (f * f);
    const double arc = std::sin(kPi * f);
    const double grow = 1 - g * g;
    const double sx = c.target.size.x / plan.size.x, sy = c.target.size.y / plan.size.y;

    Classified::StripFrame r = baseRecord(c, i, 0);
    r.transform = toFloat4x4(translation(at.x, at.y, 40 * arc) * rotationZ(s.wobble * arc) *
                             scaling(1 + grow * (sx - 1), 1 + grow * (sy - 1)));
    r.wave.y = static_cast<float>(s.sway * (3 * arc + 1) * g);
    r.wave.w = static_cast<float>(s.twist * std::max(g, arc));
    r.bend.y = static_cast<float>(s.turns * 2 * kPi * f);
    r.look = toFloat4(1 + (c.opacity - 1) * f, smoothstep(clamp01((f - 0.55) / 0.37)), 1, 0);
    return {s.freed + 2, r};
}

std::optional<Keyed> thumbnailStrip(const StripContext& c, int i) {
    const Classified& plan = c.plan;
    const Classified::Strip& s = plan.strips[static_cast<std::size_t>(i)];
    const double center = (i + 0.5) * plan.stripWidth;
    const double d = plan.towardRight ? plan.size.x - center : center;
    const double lc = plan.size.y - plan.top;
    const double u = phaseProgress(plan.timing.shred, c.t);
    const double attached = std::clamp(lc * (1 + 1.5 * d / plan.size.x) - 2.5 * lc * u, 0.0, lc);
    if (c.t < s.freed) return hanging(c, i, attached);
    const double f = smootherstep(phaseProgress({s.freed, s.freed + plan.timing.flight}, c.t));
    return f >= 1 ? landed(c, i) : flying(c, i, f);
}

std::optional<Keyed> titleStripStrip(const StripContext& c, int i) {
    const Classified& plan = c.plan;
    const Classified::Strip& s = plan.strips[static_cast<std::size_t>(i)];
    if (c.t < s.release) {
        const double lc = plan.size.y - plan.top;
        return hanging(c, i, (1 - smootherstep(phaseProgress(plan.timing.shred, c.t))) * lc);
    }
    const double alpha = 1 - smoothstep(phaseProgress(plan.timing.fade, c.t));
    if (!(alpha > 0)) return std::nullopt;
    const double tau = 1.2 * (c.t - s.release);
    const double center = (i + 0.5) * plan.stripWidth;
    const double2 origin = c.placement.window.origin;
    Classified::StripFrame r = baseRecord(c, i, 0);
    r.transform = toFloat4x4(translation(origin.x + center + s.velocity.x * tau,
                                         origin.y + plan.top + s.velocity.y * tau + 1100 * tau * tau,
                                         s.velocity.z * tau) *
                             rotationZ(s.spin * tau));
    r.bend.y = static_cast<float>(s.flip * tau);
    r.look = toFloat4(alpha, 0, 1, 0);
    return Keyed{s.release + 2, r};
}

int frameMode(const Classified& plan, double t) {
    if (t < plan.timing.redact.lower) return 1;
    if (!plan.isTitleStrip && t >= plan.timing.shrink.upper) return 2;
    return 0;
}

// How one stamp moves at t: its model matrix on the page and three parameter vectors.
struct StampMotion {
    double height = 0;
    double2 offset;
    double tilt = 0;
    double swing = 0;
    double visibility = 0;
    bool pressed = false;
};

StampMotion stampMotion(const Classified::Stamp& stamp, int k, double t, double camera) {
    const double swingDown = k == 0 ? -0.3 : 0.32, swingUp = k == 0 ? 0.18 : -0.2;
    const double2 aim = k == 0 ? double2{0.3, 0.9} : double2{-0.25, 1.0};
    StampMotion m;
    if (t < stamp.impact) {
        const double a = phaseProgress({stamp.impact - 0.05, stamp.impact}, t);
        const double rest = (1 - a) * (1 - a);
        m.height = camera * 0.24 * (1 - a * a);
        m.offset = double2{aim.x * stamp.size.x, aim.y * stamp.size.y} * rest;
        m.tilt = 0.42 * rest;
        m.swing = swingDown * rest;
        m.visibility = smoothstep(clamp01(a / 0.3));
    } else if (t <= stamp.impact + 0.012) {
        m.visibility = 1;
        m.pressed = true;
    } else {
        const double b = phaseProgress({stamp.impact + 0.012, stamp.impact + 0.062}, t);
        m.height = camera * 0.24 * 0.85 * (1 - (1 - b) * (1 - b));
        m.offset = double2{-0.15 * stamp.size.x, -0.5 * stamp.size.y} * b;
        m.tilt = -0.22 * b;
        m.swing = swingUp * b;
        m.visibility = 1 - smoothstep(clamp01((b - 0.3) / 0.7));
    }
    return m;
}

void appendStampMotion(std::vector<float4>& look, const Classified::Stamp& stamp, int k, double t, double camera,
                       bool still) {
    const bool moving = !still && t >= stamp.impact - 0.05 && t <= stamp.impact + 0.062;
    const StampMotion m = moving ? stampMotion(stamp, k, t, camera) : StampMotion{};
    if (!(m.visibility > 0)) {
        look.insert(look.end(), 7, float4{});
        return;
    }
    const double4x4 model = translation(stamp.center.x + m.offset.x, stamp.center.y + m.offset.y, m.height) *
                            rotationX(m.tilt) * rotationY(m.swing) * rotationZ(stamp.angle);
    for (const auto& column : model.columns) look.push_back(toFloat4(column));
    look.push_back(toFloat4(m.visibility, stamp.ink, m.height, m.pressed ? 1 : 0));
    look.push_back(toFloat4(stamp.size.x, stamp.size.y, m.tilt, m.swing));
    look.push_back(toFloat4(m.offset.x, m.offset.y, stamp.force, k));
}

std::vector<float4> frameLook(const Classified& plan, double t, int mode, double camera) {
    const double corners = plan.isTitleStrip ? 0 : smootherstep(phaseProgress(plan.timing.corners, t));
    const double tone = 0.24 + 0.68 * smoothstep(clamp01((plan.lightness - 0.3) / 0.35));
    const double lastImpact = plan.timing.impacts.back();
    std::vector<float4> look;
    look.reserve(8 + 7 * plan.stamps.size());
    look.push_back(toFloat4(mode, camera, corners, 0));
    look.push_back(toFloat4(plan.isTitleStrip ? 1 : 0, tone, plan.lightness, 0));
    look.push_back(toFloat4(plan.size.x, plan.size.y, plan.top, plan.stripWidth));
    look.push_back(toFloat4(std::min(t, lastImpact + 0.002), static_cast<double>(plan.bars.size()), 0, 0));
    for (const Classified::Stamp& s : plan.stamps) {
        look.push_back(toFloat4(s.center.x, s.center.y, s.size.x, s.size.y));
        look.push_back(toFloat4(s.angle, s.impact, s.ink, 0));
    }
    for (std::size_t k = 0; k < plan.stamps.size(); ++k)
        appendStampMotion(look, plan.stamps[k], static_cast<int>(k), t, camera, mode != 0);
    return look;
}

}  // namespace

std::vector<Classified::BarFrame> barFrames(const Classified& plan) {
    std::vector<Classified::BarFrame> frames;
    frames.reserve(plan.bars.size());
    for (std::size_t i = 0; i < plan.bars.size(); ++i) {
        const Classified::Bar& bar = plan.bars[i];
        const double phase = static_cast<double>(i % 977) / 977;
        frames.push_back({toFloat4(bar.rect), toFloat4(bar.start, bar.takes, phase, 0)});
    }
    return frames;
}

double stampThump(const Classified& plan, double t) {
    double thump = 0;
    for (const Classified::Stamp& s : plan.stamps) thump += s.force * thumpPulse((t - s.impact) / 0.06);
    return thump;
}

double4x4 stripTransform(const Classified& plan, double t, double2 windowOrigin) {
    const double4x4 placed = translation(windowOrigin.x, windowOrigin.y);
    const double thump = stampThump(plan, t);
    if (thump == 0 || plan.stamps.empty()) return placed;
    if (plan.isTitleStrip) {
        return placed * translation(0, plan.top) * rotationX(-0.1 * thump) * scaling(1, 1 - 0.012 * thump) *
               translation(0, -plan.top);
    }
    const Classified::Stamp* latest = &plan.stamps.front();
    for (const Classified::Stamp& s : plan.stamps)
        if (s.impact <= t) latest = &s;
    const double k = 1 - 0.02 * thump;
    const double2 c = latest->center;
    return placed * translation(c.x, c.y) * scaling(k, k) * translation(-c.x, -c.y);
}

ClassifiedFrame stripFrames(const Classified& plan, double t, const Placement& placement) {
    const double opacity = placement.opacity;
    const double camera = 1.8 * std::max({1.0, placement.viewSize.x, placement.viewSize.y});
    const int mode = frameMode(plan, t);
    StripContext c{plan, t, placement, opacity, stripTransform(plan, t, placement.window.origin),
                   phaseProgress(plan.timing.seams, t), {}};
    if (!plan.isTitleStrip)
        c.target = shrinkToThumbnail(t, plan.timing.shrink, plan.size, placement.standIn.origin, placement.standIn.size,
                                     placement.room.origin, placement.room.size);

    std::vector<Keyed> keyed;
    keyed.reserve(plan.strips.size());
    const int n = static_cast<int>(plan.strips.size());
    for (int i = 0; i < n; ++i) {
        std::optional<Keyed> k;
        if (mode != 0) k = hanging(c, i, plan.size.y - plan.top);
        else k = plan.isTitleStrip ? titleStripStrip(c, i) : thumbnailStrip(c, i);
        if (k) keyed.push_back(*k);
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) { return a.key < b.key; });

    ClassifiedFrame frame;
    frame.records.reserve(keyed.size());
    for (const Keyed& k : keyed) frame.records.push_back(k.frame);
    frame.look = frameLook(plan, t, mode, camera);
    return frame;
}

}  // namespace furlpane::effects
