#include "platform/ui/scene.h"

#include <algorithm>
#include <cmath>

#include "platform/appkit/application.h"
#include "platform/appkit/screen.h"
#include "platform/appkit/window.h"
#include "platform/services/workspace.h"

namespace platform::ui {

namespace {

constexpr const char* kHelpMenuTitle = "Help";

bool usable(Size size) { return std::isfinite(size.width) && std::isfinite(size.height) && size.width >= 1 && size.height >= 1; }

// The content rectangle, centred in the first screen's visible frame.
Rect centred(Size size) {
    const std::vector<Screen> screens = Screen::screens();
    if (screens.empty()) return {0, 0, size.width, size.height};
    const Rect visible = screens.front().visibleFrame();
    const double height = size.height + Window::kTitleBarHeight;
    return {std::round(visible.midX() - size.width / 2), std::round(visible.midY() - height / 2), size.width, size.height};
}

Menu& helpMenu(Menu& mainMenu) {
    MenuItem* item = mainMenu.itemWithTitle(kHelpMenuTitle);
    if (!item) {
        auto made = MenuItem::make(kHelpMenuTitle);
        mainMenu.addItem(made);
        item = made.get();
    }
    if (!item->submenu()) item->setSubmenu(Menu::make(kHelpMenuTitle));
    return *item->submenu();
}

}  // namespace

WindowScene::WindowScene(std::string title, std::function<View()> content)
    : title_(std::move(title)), content_(std::move(content)) {}

WindowScene& WindowScene::setDefaultSize(Size size) {
    if (usable(size)) defaultSize_ = size;
    return *this;
}

WindowScene& WindowScene::setWindowTitle(WindowTitle title) {
    windowTitle_ = title;
    return *this;
}

WindowScene& WindowScene::addCommands(CommandGroup group) {
    commands_.push_back(std::move(group));
    return *this;
}

std::shared_ptr<Host> WindowScene::host() const {
    return host_ && host_->window() && !host_->window()->isClosed() ? host_ : nullptr;
}

std::shared_ptr<Host> WindowScene::open() {
    if (!host()) {
        const uint64_t style = titledWindowMask | closableWindowMask | miniaturizableWindowMask | resizableWindowMask;
        auto window = std::make_shared<Window>(centred(defaultSize_), style);
        window->setTitle(title_);
        window->setReleasedWhenClosed(false);
        host_ = Host::create(window, content_, windowTitle_);
    }
    host_->window()->makeKeyAndOrderFront();
    if (Application* app = Application::sharedOrNull()) app->activate();
    return host_;
}

void WindowScene::installCommands(Menu& mainMenu, const std::string& applicationName) const {
    for (const CommandGroup& group : commands_) {
        if (group.replacing != CommandPlacement::help) continue;
        Menu& help = helpMenu(mainMenu);
        size_t at = help.numberOfItems();
        if (MenuItem* standard = help.itemWithTitle(applicationName + " Help")) {
            at = help.indexOfItem(standard).value_or(at);
            help.removeItem(standard);
        }
        for (const CommandItem& command : group.items) {
            const std::function<void()> action = command.action;
            help.insertItem(MenuItem::make(command.title, [action](MenuItem&) {
                                if (action) action();
                            }),
                            at++);
        }
    }
}

bool openURL(const std::string& url) { return Workspace::shared().openURL(url); }

}  // namespace platform::ui
