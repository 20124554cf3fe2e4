#include "transitions/driver/transition_panels.h"

#include <algorithm>

#include "platform/appkit/application.h"
#include "platform/appkit/screen.h"
#include "platform/appkit/view.h"
#include "transitions/driver/stand_in_transition.h"
#include "windows/access/overlay_panel.h"
#include "windows/access/window_server.h"

namespace furlpane {

using platform::Panel;
using platform::Rect;

namespace {

// On every Space, stationary, out of the window cycle, and beside full-screen windows.
constexpr uint64_t kOverlayBehavior = platform::canJoinAllSpacesBehavior | platform::stationaryBehavior |
                                      platform::ignoresCycleBehavior | platform::fullScreenAuxiliaryBehavior;

// A see-through panel at the overlay level over a top-left rectangle, with a layer-backed
// content view whose layer `fill` goes into, stretched over the whole panel.
std::shared_ptr<Panel> makePanel(const Rect& topLeft, std::shared_ptr<platform::Layer> fill) {
    const Rect frame = platform::flipRect(topLeft, platform::Screen::flipHeight());
    auto panel = std::make_shared<Panel>(frame, platform::borderlessWindowMask | platform::nonactivatingPanelMask);
    configureOverlayPanel(*panel, false, OverlayMouse::passesThrough);
    panel->setLevel(StandInTransition::overlayLevel());
    panel->setCollectionBehavior(kOverlayBehavior);
    auto content = std::make_shared<platform::View>(Rect{0, 0, frame.width(), frame.height()});
    content->setWantsLayer(true);
    fill->setFrame({0, 0, frame.width(), frame.height()});
    content->layer()->addSublayer(std::move(fill));
    panel->setContentView(content);
    return panel;
}

std::shared_ptr<Panel> frozenPanel(const FrozenPicture& frozen) {
    auto layer = platform::Layer::make();
    layer->setContents(frozen.picture);
    layer->setContentsScale(frozen.frame.width() > 0 ? frozen.picture.width() / frozen.frame.width() : 1);
    return makePanel(frozen.frame, std::move(layer));
}

}  // namespace

std::optional<TransitionPanels> TransitionPanels::create(const Rect& area, double scale, const FrozenPicture& backdrop,
                                                         const std::vector<FrozenPicture>& elsewhere) {
    if (!platform::Application::sharedOrNull() || !hasArea(area)) return std::nullopt;
    TransitionPanels panels;
    panels.frames_ = platform::TextureLayer::make();
    panels.frames_->setContentsScale(scale);
    panels.overlay_ = makePanel(area, panels.frames_);
    if (hasArea(backdrop.frame)) panels.frozen_.push_back(frozenPanel(backdrop));
    for (const FrozenPicture& frozen : elsewhere) {
        if (hasArea(frozen.frame)) panels.frozen_.push_back(frozenPanel(frozen));
    }
    return panels;
}

void TransitionPanels::show(OverlayPlacement placement, const std::vector<uint32_t>& overlays) {
    overlay_->orderWindow(placement.mode, placement.relativeTo);
    std::vector<uint32_t> all = overlays;
    all.push_back(overlay_->windowNumber());
    const uint32_t lowest = lowestOnScreen(all).value_or(overlay_->windowNumber());
    for (const auto& panel : frozen_) panel->orderWindow(platform::WindowOrderingMode::below, lowest);
}

void TransitionPanels::takeAway() {
    for (const auto& panel : frozen_) panel->close();
    if (overlay_) overlay_->close();
}

std::vector<uint32_t> TransitionPanels::windowNumbers() const {
    std::vector<uint32_t> numbers;
    if (overlay_ && overlay_->windowNumber() > 0) numbers.push_back(overlay_->windowNumber());
    for (const auto& panel : frozen_) {
        if (panel->windowNumber() > 0) numbers.push_back(panel->windowNumber());
    }
    return numbers;
}

std::optional<uint32_t> lowestOnScreen(const std::vector<uint32_t>& windows) {
    const std::vector<uint32_t> order = WindowServer::onScreenWindowIDs();
    const auto last = std::find_first_of(order.rbegin(), order.rend(), windows.begin(), windows.end());
    if (last == order.rend()) return std::nullopt;
    return *last;
}

}  // namespace furlpane
