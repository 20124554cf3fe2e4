// How a stand-in's view turns the mouse into reports: hover, presses on the stand-in and
// on its title-bar buttons, double-clicks, drags that keep the panel on screen, and the
// context menu.

#include <cmath>

#include "platform/appkit/screen.h"
#include "platform/events/input_state.h"
#include "windows/access/main_thread.h"
#include "windows/access/screens.h"
#include "windows/changed/stand_in_panel.h"

namespace furlpane {

using platform::AppEvent;
using platform::AppEventType;
using platform::Point;
using platform::Rect;

namespace {

// The slack around a button's rectangle within which a press takes it and a release
// clicks it.
constexpr double kButtonSlack = 2.0;
// How far the pointer must move before a press becomes a drag.
constexpr double kDragThreshold = 3.0;

// The pointer's place in AppKit screen coordinates.
Point pointerAppKit() {
    return platform::flipPoint(platform::InputState::mouseLocation(), platform::Screen::flipHeight());
}

}  // namespace

StandInPanel* StandInView::standInPanel() const { return dynamic_cast<StandInPanel*>(window()); }

std::shared_ptr<StandInPanelDelegate> StandInView::delegate() const {
    StandInPanel* panel = standInPanel();
    return panel ? panel->standInDelegate() : nullptr;
}

Point StandInView::topLeftLocation(const AppEvent& event) const {
    const Point p = convertFromWindow(event.locationInWindow);
    return {p.x, bounds().height() - p.y};
}

std::optional<WindowButton> StandInView::buttonAt(Point topLeft) const {
    for (const auto& [button, frame] : buttons_)
        if (frame.insetBy(-kButtonSlack, -kButtonSlack).contains(topLeft)) return button;
    return std::nullopt;
}

void StandInView::updateTrackingAreas() {
    requireMainThread("StandInView.updateTrackingAreas");
    for (const auto& area : std::vector(trackingAreas())) removeTrackingArea(area.get());
    addTrackingArea(platform::TrackingArea::make(bounds(), platform::TrackingArea::mouseEnteredAndExited |
                                                               platform::TrackingArea::activeAlways |
                                                               platform::TrackingArea::inVisibleRect));
}

void StandInView::mouseEntered(const AppEvent&) {
    requireMainThread("StandInView.mouseEntered");
    setHovered(true);
}

void StandInView::mouseExited(const AppEvent&) {
    requireMainThread("StandInView.mouseExited");
    setHovered(false);
}

void StandInView::setHovered(bool hovered) {
    if (pressStart_ || isHoverHeld_ || isHovered_ == hovered) return;
    isHovered_ = hovered;
    StandInPanel* panel = standInPanel();
    if (auto d = delegate()) d->standInHoverChanged(*panel, hovered);
}

void StandInView::endPress() {
    pressStart_.reset();
    pressedButton_.reset();
    isDragging_ = false;
    const platform::Window* w = window();
    setHovered(w && w->isVisible() && w->frame().contains(pointerAppKit()));
}

void StandInView::mouseDown(const AppEvent& event) {
    requireMainThread("StandInView.mouseDown");
    // The delegate may let go of the panel while it is told; the view stays for the press.
    const auto keep = shared_from_this();
    platform::Window* w = window();
    if (w) w->orderFrontRegardless();
    const Point p = topLeftLocation(event);
    pressStart_ = pointerAppKit();
    topLeftAtPress_ = w ? Point{w->frame().minX(), w->frame().maxY()} : Point{};
    isDragging_ = false;
    hasHandledPress_ = false;
    pressedButton_ = buttonAt(p);
    isDragAllowed_ = !pressedButton_ && p.y <= dragBandHeight_;
    if (event.clickCount == 2 && !pressedButton_) {
        hasHandledPress_ = true;
        if (auto d = delegate()) d->standInDoubleClicked(*standInPanel(), event.modifierFlags);
    }
}

void StandInView::mouseDragged(const AppEvent&) {
    requireMainThread("StandInView.mouseDragged");
    platform::Window* w = window();
    if (!pressStart_ || !isDragAllowed_ || hasHandledPress_ || !w) return;
    const Point now = pointerAppKit();
    const double dx = now.x - pressStart_->x, dy = now.y - pressStart_->y;
    if (!isDragging_) {
        if (std::hypot(dx, dy) < kDragThreshold) return;
        isDragging_ = true;
        // Setting the frame it has stops a frame animation still running (a thumbnail
        // growing on hover, or moving into its place).
        platform::AnimationContext::runAnimationGroup([w](platform::AnimationContext& context) {
            context.setDuration(0);
            w->animator().setFrame(w->frame());
        });
    }
    dragTo({dx, dy});
}

// Moves the panel by the pointer's travel since the press (AppKit, y upwards), keeping
// it on the usable frame of the screen under the pointer as the view asks.
void StandInView::dragTo(Point travel) {
    platform::Window* w = window();
    const double h = platform::Screen::flipHeight();
    const platform::Size size = w->frame().size;
    Rect candidate =
        Rect(topLeftAtPress_.x, h - topLeftAtPress_.y, size.width, size.height).offsetBy(travel.x, -travel.y);
    if (const auto usable = usableFrameAtPoint(platform::InputState::mouseLocation())) {
        if (keptOnScreen_ == StandInKeptOnScreen::whole) {
            candidate = clampRect(candidate, *usable);
        } else {
            candidate.origin.y = std::max(candidate.minY(), usable->minY());
        }
    }
    w->setFrameTopLeftPoint({candidate.minX(), h - candidate.minY()});
}

void StandInView::mouseUp(const AppEvent& event) {
    requireMainThread("StandInView.mouseUp");
    const auto keep = shared_from_this();
    if (!pressStart_ || hasHandledPress_) {
        endPress();
        return;
    }
    StandInPanel* panel = standInPanel();
    const auto d = delegate();
    if (pressedButton_) {
        const auto it = buttons_.find(*pressedButton_);
        const bool inside =
            it != buttons_.end() && it->second.insetBy(-kButtonSlack, -kButtonSlack).contains(topLeftLocation(event));
        if (inside && d) d->standInButtonClicked(*panel, *pressedButton_);
    } else if (isDragging_) {
        if (d) d->standInDragEnded(*panel);
    } else if (event.clickCount <= 1) {
        if (d) d->standInClicked(*panel, event.modifierFlags);
    }
    endPress();
}

std::shared_ptr<platform::Menu> StandInView::menuForEvent(const AppEvent& event) {
    requireMainThread("StandInView.menuForEvent");
    const bool controlClick = event.type == AppEventType::leftMouseDown && event.has(AppEvent::control);
    if (event.type != AppEventType::rightMouseDown && !controlClick) return nullptr;
    const auto d = delegate();
    return d ? d->standInMenu(*standInPanel(), controlClick) : nullptr;
}

}  // namespace furlpane
