#include "transitions/driver/transition_choices.h"

#include <algorithm>
#include <cmath>

namespace furlpane::transition_choices {

using platform::Rect;

namespace {

// A value in 0...1 with NaN as 0.
double unit(double x) { return x > 0 ? std::min(x, 1.0) : 0.0; }

double smoothstep(double edge0, double edge1, double x) {
    const double t = unit((x - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

}  // namespace

platform::simd::float4 inOverlay(const Rect& r, const Rect& area) {
    return {static_cast<float>(r.minX() - area.minX()), static_cast<float>(r.minY() - area.minY()),
            static_cast<float>(r.width()), static_cast<float>(r.height())};
}

double frameDuration(TransitionEffect effect) {
    switch (effect) {
    case TransitionEffect::cut: return 0;
    case TransitionEffect::fade:
    case TransitionEffect::scale: return 0.3;
    default: return 0.6;
    }
}

double slowdown(Speed speed) { return speed == Speed::slowMotion ? kSlowMotionFactor : 1; }

TransitionShadow windowShadow() { return {.radius = 22, .drop = 10, .opacity = 0.45f, .border = 0.2f, .width = 1, .isSoft = true}; }

TransitionShadow standInShadow(const StandInShape& shape) {
    if (shape.isTitleStrip) return {.radius = 10, .drop = 4, .opacity = 0.35f, .border = 0.25f, .width = 1, .isSoft = true};
    return {.radius = 8, .drop = 3, .opacity = 0.3f, .border = 0.3f, .width = 1, .isSoft = true};
}

TransitionInnerRim standInInnerRim(const StandInShape& shape) {
    return {.density = shape.isDark ? 0.45f : 0.15f, .width = 1};
}

float freshness(TransitionDirection direction, float drawnProgress, std::optional<double> sinceFresh,
                double slowdown) {
    if (direction == TransitionDirection::minimizing)
        return static_cast<float>(smoothstep(kArrivalBlendStart, 1, drawnProgress));
    if (!sinceFresh) return 0;
    return static_cast<float>(unit(*sinceFresh / (kFreshFade * std::max(slowdown, 1.0))));
}

std::optional<Rect> overlayArea(const StandInShape& standIn, const TransitionDisplay& display) {
    if (!hasArea(standIn.frame)) return std::nullopt;
    Rect area = belowMenuBar(display.frame, display.visible);
    if (!display.hasSeparateSpaces) {
        Rect screens = Rect::null();
        for (const Rect& s : display.screens) screens = screens.united(s);
        area = area.united(standIn.frame).intersection(screens);
    }
    if (!hasArea(area) || !area.intersects(standIn.frame)) return std::nullopt;
    return area.integral();
}

float standInCrop(const StandInShape& shape, const Rect& window) {
    if (!shape.isTitleStrip) return 1;
    // The largest float below 1: a strip as tall as its window is still a strip.
    constexpr float kBelowOne = 0x1.fffffep-1f;
    const double share = shape.frame.height() / window.height();
    return share >= 0 ? std::min(static_cast<float>(share), kBelowOne) : 0.0f;
}

float drawnProgress(TransitionDirection direction, double timeShare) {
    const float t = static_cast<float>(unit(timeShare));
    return direction == TransitionDirection::restoring ? 1 - t : t;
}

TransitionUniforms initialUniforms(const UniformInputs& in) {
    TransitionUniforms u;
    u.window = inOverlay(in.window, in.area);
    u.standIn = inOverlay(in.standIn.frame, in.area);
    const Rect room = in.visible.intersection(in.area);
    u.room = inOverlay(room.isEmpty() ? in.area : room, in.area);
    u.viewSize = {static_cast<float>(in.area.width()), static_cast<float>(in.area.height())};
    const double titleBar = in.titleBarHeight > 0 && std::isfinite(in.titleBarHeight) ? in.titleBarHeight : 0;
    const StandInKind kind = in.standIn.isTitleStrip ? StandInKind::titleStrip : StandInKind::thumbnail;
    u.grid = effectGrid(in.effect, in.window.width(), gridHeight(in.effect, in.window.height(), kind, titleBar));
    u.progress = drawnProgress(in.direction, 0);
    u.pixelsPerPoint = static_cast<float>(in.scale);
    u.titleBarHeight = static_cast<float>(titleBar);
    u.opacity = std::isnan(in.standIn.opacity) ? 1.0f : static_cast<float>(unit(in.standIn.opacity));
    u.cornerRadius = kWindowCornerRadius;
    u.standInCrop = standInCrop(in.standIn, in.window);
    u.restoring = in.direction == TransitionDirection::restoring ? 1 : 0;
    u.seed = in.seed;
    return u;
}

}  // namespace furlpane::transition_choices
