#pragma once

// The small view the recording sheet puts behind its content, so that its shortcut
// listener learns which window the sheet is in.
//
// HotkeyListenerAnchor describes the view for the sheet's view tree: makeView makes the
// AnchorView, updateView hands it the listener and tells the listener the view's
// window, and dismantle (when the view leaves the tree) stops the listening it wanted.
// AnchorView tells its listener whenever it moves to another window or to none, and
// never takes a click. Main thread only.

#include <memory>

#include "platform/appkit/view.h"
#include "triggers/hotkey_listener.h"

namespace furlpane {

class AnchorView : public platform::View {
public:
    using platform::View::View;

    std::shared_ptr<HotkeyListener> listener() const { return listener_.lock(); }
    void setListener(const std::shared_ptr<HotkeyListener>& listener) { listener_ = listener; }

    void viewDidMoveToWindow() override;
    // No point of the anchor is ever hit: clicks go to the sheet's controls.
    platform::View* hitTest(platform::Point pointInSuperview) override;

private:
    std::weak_ptr<HotkeyListener> listener_;
};

struct HotkeyListenerAnchor {
    std::shared_ptr<HotkeyListener> listener;

    std::shared_ptr<AnchorView> makeView() const;
    void updateView(AnchorView& view) const;
    // The sheet no longer wants the listener: it stops listening and drops its focus
    // observations.
    static void dismantle(AnchorView& view);
};

}  // namespace furlpane
