#pragma once

// The application's Settings scene: SettingsView in a window titled by its chosen tab,
// 640 × 588 points when it first opens, and "Report a Bug" in place of the standard
// item of the Help menu, in every build. The shell keeps the scene and opens it when
// the settings are asked for.

#include "platform/ui/scene.h"

namespace furlpane {

inline constexpr double kSettingsWindowWidth = 640;
inline constexpr double kSettingsWindowHeight = 588;

platform::ui::WindowScene settingsScene();

}  // namespace furlpane
