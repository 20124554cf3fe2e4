#pragma once

// Scenes: how the program declares a window it opens on request (its settings window):
// the content, the window's title and default size, and the commands the scene puts in
// the application's menus.
//
// A scene describes; opening it makes the window (titled, closable, miniaturizable,
// resizable), centred on the first screen's visible frame at the default content size,
// hosts the content in it (host.h), brings it to the front and makes the program
// active. Opening an open scene only brings its window to the front; once the window is
// closed, the next opening makes a fresh one with fresh view state.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/appkit/menu.h"
#include "platform/geometry/geometry.h"
#include "platform/ui/host.h"
#include "platform/ui/view.h"

namespace platform::ui {

// Where a group of commands goes: in place of the standard items there.
enum class CommandPlacement {
    // The Help menu's "<Application> Help".
    help,
};

struct CommandItem {
    std::string title;
    std::function<void()> action;
};

struct CommandGroup {
    CommandPlacement replacing = CommandPlacement::help;
    std::vector<CommandItem> items;
};

class WindowScene {
public:
    WindowScene(std::string title, std::function<View()> content);

    const std::string& title() const { return title_; }
    Size defaultSize() const { return defaultSize_; }
    WindowScene& setDefaultSize(Size size);
    WindowTitle windowTitle() const { return windowTitle_; }
    WindowScene& setWindowTitle(WindowTitle title);
    const std::vector<CommandGroup>& commands() const { return commands_; }
    WindowScene& addCommands(CommandGroup group);

    // The host of the open window; null while none is open.
    std::shared_ptr<Host> open();
    std::shared_ptr<Host> host() const;

    // Puts the commands in `mainMenu`: a group replacing the help item takes the place of
    // "<applicationName> Help" in the "Help" menu (which is made when missing).
    void installCommands(Menu& mainMenu, const std::string& applicationName) const;

private:
    std::string title_;
    std::function<View()> content_;
    Size defaultSize_{480, 360};
    WindowTitle windowTitle_ = WindowTitle::fixed;
    std::vector<CommandGroup> commands_;
    std::shared_ptr<Host> host_;
};

// Opens a URL in the user's default browser (or the application for its kind); false
// when it cannot be opened.
bool openURL(const std::string& url);

}  // namespace platform::ui
