#include "platform/appkit/view.h"

#include <algorithm>
#include <cmath>

#include "platform/appkit/application.h"
#include "platform/appkit/window.h"

namespace platform {

std::shared_ptr<TrackingArea> TrackingArea::make(const Rect& rect, uint32_t options) {
    return std::make_shared<TrackingArea>(rect, options);
}

View::View(const Rect& frame) : frame_(frame.isFinite() ? frame.standardized() : Rect{}) {}

View::~View() {
    for (const auto& sub : subviews_) {
        sub->superview_ = nullptr;
        sub->clearWindowQuietly();
    }
}

void View::clearWindowQuietly() {
    window_ = nullptr;
    for (const auto& sub : subviews_) sub->clearWindowQuietly();
}

// ---- Geometry -------------------------------------------------------------------------

void View::setFrame(const Rect& frame) {
    if (!frame.isFinite()) return;
    const Rect r = frame.standardized();
    const bool moved = r.origin != frame_.origin;
    frame_.origin = r.origin;
    if (r.size != frame_.size) {
        setFrameSize(r.size);
        return;
    }
    if (moved) {
        placeLayer();
        if (window_) updateTrackingAreas();
    }
}

void View::setFrameOrigin(Point origin) { setFrame({origin, frame_.size}); }

void View::setFrameSize(Size size) {
    if (!std::isfinite(size.width) || !std::isfinite(size.height)) return;
    const Size old = frame_.size;
    frame_.size = {std::fabs(size.width), std::fabs(size.height)};
    frameSizeChanged(old);
}

void View::frameSizeChanged(Size old) {
    placeLayer();
    if (old == frame_.size) return;
    if (isFlipped()) placeSubviewLayers();
    setNeedsLayout(true);
    if (redrawPolicy_ != LayerContentsRedrawPolicy::never && redrawPolicy_ != LayerContentsRedrawPolicy::onSetNeedsDisplay) {
        setNeedsDisplay(true);
    }
    if (window_) updateTrackingAreas();
}

void View::setHidden(bool hidden) {
    hidden_ = hidden;
    if (layer_) layer_->setHidden(hidden);
}

bool View::isHiddenOrHasHiddenAncestor() const {
    for (const View* v = this; v; v = v->superview_) {
        if (v->hidden_) return true;
    }
    return false;
}

// ---- Hierarchy ------------------------------------------------------------------------

bool View::isDescendantOf(const View* view) const {
    for (const View* v = this; v; v = v->superview_) {
        if (v == view) return true;
    }
    return false;
}

bool View::addSubview(std::shared_ptr<View> view) {
    if (!view || isDescendantOf(view.get())) return false;
    std::shared_ptr<View> keep = view;
    view->removeFromSuperview();
    subviews_.push_back(keep);
    keep->superview_ = this;
    layer()->addSublayer(keep->layer());
    keep->placeLayer();
    if (keep->window_ != window_) keep->setWindow(window_);
    return true;
}

void View::removeFromSuperview() {
    View* parent = superview_;
    if (!parent) return;
    std::shared_ptr<View> keep = weak_from_this().lock();
    if (layer_) layer_->removeFromSuperlayer();
    superview_ = nullptr;
    std::erase_if(parent->subviews_, [this](const auto& v) { return v.get() == this; });
    if (window_) setWindow(nullptr);
}

void View::setWindow(Window* window) {
    window_ = window;
    viewDidMoveToWindow();
    if (window_) {
        updateTrackingAreas();
        if (needsLayout_ || needsDisplay_) requestDisplayCycle();
    }
    const auto subviews = subviews_;
    for (const auto& sub : subviews) sub->setWindow(window);
}

// ---- Layer ----------------------------------------------------------------------------

const std::shared_ptr<Layer>& View::layer() {
    if (!layer_) {
        layer_ = makeBackingLayer();
        if (!layer_) layer_ = Layer::make();
        layer_->setHidden(hidden_);
        placeLayer();
    }
    return layer_;
}

void View::placeLayer() {
    if (!layer_) return;
    Rect r = frame_;
    if (superview_ && superview_->isFlipped()) r.origin.y = superview_->frame_.size.height - frame_.maxY();
    layer_->setFrame(r);
}

void View::placeSubviewLayers() {
    for (const auto& sub : subviews_) sub->placeLayer();
}

double View::backingScaleFactor() const { return window_ ? window_->backingScaleFactor() : 2.0; }

// ---- Display cycle --------------------------------------------------------------------

void View::requestDisplayCycle() const {
    if (!window_) return;
    if (Application* app = Application::sharedOrNull()) app->setNeedsDisplayCycle();
}

void View::setNeedsLayout(bool needs) {
    needsLayout_ = needs;
    if (needs) requestDisplayCycle();
}

void View::setNeedsDisplay(bool needs) {
    needsDisplay_ = needs;
    if (needs) requestDisplayCycle();
}

void View::layoutSubtreeIfNeeded() {
    std::shared_ptr<View> keep = weak_from_this().lock();
    if (needsLayout_) {
        needsLayout_ = false;
        layout();
    }
    const auto subviews = subviews_;
    for (const auto& sub : subviews) sub->layoutSubtreeIfNeeded();
}

void View::displayIfNeeded() {
    std::shared_ptr<View> keep = weak_from_this().lock();
    if (needsDisplay_) {
        needsDisplay_ = false;
        if (wantsUpdateLayer()) updateLayer();
    }
    const auto subviews = subviews_;
    for (const auto& sub : subviews) sub->displayIfNeeded();
}

// ---- Events ---------------------------------------------------------------------------

bool View::acceptsFirstMouse(const AppEvent*) const { return false; }

View* View::hitTest(Point pointInSuperview) {
    if (hidden_ || !frame_.contains(pointInSuperview)) return nullptr;
    const Point local = convertFromSuperview(pointInSuperview);
    for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
        if (View* hit = (*it)->hitTest(local)) return hit;
    }
    return this;
}

