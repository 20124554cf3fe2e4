#include <gtest/gtest.h>

#include "platform/appkit/application.h"
#include "platform/defaults/file_user_defaults.h"
#include "platform/desktop/desktop.h"
#include "platform/events/event_router.h"
#include "platform/runtime/main_loop.h"
#include "platform/ui/controls.h"
#include "platform/ui/scene.h"
#include "platform/ui/views.h"
#include "settings/model/preferences.h"
#include "settings_test_support.h"
#include "temp_folder.h"
#include "window_test_support.h"

namespace furlpane {
namespace {

using namespace platform;
using platform::ui::ControlKind;

// Controls bound to the shared settings object write the defaults file as the user
// changes them, through nothing but their getter and setter pairs.
class PreferenceBindingsTest : public testing::WindowWorldTest {
protected:
    furlpane_test::TempFolder folder;
    std::unique_ptr<FileUserDefaults> defaults = FileUserDefaults::create(kProgramDefaultsDomain, folder.path());
    std::shared_ptr<Preferences> preferences = testing::makePreferences(*defaults);

    std::optional<plist::Value> storedOnDisk(const std::string& key) {
        return FileUserDefaults::create(kProgramDefaultsDomain, folder.path())->storedObject(key);
    }
};

TEST_F(PreferenceBindingsTest, EachControlWritesItsKeyAsTheUserChangesIt) {
    auto prefs = preferences;
    ui::WindowScene scene("Test", [prefs] {
        return ui::VStack({ui::Toggle("Enable Furlpane Novan", ui::Binding<bool>::of(prefs, &Preferences::isEnabled,
                                                                                     &Preferences::setIsEnabled)),
                           ui::Picker("Under the pointer, show:",
                                      ui::Binding<HoverTitle>::of(prefs, &Preferences::hoverTitle, &Preferences::setHoverTitle),
                                      {ui::Text("Nothing").tag(HoverTitle::none), ui::Text("Both").tag(HoverTitle::both)}),
                           ui::Slider(ui::Binding<double>::of(prefs, &Preferences::thumbnailScale, &Preferences::setThumbnailScale),
                                      0.1, 2.0)
                               .frame(200, std::nullopt)});
    });
    std::shared_ptr<ui::Host> host = scene.open();
    settle();

    const ui::Control toggle = *host->find(ControlKind::toggle, "Enable Furlpane Novan");
    clickOn(toggle);
    EXPECT_EQ(storedOnDisk("Enabled"), plist::Value(false));
    EXPECT_EQ(toggle.value(), "off");

    EXPECT_TRUE(host->find(ControlKind::picker, "Under the pointer, show:")->choose("Both"));
    EXPECT_EQ(storedOnDisk("MIPWindowTitleOption"), plist::Value(int64_t(3)));

    const Rect slider = host->findAll(ControlKind::slider).at(0).screenFrame();
    injectEvents(input_sequences::drag(slider.mid(), {slider.maxX() - 8, slider.midY()}));
    settle();
    EXPECT_EQ(storedOnDisk("MIPWindowScale"), plist::Value(2.0));
    EXPECT_EQ(preferences->thumbnailScale(), 2.0);
}

}  // namespace
}  // namespace furlpane
