// A window's content: its views, their display, the events the application hands it,
// accessibility hit testing, and its running animations.

#include <algorithm>
#include <cmath>

#include "platform/appkit/application.h"
#include "platform/appkit/window.h"
#include "platform/desktop/desktop.h"

namespace platform {

// ---- Content --------------------------------------------------------------------------

void Window::setContentView(std::shared_ptr<View> view) {
    if (view == contentView_) return;
    std::shared_ptr<View> old = std::move(contentView_);
    contentView_.reset();
    if (old) old->setWindow(nullptr);
    if (!view) return;
    view->removeFromSuperview();
    contentView_ = std::move(view);
    layOutContentView();
    contentView_->setWindow(this);
    contentView_->setNeedsLayout(true);
    contentView_->setNeedsDisplay(true);
}

void Window::layOutContentView() {
    if (!contentView_) return;
    const Rect f = frame();
    const Rect content = contentRectForFrameRect({0, 0, f.width(), f.height()});
    contentView_->setFrame(content);
}

void Window::displayIfNeeded() {
    if (!contentView_) return;
    std::shared_ptr<Window> keep = weak_from_this().lock();
    std::shared_ptr<View> content = contentView_;
    content->layoutSubtreeIfNeeded();
    content->displayIfNeeded();
    ++displays_;
}

void Window::display() {
    if (!contentView_) return;
    std::vector<View*> pending{contentView_.get()};
    while (!pending.empty()) {
        View* v = pending.back();
        pending.pop_back();
        v->setNeedsDisplay(true);
        for (const auto& sub : v->subviews()) pending.push_back(sub.get());
    }
    displayIfNeeded();
}

View* Window::firstResponder() const {
    std::shared_ptr<View> chosen = firstResponder_.lock();
    if (chosen && contentView_ && chosen->isDescendantOf(contentView_.get())) return chosen.get();
    return contentView_.get();
}

void Window::makeFirstResponder(View* view) {
    firstResponder_ = view ? view->weak_from_this() : std::weak_ptr<View>();
}

// ---- Events ---------------------------------------------------------------------------

bool Window::isInTitleBar(Point local) const {
    const double bar = titleBarHeight();
    const Rect f = frame();
    return bar > 0 && local.y >= f.height() - bar && local.y < f.height() && local.x >= 0 && local.x < f.width();
}

namespace {

void deliverPress(View& view, const AppEvent& e) {
    switch (e.type) {
    case AppEventType::rightMouseDown: view.rightMouseDown(e); break;
    case AppEventType::otherMouseDown: view.otherMouseDown(e); break;
    default: view.mouseDown(e); break;
    }
}

void deliverDrag(View& view, const AppEvent& e) {
    switch (e.type) {
    case AppEventType::rightMouseDragged: view.rightMouseDragged(e); break;
    case AppEventType::otherMouseDragged: view.otherMouseDragged(e); break;
    default: view.mouseDragged(e); break;
    }
}

void deliverRelease(View& view, const AppEvent& e) {
    switch (e.type) {
    case AppEventType::rightMouseUp: view.rightMouseUp(e); break;
    case AppEventType::otherMouseUp: view.otherMouseUp(e); break;
    default: view.mouseUp(e); break;
    }
}

}  // namespace

void Window::sendEvent(const AppEvent& event) {
    std::shared_ptr<Window> keep = weak_from_this().lock();
    if (event.isKeyEvent()) {
        View* responder = firstResponder();
        if (!responder) {
            if (event.type == AppEventType::keyDown) keyDown(event);
            return;
        }
        if (event.type == AppEventType::keyDown) responder->keyDown(event);
        if (event.type == AppEventType::keyUp) responder->keyUp(event);
        if (event.type == AppEventType::flagsChanged) responder->flagsChanged(event);
        return;
    }
    if (event.type == AppEventType::scrollWheel) {
        View* hit = contentView_ && !isInTitleBar(event.locationInWindow) ? contentView_->hitTest(event.locationInWindow)
                                                                          : nullptr;
        if (hit) hit->scrollWheel(event);
        return;
    }
    deliverMouseEvent(event);
}

void Window::deliverMouseEvent(const AppEvent& e) {
    if (e.isMouseDown()) {
        pressView_.reset();
        pressButton_.reset();
        for (const auto& b : buttons_) {
            if (b->frame().contains(e.locationInWindow)) {
                pressButton_ = b->kind();
                return;
            }
        }
        if (isInTitleBar(e.locationInWindow) || !contentView_) return;
        View* hit = contentView_->hitTest(e.locationInWindow);
        if (!hit) return;
        std::shared_ptr<View> held = hit->weak_from_this().lock();
        if (e.type == AppEventType::leftMouseDown && e.has(AppEvent::control)) {
            // A Control-click asks for a context menu first, from the view under the
            // pointer upwards; without one it stays a click.
            for (View* v = hit; v; v = v->superview()) {
                if (std::shared_ptr<Menu> menu = v->menuForEvent(e)) {
                    if (Application* app = application()) app->popUpContextMenu(std::move(menu), e, v);
                    return;
                }
            }
        }
        pressView_ = held;
        deliverPress(*hit, e);
        return;
    }
    if (e.isMouseUp() && pressButton_) {
        WindowButton* button = standardWindowButton(*pressButton_);
        pressButton_.reset();
        if (button && button->frame().contains(e.locationInWindow)) button->performClick();
        return;
    }
    std::shared_ptr<View> view = pressView_.lock();
    if (e.isMouseUp()) pressView_.reset();
    if (!view) return;
    if (e.isMouseDragged()) deliverDrag(*view, e);
    if (e.isMouseUp()) deliverRelease(*view, e);
}

std::optional<AccessibilityHit> Window::accessibilityHitTest(Point screenPoint) const {
    const Rect f = frame();
    if (!f.contains(screenPoint)) return std::nullopt;
    const Point local{screenPoint.x - f.minX(), screenPoint.y - f.minY()};
    static const char* const subroles[] = {"AXCloseButton", "AXMinimizeButton", "AXZoomButton"};
    for (const auto& b : buttons_) {
        if (b->frame().contains(local)) return AccessibilityHit{"AXButton", subroles[static_cast<int>(b->kind())]};
    }
    const AccessibilityHit window{"AXWindow", accessibilitySubrole()};
    if (isInTitleBar(local) || !contentView_) return window;
    View* hit = contentView_->hitTest(local);
    if (!hit) return window;
    return AccessibilityHit{hit->accessibilityRole(), hit->accessibilitySubrole()};
}

// ---- Animations -----------------------------------------------------------------------

namespace {

bool isPositiveDuration(double d) { return std::isfinite(d) && d > 0; }

// An animation ends at its last step; a hair of slack keeps rounding in the clock's
// sums from costing a whole extra step.
constexpr double kEndSlack = 1e-9;

}  // namespace

void Window::animateFrame(const Rect& frame, double duration, TimingFunction timing, std::function<void()> completion) {
    auto group = std::make_shared<AnimationGroup>(std::move(completion));
    startFrameAnimation(frame, duration, timing, group);
    group->close();
}

bool Window::isAnimatingFrame() const { return frameAnimation_.has_value(); }

WindowAnimator Window::animator() { return WindowAnimator(*this); }

void Window::startFrameAnimation(const Rect& to, double duration, TimingFunction timing,
                                 std::shared_ptr<AnimationGroup> group) {
    cancelFrameAnimation();
    Application* app = application();
    if (group) group->animationStarted();
    if (!isPositiveDuration(duration) || !app) {
        applyFrame(to, Redisplay::yes);
        if (group) group->animationEnded();
        return;
    }
    frameAnimation_ = detail::PropertyAnimation<Rect>{frame(), to.standardized(), app->world().now(), duration, timing,
                                                      std::move(group)};
    app->animationStarted(this);
}

void Window::startAlphaAnimation(double to, double duration, TimingFunction timing,
                                 std::shared_ptr<AnimationGroup> group) {
    cancelAlphaAnimation();
    Application* app = application();
    if (group) group->animationStarted();
    if (!isPositiveDuration(duration) || !app) {
        setAlphaDirectly(to);
        if (group) group->animationEnded();
        return;
    }
    alphaAnimation_ = detail::PropertyAnimation<double>{alphaValue(), to, app->world().now(), duration, timing,
                                                        std::move(group)};
    app->animationStarted(this);
}

void Window::cancelFrameAnimation() {
    if (!frameAnimation_) return;
    std::shared_ptr<AnimationGroup> group = std::move(frameAnimation_->group);
    frameAnimation_.reset();
    if (group) group->animationEnded();
}

void Window::cancelAlphaAnimation() {
    if (!alphaAnimation_) return;
    std::shared_ptr<AnimationGroup> group = std::move(alphaAnimation_->group);
    alphaAnimation_.reset();
    if (group) group->animationEnded();
}

bool Window::stepAnimations(double now) {
    std::shared_ptr<Window> keep = weak_from_this().lock();
    if (frameAnimation_) {
        const auto a = *frameAnimation_;
        const double t = (now - a.start) / a.duration;
        if (t >= 1 - kEndSlack) {
            frameAnimation_.reset();
            applyFrame(a.to, Redisplay::yes);
            if (a.group) a.group->animationEnded();
        } else {
            applyFrame(detail::interpolate(a.from, a.to, evaluateTiming(a.timing, t)), Redisplay::yes);
        }
    }
    if (alphaAnimation_) {
        const auto a = *alphaAnimation_;
        const double t = (now - a.start) / a.duration;
        if (t >= 1 - kEndSlack) {
            alphaAnimation_.reset();
            setAlphaDirectly(a.to);
            if (a.group) a.group->animationEnded();
        } else {
            setAlphaDirectly(detail::interpolate(a.from, a.to, evaluateTiming(a.timing, t)));
        }
    }
    return frameAnimation_ || alphaAnimation_;
}

// ---- The animator ---------------------------------------------------------------------

namespace {

struct GroupSettings {
    double duration;
    TimingFunction timing;
    std::shared_ptr<AnimationGroup> group;
    bool ownGroup;
};

GroupSettings currentSettings() {
    if (AnimationContext* c = AnimationContext::current()) return {c->duration(), c->timingFunction(), c->group(), false};
    return {AnimationContext::kDefaultDuration, TimingFunction::standard, std::make_shared<AnimationGroup>(nullptr), true};
}

}  // namespace

void WindowAnimator::setFrame(const Rect& frame) {
    GroupSettings s = currentSettings();
    window_.startFrameAnimation(frame, s.duration, s.timing, s.group);
    if (s.ownGroup) s.group->close();
}

void WindowAnimator::setFrameOrigin(Point origin) { setFrame({origin, window_.frame().size}); }

void WindowAnimator::setAlphaValue(double alpha) {
    GroupSettings s = currentSettings();
    window_.startAlphaAnimation(alpha, s.duration, s.timing, s.group);
    if (s.ownGroup) s.group->close();
}

}  // namespace platform
