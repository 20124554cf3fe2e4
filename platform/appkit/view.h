#pragma once

// Views: the rectangles a window's content is made of. Every view here is backed by a
// layer (see layer.h); subclasses draw by setting their layer's contents in updateLayer
// and place their sublayers in layout.
//
// Coordinates. A view's frame is in its superview's coordinates; its bounds start at
// 0, 0. A view's own coordinates have y upwards unless isFlipped answers true. The
// content view's superview is the window: its frame is in the window's base coordinates
// (origin at the bottom-left corner of the window's frame, y upwards). A view's layer
// always has y upwards: the layer's frame is the view's frame mirrored in its superview's
// height when the superview is flipped.
//
// The display cycle. setNeedsLayout and setNeedsDisplay mark a view and ask the
// application for a display cycle, which runs on a later loop turn (see
// Application::runDisplayCycle): first layout, from each window's content view down to
// every marked view (layout is called once per marked view, parents first); then
// display, calling updateLayer on every marked view that wants it. A change of the
// frame's size marks the view for layout, and for display unless its redraw policy is
// `never` or `onSetNeedsDisplay`. Window::displayIfNeeded runs both passes for one
// window at once.
//
// Events. The application delivers mouse events to the view under the pointer (hitTest)
// and then routes drags and the release to the view that took the press. Every handler
// passes the event on to the superview unless a subclass takes it; rightMouseDown shows
// the menu of menuForEvent when there is one (see Application::popUpContextMenu).
// Tracking areas report mouseEntered and mouseExited to the view that holds them.
//
// Views are shared (std::shared_ptr, made with std::make_shared) and main-thread objects.
// A superview holds its subviews; the superview and window pointers do not own.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/app_event.h"
#include "platform/appkit/layer.h"
#include "platform/geometry/geometry.h"

namespace platform {

class Menu;
class View;
class Window;

// A region of a view that reports the pointer entering and leaving it.
class TrackingArea {
public:
    enum Option : uint32_t {
        mouseEnteredAndExited = 0x01,
        mouseMoved = 0x02,
        cursorUpdate = 0x04,
        activeWhenFirstResponder = 0x10,
        activeInKeyWindow = 0x20,
        activeInActiveApp = 0x40,
        activeAlways = 0x80,
        assumeInside = 0x100,
        inVisibleRect = 0x200,
        enabledDuringMouseDrag = 0x400,
    };

    // `rect` is in the view's own coordinates; with inVisibleRect it is ignored and the
    // view's bounds count instead.
    static std::shared_ptr<TrackingArea> make(const Rect& rect, uint32_t options);
    TrackingArea(const Rect& rect, uint32_t options)
        : rect_(rect), options_(options), inside_((options & assumeInside) != 0) {}

    const Rect& rect() const { return rect_; }
    uint32_t options() const { return options_; }
    // Whether the pointer was inside when the application last looked.
    bool isInside() const { return inside_; }

private:
    friend class Application;
    Rect rect_;
    uint32_t options_;
    bool inside_;
};

enum class LayerContentsRedrawPolicy { never, onSetNeedsDisplay, duringViewResize, beforeViewResize, crossfade };

class View : public std::enable_shared_from_this<View> {
public:
    explicit View(const Rect& frame = {});
    virtual ~View();
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    // ---- Geometry
    const Rect& frame() const { return frame_; }
    // A frame that is not finite is ignored; a negative size is standardised.
    void setFrame(const Rect& frame);
    void setFrameOrigin(Point origin);
    // Called for every change of the frame's size (setFrame included); subclasses call
    // the inherited one.
    virtual void setFrameSize(Size size);
    Rect bounds() const { return {0, 0, frame_.size.width, frame_.size.height}; }
    virtual bool isFlipped() const { return false; }
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden);
    // Hidden itself or below a hidden superview.
    bool isHiddenOrHasHiddenAncestor() const;

    // ---- Hierarchy
    View* superview() const { return superview_; }
    const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
    // Takes the view from its old superview first. False for a null view, this view or
    // one of its ancestors.
    bool addSubview(std::shared_ptr<View> view);
    void removeFromSuperview();
    bool isDescendantOf(const View* view) const;
    Window* window() const { return window_; }
    virtual void viewDidMoveToWindow() {}

