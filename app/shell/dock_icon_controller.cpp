#include "app/shell/dock_icon_controller.h"

#include "app/shell/follow_changes.h"
#include "platform/appkit/application.h"
#include "platform/appkit/window.h"

namespace furlpane {

using platform::ActivationPolicy;
using platform::Application;

std::shared_ptr<DockIconController> DockIconController::start(std::shared_ptr<Preferences> preferences) {
    auto controller = std::make_shared<DockIconController>(std::move(preferences));
    followChanges<DockIconController>(
        controller, [](DockIconController& c) { (void)c.preferences_->showsStatusItem(); },
        [](DockIconController& c) { c.update(); });
    controller->observeWindows();
    controller->update();
    return controller;
}

DockIconController::~DockIconController() {
    for (const auto& token : observations_) platform::NotificationCenter::defaultCenter().removeObserver(token);
}

ActivationPolicy DockIconController::policyFor(bool showsStatusItem, bool titledWindow) {
    return showsStatusItem && !titledWindow ? ActivationPolicy::accessory : ActivationPolicy::regular;
}

bool DockIconController::hasTitledWindow() {
    for (const auto& window : Application::shared().windows()) {
        if (window->isClosed() || !window->hasStyle(platform::titledWindowMask)) continue;
        if (window->isVisible() || window->isMiniaturized()) return true;
    }
    return false;
}

void DockIconController::update() {
    const ActivationPolicy wanted = policyFor(preferences_->showsStatusItem(), hasTitledWindow());
    Application& app = Application::shared();
    if (app.activationPolicy() != wanted) app.setActivationPolicy(wanted);
}

void DockIconController::observeWindows() {
    std::weak_ptr<DockIconController> weak = weak_from_this();
    // A window that is closing is still visible when it says so: decide on the next turn.
    const auto later = [weak](const platform::Notification&) {
        platform::spawnMain([weak]() -> platform::Task<void> {
            if (const auto self = weak.lock()) self->update();
            co_return;
        });
    };
    auto& center = platform::NotificationCenter::defaultCenter();
    for (const std::string& name : {platform::notifications::kWindowDidBecomeKey,
                                    platform::notifications::kWindowWillClose,
                                    platform::notifications::kWindowDidMiniaturize,
                                    platform::notifications::kWindowDidDeminiaturize}) {
        observations_.push_back(center.addObserver(name, nullptr, later));
    }
}

}  // namespace furlpane
