#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/appkit/application.h"
#include "platform/appkit/desktop_picture.h"
#include "platform/appkit/window.h"
#include "platform/defaults/file_user_defaults.h"
#include "platform/desktop/desktop.h"
#include "platform/events/event_router.h"
#include "platform/runtime/main_loop.h"
#include "platform/ui/controls.h"
#include "platform/ui/host.h"
#include "platform/ui/scene.h"
#include "settings/window/bug_report.h"
#include "settings/window/settings_scene.h"
#include "settings/window/settings_view.h"
#include "settings_test_support.h"
#include "temp_folder.h"
#include "window_test_support.h"

namespace furlpane {
namespace {

using namespace platform;
using platform::ui::ControlKind;

class SettingsWindowTest : public testing::WindowWorldTest {
protected:
    ui::WindowScene scene = settingsScene();

    ui::Host& open() {
        std::shared_ptr<ui::Host> host = scene.open();
        loop.runUntilIdle();
        return *host;
    }
    ui::Control control(ControlKind kind, const std::string& label) {
        auto found = scene.host()->find(kind, label);
        if (!found) throw std::runtime_error(label + " not in\n" + scene.host()->outline());
        return *found;
    }
    Rect contentFrame() { return scene.host()->findAll(ControlKind::tabView).at(0).frame(); }
};

TEST_F(SettingsWindowTest, OpensAt640By588OnGeneralWithTheFiveTabsInOrder) {
    ui::Host& host = open();
    const Window& window = *host.window();
    EXPECT_EQ(window.contentRectForFrameRect(window.frame()).size, (Size{640, 588}));
    EXPECT_EQ(window.title(), "General");
    EXPECT_TRUE(window.isKeyWindow());
    EXPECT_TRUE(host.outline().starts_with("TabView\n"
                                           "  Tab \"General\" gearshape selected\n"
                                           "  Tab \"Actions\" cursorarrow.click.2\n"
                                           "  Tab \"Minimize-In-Place\" arrow.down.right.and.arrow.up.left\n"
                                           "  Tab \"Advanced\" gearshape.2\n"
                                           "  Tab \"Updates\" arrow.triangle.2.circlepath\n"
                                           "  ScrollView\n"
                                           "    VStack\n"
                                           "      Toggle \"Enable Furlpane Novan\" on\n"))
        << host.outline();
    EXPECT_EQ(SettingsView::initialSelection(), SettingsTab::general);
}

TEST_F(SettingsWindowTest, TheContentIsAlways640WideAndNever500High) {
    struct Case {
        Size window;
        Rect content;
    };
    const Case cases[] = {
        {{640, 588}, {0, 0, 640, 588}},
        {{900, 700}, {130, 0, 640, 700}},
        {{640, 420}, {0, -40, 640, 500}},
    };
    ui::Host& host = open();
    for (const Case& c : cases) {
        host.window()->setContentSize(c.window);
        loop.runUntilIdle();
        EXPECT_EQ(contentFrame(), c.content) << describe(contentFrame());
    }
}

TEST_F(SettingsWindowTest, ClickingATabShowsItAndTitlesTheWindow) {
    ui::Host& host = open();
    clickOn(control(ControlKind::tab, "Advanced"));
    EXPECT_EQ(control(ControlKind::tabView, "").value(), "Advanced");
    EXPECT_EQ(host.window()->title(), "Advanced");
    clickOn(control(ControlKind::tab, "Actions"));
    EXPECT_EQ(control(ControlKind::tab, "Actions").value(), "selected");
    EXPECT_EQ(control(ControlKind::tab, "Advanced").value(), "");
    clickOn(control(ControlKind::tab, "General"));
    EXPECT_EQ(host.window()->title(), "General");
}

TEST_F(SettingsWindowTest, ReopeningAClosedWindowStartsAgainOnGeneral) {
    ui::Host& first = open();
    clickOn(control(ControlKind::tab, "Updates"));
    const uint32_t number = first.window()->windowNumber();
    EXPECT_EQ(scene.open()->window()->windowNumber(), number);
    EXPECT_EQ(control(ControlKind::tabView, "").value(), "Updates");
    first.window()->close();
    EXPECT_EQ(scene.host(), nullptr);
    ui::Host& second = open();
    EXPECT_NE(second.window()->windowNumber(), number);
    EXPECT_EQ(control(ControlKind::tabView, "").value(), "General");
}

TEST_F(SettingsWindowTest, ReportABugTakesThePlaceOfTheHelpItemAndOpensThePage) {
    auto mainMenu = Menu::make();
    auto help = MenuItem::make("Help");
    help->setSubmenu(Menu::make("Help"));
    help->submenu()->addItem("Search", [](MenuItem&) {});
    help->submenu()->addItem("Furlpane Novan Help", [](MenuItem&) {});
    mainMenu->addItem(help);
    scene.installCommands(*mainMenu, "Furlpane Novan");
    EXPECT_EQ(help->submenu()->outline(), (std::vector<std::string>{"Search", "Report a Bug"}));
    EXPECT_TRUE(help->submenu()->performActionForItem(1));
    EXPECT_EQ(world.openedURLs(), (std::vector<std::string>{BugReportButton::kPageAddress}));

    // A main menu without a Help menu gets one.
    auto bare = Menu::make();
    scene.installCommands(*bare, "Furlpane Novan");
    ASSERT_NE(bare->itemWithTitle("Help"), nullptr);
    EXPECT_EQ(bare->itemWithTitle("Help")->submenu()->outline(), (std::vector<std::string>{"Report a Bug"}));
}

TEST_F(SettingsWindowTest, APictureOfTheDesktopShowsTheWindow) {
    ui::Host& host = open();
    const Rect frame = host.window()->topLeftFrame();
    auto picture = renderDesktop({.scale = 1, .area = frame});
    ASSERT_TRUE(picture.has_value());
    // The tab bar's light strip under the title bar, and a tab's accent symbol in it.
    const Pixel strip = picture->pixel(20, int(Window::kTitleBarHeight) + 4);
    EXPECT_GT(strip.r, 230);
    if (const char* dir = std::getenv("FURLPANE_FRAME_DIR")) {
        std::filesystem::create_directories(dir);
        EXPECT_TRUE(writeDesktopPNG(std::filesystem::path(dir) / "settings-window.png", {.scale = 2, .area = frame}));
    }
}

}  // namespace
}  // namespace furlpane