    // ---- Layer
    bool wantsLayer() const { return wantsLayer_; }
    void setWantsLayer(bool wants) { wantsLayer_ = wants; }
    // The backing layer, made by makeBackingLayer on first use.
    const std::shared_ptr<Layer>& layer();
    bool hasLayer() const { return layer_ != nullptr; }
    virtual std::shared_ptr<Layer> makeBackingLayer() { return Layer::make(); }
    LayerContentsRedrawPolicy layerContentsRedrawPolicy() const { return redrawPolicy_; }
    void setLayerContentsRedrawPolicy(LayerContentsRedrawPolicy policy) { redrawPolicy_ = policy; }
    virtual bool wantsUpdateLayer() const { return false; }
    virtual void updateLayer() {}
    virtual void layout() {}
    virtual void viewDidChangeBackingProperties() {}
    // The window's backing scale factor; 2 without a window.
    double backingScaleFactor() const;

    // ---- Display cycle
    bool needsLayout() const { return needsLayout_; }
    void setNeedsLayout(bool needs);
    bool needsDisplay() const { return needsDisplay_; }
    void setNeedsDisplay(bool needs);
    // Layout of this view (when marked) and then of its subviews (when marked).
    void layoutSubtreeIfNeeded();
    // updateLayer of this view and its subviews, where marked.
    void displayIfNeeded();

    // ---- Events
    // Whether a press on this view while its window is not key (or the program is not
    // active) acts at once instead of only bringing the window forward.
    virtual bool acceptsFirstMouse(const AppEvent* event) const;
    // The deepest visible view under a point given in the superview's coordinates (the
    // window's base coordinates for the content view); null when the point is outside.
    virtual View* hitTest(Point pointInSuperview);
    virtual void mouseDown(const AppEvent& event);
    virtual void mouseDragged(const AppEvent& event);
    virtual void mouseUp(const AppEvent& event);
    virtual void rightMouseDown(const AppEvent& event);
    virtual void rightMouseDragged(const AppEvent& event);
    virtual void rightMouseUp(const AppEvent& event);
    virtual void otherMouseDown(const AppEvent& event);
    virtual void otherMouseDragged(const AppEvent& event);
    virtual void otherMouseUp(const AppEvent& event);
    virtual void mouseMoved(const AppEvent& event);
    virtual void mouseEntered(const AppEvent& event);
    virtual void mouseExited(const AppEvent& event);
    virtual void keyDown(const AppEvent& event);
    virtual void keyUp(const AppEvent& event);
    virtual void flagsChanged(const AppEvent& event);
    virtual void scrollWheel(const AppEvent& event);
    // The context menu for an event; the view's menu unless overridden.
    virtual std::shared_ptr<Menu> menuForEvent(const AppEvent& event);
    const std::shared_ptr<Menu>& menu() const { return menu_; }
    void setMenu(std::shared_ptr<Menu> menu) { menu_ = std::move(menu); }

    // ---- Tracking areas
    // Called when the view joins a window and when its frame changes, so that it can
    // set its areas again.
    virtual void updateTrackingAreas() {}
    void addTrackingArea(std::shared_ptr<TrackingArea> area);
    void removeTrackingArea(const TrackingArea* area);
    const std::vector<std::shared_ptr<TrackingArea>>& trackingAreas() const { return trackingAreas_; }

    // ---- Coordinates
    // Between this view and its window's base coordinates (through every superview).
    Point convertFromWindow(Point point) const;
    Point convertToWindow(Point point) const;
    Rect convertRectToWindow(const Rect& rect) const;
    // From the superview's coordinates into this view's own.
    Point convertFromSuperview(Point point) const;
    Point convertToSuperview(Point point) const;

    // ---- Accessibility: what an accessibility hit test on this view reports. Nothing
    // means the view does not take part in accessibility.
    virtual std::optional<std::string> accessibilityRole() const { return std::nullopt; }
    virtual std::optional<std::string> accessibilitySubrole() const { return std::nullopt; }

private:
    friend class Window;
    void setWindow(Window* window);
    // Forgets the window without telling anyone: the view outlives its superview or
    // window.
    void clearWindowQuietly();
    void placeLayer();
    void placeSubviewLayers();
    void requestDisplayCycle() const;
    void frameSizeChanged(Size old);

    Rect frame_;
    bool hidden_ = false;
    View* superview_ = nullptr;
    Window* window_ = nullptr;
    std::vector<std::shared_ptr<View>> subviews_;
    bool wantsLayer_ = false;
    std::shared_ptr<Layer> layer_;
    LayerContentsRedrawPolicy redrawPolicy_ = LayerContentsRedrawPolicy::duringViewResize;
    bool needsLayout_ = false;
    bool needsDisplay_ = false;
    std::shared_ptr<Menu> menu_;
    std::vector<std::shared_ptr<TrackingArea>> trackingAreas_;
};

}  // namespace platform
