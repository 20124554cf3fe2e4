#include "app/shell/status_item_controller.h"

#include "app/shell/follow_changes.h"
#include "platform/accessibility/trust.h"
#include "platform/appkit/application.h"
#include "platform/events/input_state.h"
#include "windows/access/permissions.h"
#include "windows/engine/window_effects.h"

namespace furlpane {

using platform::Menu;
using platform::MenuItem;

namespace {

platform::Task<void> nothingToRestore() { co_return; }

std::shared_ptr<MenuItem> disabledItem(std::string title) {
    auto item = MenuItem::make(std::move(title));
    item->setEnabled(false);
    return item;
}

}  // namespace

StatusItemController::StatusItemController(std::shared_ptr<Preferences> preferences,
                                           std::weak_ptr<WindowEffects> effects, std::function<void()> openSettings)
    : preferences_(std::move(preferences)), effects_(std::move(effects)), openSettings_(std::move(openSettings)) {}

std::shared_ptr<StatusItemController> StatusItemController::start(std::shared_ptr<Preferences> preferences,
                                                                   std::weak_ptr<WindowEffects> effects,
                                                                   std::function<void()> openSettings) {
    auto controller =
        std::make_shared<StatusItemController>(std::move(preferences), std::move(effects), std::move(openSettings));
    controller->item_ = platform::StatusBar::system().statusItem(platform::StatusItem::variableLength);
    controller->menu_ = Menu::make();
    controller->menu_->setAutoenablesItems(false);
    std::weak_ptr<StatusItemController> weak = controller;
    controller->menu_->setWillOpen([weak](Menu&) {
        if (const auto self = weak.lock()) self->rebuildMenu();
    });
    controller->item_->setMenu(controller->menu_);
    controller->follow();
    controller->rebuildMenu();
    controller->showOrHide();
    return controller;
}

StatusItemController::~StatusItemController() {
    if (item_ && platform::Application::sharedOrNull()) platform::StatusBar::system().removeStatusItem(*item_);
}

void StatusItemController::follow() {
    followChanges<StatusItemController>(
        shared_from_this(),
        [](StatusItemController& c) {
            (void)c.preferences_->isEnabled();
            if (const auto effects = c.effects_.lock()) (void)effects->windows();
        },
        [](StatusItemController& c) { c.rebuildMenu(); });
    followChanges<StatusItemController>(
        shared_from_this(), [](StatusItemController& c) { (void)c.preferences_->showsStatusItem(); },
        [](StatusItemController& c) { c.showOrHide(); });
}

void StatusItemController::showOrHide() { item_->setVisible(preferences_->showsStatusItem()); }

void StatusItemController::turnOn() { preferences_->setIsEnabled(true); }

std::string StatusItemController::itemTitle(const AffectedWindow& window) {
    const TargetWindow& target = window.target();
    const std::string title = target.title.empty() ? "Untitled" : target.title;
    return target.applicationName.empty() ? title : title + " (" + target.applicationName + ")";
}

Speed StatusItemController::speedNow() {
    const bool shift = (platform::InputState::currentModifierFlags() & platform::event_flags::shift) != 0;
    return shift ? Speed::slowMotion : Speed::normal;
}

void StatusItemController::rebuildMenu() {
    menu_->removeAllItems();
    addGrantAndSwitch();
    addWindows();
    addEnd();
    const bool trusted = platform::AccessibilityTrust::isProcessTrusted();
    item_->button().setTitle(trusted ? kFace : kFaceWithoutAccess);
    item_->button().setToolTip(trusted ? "Furlpane Novan" : "Furlpane Novan needs Accessibility access");
}

void StatusItemController::addGrantAndSwitch() {
    const bool trusted = platform::AccessibilityTrust::isProcessTrusted();
    if (!trusted) menu_->addItem(kGrantAccessibility, [](MenuItem&) { requestAccessibility(); });
    std::weak_ptr<StatusItemController> weak = weak_from_this();
    if (!preferences_->isEnabled()) {
        menu_->addItem(kTurnOn, [weak](MenuItem&) {
            if (const auto self = weak.lock()) self->turnOn();
        });
    }
    if (!trusted || !preferences_->isEnabled()) menu_->addItem(MenuItem::separator());
}

void StatusItemController::addWindows() {
    const auto effects = effects_.lock();
    const auto windows = effects ? effects->windows() : WindowEffects::WindowList{};
    menu_->addItem(disabledItem(windows.empty() ? kNoWindows : kHeading));
    std::weak_ptr<StatusItemController> weak = weak_from_this();
    for (const auto& window : windows) {
        std::weak_ptr<AffectedWindow> changed = window;
        menu_->addItem(itemTitle(*window), [weak, changed](MenuItem&) {
            if (const auto self = weak.lock()) self->restore(changed);
        });
    }
    auto all = menu_->addItem(kRestoreAll, [weak](MenuItem&) {
        if (const auto self = weak.lock()) self->restoreAll();
    });
    all->setEnabled(!windows.empty());
}

void StatusItemController::addEnd() {
    menu_->addItem(MenuItem::separator());
    std::weak_ptr<StatusItemController> weak = weak_from_this();
    menu_->addItem(kSettings, [weak](MenuItem&) {
        if (const auto self = weak.lock(); self && self->openSettings_) self->openSettings_();
    }, ",");
    menu_->addItem(MenuItem::separator());
    menu_->addItem(kQuit, [](MenuItem&) { platform::Application::shared().terminate(); }, "q");
}

void StatusItemController::restore(std::weak_ptr<AffectedWindow> window) {
    const auto effects = effects_.lock();
    if (!effects) return;
    const Speed speed = speedNow();
    effects->onMainActor(WindowEffects::Job([window, speed](WindowEffects& engine) {
        const auto changed = window.lock();
        if (!changed) return nothingToRestore();
        return engine.restoreWindow(changed, Raising::bringForward, speed, {});
    }));
}

void StatusItemController::restoreAll() {
    const auto effects = effects_.lock();
    if (!effects) return;
    const Speed speed = speedNow();
    effects->onMainActor(WindowEffects::Job([speed](WindowEffects& engine) {
        return engine.restoreEverything(WindowEffects::SoundWish::wanted, speed);
    }));
}

}  // namespace furlpane
