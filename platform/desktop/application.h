#pragma once

// A running process of the simulated desktop: an application (with a workspace entry and
// an accessibility tree) or a background process that only owns windows.
//
// The record stays valid after the process ends (isTerminated), as the system's running
// application objects do; it is shared with whoever holds it and outlives the world,
// but once the world is gone every operation on it does nothing. The world itself finds
// an ended process's record only for a while (see "Threads" in desktop.h).

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop/control.h"
#include "platform/desktop/window.h"
#include "platform/desktop/world_lock.h"
#include "platform/desktop/world_types.h"
#include "platform/graphics/image.h"

namespace platform {
class ProcessRun;
}

namespace platform::desktop {

class Desktop;

struct MenuItemDescription {
    std::string title{};
    std::optional<std::string> identifier{};
    std::optional<std::string> commandCharacter{};
    // 0 is Command alone; 1 adds Shift, 2 Option, 4 Control; 8 means no Command.
    std::optional<uint32_t> commandModifiers{};
    bool enabled = true;
    ControlAction action = ControlAction::none;
};

struct MenuDescription {
    std::string title{};
    std::vector<MenuItemDescription> items{};
};

// The menus an ordinary application has: the Apple menu, its own menu (Hide, Quit),
// File, Edit, Window (Minimize with Command-M, its alternate Minimize All with
// Option-Command-M and the identifier "miniaturizeAll:", Zoom, Bring All to Front) and
// Help.
std::vector<MenuDescription> standardMenus(const std::string& applicationName);

class Application {
public:
    // Fixed when the process starts; read without the lock.
    int32_t pid() const { return pid_; }
    const std::optional<std::string>& bundleIdentifier() const { return bundleIdentifier_; }
    ProcessKind kind() const { return kind_; }
    bool isOwnProcess() const { return own_; }
    // For a process of the program: the run of it that this process is, once one has
    // been started in it (Desktop::startOwnProcess); none before.
    std::shared_ptr<ProcessRun> run() const { return readLocked(world_, run_).lock(); }
    // Order of launch among every process of the world.
    uint64_t launchOrder() const { return launchOrder_; }
    // The picture the workspace shows for it; none for a process without one. Given at
    // launch and kept.
    const std::optional<Image>& icon() const { return icon_; }

    // What changes, read under the world's lock.
    std::optional<std::string> localizedName() const { return readLocked(world_, localizedName_); }
    ActivationPolicy activationPolicy() const { return readLocked(world_, policy_); }
    bool isHidden() const { return readLocked(world_, hidden_); }
    bool isTerminated() const { return readLocked(world_, terminated_); }
    bool isActive() const;

    // Open windows, sheets left out, front to back (the order the application gives).
    std::vector<Window*> windows() const;
    // The frontmost open window at the normal level that is shown, not minimized and not
    // a sheet.
    Window* mainWindow() const;
    // The main window, or its newest sheet when it has one.
    Window* focusedWindow() const;
    // The menu bar element; null for an application without menus.
    Control* menuBar() const;
    // The items of every menu, in menu-bar order.
    std::vector<Control*> menuItems() const;

    // Whether it answers accessibility requests at `time` (the loop's clock).
    bool isAnsweringAt(double time) const { return time >= silentUntil(); }
    double silentUntil() const { return readLocked(world_, silentUntil_); }

    bool hide();
    bool unhide();
    bool activate();
    // Makes it active without bringing its windows forward, as a click on one of its
    // windows does (the click brings that window forward itself).
    bool activateWithoutRaising();
    // Ends the process: its windows go away, the workspace reports the termination.
    bool quit();
    // A new window; null once the process has ended or the world has gone.
    Window* openWindow(WindowDescription description);
    void setMenus(const std::vector<MenuDescription>& menus);
    void setLocalizedName(std::optional<std::string> name);
    void setActivationPolicy(ActivationPolicy policy);
    // Stops answering accessibility requests for `seconds` from now (infinity: until
    // told otherwise); every request meanwhile costs its timeout.
    void stopAnswering(double seconds = std::numeric_limits<double>::infinity());
    void answerAgain();

    Application(Desktop& world, int32_t pid, ProcessKind kind, std::optional<std::string> bundleIdentifier,
                std::optional<std::string> name, ActivationPolicy policy, uint64_t launchOrder, bool own);

private:
    friend class ApplicationBuilder;
    friend class Desktop;

    // The world while it exists, for every operation.
    Desktop* world_;
    int32_t pid_;
    ProcessKind kind_;
    std::optional<std::string> bundleIdentifier_;
    std::optional<std::string> localizedName_;
    ActivationPolicy policy_;
    uint64_t launchOrder_;
    bool own_;
    std::weak_ptr<ProcessRun> run_;
    bool started_ = false;
    std::optional<Image> icon_;
    bool hidden_ = false;
    bool terminated_ = false;
    double silentUntil_ = -std::numeric_limits<double>::infinity();
    uint64_t menuBar_ = 0;
    // What listeners were last told, so that only real changes are reported.
    uint32_t reportedMain_ = 0;
    uint32_t reportedFocus_ = 0;
    // Cascade position of windows opened without a frame.
    int cascade_ = 0;
};

}  // namespace platform::desktop
