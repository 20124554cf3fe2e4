#pragma once

// The settings window's "Actions" tab: a two-column editor of the per-application rules.
//
// On the left the application list (160 points wide), on the right, scrolling, the
// settings of whatever the list has selected: Default Settings, or the own settings of
// one listed application. The tab keeps view state only (which rules it edits, what is
// selected, whether the file dialog is open), never stored: every new tab starts with
// "Default Settings" selected. The file dialog, opened from the list's "+" menu, adds
// an application that is not running.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/binding.h"
#include "platform/ui/view.h"
#include "settings/model/action_rules.h"

namespace furlpane {

class ActionsTab {
public:
    static constexpr double kListWidth = 160;
    static constexpr double kColumnSpacing = 20;
    static constexpr double kInset = 20;

    struct ViewState {
        std::shared_ptr<ActionRules> rules = ActionRules::shared().shared_from_this();
        // None: no row is selected.
        platform::ui::State<std::optional<ApplicationSelection>> selection{ApplicationSelection::standard()};
        platform::ui::State<bool> isChoosingApplication{false};
    };

    platform::ui::View body() const;

    // The identifier whose settings the right column edits: the selected application's
    // while it has a rule, else none (Default Settings). The selection is left as it is.
    static std::optional<std::string> shownBundleIdentifier(const ActionRules& rules,
                                                            const std::optional<ApplicationSelection>& selection);
    // The application bundle chosen in the file dialog joins the list (starting from a
    // copy of Default Settings, unless it is listed already) and is selected. A folder
    // that is no bundle, a bundle without an identifier and the program's own bundle
    // change nothing.
    static void addApplicationFromFile(const ViewState& state, const std::filesystem::path& url);
    // The name an application is listed under: the display name without a ".app" ending
    // in any case.
    static std::string applicationName(const std::string& displayName);
};

}  // namespace furlpane
