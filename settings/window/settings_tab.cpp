#include "settings/window/settings_tab.h"

namespace furlpane {

std::string label(SettingsTab tab) {
    switch (tab) {
    case SettingsTab::general: return "General";
    case SettingsTab::actions: return "Actions";
    case SettingsTab::minimizeInPlace: return "Minimize-In-Place";
    case SettingsTab::advanced: return "Advanced";
    case SettingsTab::updates: return "Updates";
    }
    return "General";
}

std::string symbolName(SettingsTab tab) {
    switch (tab) {
    case SettingsTab::general: return "gearshape";
    case SettingsTab::actions: return "cursorarrow.click.2";
    case SettingsTab::minimizeInPlace: return "arrow.down.right.and.arrow.up.left";
    case SettingsTab::advanced: return "gearshape.2";
    case SettingsTab::updates: return "arrow.triangle.2.circlepath";
    }
    return "gearshape";
}

}  // namespace furlpane
