#pragma once

// Controls as tests and tools find them in a host's tree: by kind and label, with what
// they show, where they are, and the acts a user performs on them.
//
// A Control names a view by its identity in the tree, so it stays usable across rebuilds
// and answers for the view as it is at each call; a control that is no longer there
// answers empty values and does nothing. Acts go through the same code a click, a drag or
// a menu choice takes, so a disabled control refuses them as it refuses the user.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/geometry/geometry.h"

namespace platform::ui {

enum class ControlKind {
    text,
    image,
    label,
    button,
    toggle,
    picker,
    menuButton,
    list,
    row,
    slider,
    tab,
    tabView,
    scrollView,
    stack,
    grid,
    divider,
    spacer,
    shape,
    appKitView,
    other,
};

const char* describe(ControlKind kind);

class Host;

namespace detail {
class Node;
class SurfaceView;
}  // namespace detail

class Control {
public:
    ControlKind kind() const { return kind_; }
    // Its title (or accessibility label); empty when it has none.
    std::string label() const;
    // What it shows: "on"/"off" for toggles, the chosen item for pickers and tabs, the
    // selected row's label for lists, the number for sliders, the text for texts.
    std::string value() const;
    bool isEnabled() const;
    // The tooltip; empty for none.
    std::string help() const;
    // Whether it is still in the tree.
    bool exists() const;
    // In the coordinates of the view it is drawn in: top-left origin, y downwards.
    Rect frame() const;
    // In global top-left screen points, where injected input reaches it.
    Rect screenFrame() const;
    // Pickers and menu buttons: the menu's titles in order, "-" for a separator and
    // "# <header>" for a section header.
    std::vector<std::string> menuItems() const;

    // A click (press and release) on it; false when it is disabled or not clickable.
    bool click() const;
    // Opens its menu and chooses the item with that title; false when disabled, not a
    // picker or menu button, or the item is not there or cannot be chosen.
    bool choose(const std::string& item) const;
    // Moves a slider's knob to the value (clamped to its bounds) as a drag would.
    bool setValue(double value) const;

private:
    friend class Host;
    Control(std::weak_ptr<Host> host, std::string identity, ControlKind kind)
        : host_(std::move(host)), identity_(std::move(identity)), kind_(kind) {}

    // The view as the tree holds it now (it may have been rebuilt since it was found).
    struct Located {
        std::shared_ptr<Host> host;
        detail::Node* node = nullptr;
        detail::SurfaceView* surface = nullptr;
        explicit operator bool() const { return node != nullptr; }
    };
    Located locate() const;

    std::weak_ptr<Host> host_;
    std::string identity_;
    ControlKind kind_;
};

}  // namespace platform::ui
