#pragma once

// The whole content of the settings window: a tab view of the five tabs, the chosen one
// remembered for as long as the view's state lives (never stored), starting at General.
// The content is exactly 640 points wide and at least 500 points high; it takes any
// greater height the window offers.
//
// Every tab makes its own state the first time it is shown and edits the shared
// objects (Preferences, ActionRules, the shell's services) directly, so switching tabs
// loses nothing.

#include "platform/ui/view.h"
#include "settings/window/settings_tab.h"

namespace furlpane {

class SettingsView {
public:
    static constexpr double kWidth = 640;
    static constexpr double kMinimumHeight = 500;

    static SettingsTab initialSelection() { return SettingsTab::general; }
    platform::ui::View body() const;
};

// The content of one tab.
platform::ui::View tabContent(SettingsTab tab);

}  // namespace furlpane
