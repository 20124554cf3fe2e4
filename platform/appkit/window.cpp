#include "platform/appkit/window.h"
#include "platform/appkit/world_bridge.h"

#include <algorithm>
#include <cmath>

#include "platform/appkit/application.h"
#include "platform/desktop/desktop.h"
#include "platform/notifications/notification_center.h"

namespace platform {

namespace {

desktop::TitleBarButton worldButton(WindowButtonKind kind) {
    switch (kind) {
    case WindowButtonKind::close: return desktop::TitleBarButton::close;
    case WindowButtonKind::miniaturize: return desktop::TitleBarButton::minimize;
    case WindowButtonKind::zoom: return desktop::TitleBarButton::zoom;
    }
    return desktop::TitleBarButton::close;
}

uint64_t styleBitOf(WindowButtonKind kind) {
    switch (kind) {
    case WindowButtonKind::close: return closableWindowMask;
    case WindowButtonKind::miniaturize: return miniaturizableWindowMask;
    case WindowButtonKind::zoom: return resizableWindowMask;
    }
    return 0;
}

}  // namespace

// ---- Construction ---------------------------------------------------------------------

Window::Window(const Rect& contentRect, uint64_t styleMask, BackingStore backing, bool defer)
    : Window(contentRect, styleMask, backing, defer, Kind::window) {}

Window::Window(const Rect& contentRect, uint64_t styleMask, BackingStore backing, bool, Kind kind)
    : panel_(kind == Kind::panel), style_(styleMask), backing_(backing), shadow_((styleMask & titledWindowMask) != 0) {
    if (panel_) {
        hidesOnDeactivate_ = true;
        releasedWhenClosed_ = false;
    }
    const Rect content = std::isfinite(contentRect.minX()) && std::isfinite(contentRect.minY()) &&
                                 std::isfinite(contentRect.width()) && std::isfinite(contentRect.height())
                             ? contentRect.standardized()
                             : Rect{};
    if (auto app = Application::sharedPointer()) {
        app_ = app;
        app->registerWindow(this);
    }
    topLeft_ = flipRect(frameRectForContentRect(content), flipHeight());
    if (hasStyle(titledWindowMask)) {
        for (auto k : {WindowButtonKind::close, WindowButtonKind::miniaturize, WindowButtonKind::zoom}) {
            buttons_.push_back(std::make_unique<WindowButton>(*this, k));
        }
    }
    openWorldWindow();
}

Panel::Panel(const Rect& contentRect, uint64_t styleMask, BackingStore backing, bool defer)
    : Window(contentRect, styleMask, backing, defer, Kind::panel) {}

Window::~Window() {
    Application* app = application();
    if (app) app->unregisterWindow(this);
    if (frameAnimation_ && frameAnimation_->group) frameAnimation_->group->animationEnded();
    if (alphaAnimation_ && alphaAnimation_->group) alphaAnimation_->group->animationEnded();
    for (const Child& c : children_) c.window->parent_ = nullptr;
    if (sheet_) sheet_->sheetParent_ = nullptr;
    if (contentView_) contentView_->clearWindowQuietly();
    if (desktop::Window* w = worldWindow(); w && !closed_) {
        closed_ = true;
        w->close();
    }
}

Application* Window::application() const {
    // The world holds the application for as long as it exists.
    return app_.lock().get();
}

desktop::Window* Window::worldWindow() const {
    Application* app = application();
    return app && number_ != 0 ? app->world().window(number_) : nullptr;
}

double Window::flipHeight() const {
    Application* app = application();
    return app ? app->world().displays().firstMaxY() : 0;
}

void Window::openWorldWindow() {
    Application* app = application();
    if (!app) return;
    const bool titled = hasStyle(titledWindowMask);
    const std::optional<std::string> subrole = accessibilitySubrole();
    desktop::WindowDescription description{
        .title = title_,
        .frame = topLeft_,
        .role = "AXWindow",
        .subrole = subrole.value_or(""),
        .layer = level_,
        .alpha = alpha_,
        .titleBarHeight = titled ? kTitleBarHeight : 0,
        .close = {.present = titled},
        .minimize = {.present = titled},
        .zoom = {.present = titled},
        .space = (collection_ & canJoinAllSpacesBehavior) ? std::optional<uint64_t>(0) : std::nullopt,
        .ignoresMouseEvents = ignoresMouse_,
        .orderedIn = false,
    };
    desktop::Window* w = app->ownProcess().openWindow(description);
    if (!w) return;
    number_ = w->number();
    connectWindowToWorld(*this, number_);
    topLeft_ = w->frame();
    lastScale_ = backingScaleFactor();
    syncButtons();
}

void Window::syncButtons() {
    desktop::Window* w = worldWindow();
    if (!w) return;
    for (const auto& b : buttons_) {
        if (desktop::Control* c = w->button(worldButton(b->kind()))) c->setEnabled(b->isEnabled());
    }
}

// ---- Style and look -------------------------------------------------------------------

void Window::setStyleMask(uint64_t mask) {
    style_ = mask;
    syncButtons();
    if (desktop::Window* w = worldWindow()) w->setSubrole(accessibilitySubrole().value_or(""));
}

void Window::setTitle(std::string title) {
    title_ = std::move(title);
    if (desktop::Window* w = worldWindow()) w->setTitle(title_);
}

std::optional<std::string> Window::accessibilitySubrole() const {
    if (subrole_) return subrole_;
    if (panel_) return "AXFloatingWindow";
    if (hasStyle(titledWindowMask)) return "AXStandardWindow";
    return std::nullopt;
}

void Window::setAccessibilitySubrole(std::optional<std::string> subrole) {
    subrole_ = std::move(subrole);
    if (desktop::Window* w = worldWindow()) w->setSubrole(accessibilitySubrole().value_or(""));
}

int32_t Window::level() const {
    const desktop::Window* w = worldWindow();
    return w ? w->layer() : level_;
}

void Window::setLevel(int32_t level) {
    level_ = level;
    if (desktop::Window* w = worldWindow()) w->setLayer(level);
}

void Window::setCollectionBehavior(uint64_t behavior) {
    collection_ = behavior;
    desktop::Window* w = worldWindow();
    if (!w) return;
    if (behavior & canJoinAllSpacesBehavior) {
        w->moveToSpace(0);
    } else if (w->space() == 0) {
        Application* app = application();
        const desktop::Display* d = app->world().displays().displayFor(w->frame());
        if (d) w->moveToSpace(app->world().spaces().current(d->number()).value_or(0));
    }
}

double Window::alphaValue() const {
    const desktop::Window* w = worldWindow();
    return w ? w->alpha() : alpha_;
}

void Window::setAlphaValue(double alpha) {
    cancelAlphaAnimation();
    setAlphaDirectly(alpha);
}

void Window::setAlphaDirectly(double alpha) {
    alpha_ = std::isfinite(alpha) ? std::clamp(alpha, 0.0, 1.0) : 1.0;
    if (desktop::Window* w = worldWindow()) w->setAlpha(alpha_);
}

bool Window::ignoresMouseEvents() const {
    const desktop::Window* w = worldWindow();
    return w ? w->ignoresMouseEvents() : ignoresMouse_;
}

void Window::setIgnoresMouseEvents(bool ignores) {
    ignoresMouse_ = ignores;
    if (desktop::Window* w = worldWindow()) w->setIgnoresMouseEvents(ignores);
}

Appearance Window::effectiveAppearance() const {
    if (appearance_) return *appearance_;
    Application* app = application();
    return app ? app->effectiveAppearance() : Appearance::light;
}

// ---- Key and main ---------------------------------------------------------------------

bool Window::canBecomeKeyWindow() const { return hasStyle(titledWindowMask) || hasStyle(resizableWindowMask); }

bool Window::canBecomeMainWindow() const {
    return !panel_ && (hasStyle(titledWindowMask) || hasStyle(resizableWindowMask));
}

bool Window::isKeyWindow() const {
    Application* app = application();
    if (!app || app->key_ != this || !isVisible()) return false;
    return app->isActive() || hasStyle(nonactivatingPanelMask);
}

bool Window::isMainWindow() const {
    Application* app = application();
    return app && app->main_ == this && isVisible() && app->isActive();
}

void Window::makeKeyWindow() {
    Application* app = application();
    if (!app || closed_ || !canBecomeKeyWindow()) return;
    app->setKeyWindow(this);
}

void Window::makeMainWindow() {
    Application* app = application();
    if (!app || closed_ || !canBecomeMainWindow()) return;
    app->setMainWindow(this);
}

void Window::makeKeyAndOrderFront() {
    orderFront();
    makeMainWindow();
    makeKeyWindow();
}

// ---- Closing --------------------------------------------------------------------------

void Window::performClose() {
    const WindowButton* button = standardWindowButton(WindowButtonKind::close);
    if (!button || !button->isEnabled()) return;
    if (shouldClose_ && !shouldClose_(*this)) return;
    close();
}

void Window::close() {
    if (closed_) return;
    std::shared_ptr<Window> keep = weak_from_this().lock();
    NotificationCenter::defaultCenter().post(notifications::kWindowWillClose, notificationObject());
    if (closed_) return;
    closeWithoutWorld();
    if (desktop::Window* w = worldWindow()) w->close();
    if (Application* app = application()) app->refreshKeyAndMain();
}

void Window::closeWithoutWorld() {
    closed_ = true;
    orderedIn_ = false;
    cancelFrameAnimation();
    cancelAlphaAnimation();
    if (sheetParent_) sheetParent_->endSheet(*this);
    if (sheet_) sheet_->close();
    if (parent_) parent_->removeChildWindow(this);
    detachChildren();
    if (Application* app = application()) app->endModalSession(*this);
}

void Window::detachChildren() {
    const std::vector<Child> children = std::move(children_);
    children_.clear();
    for (const Child& c : children) {
        c.window->parent_ = nullptr;
        c.window->orderOut();
    }
}

void Window::processEnded(desktop::Desktop& world) {
    if (closed_) return;
    closed_ = true;
    orderedIn_ = false;
    if (desktop::Window* w = number_ != 0 ? world.window(number_) : nullptr) w->close();
}

void Window::worldClosed() {
    // Closed from outside (an accessibility press of the close button): the window
    // closes as if it had been asked to.
    if (!closed_) close();
}

void Window::worldFullScreenChanged() {
    const desktop::Window* w = worldWindow();
    if (!w) return;
    style_ = w->isFullScreen() ? (style_ | fullScreenWindowMask) : (style_ & ~uint64_t(fullScreenWindowMask));
}

// ---- Buttons --------------------------------------------------------------------------

bool WindowButton::isEnabled() const { return enabled_.value_or((window_.styleMask() & styleBitOf(kind_)) != 0); }

void WindowButton::setEnabled(bool enabled) {
    enabled_ = enabled;
    window_.syncButtons();
}

Rect WindowButton::frame() const {
    const Rect place = desktop::standardButtonFrame(worldButton(kind_));
    const double height = window_.frame().height();
    return {place.minX(), height - place.maxY(), place.width(), place.height()};
}

void WindowButton::performClick() {
    if (!isEnabled()) return;
    ++clicks_;
    std::shared_ptr<Window> keep = window_.weak_from_this().lock();
    switch (kind_) {
    case WindowButtonKind::close: window_.performClose(); break;
    case WindowButtonKind::miniaturize: window_.performMiniaturize(); break;
    case WindowButtonKind::zoom: window_.performZoom(); break;
    }
}

WindowButton* Window::standardWindowButton(WindowButtonKind kind) const {
    for (const auto& b : buttons_) {
        if (b->kind() == kind) return b.get();
    }
    return nullptr;
}

}  // namespace platform