void View::mouseDown(const AppEvent& e) { if (superview_) superview_->mouseDown(e); }
void View::scrollWheel(const AppEvent& e) { if (superview_) superview_->scrollWheel(e); }
void View::mouseDragged(const AppEvent& e) { if (superview_) superview_->mouseDragged(e); }
void View::mouseUp(const AppEvent& e) { if (superview_) superview_->mouseUp(e); }
void View::rightMouseDragged(const AppEvent& e) { if (superview_) superview_->rightMouseDragged(e); }
void View::rightMouseUp(const AppEvent& e) { if (superview_) superview_->rightMouseUp(e); }
void View::otherMouseDown(const AppEvent& e) { if (superview_) superview_->otherMouseDown(e); }
void View::otherMouseDragged(const AppEvent& e) { if (superview_) superview_->otherMouseDragged(e); }
void View::otherMouseUp(const AppEvent& e) { if (superview_) superview_->otherMouseUp(e); }
void View::mouseMoved(const AppEvent& e) { if (superview_) superview_->mouseMoved(e); }
void View::mouseEntered(const AppEvent&) {}
void View::mouseExited(const AppEvent&) {}
void View::keyDown(const AppEvent& e) { if (superview_) superview_->keyDown(e); }
void View::keyUp(const AppEvent& e) { if (superview_) superview_->keyUp(e); }
void View::flagsChanged(const AppEvent& e) { if (superview_) superview_->flagsChanged(e); }

void View::rightMouseDown(const AppEvent& e) {
    if (std::shared_ptr<Menu> menu = menuForEvent(e)) {
        if (Application* app = Application::sharedOrNull()) app->popUpContextMenu(std::move(menu), e, this);
        return;
    }
    if (superview_) superview_->rightMouseDown(e);
}

std::shared_ptr<Menu> View::menuForEvent(const AppEvent&) { return menu_; }

// ---- Tracking areas -------------------------------------------------------------------

void View::addTrackingArea(std::shared_ptr<TrackingArea> area) {
    if (area && std::find(trackingAreas_.begin(), trackingAreas_.end(), area) == trackingAreas_.end()) {
        trackingAreas_.push_back(std::move(area));
        Application* app = Application::sharedOrNull();
        if (window_ && app) app->primeTrackingArea(*window_, *this, *trackingAreas_.back());
    }
}

void View::removeTrackingArea(const TrackingArea* area) {
    std::erase_if(trackingAreas_, [area](const auto& a) { return a.get() == area; });
}

// ---- Coordinates ----------------------------------------------------------------------

Point View::convertFromSuperview(Point p) const {
    const bool superFlipped = superview_ && superview_->isFlipped();
    const double dy = p.y - frame_.minY();
    return {p.x - frame_.minX(), isFlipped() == superFlipped ? dy : frame_.height() - dy};
}

Point View::convertToSuperview(Point p) const {
    const bool superFlipped = superview_ && superview_->isFlipped();
    const double dy = isFlipped() == superFlipped ? p.y : frame_.height() - p.y;
    return {p.x + frame_.minX(), dy + frame_.minY()};
}

Point View::convertFromWindow(Point p) const {
    std::vector<const View*> chain;
    for (const View* v = this; v; v = v->superview_) chain.push_back(v);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) p = (*it)->convertFromSuperview(p);
    return p;
}

Point View::convertToWindow(Point p) const {
    for (const View* v = this; v; v = v->superview_) p = v->convertToSuperview(p);
    return p;
}

Rect View::convertRectToWindow(const Rect& r) const {
    const Point a = convertToWindow(r.origin);
    const Point b = convertToWindow({r.maxX(), r.maxY()});
    return Rect{std::min(a.x, b.x), std::min(a.y, b.y), std::fabs(b.x - a.x), std::fabs(b.y - a.y)};
}

}  // namespace platform
