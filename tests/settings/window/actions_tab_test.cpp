// The Actions tab's left column as a user drives it: picking rows, adding applications
// from the "+" menu and from the file dialog, removing them, and the rules read back
// from the defaults file after each step.

#include <gtest/gtest.h>

#include "actions_test_support.h"
#include "platform/services/bundle.h"
#include "settings/window/actions_tab.h"
#include "settings/window/application_list.h"
#include "settings/window/application_settings.h"

namespace furlpane {
namespace {

using namespace platform;
using platform::ui::ControlKind;

class ActionsTabTest : public testing::ActionsTabTest {
protected:
    ui::Control list() { return host().findAll(ControlKind::list).at(0); }
    ui::Control plus() { return control(ControlKind::menuButton, "plus"); }
    ui::Control minus() { return control(ControlKind::button, "minus"); }
    // What the right column edits: an application's settings show the leave-alone switch.
    bool showsApplicationSettings() { return has(ControlKind::toggle, ApplicationSettings::kLeaveAloneTitle); }
    std::vector<std::string> storedNames() {
        std::vector<std::string> names;
        const auto stored = storedRules();
        for (const ApplicationRule& rule : stored->applications()) names.push_back(rule.name);
        return names;
    }
};

TEST_F(ActionsTabTest, ANewTabShowsDefaultSettingsSelectedWithNothingToRemove) {
    openActions();
    EXPECT_EQ(list().value(), "Default Settings");
    EXPECT_EQ(host().findAll(ControlKind::row).size(), 1u);
    EXPECT_FALSE(minus().isEnabled());
    EXPECT_EQ(minus().help(), ApplicationList::kRemoveHelp);
    EXPECT_EQ(plus().help(), AddApplicationMenu::kHelp);
    EXPECT_FALSE(showsApplicationSettings());
    EXPECT_TRUE(has(ControlKind::text, ApplicationSettings::kDefaultSettingsNote));
    // The columns: 160 points of list, 20 between, and the rest of the 640 for the settings.
    EXPECT_EQ(list().frame().minX(), 20);
    EXPECT_EQ(list().frame().width(), 160);
    const Rect settings = host().findAll(ControlKind::scrollView).at(0).frame();
    EXPECT_EQ(settings.minX(), 200);
    EXPECT_EQ(settings.width(), 420);
}

TEST_F(ActionsTabTest, ThePlusMenuOffersEachRunningApplicationWithoutARuleOnceInFinderOrder) {
    world.application("com.example.Editor").named("Editor").add();
    world.application("com.example.App10").named("App 10").add();
    world.application("com.example.App9").named("App 9").add();
    world.application("com.example.Viewer").named("Viewer").add();
    world.application("com.example.Viewer").named("Viewer (copy)").add();
    world.application("com.example.Nameless").named(std::nullopt).add();
    world.application("com.example.Helper").named("Helper").policy(desktop::ActivationPolicy::accessory).add();
    world.application("com.example.Agent").named("Agent").policy(desktop::ActivationPolicy::prohibited).add();
    world.application(std::nullopt).named("No Identifier").add();
    world.application(kProgramBundleIdentifier).named("Furlpane Novan (second copy)").policy(desktop::ActivationPolicy::regular).add();
    rules->addApplication("com.example.Viewer", "Viewer");
    openActions();
    EXPECT_EQ(plus().menuItems(),
              (std::vector<std::string>{"App 9", "App 10", "com.example.Nameless", "Editor", "-", "Choose…"}));

    // Choosing one lists it with a copy of Default Settings, selects it and offers it no more.
    choose(plus(), "Editor");
    EXPECT_EQ(list().value(), "Editor");
    EXPECT_TRUE(showsApplicationSettings());
    EXPECT_TRUE(minus().isEnabled());
    EXPECT_EQ(plus().menuItems(), (std::vector<std::string>{"App 9", "App 10", "com.example.Nameless", "-", "Choose…"}));
    const auto stored = storedRules();
    ASSERT_NE(stored->ruleForBundleIdentifier("com.example.Editor"), nullptr);
    EXPECT_EQ(testing::withoutIds(stored->ruleForBundleIdentifier("com.example.Editor")->settings),
              testing::withoutIds(rules->standard()));
    EXPECT_EQ(storedNames(), (std::vector<std::string>{"Editor", "Viewer"}));

    // With every regular application listed, "Choose…" stands alone.
    choose(plus(), "App 9");
    choose(plus(), "App 10");
    choose(plus(), "com.example.Nameless");
    EXPECT_EQ(plus().menuItems(), (std::vector<std::string>{"Choose…"}));
    EXPECT_EQ(storedNames(), (std::vector<std::string>{"App 9", "App 10", "com.example.Nameless", "Editor", "Viewer"}));
}

TEST_F(ActionsTabTest, ThePlusMenuFollowsApplicationsLaunchedAndQuitWhileTheWindowIsOpen) {
    desktop::Application& editor = world.application("com.example.Editor").named("Editor").add();
    openActions();
    EXPECT_EQ(plus().menuItems(), (std::vector<std::string>{"Editor", "-", "Choose…"}));
    world.application("com.example.Browser").named("Browser").launch();
    settle();
    EXPECT_EQ(plus().menuItems(), (std::vector<std::string>{"Browser", "Editor", "-", "Choose…"}));
    editor.quit();
    settle();
    EXPECT_EQ(plus().menuItems(), (std::vector<std::string>{"Browser", "-", "Choose…"}));
}

TEST_F(ActionsTabTest, MinusRemovesTheSelectedApplicationAndSelectsDefaultSettings) {
    rules->addApplication("com.example.Editor", "Editor");
    rules->addApplication("com.example.Viewer", "Viewer");
    openActions();
    clickOn(control(ControlKind::row, "Editor"));
    EXPECT_TRUE(showsApplicationSettings());
    clickOn(minus());
    EXPECT_EQ(list().value(), "Default Settings");
    EXPECT_FALSE(showsApplicationSettings());
    EXPECT_FALSE(minus().isEnabled());
    EXPECT_FALSE(has(ControlKind::row, "Editor"));
    EXPECT_EQ(storedNames(), (std::vector<std::string>{"Viewer"}));
    // Disabled, it removes nothing.
    clickOn(minus());
    EXPECT_EQ(storedNames(), (std::vector<std::string>{"Viewer"}));
}

TEST_F(ActionsTabTest, ARemovedRuleOrNoSelectionShowsDefaultSettingsOnTheRight) {
    rules->addApplication("com.example.Editor", "Editor");
    openActions();
    clickOn(control(ControlKind::row, "Editor"));
    // Removed elsewhere (the status menu, another window): the selection stays, the
    // settings shown are Default Settings'.
    rules->removeApplication("com.example.Editor");
    settle();
    EXPECT_FALSE(showsApplicationSettings());
    EXPECT_EQ(list().value(), "");
    EXPECT_TRUE(minus().isEnabled());
    clickOn(minus());
    EXPECT_EQ(list().value(), "Default Settings");
    // A click below the rows selects nothing; Default Settings show.
    injectEvents(input_sequences::click({list().screenFrame().midX(), list().screenFrame().maxY() - 10}));
    settle();
    EXPECT_EQ(list().value(), "");
    EXPECT_FALSE(showsApplicationSettings());
    EXPECT_FALSE(minus().isEnabled());
}

struct FileCase {
    const char* name;
    // The bundle chosen (in the test's Applications folder); none cancels the dialog.
    std::optional<std::string> chosen;
    std::vector<std::string> names;
    std::string selected;
};

TEST_F(ActionsTabTest, ChooseAddsTheApplicationBundlePickedInTheFileDialog) {
    makeBundle("Editor.APP", "com.example.Editor");
    makeBundle("Viewer.app", "com.example.Viewer");
    makeBundle("Furlpane Novan.app", kProgramBundleIdentifier);
    makeBundle("Unnamed.app", std::nullopt);
    makeBundle("Blank.app", "");
    furlpane_test::writeText(folder / "Applications/Notes.app.txt", "not a bundle");
    furlpane_test::writeText(folder / "Applications/Localized.app/Contents/Info.plist",
                             "<plist><dict><key>CFBundleIdentifier</key><string>com.example.Localized</string>"
                             "<key>CFBundleDisplayName</key><string>Éditeur</string></dict></plist>");
    rules->addApplication("com.example.Viewer", "Picture Viewer");
    const FileCase cases[] = {
        {"cancelled", std::nullopt, {"Picture Viewer"}, "Default Settings"},
        {"the program itself", "Furlpane Novan.app", {"Picture Viewer"}, "Default Settings"},
        {"a bundle without an identifier", "Unnamed.app", {"Picture Viewer"}, "Default Settings"},
        {"a bundle with an empty identifier", "Blank.app", {"Picture Viewer"}, "Default Settings"},
        {"not an application", "Notes.app.txt", {"Picture Viewer"}, "Default Settings"},
        {"a missing file", "Gone.app", {"Picture Viewer"}, "Default Settings"},
        {"listed already, under another name", "Viewer.app", {"Picture Viewer"}, "Picture Viewer"},
        {"a name ending in .APP", "Editor.APP", {"Editor", "Picture Viewer"}, "Editor"},
        {"a display name without an extension", "Localized.app", {"Éditeur", "Editor", "Picture Viewer"}, "Éditeur"},
    };
    openActions();
    for (const FileCase& c : cases) {
        SCOPED_TRACE(c.name);
        clickOn(control(ControlKind::row, "Default Settings"));
        const std::optional<std::filesystem::path> chosen =
            c.chosen ? std::optional(folder / "Applications" / *c.chosen) : std::nullopt;
        user.setOpenPanelResponder([chosen](const OpenPanel&) -> std::optional<std::vector<std::filesystem::path>> {
            if (!chosen) return std::nullopt;
            return std::vector{*chosen};
        });
        choose(plus(), AddApplicationMenu::kChooseTitle);
        EXPECT_EQ(user.openPanelLog().back().allowedContentTypes, std::vector<std::string>{content_types::application});
        EXPECT_EQ(storedNames(), c.names);
        EXPECT_EQ(list().value(), c.selected);
    }
    EXPECT_EQ(user.openPanelLog().size(), std::size(cases));
}

TEST_F(ActionsTabTest, RowsShowEachApplicationsIconAndStrikeThroughThoseLeftAlone) {
    install("com.example.Editor", makeBundle("Editor.app", "com.example.Editor", Color::rgb(0.9, 0.3, 0.2)));
    install("com.example.Plain", makeBundle("Plain.app", "com.example.Plain"));
    rules->addApplication("com.example.Editor", "Editor");
    rules->addApplication("com.example.Gone", "Gone");
    rules->addApplication("com.example.Plain", "Plain");
    rules->setExcluded(true, "com.example.Gone");
    openActions();
    const auto rows = [&] {
        const std::string outline = host().outline();
        const size_t from = outline.find("      List\n");
        return outline.substr(from, outline.find("\n      HStack\n", from) + 1 - from);
    };
    EXPECT_EQ(rows(),
              "      List\n"
              "        Row \"Default Settings\" selected\n"
              "          Label \"Default Settings\"\n"
              "        Row \"Editor\"\n"
              "          HStack\n"
              "            Image bitmap\n"
              "            Text \"Editor\"\n"
              "        Row \"Gone\"\n"
              "          HStack\n"
              "            Image app.dashed\n"
              "            Text \"Gone\" secondary struck\n"
              "        Row \"Plain\"\n"
              "          HStack\n"
              "            Image bitmap\n"
              "            Text \"Plain\"\n");
    // The installed icons: the bundle's own, else the generic application icon.
    const auto iconColour = [&](const std::string& row) {
        const Rect r = control(ControlKind::row, row).screenFrame();
        auto picture = renderDesktop({.scale = 1, .area = Rect{r.minX() + 8, r.minY(), 16, r.height()}});
        return picture->pixel(8, int(r.height() / 2));
    };
    EXPECT_GT(iconColour("Editor").r, 200);
    EXPECT_LT(iconColour("Plain").r, 150);
    snapshot("actions-list");
    // Taking it back unstrikes it at once.
    rules->setExcluded(false, "com.example.Gone");
    settle();
    EXPECT_NE(rows().find("            Text \"Gone\"\n"), std::string::npos);
}

struct NameCase {
    const char* displayName;
    const char* listed;
};

TEST(ActionsTabNames, ADisplayNameLosesOnlyAnAppEndingInAnyCase) {
    const NameCase cases[] = {
        {"Editor.app", "Editor"},       {"Editor.APP", "Editor"},       {"Editor.App", "Editor"},
        {"Editor", "Editor"},           {"Editor.bundle", "Editor.bundle"}, {"Editor.apps", "Editor.apps"},
        {"My.app.v2", "My.app.v2"},     {".app", ".app"},               {"", ""},
        {"Éditeur.app", "Éditeur"},
    };
    for (const NameCase& c : cases) EXPECT_EQ(ActionsTab::applicationName(c.displayName), c.listed) << c.displayName;
}

}  // namespace
}  // namespace furlpane
