#include "triggers/hotkey_listener_anchor.h"

namespace furlpane {

void AnchorView::viewDidMoveToWindow() {
    platform::View::viewDidMoveToWindow();
    if (const auto held = listener()) held->setWindow(window());
}

platform::View* AnchorView::hitTest(platform::Point) { return nullptr; }

std::shared_ptr<AnchorView> HotkeyListenerAnchor::makeView() const { return std::make_shared<AnchorView>(); }

void HotkeyListenerAnchor::updateView(AnchorView& view) const {
    view.setListener(listener);
    if (listener) listener->setWindow(view.window());
}

void HotkeyListenerAnchor::dismantle(AnchorView& view) {
    const auto held = view.listener();
    if (!held) return;
    held->setIsWanted(false);
    held->updateListening();
    held->observeFocus();
}

}  // namespace furlpane
