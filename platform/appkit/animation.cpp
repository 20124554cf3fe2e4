#include "platform/appkit/animation.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/desktop/desktop.h"
#include "platform/runtime/main_loop.h"

namespace platform {

namespace {

struct Bezier {
    double x1, y1, x2, y2;
};

Bezier curveOf(TimingFunction timing) {
    switch (timing) {
    case TimingFunction::linear: return {0, 0, 1, 1};
    case TimingFunction::easeIn: return {0.42, 0, 1, 1};
    case TimingFunction::easeOut: return {0, 0, 0.58, 1};
    case TimingFunction::easeInEaseOut: return {0.42, 0, 0.58, 1};
    case TimingFunction::standard: return {0.25, 0.1, 0.25, 1};
    }
    return {0, 0, 1, 1};
}

// One coordinate of a cubic Bézier from (0, 0) to (1, 1) with control values a and b.
double cubic(double a, double b, double s) {
    const double u = 1 - s;
    return 3 * u * u * s * a + 3 * u * s * s * b + s * s * s;
}

// The curve parameter whose x is t: x grows monotonically for control x in 0...1, so
// bisection finds it to well below a pixel's worth in a fixed number of steps.
double parameterFor(const Bezier& c, double t) {
    double lo = 0, hi = 1;
    for (int i = 0; i < 48; ++i) {
        const double mid = (lo + hi) / 2;
        if (cubic(c.x1, c.x2, mid) < t) {
            lo = mid;
        } else {
            hi = mid;
        }
    }
    return (lo + hi) / 2;
}

// The innermost group being set up; each links to the one it was opened in. Animation
// groups are opened and closed on the main thread only, within one call, so there is none
// between calls. A plain pointer: a thread_local with a destructor could end the process
// at its first use when memory is short (platform/runtime/per_thread.h).
thread_local AnimationContext* t_innermost = nullptr;

void postCompletion(std::function<void()> completion) {
    if (desktop::Desktop* world = desktop::Desktop::currentOrNull()) {
        world->postToMainQueue(std::move(completion));
    } else if (MainLoop::exists()) {
        MainLoop::main().post(std::move(completion));
    } else {
        completion();
    }
}

}  // namespace

double evaluateTiming(TimingFunction timing, double t) {
    if (!(t > 0)) return 0;
    if (t >= 1) return 1;
    if (timing == TimingFunction::linear) return t;
    const Bezier c = curveOf(timing);
    return cubic(c.y1, c.y2, parameterFor(c, t));
}

// ---- Groups ---------------------------------------------------------------------------

void AnimationGroup::animationEnded() {
    if (running_ > 0) --running_;
    if (closed_ && running_ == 0) finish();
}

void AnimationGroup::close() {
    closed_ = true;
    if (running_ == 0) finish();
}

void AnimationGroup::finish() {
    if (finished_) return;
    finished_ = true;
    if (completion_) postCompletion(std::move(completion_));
    completion_ = nullptr;
}

void AnimationContext::runAnimationGroup(const std::function<void(AnimationContext&)>& changes,
                                         std::function<void()> completion) {
    auto group = std::make_shared<AnimationGroup>(std::move(completion));
    AnimationContext context(group);
    {
        // Current until `changes` returns or throws: a group left current would outlive
        // its frame.
        context.outer_ = std::exchange(t_innermost, &context);
        struct Restore {
            AnimationContext& context;
            ~Restore() { t_innermost = context.outer_; }
        } restore{context};
        if (changes) changes(context);
    }
    group->close();
}

AnimationContext* AnimationContext::current() { return t_innermost; }

// ---- Interpolation --------------------------------------------------------------------

namespace detail {

double interpolate(double from, double to, double progress) { return from + (to - from) * progress; }

Rect interpolate(const Rect& from, const Rect& to, double progress) {
    return {interpolate(from.minX(), to.minX(), progress), interpolate(from.minY(), to.minY(), progress),
            interpolate(from.width(), to.width(), progress), interpolate(from.height(), to.height(), progress)};
}

}  // namespace detail

}  // namespace platform
