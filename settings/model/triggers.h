#pragma once

// The vocabulary of the rules: the gestures the system watches (Trigger), what it can
// do to a window (WindowAction), the setting of one trigger (TriggerSetting) and the
// settings window's choice of which settings it edits (ApplicationSelection).
//
// Triggers and actions carry their stored strings as raw values (see raw_enum.h):
// rawValue(Trigger::commandM) is "CmdM", fromRawValue<WindowAction>("MIP") is
// minimizeInPlace. allCases<Trigger>() walks the triggers in the order used wherever
// all of them are stored, loaded or watched.

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "settings/model/raw_enum.h"

namespace furlpane {

enum class Trigger {
    titleBarDoubleClick,         // double-click on a title bar without Control or Command
    minimizeButton,              // click on a window's minimize button
    controlTitleBarDoubleClick,  // Control-double-click on a title bar
    commandTitleBarDoubleClick,  // Command-double-click on a title bar
    commandM,                    // Command-M
    commandDoubleTap,            // pressing Command twice
    controlDoubleTap,            // pressing Control twice
};

// What a trigger does. Where a lookup answers with an optional action, no action
// means that the system does not act and the event goes on to its normal receiver;
// doNothing is an action: the event is swallowed and nothing else happens.
enum class WindowAction {
    furlpane,         // roll the window up into its title bar
    minimizeInPlace,  // turn the window into a thumbnail where it stands
    hideApplication,  // hide the window's application
    floatOnTop,       // keep the window above all others
    minimizeToDock,   // minimize the window into the Dock
    doNothing,        // swallow the trigger
};

template <>
struct EnumTraits<Trigger> {
    static constexpr std::array cases{Trigger::titleBarDoubleClick,        Trigger::minimizeButton,
                                      Trigger::controlTitleBarDoubleClick, Trigger::commandTitleBarDoubleClick,
                                      Trigger::commandM,                   Trigger::commandDoubleTap,
                                      Trigger::controlDoubleTap};
    static constexpr std::array<std::string_view, 7> raws{"DoubleClick", "MinimizeButton", "ControlDoubleClick",
                                                          "CommandDoubleClick", "CmdM", "DoubleCmd",
                                                          "DoubleControl"};
};

template <>
struct EnumTraits<WindowAction> {
    static constexpr std::array cases{WindowAction::furlpane,   WindowAction::minimizeInPlace,
                                      WindowAction::hideApplication, WindowAction::floatOnTop,
                                      WindowAction::minimizeToDock,  WindowAction::doNothing};
    static constexpr std::array<std::string_view, 6> raws{"Furlpane", "MIP", "HideApplication",
                                                          "FOT", "Minimize", "DoNothing"};
};

struct TriggerSetting {
    WindowAction action = WindowAction::furlpane;
    bool isEnabled = true;
    friend bool operator==(const TriggerSetting&, const TriggerSetting&) = default;
};

// The factory setting of a trigger: what it does when nothing says otherwise.
TriggerSetting factorySetting(Trigger trigger);

// The settings collection the settings window edits: Default Settings or the rule of
// one application. Operations on the rules take the same choice as an optional bundle
// identifier, absent for Default Settings.
class ApplicationSelection {
public:
    static ApplicationSelection standard() { return ApplicationSelection(std::nullopt); }
    static ApplicationSelection application(std::string bundleIdentifier) {
        return ApplicationSelection(std::move(bundleIdentifier));
    }

    bool isStandard() const { return !bundleIdentifier_; }
    // Absent for Default Settings.
    const std::optional<std::string>& bundleIdentifier() const { return bundleIdentifier_; }

    friend bool operator==(const ApplicationSelection&, const ApplicationSelection&) = default;

private:
    explicit ApplicationSelection(std::optional<std::string> id) : bundleIdentifier_(std::move(id)) {}
    std::optional<std::string> bundleIdentifier_;
};

}  // namespace furlpane

template <>
struct std::hash<furlpane::ApplicationSelection> {
    size_t operator()(const furlpane::ApplicationSelection& s) const noexcept {
        return s.bundleIdentifier() ? std::hash<std::string>{}(*s.bundleIdentifier()) : 0x5bd1e995u;
    }
};
