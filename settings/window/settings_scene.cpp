#include "settings/window/settings_scene.h"

#include "settings/window/bug_report.h"
#include "settings/window/settings_view.h"

namespace furlpane {

namespace ui = platform::ui;

ui::WindowScene settingsScene() {
    ui::WindowScene scene("Furlpane Novan Settings", [] { return ui::View(SettingsView()); });
    scene.setDefaultSize({kSettingsWindowWidth, kSettingsWindowHeight});
    scene.setWindowTitle(ui::WindowTitle::chosenTab);
    scene.addCommands({ui::CommandPlacement::help, {{"Report a Bug", [] { BugReportButton::openBugReportPage(); }}}});
    return scene;
}

}  // namespace furlpane
