#pragma once

// The Dock settings switch: changes the Dock's own preferences so that it minimizes and
// restores windows instantly, and puts them back.
//
// The Dock's values from before the change are kept in Preferences.dockSettingsToPutBack
// (its only state): set while the switch is on, none while it is off. Putting back
// leaves a key alone when its value no longer is the wanted one, since someone else
// changed it meanwhile. Values compare as objects (a number by its value, whatever kind
// it reads back as).
//
// Only what differs from the domain's current value is written; when nothing differs,
// nothing is written or synchronized and the completion is not called. After a write
// the domain is synchronized, and the completion (restarting the Dock, so that it reads
// its preferences anew) is called once, synchronously, when the synchronize succeeded:
// a Dock restarted after a failed one would read nothing new. The changes then wait in
// the domain for its next synchronize. Nothing reports failure. Main thread.

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/plist/value.h"

namespace furlpane {

class Preferences;

class DockGenie {
public:
    using Completion = std::function<void()>;
    // A key and the value to write, or none to remove the key.
    using Setting = std::pair<std::string, std::optional<platform::plist::Value>>;

    static constexpr const char* kDockDomain = "com.apple.dock";
    static constexpr const char* kDockBundleIdentifier = "com.apple.dock";

    DockGenie() = delete;

    // Saves the Dock's current values of the wanted keys (those it has) in
    // settings.dockSettingsToPutBack and writes the wanted values. Does nothing at all
    // while settings to put back are kept.
    static void applyDockSettings(Preferences& settings, const std::string& domain, Completion completion);
    // Writes the saved values back (removing keys that had none) where the current value
    // still is the wanted one, then clears settings.dockSettingsToPutBack. Does nothing
    // at all while none are kept.
    static void putBackDockSettings(Preferences& settings, const std::string& domain, Completion completion);
    // Sends SIGTERM to every running Dock; the system starts it again.
    static void restartDock();
    // "mineffect" = "genie", "minimize-to-application" = true, "genie-speed" = 0 (a
    // single-precision number, which property lists hold as a real), in this order.
    static const platform::plist::Dictionary& wantedDockSettings();
    static void writeDockSettings(const std::vector<Setting>& settings, const std::string& domain,
                                  const Completion& completion);
};

}  // namespace furlpane
