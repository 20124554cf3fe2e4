#pragma once

// What the tabs' tests share: the settings window opened on a simulated desktop, the
// shared Preferences kept in a defaults file of the test's own (put back when the test
// ends), the stored values read back from that file as a later run would read them,
// and a picture of the window in $FURLPANE_FRAME_DIR when that is set.

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/appkit/desktop_picture.h"
#include "platform/appkit/window.h"
#include "platform/defaults/file_user_defaults.h"
#include "platform/ui/controls.h"
#include "platform/ui/host.h"
#include "platform/ui/scene.h"
#include "app/updates/vesk_updater.h"
#include "platform/services/bundle.h"
#include "platform/services/file_system.h"
#include "settings/model/preferences.h"
#include "settings/window/settings_scene.h"
#include "settings_test_support.h"
#include "temp_folder.h"
#include "window_test_support.h"

namespace furlpane::testing {

class SettingsTabTest : public WindowWorldTest {
protected:
    SettingsTabTest() {
        Preferences::setShared(preferences);
        platform::FileManager::setDefault(std::make_unique<platform::FileManager>(folder / "tmp"));
        withVersion("2.1");
    }
    ~SettingsTabTest() override {
        Preferences::setShared(nullptr);
        platform::FileManager::setDefault(nullptr);
        platform::Bundle::setMain(nullptr);
        VESKUpdater::setShared(nullptr);
    }

    // The program's bundle with this version (none: no version string) and the read-me
    // it ships, and the shared updater made for it.
    void withVersion(std::optional<std::string> version, platform::plist::Dictionary info = {},
                     bool shipsReadMe = true) {
        if (version) info.set("CFBundleShortVersionString", *version);
        std::filesystem::create_directories(bundlePath());
        platform::Bundle::Description bundle{bundlePath(), std::move(info), {}, std::nullopt};
        if (shipsReadMe) bundle.resources["Furlpane Novan Read Me.rtfd"] = FURLPANE_READ_ME;
        platform::Bundle::setMain(platform::Bundle::describe(std::move(bundle)));
        updater = VESKUpdater::create(*defaults);
        VESKUpdater::setShared(updater);
    }

    furlpane_test::TempFolder folder;
    std::unique_ptr<platform::FileUserDefaults> defaults =
        platform::FileUserDefaults::create(platform::kProgramDefaultsDomain, folder.path());
    std::shared_ptr<Preferences> preferences = makePreferences(*defaults);
    std::shared_ptr<VESKUpdater> updater;
    platform::ui::WindowScene scene = settingsScene();

    // Stores the values as an earlier run left them, and starts Preferences anew on them.
    void storedEarlier(const platform::plist::Dictionary& values) {
        for (size_t i = 0; i < values.size(); ++i) defaults->set(values.keys()[i], values.valueAt(i));
        preferences = makePreferences(*defaults);
        Preferences::setShared(preferences);
    }

    std::filesystem::path bundlePath() const { return folder / "Furlpane Novan.app"; }

    // Opens the settings window and picks the tab, as the user would.
    platform::ui::Host& openTab(const std::string& tab) {
        std::shared_ptr<platform::ui::Host> host = scene.open();
        settle();
        clickOn(control(platform::ui::ControlKind::tab, tab));
        return *host;
    }
    platform::ui::Control control(platform::ui::ControlKind kind, const std::string& label) {
        auto found = scene.host()->find(kind, label);
        if (!found) throw std::runtime_error(std::string(describe(kind)) + " \"" + label + "\" not in\n" + scene.host()->outline());
        return *found;
    }
    platform::ui::Control toggle(const std::string& label) { return control(platform::ui::ControlKind::toggle, label); }
    platform::ui::Control picker(const std::string& label) { return control(platform::ui::ControlKind::picker, label); }

    // The key as the defaults file holds it now.
    std::optional<platform::plist::Value> stored(const std::string& key) {
        return platform::FileUserDefaults::create(platform::kProgramDefaultsDomain, folder.path())->storedObject(key);
    }
    // Preferences as a later run reads them from the file.
    std::shared_ptr<Preferences> relaunched() {
        reread = platform::FileUserDefaults::create(platform::kProgramDefaultsDomain, folder.path());
        return makePreferences(*reread);
    }

    void writePicture(const std::string& name) {
        const char* dir = std::getenv("FURLPANE_FRAME_DIR");
        if (!dir) return;
        std::filesystem::create_directories(dir);
        const platform::Rect frame = scene.host()->window()->topLeftFrame();
        EXPECT_TRUE(platform::writeDesktopPNG(std::filesystem::path(dir) / (name + ".png"), {.scale = 2, .area = frame}));
    }

private:
    std::unique_ptr<platform::FileUserDefaults> reread;
};

}  // namespace furlpane::testing
