#pragma once

// The user-interface objects inside an application that accessibility can reach: the
// buttons and title of a window, its toolbars and controls, the menu bar with its menus
// and items. Windows are records of their own (window.h); everything else is a Control.
//
// A control belongs to one process and, when it lives in a window, to that window; its
// frame is relative to the window's top-left corner, so it moves with the window. Menu
// objects belong to no window and have no frame. A control whose window closed or whose
// process ended is destroyed and stays so; its record is kept a while after (see
// "Threads" in desktop.h).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop/world_lock.h"
#include "platform/geometry/geometry.h"

namespace platform::desktop {

class Desktop;

// What pressing a control does to the world.
enum class ControlAction {
    none,
    closeWindow,            // the button's own window
    minimizeWindow,
    zoomWindow,
    toggleFullScreen,
    minimizeFocusedWindow,  // menu items act on the application's focused window
    zoomFocusedWindow,
    minimizeAllWindows,
    bringAllToFront,
    hideApplication,
    quitApplication,
};

struct ControlDescription {
    std::string role = "AXButton";
    std::string subrole{};  // empty: none
    std::optional<std::string> title{};
    std::optional<std::string> identifier{};
    std::optional<std::string> value{};
    Rect frame{};  // relative to the window's top-left corner
    bool enabled = true;
    ControlAction action = ControlAction::none;
    // Menu items: the key equivalent's character and modifiers (0 is Command alone,
    // 1 adds Shift, 2 Option, 4 Control; 8 means no Command).
    std::optional<std::string> commandCharacter{};
    std::optional<uint32_t> commandModifiers{};
    std::vector<ControlDescription> children{};
};

class Control {
public:
    // Fixed when the control is made; read without the lock.
    uint64_t id() const { return id_; }
    int32_t pid() const { return pid_; }
    // The window it lives in; 0 for menu objects.
    uint32_t window() const { return window_; }
    // The control it is a child of; 0 when its parent is the window or the application.
    uint64_t parent() const { return parent_; }
    const std::string& role() const { return role_; }
    const std::string& subrole() const { return subrole_; }
    const std::optional<std::string>& identifier() const { return identifier_; }
    const std::optional<std::string>& commandCharacter() const { return commandCharacter_; }
    const std::optional<uint32_t>& commandModifiers() const { return commandModifiers_; }
    ControlAction action() const { return action_; }

    // What changes, read under the world's lock.
    std::vector<uint64_t> children() const { return readLocked(world_, children_); }
    std::optional<std::string> title() const { return readLocked(world_, title_); }
    std::optional<std::string> value() const { return readLocked(world_, value_); }
    Rect frame() const { return readLocked(world_, frame_); }
    bool isEnabled() const { return readLocked(world_, enabled_); }
    bool isDestroyed() const { return readLocked(world_, destroyed_); }
    // Presses that reached the control (whether or not they did anything).
    int pressCount() const { return readLocked(world_, presses_); }

    // The frame in global top-left coordinates; nothing for menu objects and destroyed
    // controls.
    std::optional<Rect> screenFrame() const;

    // Presses the control as a click or an accessibility press does: its action runs.
    // A disabled or destroyed control takes no press and gives false.
    bool press();

    void setEnabled(bool enabled);
    void setTitle(std::optional<std::string> title);
    void setValue(std::optional<std::string> value);
    void setFrame(const Rect& frame);

    Control(Desktop& world, uint64_t id, int32_t pid, uint32_t window, uint64_t parent,
            const ControlDescription& description);

private:
    friend class Application;
    friend class Desktop;
    friend class Window;

    Desktop& world_;
    uint64_t id_;
    int32_t pid_;
    uint32_t window_;
    uint64_t parent_;
    std::vector<uint64_t> children_;
    std::string role_;
    std::string subrole_;
    std::optional<std::string> title_;
    std::optional<std::string> identifier_;
    std::optional<std::string> value_;
    std::optional<std::string> commandCharacter_;
    std::optional<uint32_t> commandModifiers_;
    Rect frame_;
    bool enabled_;
    ControlAction action_;
    bool destroyed_ = false;
    int presses_ = 0;
};

}  // namespace platform::desktop
