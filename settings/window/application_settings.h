#pragma once

// The right-hand side of the Actions tab: the editor of one settings set, Default
// Settings or the own settings of one listed application.
//
// Top to bottom: for an application the "Leave this application alone" checkbox with its
// note (for Default Settings a note on what they apply to); the seven triggers, each a
// checkbox with its action picker (the picker greyed while its trigger is off); a note on
// Option; a divider; the shortcut list. While the application is left alone the triggers
// and the shortcuts are greyed, showing their values. The view keeps no state: it reads
// the shared rules at every rebuild and hands every change to them at once.

#include <memory>
#include <optional>
#include <string>

#include "platform/ui/view.h"
#include "settings/model/action_rules.h"

namespace furlpane {

// The text of a trigger's row: "Double-click the title bar", ..., "Press Control twice".
std::string triggerRowLabel(Trigger trigger);

class ApplicationSettings {
public:
    static constexpr const char* kLeaveAloneTitle = "Leave this application alone";
    static constexpr const char* kLeaveAloneNote =
        "Every click and keystroke goes straight to it, whatever the settings below say.";
    static constexpr const char* kDefaultSettingsNote =
        "Default Settings applies to every application not in the list. An application added to the list starts "
        "from a copy of these and is set up on its own from then on.";
    static constexpr const char* kOptionNote =
        "Add Option to any of the clicks, or to Command-M, to do the same to every window of the application at once.";

    // No identifier: Default Settings.
    ApplicationSettings(std::shared_ptr<ActionRules> rules, std::optional<std::string> bundleIdentifier)
        : rules_(std::move(rules)), bundleIdentifier_(std::move(bundleIdentifier)) {}
    platform::ui::View body() const;

private:
    platform::ui::View heading() const;
    platform::ui::View triggerGrid() const;

    std::shared_ptr<ActionRules> rules_;
    std::optional<std::string> bundleIdentifier_;
};

}  // namespace furlpane
