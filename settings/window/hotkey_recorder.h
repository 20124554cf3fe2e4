#pragma once

// The field that shows one shortcut slot's combination in the shortcut list: a push
// button whose label is "None" or the combination, in the fixed-width font, at least 90
// points wide. Pressing it presents the recording sheet over the settings window; only
// the sheet changes the slot, and the field shows the stored combination again once the
// sheet has gone.

#include <memory>
#include <optional>
#include <string>

#include "platform/ui/view.h"
#include "settings/model/action_rules.h"

namespace furlpane {

class HotkeyRecorder {
public:
    static constexpr double kMinimumLabelWidth = 90;
    static constexpr const char* kHelp = "Choose the key combination for this shortcut.";

    // `shortcut` is a copy of the slot as its row read it; no identifier: Default Settings.
    HotkeyRecorder(std::shared_ptr<ActionRules> rules, HotkeyBinding shortcut,
                   std::optional<std::string> bundleIdentifier)
        : rules_(std::move(rules)), shortcut_(std::move(shortcut)), bundleIdentifier_(std::move(bundleIdentifier)) {}

    // "None" without a combination, else its modifier symbols followed by its label.
    static std::string shortcutText(const std::optional<Hotkey>& hotkey);
    platform::ui::View body() const;

private:
    std::shared_ptr<ActionRules> rules_;
    HotkeyBinding shortcut_;
    std::optional<std::string> bundleIdentifier_;
};

}  // namespace furlpane
