#pragma once

// What the Actions tab's tests share: the settings window opened on the Actions tab over
// rules kept in a defaults file of their own, application bundles on disk, and the rules
// read back from that file as the next launch of the program would read them.

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/appkit/desktop_picture.h"
#include "platform/defaults/file_user_defaults.h"
#include "platform/desktop/installed_applications.h"
#include "platform/graphics/bitmap_context.h"
#include "platform/graphics/png_codec.h"
#include "platform/plist/xml.h"
#include "platform/ui/host.h"
#include "platform/ui/scene.h"
#include "settings/model/action_rules.h"
#include "settings/window/settings_scene.h"
#include "settings_test_support.h"
#include "temp_folder.h"
#include "window_test_support.h"

namespace furlpane::testing {

class ActionsTabTest : public WindowWorldTest {
protected:
    furlpane_test::TempFolder folder;
    std::unique_ptr<platform::FileUserDefaults> defaults =
        platform::FileUserDefaults::create(platform::kProgramDefaultsDomain, folder / "preferences");
    std::shared_ptr<ActionRules> rules = std::make_shared<ActionRules>(*defaults);
    platform::ui::WindowScene scene = settingsScene();

    void SetUp() override { ActionRules::setShared(rules); }
    void TearDown() override {
        if (scene.host()) scene.host()->window()->close();
        settle();
        // The next test's rules come from its own defaults.
        ActionRules::setShared(std::make_shared<ActionRules>(platform::UserDefaults::standard()));
    }

    // The settings window, on the Actions tab.
    platform::ui::Host& openActions() {
        std::shared_ptr<platform::ui::Host> host = scene.open();
        settle();
        clickOn(control(platform::ui::ControlKind::tab, "Actions"));
        return *host;
    }
    platform::ui::Host& host() { return *scene.host(); }
    platform::ui::Control control(platform::ui::ControlKind kind, const std::string& label) {
        auto found = scene.host()->find(kind, label);
        if (!found) {
            throw std::runtime_error(std::string(describe(kind)) + " \"" + label + "\" not in\n" + scene.host()->outline());
        }
        return *found;
    }
    bool has(platform::ui::ControlKind kind, const std::string& label) { return scene.host()->find(kind, label).has_value(); }
    // Chooses the item of a picker or menu button as a user does, through its menu.
    void choose(const platform::ui::Control& control, const std::string& item) {
        if (!control.choose(item)) throw std::runtime_error("cannot choose \"" + item + "\" in " + control.label());
        settle();
    }

    // The rules as a new launch of the program reads them from the defaults file.
    std::shared_ptr<ActionRules> storedRules() {
        reread = platform::FileUserDefaults::create(platform::kProgramDefaultsDomain, folder / "preferences");
        return std::make_shared<ActionRules>(*reread);
    }

    // An application bundle in the test's Applications folder; an icon of `iconColor`
    // when given, named by its information dictionary.
    std::filesystem::path makeBundle(const std::string& fileName, std::optional<std::string> identifier,
                                     std::optional<platform::Color> iconColor = std::nullopt) {
        const std::filesystem::path bundle = folder / "Applications" / fileName;
        platform::plist::Dictionary info;
        if (identifier) info.set("CFBundleIdentifier", *identifier);
        if (iconColor) {
            info.set("CFBundleIconFile", "AppIcon");
            auto icon = platform::Image::filled(32, 32, *iconColor, platform::ColorSpace::sRGB());
            std::filesystem::create_directories(bundle / "Contents/Resources");
            (void)platform::writePNG(*icon, bundle / "Contents/Resources/AppIcon.png");
        }
        furlpane_test::writeText(bundle / "Contents/Info.plist", *platform::plist::toXml(platform::plist::Value(info)));
        return bundle;
    }
    // Installs the bundle where the workspace finds the application.
    void install(const std::string& identifier, const std::filesystem::path& bundle) {
        platform::desktop::InstalledApplications::of(world).install(identifier, bundle);
    }

    // A picture of the settings window, written into $FURLPANE_FRAME_DIR when it is set.
    void snapshot(const std::string& name) {
        settle();
        const char* dir = std::getenv("FURLPANE_FRAME_DIR");
        if (!dir || !scene.host()) return;
        std::filesystem::create_directories(dir);
        platform::Rect area = scene.host()->window()->topLeftFrame();
        for (const auto& sheet : scene.host()->sheetWindows()) area = area.united(sheet->topLeftFrame());
        (void)platform::writeDesktopPNG(std::filesystem::path(dir) / (name + ".png"), {.scale = 2, .area = area});
    }

private:
    std::unique_ptr<platform::FileUserDefaults> reread;
};

}  // namespace furlpane::testing
