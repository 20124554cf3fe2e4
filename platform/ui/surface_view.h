#pragma once

// Inside the toolkit: the AppKit view a tree is shown in (a host's window, or a sheet).
// It lays the tree out in its bounds, draws it into its layer, places the bridged AppKit
// views over it, and turns the window's events into the nodes' acts.

#include <memory>
#include <string>

#include "platform/appkit/view.h"
#include "platform/ui/node.h"

namespace platform::ui {
class Host;
}

namespace platform::ui::detail {

class SurfaceView final : public platform::View, public Interaction {
public:
    SurfaceView(Host& host, std::string key);

    const std::string& key() const { return key_; }
    Node* root() const { return root_.get(); }
    void setRoot(std::unique_ptr<Node> root);
    // The host goes: the view shows nothing more and takes no input.
    void detach();
    // Lays the tree out in the bounds and places the bridged views.
    void layOutNow();

    bool isFlipped() const override { return true; }
    bool acceptsFirstMouse(const AppEvent*) const override { return true; }
    bool wantsUpdateLayer() const override { return true; }
    void layout() override { layOutNow(); }
    void updateLayer() override;
    void updateTrackingAreas() override;

    void mouseDown(const AppEvent& event) override;
    void mouseDragged(const AppEvent& event) override;
    void mouseUp(const AppEvent& event) override;
    void scrollWheel(const AppEvent& event) override;
    void keyDown(const AppEvent& event) override;
    void mouseMoved(const AppEvent& event) override;
    void mouseEntered(const AppEvent& event) override { mouseMoved(event); }
    void mouseExited(const AppEvent& event) override;

    // Interaction
    void popUpMenu(std::shared_ptr<Menu> menu, const Rect& anchor) override;
    void relayout() override;
    void redisplay() override;

    // The node with that identity, now.
    Node* node(const std::string& identity) const;
    // Acts on a node as a click on it would (press and release inside).
    bool click(Node& node);
    // A rectangle of the surface in global top-left screen points; null outside a window.
    Rect screenRect(const Rect& rect) const;
    bool takesInput() const;

private:
    Point local(const AppEvent& event) const { return convertFromWindow(event.locationInWindow); }
    void placeHostedViews();

    Host* host_;
    std::string key_;
    std::unique_ptr<Node> root_;
    // The identity of the node a press began on.
    std::string pressed_;
};

}  // namespace platform::ui::detail
