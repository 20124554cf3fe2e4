// Where a window stands: its frame, its place in the stacking order, miniaturizing,
// zooming and full screen, its child windows and sheets, its screen.

#include <algorithm>
#include <cmath>

#include "platform/appkit/application.h"
#include "platform/appkit/window.h"
#include "platform/desktop/desktop.h"
#include "platform/notifications/notification_center.h"

namespace platform {

// ---- Showing and ordering -------------------------------------------------------------

bool Window::isVisible() const {
    if (closed_) return false;
    const desktop::Window* w = worldWindow();
    if (!w) return false;
    return w->isOrderedIn() && !w->isMinimized() && !w->owner().isHidden();
}

bool Window::isOnActiveSpace() const {
    const desktop::Window* w = worldWindow();
    Application* app = application();
    if (!w || !app) return true;
    return app->world().spaces().isShown(w->space());
}

bool Window::isMiniaturized() const {
    const desktop::Window* w = worldWindow();
    return w && w->isMinimized();
}

bool Window::isZoomed() const {
    const desktop::Window* w = worldWindow();
    return w && w->isZoomed();
}

void Window::orderFront() { orderInWorld(WindowOrderingMode::above, 0); }

void Window::orderFrontRegardless() { orderInWorld(WindowOrderingMode::above, 0); }

void Window::orderBack() { orderInWorld(WindowOrderingMode::below, 0); }

void Window::orderWindow(WindowOrderingMode mode, uint32_t relativeTo) {
    if (mode == WindowOrderingMode::out) {
        orderOut();
    } else {
        orderInWorld(mode, relativeTo);
    }
}

void Window::orderInWorld(WindowOrderingMode mode, uint32_t relativeTo) {
    Application* app = application();
    if (!app) return;
    std::shared_ptr<Window> keep = weak_from_this().lock();
    if (closed_) {
        // A closed window shown again is a new window of the world.
        closed_ = false;
        openWorldWindow();
    }
    desktop::Window* w = worldWindow();
    if (!w) return;
    if ((collection_ & moveToActiveSpaceBehavior) && w->space() != 0) {
        if (const desktop::Display* d = app->world().displays().displayFor(w->frame())) {
            w->moveToSpace(app->world().spaces().current(d->number()).value_or(w->space()));
        }
    }
    if (isSheet()) {
        w->orderIn();
    } else {
        w->orderRelativeTo(mode == WindowOrderingMode::below ? desktop::WindowOrdering::below
                                                             : desktop::WindowOrdering::above,
                           relativeTo == number_ ? 0 : relativeTo);
    }
    orderedIn_ = true;
    hiddenByDeactivation_ = false;
    hiddenWithParent_ = false;
    orderChildrenAboveSelf();
    app->refreshKeyAndMain();
    // A window coming on screen shows its content as it stands now.
    displayIfNeeded();
}

void Window::orderChildrenAboveSelf() {
    const std::vector<Child> children = children_;
    for (const Child& c : children) {
        desktop::Window* w = c.window->worldWindow();
        if (!w || c.window->closed_ || !(w->isOrderedIn() || c.window->hiddenWithParent_)) continue;
        c.window->orderInWorld(c.ordering, number_);
    }
}

void Window::orderOut() {
    if (closed_) return;
    std::shared_ptr<Window> keep = weak_from_this().lock();
    orderedIn_ = false;
    hiddenWithParent_ = false;
    if (desktop::Window* w = worldWindow()) w->orderOut();
    hideChildren();
    if (Application* app = application()) app->refreshKeyAndMain();
}

void Window::hideChildren() {
    const std::vector<Child> children = children_;
    for (const Child& c : children) {
        const bool shown = c.window->isVisible() || c.window->hiddenWithParent_;
        c.window->orderOut();
        c.window->hiddenWithParent_ = shown;
    }
}

void Window::miniaturize() {
    if (!hasStyle(miniaturizableWindowMask) || !isVisible() || isMiniaturized()) return;
    desktop::Window* w = worldWindow();
    if (!w) return;
    std::shared_ptr<Window> keep = weak_from_this().lock();
    if (!w->minimize()) return;
    hideChildren();
}

void Window::deminiaturize() {
    if (desktop::Window* w = worldWindow()) w->deminimize();
}

void Window::zoom() {
    if (desktop::Window* w = worldWindow()) w->zoom();
}

void Window::toggleFullScreen() {
    desktop::Window* w = worldWindow();
    if (!w || (collection_ & fullScreenNoneBehavior)) return;
    w->setFullScreen(!w->isFullScreen());
}

void Window::performMiniaturize() {
    const WindowButton* button = standardWindowButton(WindowButtonKind::miniaturize);
    if (button && button->isEnabled()) miniaturize();
}

void Window::performZoom() {
    const WindowButton* button = standardWindowButton(WindowButtonKind::zoom);
    if (button && button->isEnabled()) zoom();
}

// ---- Frame ----------------------------------------------------------------------------

Rect Window::topLeftFrame() const {
    const desktop::Window* w = worldWindow();
    return w ? w->frame() : topLeft_;
}

Rect Window::frame() const { return flipRect(topLeftFrame(), flipHeight()); }

double Window::titleBarHeight() const { return hasStyle(titledWindowMask) ? kTitleBarHeight : 0; }

Rect Window::contentRectForFrameRect(const Rect& frame) const {
    if (hasStyle(fullSizeContentViewWindowMask)) return frame;
    const double bar = std::min(titleBarHeight(), frame.height());
    return {frame.minX(), frame.minY(), frame.width(), frame.height() - bar};
}

Rect Window::frameRectForContentRect(const Rect& content) const {
    if (hasStyle(fullSizeContentViewWindowMask)) return content;
    return {content.minX(), content.minY(), content.width(), content.height() + titleBarHeight()};
}

void Window::setFrame(const Rect& frame, Redisplay display) {
    cancelFrameAnimation();
    applyFrame(frame, display);
}

void Window::setFrameOrigin(Point origin) { setFrame({origin, frame().size}); }

void Window::setFrameTopLeftPoint(Point topLeft) {
    const Rect f = frame();
    setFrame({topLeft.x, topLeft.y - f.height(), f.width(), f.height()});
}

void Window::setContentSize(Size size) {
    const Rect f = frame();
    const Rect content = frameRectForContentRect({0, 0, size.width, size.height});
    // The top edge stays where it is.
    setFrame({f.minX(), f.maxY() - content.height(), content.width(), content.height()});
}

void Window::applyFrame(const Rect& requested, Redisplay display) {
    if (!requested.isFinite()) return;
    const Rect topLeft = flipRect(requested.standardized(), flipHeight());
    std::shared_ptr<Window> keep = weak_from_this().lock();
    if (desktop::Window* w = worldWindow()) {
        // The world reports the change, and the application hands it to worldFrameChanged;
        // following it here as well costs nothing and does not depend on the report.
        w->setFrame(topLeft);
        worldFrameChanged(topLeftFrame());
    } else {
        worldFrameChanged(topLeft);
    }
    if (display == Redisplay::yes) displayIfNeeded();
}

void Window::worldFrameChanged() { worldFrameChanged(topLeftFrame()); }

void Window::worldFrameChanged(const Rect& now) {
    const Rect old = topLeft_;
    if (now == old) return;
    topLeft_ = now;
    const bool moved = now.origin != old.origin;
    const bool resized = now.size != old.size;
    if (moved) {
        // Child windows keep their place relative to this window.
        const double dx = now.minX() - old.minX();
        const double dy = now.minY() - old.minY();
        const std::vector<Child> children = children_;
        for (const Child& c : children) {
            const Rect r = c.window->topLeftFrame().offsetBy(dx, dy);
            c.window->applyFrame(flipRect(r, flipHeight()), Redisplay::no);
        }
    }
    if (resized) layOutContentView();
    auto& center = NotificationCenter::defaultCenter();
    if (moved) center.post(notifications::kWindowDidMove, notificationObject());
    if (resized) center.post(notifications::kWindowDidResize, notificationObject());
    if (backingScaleFactor() != lastScale_) backingPropertiesChanged();
}

void Window::backingPropertiesChanged() {
    lastScale_ = backingScaleFactor();
    if (contentView_) {
        std::vector<View*> pending{contentView_.get()};
        while (!pending.empty()) {
            View* v = pending.back();
            pending.pop_back();
            v->viewDidChangeBackingProperties();
            for (const auto& sub : v->subviews()) pending.push_back(sub.get());
        }
    }
    NotificationCenter::defaultCenter().post(notifications::kWindowDidChangeBackingProperties, notificationObject());
}

std::optional<Screen> Window::screen() const {
    Application* app = application();
    if (!app) return std::nullopt;
    const desktop::Display* d = app->world().displays().displayFor(topLeftFrame());
    return d ? Screen::withDisplayNumber(d->number()) : std::nullopt;
}

double Window::backingScaleFactor() const {
    if (auto s = screen()) return s->backingScaleFactor();
    return 2.0;
}

// ---- Child windows --------------------------------------------------------------------

void Window::addChildWindow(std::shared_ptr<Window> child, WindowOrderingMode ordering) {
    if (!child || ordering == WindowOrderingMode::out) return;
    for (const Window* w = this; w; w = w->parent_) {
        if (w == child.get()) return;
    }
    if (child->parent_) child->parent_->removeChildWindow(child.get());
    child->parent_ = this;
    children_.push_back({child, ordering});
    if (isVisible()) child->orderInWorld(ordering, number_);
}

void Window::removeChildWindow(Window* child) {
    auto it = std::find_if(children_.begin(), children_.end(), [child](const Child& c) { return c.window.get() == child; });
    if (it == children_.end()) return;
    std::shared_ptr<Window> keep = it->window;
    keep->parent_ = nullptr;
    children_.erase(it);
}

std::vector<std::shared_ptr<Window>> Window::childWindows() const {
    std::vector<std::shared_ptr<Window>> result;
    for (const Child& c : children_) result.push_back(c.window);
    return result;
}

// ---- Sheets ---------------------------------------------------------------------------

void Window::beginSheet(std::shared_ptr<Window> sheet, std::function<void(int64_t)> completion) {
    desktop::Window* parent = worldWindow();
    if (!sheet || sheet_ || sheet.get() == this || sheet->isSheet() || closed_ || !parent) return;
    desktop::Window* old = sheet->worldWindow();
    const Rect size = sheet->topLeftFrame();
    const Rect mine = topLeftFrame();
    const Rect place{mine.midX() - size.width() / 2, mine.minY() + titleBarHeight(), size.width(), size.height()};
    desktop::Window* made = parent->attachSheet({.title = sheet->title(), .frame = place});
    if (!made) return;
    sheet_ = sheet;
    sheetCompletion_ = std::move(completion);
    sheet->sheetParent_ = this;
    sheet->closed_ = false;
    // The sheet's number changes before its old world window goes, so that the closing
    // is not taken for the sheet's own.
    sheet->number_ = made->number();
    sheet->topLeft_ = made->frame();
    sheet->orderedIn_ = true;
    if (old) old->close();
    sheet->makeKeyWindow();
    if (Application* app = application()) app->refreshKeyAndMain();
    sheet->displayIfNeeded();
}

void Window::endSheet(Window& sheet, int64_t response) {
    if (sheet_.get() != &sheet) return;
    std::shared_ptr<Window> keep = std::move(sheet_);
    sheet_.reset();
    sheet.sheetParent_ = nullptr;
    desktop::Window* old = sheet.worldWindow();
    sheet.number_ = 0;
    sheet.orderedIn_ = false;
    if (old) old->close();
    // The sheet can be shown again, as a window of its own.
    if (!sheet.closed_) sheet.openWorldWindow();
    if (isVisible() && canBecomeKeyWindow()) makeKeyWindow();
    if (Application* app = application()) app->refreshKeyAndMain();
    if (sheetCompletion_) {
        auto completion = std::move(sheetCompletion_);
        sheetCompletion_ = nullptr;
        if (Application* app = application()) {
            app->world().postToMainQueue([completion, response] { completion(response); });
        }
    }
}

}  // namespace platform
