#pragma once

// Minimize All: to minimize every window of an application into the Dock, the engine
// presses the application's own Minimize All menu item (action "AXPress") rather than
// minimizing windows one by one. MinimizeAll finds that item and tells beforehand which
// windows the press will minimize.

#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include "platform/accessibility/element.h"

namespace furlpane {

class MinimizeAll {
public:
    MinimizeAll() = delete;

    // What identifies a menu item: its "AXIdentifier", its key equivalent's character
    // ("AXMenuItemCmdChar") and modifiers ("AXMenuItemCmdModifiers": 0 Command alone, 2
    // Option with Command). Equal when all three are; absent equals only absent.
    struct Item {
        std::optional<std::string> identifier;
        std::optional<std::string> key;
        std::optional<uint32_t> modifiers;
        friend bool operator==(const Item&, const Item&) = default;
    };

    // The application's Minimize All item: in the menus from the last to the first,
    // the first item with the identifier "miniaturizeAll:", else the first
    // Option-Command-M directly after a Command-M. Nothing when there is none or when
    // the one found is disabled ("AXEnabled" false; unreadable counts as enabled). Main
    // thread.
    static std::optional<platform::AccessibilityElement> menuItem(int32_t pid);

    // The windows that Minimize All would minimize: those not minimized, not in full
    // screen, and with a minimize button that is not disabled, by window number (a
    // window without a number is left out). Nothing when the application has windows on
    // a Space that no display shows, or when that cannot be told.
    static std::optional<std::set<uint32_t>> minimizableWindowIDs(int32_t pid);

    // A menu item's three identifying attributes, read in one request; all absent when
    // the request fails or comes back in another shape.
    static Item readItem(const platform::AccessibilityElement& item);
};

}  // namespace furlpane
