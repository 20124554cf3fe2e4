// The stand-in panel: how it is made, shown and hidden, moved, and its shadow refreshed.

#include "windows/changed/stand_in_panel.h"

#include "platform/appkit/screen.h"
#include "platform/events/input_state.h"
#include "platform/runtime/task.h"
#include "windows/access/main_thread.h"
#include "windows/access/overlay_panel.h"

namespace furlpane {

using platform::Rect;

Rect flipRect(const Rect& r) { return platform::flipRect(r, platform::Screen::flipHeight()); }

StandInPanel::StandInPanel(const Key&, const Rect& contentRect)
    : platform::Panel(contentRect, platform::nonactivatingPanelMask, platform::BackingStore::buffered, false) {}

std::shared_ptr<StandInPanel> StandInPanel::create(const Rect& windowFrame, MissionControl missionControl) {
    requireMainThread("StandInPanel.create");
    const Rect frame = flipRect(windowFrame);
    auto panel = std::make_shared<StandInPanel>(Key{}, frame);
    panel->canvas_ = std::make_shared<StandInView>(Rect(0, 0, frame.width(), frame.height()));
    panel->setContentView(panel->canvas_);
    configureOverlayPanel(*panel, true, OverlayMouse::receives);
    panel->setBecomesKeyOnlyIfNeeded(true);
    panel->setCollectionBehavior(missionControl == MissionControl::staysPut ? kStationaryBehavior : kManagedBehavior);
    panel->canvas_->setNeedsLayout(true);
    return panel;
}

void StandInPanel::placeAt(const Rect& topLeft) {
    setFrame(flipRect(topLeft), platform::Redisplay::yes);
    invalidateShadow();
}

void StandInPanel::setHidden(bool hidden) {
    requireMainThread("StandInPanel.setHidden");
    if (hidden) {
        orderOut();
    } else {
        orderFront();
    }
    if (canvas_->pressStart() || canvas_->isHoverHeld()) return;
    const platform::Point pointer =
        platform::flipPoint(platform::InputState::mouseLocation(), platform::Screen::flipHeight());
    canvas_->setHovered(isVisible() && frame().contains(pointer));
}

void StandInPanel::animateFrame(platform::AnimationContext& context, const Rect& frame, double duration) {
    requireMainThread("StandInPanel.animateFrame");
    context.setDuration(duration);
    context.setTimingFunction(platform::TimingFunction::easeInEaseOut);
    animator().setFrame(frame);
}

void StandInPanel::refreshShadow(std::function<void()> then) {
    requireMainThread("StandInPanel.refreshShadow");
    std::weak_ptr<StandInPanel> weak = std::static_pointer_cast<StandInPanel>(shared_from_this());
    platform::spawnMain([weak, then = std::move(then)]() -> platform::Task<void> {
        requireMainThread("StandInPanel.refreshShadow");
        if (auto panel = weak.lock()) panel->invalidateShadow();
        if (then) then();
        co_return;
    });
}

}  // namespace furlpane
