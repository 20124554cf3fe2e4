#pragma once

// Animated changes of windows, on the loop's clock.
//
// A window's frame (and its alpha) can move to a new value over a duration with a timing
// curve: Window::animateFrame directly, or inside an animation group through the
// window's animator, which takes the group's duration and timing:
//
//   AnimationContext::runAnimationGroup(
//       [&](AnimationContext& context) {
//           context.setDuration(0.2);
//           context.setTimingFunction(TimingFunction::easeInEaseOut);
//           panel->animator().setFrame(target);
//       },
//       [] { /* every animation of the group has ended */ });
//
// The animation steps at 60 Hz by a timer of the main loop in the common modes, so on
// the simulated clock it moves only as the test advances time; its last step sets the
// target exactly. A duration that is 0 (or not a positive finite number) sets the value
// at once.
//
// Cancellation. A new frame change of the same window (animated or not, setFrame
// included) cancels a running frame animation where it stands; likewise for alpha. A
// cancelled animation counts as ended: the completion of its group (or of animateFrame)
// still runs. Callers rely on that: a completion that restores state (a hover hold, a
// shadow) must not be lost because the user grabbed the window mid-way.
//
// Completions run on a later loop turn (the main queue), once every animation started
// in the group has ended; a group that started none completes on the next turn. An
// animation of a window that goes away ends then.

#include <functional>
#include <memory>

#include "platform/geometry/geometry.h"

namespace platform {

enum class TimingFunction { linear, easeIn, easeOut, easeInEaseOut, standard };

// The progress of a timing curve at time t in 0...1 (clamped); 0 at 0 and 1 at 1.
double evaluateTiming(TimingFunction timing, double t);

// The bookkeeping of one animation group: how many of its animations still run.
class AnimationGroup {
public:
    explicit AnimationGroup(std::function<void()> completion) : completion_(std::move(completion)) {}
    void animationStarted() { ++running_; }
    void animationEnded();
    // The group's body has returned; no animation joins after this.
    void close();
    bool isComplete() const { return closed_ && running_ == 0; }

private:
    void finish();
    std::function<void()> completion_;
    int running_ = 0;
    bool closed_ = false;
    bool finished_ = false;
};

class AnimationContext {
public:
    static constexpr double kDefaultDuration = 0.25;

    // Runs `changes` with a new current context, then arranges for `completion`.
    static void runAnimationGroup(const std::function<void(AnimationContext&)>& changes,
                                  std::function<void()> completion = {});
    // The innermost group being set up; null outside runAnimationGroup.
    static AnimationContext* current();

    double duration() const { return duration_; }
    void setDuration(double seconds) { duration_ = seconds; }
    TimingFunction timingFunction() const { return timing_; }
    void setTimingFunction(TimingFunction timing) { timing_ = timing; }
    bool allowsImplicitAnimation() const { return implicit_; }
    void setAllowsImplicitAnimation(bool allows) { implicit_ = allows; }
    const std::shared_ptr<AnimationGroup>& group() const { return group_; }

private:
    explicit AnimationContext(std::shared_ptr<AnimationGroup> group) : group_(std::move(group)) {}
    std::shared_ptr<AnimationGroup> group_;
    AnimationContext* outer_ = nullptr;  // the group this one was opened in
    double duration_ = kDefaultDuration;
    TimingFunction timing_ = TimingFunction::standard;
    bool implicit_ = false;
};

namespace detail {

// One running change of a value.
template <class T>
struct PropertyAnimation {
    T from;
    T to;
    double start = 0;
    double duration = 0;
    TimingFunction timing = TimingFunction::linear;
    std::shared_ptr<AnimationGroup> group;
};

Rect interpolate(const Rect& from, const Rect& to, double progress);
double interpolate(double from, double to, double progress);

}  // namespace detail

}  // namespace platform
