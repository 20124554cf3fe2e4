#pragma once

// The left column of the Actions tab: "Default Settings", then one row per application
// with rules of its own (its icon and name, struck through while it is left alone), and
// under the list a bar with "+" (AddApplicationMenu) and "-".
//
// Picking a row, adding an application and removing one write the tab's selection,
// which decides what the right column edits. The list holds no state: its rows and the
// enabled state of "-" follow the rules and the selection at every rebuild.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/binding.h"
#include "platform/ui/view.h"
#include "settings/model/action_rules.h"

namespace furlpane {

using SelectionBinding = platform::ui::Binding<std::optional<ApplicationSelection>>;

class ApplicationList {
public:
    static constexpr const char* kDefaultSettingsTitle = "Default Settings";
    static constexpr const char* kRemoveHelp = "Remove the selected application, which then uses Default Settings again.";

    ApplicationList(std::shared_ptr<ActionRules> rules, SelectionBinding selection,
                    platform::ui::Binding<bool> isChoosingApplication)
        : rules_(std::move(rules)), selection_(std::move(selection)), isChoosingApplication_(std::move(isChoosingApplication)) {}
    platform::ui::View body() const;

    // "-": the selected application's rule goes and "Default Settings" is selected;
    // nothing unless an application is selected.
    void removeSelectedApplication() const;

private:
    std::shared_ptr<ActionRules> rules_;
    SelectionBinding selection_;
    platform::ui::Binding<bool> isChoosingApplication_;
};

// One application's row: its icon and its name as plain text, struck through and dimmed
// while the application is left alone.
struct ApplicationRow {
    std::string name;
    std::string bundleIdentifier;
    bool isExcluded = false;

    platform::ui::View body() const;
};

// The icon of the application installed with this bundle identifier, 16 points square;
// the "app.dashed" symbol while it is not on this computer.
struct ApplicationIcon {
    std::string bundleIdentifier;

    platform::ui::View body() const;
};

// "+": a menu of the running applications that have no rule yet, then "Choose…", which
// opens the tab's file dialog. The menu is rebuilt whenever an application launches or
// quits and whenever the rules change.
class AddApplicationMenu {
public:
    static constexpr const char* kHelp = "Set up an application on its own, starting from a copy of Default Settings.";
    static constexpr const char* kChooseTitle = "Choose…";

    struct Candidate {
        std::string bundleIdentifier;
        std::string name;
        friend bool operator==(const Candidate&, const Candidate&) = default;
    };

    AddApplicationMenu(std::shared_ptr<ActionRules> rules, SelectionBinding selection,
                       platform::ui::Binding<bool> isChoosingApplication)
        : rules_(std::move(rules)), selection_(std::move(selection)), isChoosingApplication_(std::move(isChoosingApplication)) {}
    platform::ui::View body() const;

    // The regular running applications, one per bundle identifier (the first in the
    // workspace's order), without the program itself and without those that have a
    // rule; named by their localized name, else their bundle identifier; in Finder order
    // of name. An application without a bundle identifier is not offered.
    std::vector<Candidate> candidates() const;
    // Adds the candidate with a copy of Default Settings and selects it.
    void add(const Candidate& candidate) const;

private:
    std::shared_ptr<ActionRules> rules_;
    SelectionBinding selection_;
    platform::ui::Binding<bool> isChoosingApplication_;
};

}  // namespace furlpane
