// How the application hands mouse and key events to its windows and views, and keeps the
// tracking areas of its views up to date with the pointer.

#include <algorithm>

#include "platform/appkit/application.h"
#include "platform/desktop/desktop.h"

namespace platform {

namespace {

uint32_t buttonBit(const AppEvent& event) { return 1u << std::clamp(event.buttonNumber, 0, 2); }

// An event as the window sees it: located in the window's base coordinates.
AppEvent addressedTo(const AppEvent& event, const Window& window, double flipHeight) {
    AppEvent local = event;
    const Rect frame = window.frame();
    const Point screen = flipPoint(event.screenLocation, flipHeight);
    local.windowNumber = window.windowNumber();
    local.locationInWindow = {screen.x - frame.minX(), screen.y - frame.minY()};
    return local;
}

}  // namespace

Point Application::mouseLocation() const { return flipPoint(pointer_, world_.displays().firstMaxY()); }

void Application::updatePointerState(const AppEvent& event) {
    if (event.isMouseEvent()) pointer_ = event.screenLocation;
    modifiers_ = event.modifierFlags;
    if (event.isMouseDown()) pressed_ |= buttonBit(event);
    if (event.isMouseUp()) pressed_ &= ~buttonBit(event);
}

Window* Application::ownWindowAt(Point topLeft) const {
    const desktop::Window* hit = world_.windowAt(topLeft);
    if (!hit || hit->pid() != processIdentifier()) return nullptr;
    return registered(hit->number());
}

bool Application::sendEvent(const AppEvent& incoming) {
    AppEvent event = incoming;
    if (event.timestamp == 0) event.timestamp = world_.now();
    updatePointerState(event);
    if (event.isMouseDown()) {
        updateTracking(&event);
        return dispatchPress(event);
    }
    if (event.isMouseDragged()) {
        updateTracking(&event);
        return dispatchToPressTarget(event);
    }
    if (event.isMouseUp()) {
        const bool taken = dispatchToPressTarget(event);
        updateTracking(&event);
        return taken;
    }
    if (event.type == AppEventType::mouseMoved) {
        updateTracking(&event);
        return ownWindowAt(pointer_) != nullptr;
    }
    if (event.isKeyEvent()) return dispatchKey(event);
    if (event.type == AppEventType::scrollWheel) return dispatchScroll(event);
    return false;
}

bool Application::dispatchScroll(const AppEvent& event) {
    Window* found = ownWindowAt(event.screenLocation);
    if (!found) return false;
    std::shared_ptr<Window> window = found->weak_from_this().lock();
    if (!window) return false;
    window->sendEvent(addressedTo(event, *window, world_.displays().firstMaxY()));
    return true;
}

bool Application::dispatchPress(const AppEvent& event) {
    pressWindow_.reset();
    Window* found = ownWindowAt(event.screenLocation);
    if (!found) return false;
    std::shared_ptr<Window> window = found->weak_from_this().lock();
    if (!window) return false;
    const bool nonActivating = window->hasStyle(nonactivatingPanelMask);
    // Whether the press acts at once: a key window of an active program, or a
    // non-activating panel, takes it as it is; otherwise the view under the pointer decides.
    const bool wasKey = window->isKeyWindow();
    // A click brings the program forward (unless on a non-activating panel) and its
    // window with it, not the program's other windows.
    if (!nonActivating && !active_) own_->activateWithoutRaising();
    if (!nonActivating || window->canBecomeKeyWindow()) window->orderFront();
    if (window->canBecomeKeyWindow()) window->makeKeyWindow();
    if (window->canBecomeMainWindow()) window->makeMainWindow();

    const AppEvent local = addressedTo(event, *window, world_.displays().firstMaxY());
    pressWindow_ = window;
    if (window->isInTitleBar(local.locationInWindow)) {
        window->sendEvent(local);
        return true;
    }
    View* hit = window->contentView() ? window->contentView()->hitTest(local.locationInWindow) : nullptr;
    const bool actsAtOnce = (wasKey && active_) || nonActivating || (hit && hit->acceptsFirstMouse(&local));
    if (!actsAtOnce) {
        pressWindow_.reset();
        return true;
    }
    window->sendEvent(local);
    return true;
}

bool Application::dispatchToPressTarget(const AppEvent& event) {
    std::shared_ptr<Window> window = pressWindow_.lock();
    if (event.isMouseUp()) pressWindow_.reset();
    if (!window || window->isClosed()) return false;
    window->sendEvent(addressedTo(event, *window, world_.displays().firstMaxY()));
    return true;
}

bool Application::dispatchKey(const AppEvent& event) {
    Window* key = keyWindow();
    if (!key) return false;
    std::shared_ptr<Window> window = key->weak_from_this().lock();
    if (!window) return false;
    window->sendEvent(addressedTo(event, *window, world_.displays().firstMaxY()));
    return true;
}

// ---- Tracking areas -------------------------------------------------------------------

void Application::updateTracking() { updateTracking(nullptr); }

namespace {

struct TrackedArea {
    std::shared_ptr<Window> window;
    std::shared_ptr<View> view;
    std::shared_ptr<TrackingArea> area;
};

void collect(const std::shared_ptr<Window>& window, View& view, std::vector<TrackedArea>& out) {
    std::shared_ptr<View> held = view.weak_from_this().lock();
    if (held) {
        for (const auto& area : view.trackingAreas()) out.push_back({window, held, area});
    }
    for (const auto& sub : view.subviews()) collect(window, *sub, out);
}

bool isAreaActive(const TrackingArea& area, const Window& window, bool programActive) {
    const uint32_t o = area.options();
    if (o & TrackingArea::activeAlways) return true;
    if ((o & TrackingArea::activeInActiveApp) && programActive) return true;
    if ((o & (TrackingArea::activeInKeyWindow | TrackingArea::activeWhenFirstResponder)) && window.isKeyWindow()) {
        return true;
    }
    return false;
}

}  // namespace

bool Application::pointerIsInside(const Window* under, const Window& window, const View& view,
                                  const TrackingArea& area) const {
    if (&window != under || view.window() != &window || !isAreaActive(area, window, active_) ||
        view.isHiddenOrHasHiddenAncestor()) {
        return false;
    }
    const AppEvent probe = AppEvent::mouse(AppEventType::mouseMoved, pointer_);
    const Point p =
        view.convertFromWindow(addressedTo(probe, window, world_.displays().firstMaxY()).locationInWindow);
    const Rect rect = (area.options() & TrackingArea::inVisibleRect) ? view.bounds() : area.rect();
    return rect.contains(p);
}

void Application::primeTrackingArea(const Window& window, const View& view, TrackingArea& area) const {
    if (area.options() & TrackingArea::assumeInside) return;
    area.inside_ = pointerIsInside(ownWindowAt(pointer_), window, view, area);
}

void Application::updateTracking(const AppEvent* cause) {
    // Collect first: entering and leaving may change views, areas and windows.
    std::vector<TrackedArea> areas;
    for (const auto& w : windows()) {
        if (!w->isClosed() && w->contentView()) collect(w, *w->contentView(), areas);
    }
    Window* under = ownWindowAt(pointer_);
    const bool dragging = pressed_ != 0;
    const double flipHeight = world_.displays().firstMaxY();
    for (const TrackedArea& t : areas) {
        TrackingArea& area = *t.area;
        if (dragging && !(area.options() & TrackingArea::enabledDuringMouseDrag)) continue;
        const bool inside = pointerIsInside(under, *t.window, *t.view, area);
        if (inside && area.inside_ && (area.options() & TrackingArea::mouseMoved) && cause &&
            cause->type == AppEventType::mouseMoved) {
            t.view->mouseMoved(addressedTo(*cause, *t.window, flipHeight));
        }
        if (inside == area.inside_) continue;
        area.inside_ = inside;
        if (!(area.options() & TrackingArea::mouseEnteredAndExited)) continue;
        AppEvent e = cause ? *cause : AppEvent::mouse(AppEventType::mouseMoved, pointer_, 0, modifiers_);
        e = addressedTo(e, *t.window, flipHeight);
        e.type = inside ? AppEventType::mouseEntered : AppEventType::mouseExited;
        e.clickCount = 0;
        e.trackingArea = &area;
        if (inside) {
            t.view->mouseEntered(e);
        } else {
            t.view->mouseExited(e);
        }
    }
}

}  // namespace platform
