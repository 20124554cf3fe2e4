#pragma once

// The shortcut list at the end of the application settings: one row per shortcut slot of
// the settings set, in the order the user added them, then "Add Shortcut" and a note.
//
// A row is a checkbox that switches the slot on and off, the shortcut field that shows
// and records its combination, the action picker (usable while the slot is off), and a
// remove button. The list keeps no state: it reads the slots from the shared rules at
// every rebuild and hands every change to them at once (see rules_accessors.h), so a
// combination recorded in the sheet, or any other change, shows at once.

#include <memory>
#include <optional>
#include <string>

#include "platform/ui/view.h"
#include "settings/model/action_rules.h"

namespace furlpane {

class HotkeyList {
public:
    static constexpr const char* kAddTitle = "Add Shortcut";
    static constexpr const char* kRemoveHelp = "Remove this shortcut.";
    static constexpr const char* kNote =
        "A shortcut acts on the frontmost window of any application these settings apply to. It needs Command, "
        "Control or Option, unless it is a function key on its own.";

    // No identifier: Default Settings.
    HotkeyList(std::shared_ptr<ActionRules> rules, std::optional<std::string> bundleIdentifier)
        : rules_(std::move(rules)), bundleIdentifier_(std::move(bundleIdentifier)) {}
    platform::ui::View body() const;

    // "Add Shortcut": a new slot at the end, switched on, Furlpane, nothing recorded.
    void addShortcut() const;
    // A row's remove button: the slot goes, the others keep their order. No undo.
    void removeShortcut(const HotkeyBinding& binding) const;

private:
    // The slots shown: the rule's for a listed application, else Default Settings'.
    std::vector<HotkeyBinding> bindings() const;
    platform::ui::View row(const HotkeyBinding& binding) const;

    std::shared_ptr<ActionRules> rules_;
    std::optional<std::string> bundleIdentifier_;
};

}  // namespace furlpane
