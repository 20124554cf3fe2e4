#pragma once

// The tabs of the settings window, in the order they stand, with their labels and
// symbol images.

#include <array>
#include <string>

namespace furlpane {

enum class SettingsTab { general, actions, minimizeInPlace, advanced, updates };

inline constexpr std::array<SettingsTab, 5> kSettingsTabs{SettingsTab::general, SettingsTab::actions,
                                                          SettingsTab::minimizeInPlace, SettingsTab::advanced,
                                                          SettingsTab::updates};

// "General", "Actions", "Minimize-In-Place", "Advanced", "Updates".
std::string label(SettingsTab tab);
// The system symbol shown over the label.
std::string symbolName(SettingsTab tab);

}  // namespace furlpane
