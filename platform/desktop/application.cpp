#include "platform/desktop/application.h"

#include "platform/desktop/desktop.h"

namespace platform::desktop {

Application::Application(Desktop& world, int32_t pid, ProcessKind kind, std::optional<std::string> bundleIdentifier,
                         std::optional<std::string> name, ActivationPolicy policy, uint64_t launchOrder, bool own)
    : world_(&world),
      pid_(pid),
      kind_(kind),
      bundleIdentifier_(std::move(bundleIdentifier)),
      localizedName_(std::move(name)),
      policy_(policy),
      launchOrder_(launchOrder),
      own_(own) {}

bool Application::isActive() const {
    const WorldGuard guard = guardWorld(world_);
    return world_ && !terminated_ && world_->activePid_ == pid_;
}

std::vector<Window*> Application::windows() const {
    const WorldGuard guard = guardWorld(world_);
    std::vector<Window*> result;
    if (!world_) return result;
    for (uint32_t n : world_->order_) {
        Window* w = world_->window(n);
        if (w && w->pid() == pid_ && !w->isSheet()) result.push_back(w);
    }
    return result;
}

Window* Application::mainWindow() const {
    const WorldGuard guard = guardWorld(world_);
    for (Window* w : windows()) {
        // Windows above the normal level (panels, palettes) never become main.
        if (w->isOrderedIn() && !w->isMinimized() && w->isAccessible() && w->role() == "AXWindow" && w->layer() == 0) {
            return w;
        }
    }
    return nullptr;
}

Window* Application::focusedWindow() const {
    const WorldGuard guard = guardWorld(world_);
    Window* main = mainWindow();
    if (!main || !world_) return main;
    const std::vector<uint32_t> sheets = main->sheets();
    for (auto it = sheets.rbegin(); it != sheets.rend(); ++it) {
        if (Window* sheet = world_->window(*it)) return sheet;
    }
    return main;
}

Control* Application::menuBar() const {
    const WorldGuard guard = guardWorld(world_);
    if (!world_ || menuBar_ == 0) return nullptr;
    Control* bar = world_->control(menuBar_);
    return bar && !bar->isDestroyed() ? bar : nullptr;
}

std::vector<Control*> Application::menuItems() const {
    const WorldGuard guard = guardWorld(world_);
    std::vector<Control*> items;
    const Control* bar = menuBar();
    if (!bar) return items;
    for (uint64_t barItem : bar->children()) {
        for (uint64_t menu : world_->control(barItem)->children()) {
            for (uint64_t item : world_->control(menu)->children()) items.push_back(world_->control(item));
        }
    }
    return items;
}

bool Application::hide() {
    if (!world_) return false;
    auto guard = world_->lock();
    if (terminated_ || hidden_) return false;
    hidden_ = true;
    world_->resignActive(*this);
    world_->emit(WorldEventKind::applicationHidden, pid_);
    return true;
}

bool Application::unhide() {
    if (!world_) return false;
    auto guard = world_->lock();
    if (terminated_ || !hidden_) return false;
    hidden_ = false;
    world_->emit(WorldEventKind::applicationUnhidden, pid_);
    return true;
}

bool Application::activate() {
    if (!world_) return false;
    auto guard = world_->lock();
    if (terminated_) return false;
    world_->activate(*this, true);
    return true;
}

bool Application::activateWithoutRaising() {
    if (!world_) return false;
    auto guard = world_->lock();
    if (terminated_) return false;
    world_->activate(*this, false);
    return true;
}

bool Application::quit() {
    if (!world_) return false;
    auto guard = world_->lock();
    if (terminated_) return false;
    world_->terminate(*this);
    return true;
}

Window* Application::openWindow(WindowDescription description) {
    if (!world_) return nullptr;
    auto guard = world_->lock();
    if (terminated_) return nullptr;
    return &world_->createWindow(*this, std::move(description), isActive() || world_->activePid_ == 0);
}

void Application::setMenus(const std::vector<MenuDescription>& menus) {
    if (!world_) return;
    auto guard = world_->lock();
    // The whole old tree goes; its elements become invalid.
    if (Control* old = menuBar()) world_->destroyControlTree(old->id());
    menuBar_ = 0;
    if (menus.empty()) return;
    ControlDescription bar{.role = "AXMenuBar"};
    for (const auto& menu : menus) {
        ControlDescription menuDescription{.role = "AXMenu", .title = menu.title};
        for (const auto& item : menu.items) {
            menuDescription.children.push_back(ControlDescription{.role = "AXMenuItem",
                                                                  .title = item.title,
                                                                  .identifier = item.identifier,
                                                                  .enabled = item.enabled,
                                                                  .action = item.action,
                                                                  .commandCharacter = item.commandCharacter,
                                                                  .commandModifiers = item.commandModifiers});
        }
        bar.children.push_back(
            ControlDescription{.role = "AXMenuBarItem", .title = menu.title, .children = {menuDescription}});
    }
    menuBar_ = world_->createControl(pid_, 0, 0, bar).id();
}

void Application::setLocalizedName(std::optional<std::string> name) {
    if (!world_) return;
    auto guard = world_->lock();
    localizedName_ = std::move(name);
}

void Application::setActivationPolicy(ActivationPolicy policy) {
    if (!world_) return;
    auto guard = world_->lock();
    policy_ = policy;
}

void Application::stopAnswering(double seconds) {
    if (!world_) return;
    auto guard = world_->lock();
    silentUntil_ = world_->now() + (seconds > 0 ? seconds : 0);
}

void Application::answerAgain() {
    if (!world_) return;
    auto guard = world_->lock();
    silentUntil_ = -std::numeric_limits<double>::infinity();
}

std::vector<MenuDescription> standardMenus(const std::string& name) {
    using A = ControlAction;
    return {
        {"Apple", {{.title = "About This Mac"}, {.title = "System Settings…"}}},
        {name,
         {{.title = "About " + name, .identifier = "orderFrontStandardAboutPanel:"},
          {.title = "Hide " + name, .identifier = "hide:", .commandCharacter = "H", .commandModifiers = 0,
           .action = A::hideApplication},
          {.title = "Quit " + name, .identifier = "terminate:", .commandCharacter = "Q", .commandModifiers = 0,
           .action = A::quitApplication}}},
        {"File", {{.title = "Close", .identifier = "performClose:", .commandCharacter = "W", .commandModifiers = 0}}},
        {"Edit", {{.title = "Copy", .identifier = "copy:", .commandCharacter = "C", .commandModifiers = 0}}},
        {"Window",
         {{.title = "Minimize", .identifier = "performMiniaturize:", .commandCharacter = "M", .commandModifiers = 0,
           .action = A::minimizeFocusedWindow},
          {.title = "Minimize All", .identifier = "miniaturizeAll:", .commandCharacter = "M", .commandModifiers = 2,
           .action = A::minimizeAllWindows},
          {.title = "Zoom", .identifier = "performZoom:", .action = A::zoomFocusedWindow},
          {.title = "Bring All to Front", .identifier = "arrangeInFront:", .action = A::bringAllToFront}}},
        {"Help", {{.title = "Search"}}},
    };
}

}  // namespace platform::desktop
