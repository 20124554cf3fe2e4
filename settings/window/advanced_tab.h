#pragma once

// The settings window's "Advanced" tab: whether the Dock's own minimize and restore
// animations are hidden and which animations play instead, the instant-Dock switch,
// sounds, and whether stand-ins stay put in Mission Control. Every control writes the
// shared Preferences at once, except the instant-Dock switch, which changes the Dock's
// own settings through DockGenie (restarting the Dock when something changed) and
// shows whatever Preferences.dockSettingsToPutBack holds afterwards.

#include <memory>

#include "platform/ui/view.h"

namespace furlpane {

class Preferences;

class AdvancedTab {
public:
    platform::ui::View body() const;

    // The instant-Dock switch's write side: on changes the Dock's settings (keeping what
    // it had), off puts them back.
    static void setInstantDockMinimize(Preferences& preferences, bool on);
};

}  // namespace furlpane
