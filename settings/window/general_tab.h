#pragma once

// The settings window's "General" tab: the master switch, what the user must do about
// the Accessibility and Screen Recording permissions, opening at login and the menu bar
// icon, with the bug-report and read-me buttons in the bottom-trailing corner.
//
// The two switches bound to Preferences follow it through observation. The permission
// and login-item states are the tab's own copies: read when the tab's state is made,
// and again when the tab appears and every time the application becomes active, so a
// permission granted in System Settings shows as soon as the user comes back. A failed
// change of the login item shows an alert with the service's own words and its error
// code; the switch then shows what the service reports.

#include <string>

#include "platform/ui/view.h"

namespace furlpane {

class GeneralSettingsTab {
public:
    static constexpr const char* kLoginItemAlertTitle = "“Open at login” could not be changed.";

    platform::ui::View body() const;

    // "Open Accessibility Settings": the system's prompt or the Accessibility pane.
    static void askForAccessibility();
    // "Open Screen Recording Settings": brings the system's prompt forward when it is on
    // screen, else asks the system to show it or opens the pane, by what the privacy
    // database answers.
    static void recheckScreenRecording();
    static void openLoginItemsSettings();
    static void openMenuBarSettings();
    // The Menu Bar pane of System Settings.
    static const std::string& menuBarSettingsURL();
};

}  // namespace furlpane
