#include <gtest/gtest.h>

#include "platform/appkit/alert.h"
#include "platform/desktop/desktop.h"
#include "platform/desktop/permissions.h"
#include "platform/services/app_service.h"
#include "platform/services/login_items.h"
#include "platform/services/volume.h"
#include "settings/window/general_tab.h"
#include "tab_test_support.h"
#include "windows/access/permissions.h"

namespace furlpane {
namespace {

using platform::AppServiceStatus;
using platform::desktop::FaultCall;
using platform::desktop::Permission;
using platform::plist::Value;
using platform::ui::ControlKind;

constexpr const char* kAccessibilityButton = "Open Accessibility Settings";
constexpr const char* kScreenRecordingButton = "Open Screen Recording Settings";
constexpr const char* kApprovalNote =
    "Furlpane Novan is switched off under Background App Activity, so it won’t open at login until you switch it back "
    "on there.";

class GeneralTabTest : public testing::SettingsTabTest {
protected:
    bool shows(ControlKind kind, const std::string& label) { return scene.host()->find(kind, label).has_value(); }
    // The user goes to another application and comes back.
    void comeBack() {
        if (editor) editor->activate();
        else editor = &world.application("com.example.Editor").window("Doc").launch();
        settle();
        app.activate();
        settle();
    }
    std::vector<std::string> opened() { return world.openedURLs(); }

private:
    platform::desktop::Application* editor = nullptr;
};

TEST_F(GeneralTabTest, WithBothPermissionsTheDividerFollowsTheMasterSwitchsNote) {
    platform::ui::Host& host = openTab("General");
    const std::string outline = host.outline();
    EXPECT_NE(outline.find("Toggle \"Enable Furlpane Novan\" on\n"
                           "      Text \"When this is off, Furlpane Novan leaves every click and keystroke alone and puts "
                           "back every window it has changed.\" caption secondary\n"
                           "      Divider\n"
                           "      Toggle \"Open at login\" off\n"),
              std::string::npos)
        << outline;
    clickOn(toggle("Enable Furlpane Novan"));
    EXPECT_EQ(stored("Enabled"), Value(false));
    writePicture("general-tab");
}

TEST_F(GeneralTabTest, APermissionGrantedInSystemSettingsShowsWhenTheUserComesBack) {
    world.setAccessibilityTrusted(false);
    world.permissions().setScreenRecording(Permission::denied);
    openTab("General");
    EXPECT_TRUE(shows(ControlKind::button, kAccessibilityButton));
    EXPECT_TRUE(shows(ControlKind::button, kScreenRecordingButton));
    world.setAccessibilityTrusted(true);
    settle();
    EXPECT_TRUE(shows(ControlKind::button, kAccessibilityButton));  // not until the user comes back
    comeBack();
    EXPECT_FALSE(shows(ControlKind::button, kAccessibilityButton));
    EXPECT_TRUE(shows(ControlKind::button, kScreenRecordingButton));
    world.permissions().setScreenRecording(Permission::granted);
    comeBack();
    EXPECT_FALSE(shows(ControlKind::button, kScreenRecordingButton));
}

TEST_F(GeneralTabTest, EachPermissionButtonTakesTheRoadThePrivacyDatabaseAnswerGives) {
    world.setAccessibilityTrusted(false);
    world.permissions().setScreenRecording(Permission::denied);
    openTab("General");
    struct Case {
        const char* button;
        const char* service;
        int32_t answer;
        bool promptVisible;
        std::vector<std::string> opened;
        int prompts;  // accessibility prompts, or screen recording requests
    };
    const std::string accessibilityPane = accessibilitySettingsURL();
    const std::string screenPane = screenCaptureSettingsURL();
    const Case cases[] = {
        {kAccessibilityButton, kAccessibilityService, 1, false, {accessibilityPane}, 0},
        {kAccessibilityButton, kAccessibilityService, 2, false, {}, 1},
        {kAccessibilityButton, kAccessibilityService, 9, false, {accessibilityPane}, 1},
        {kScreenRecordingButton, kScreenCaptureService, 0, false, {screenPane}, 0},
        {kScreenRecordingButton, kScreenCaptureService, 1, false, {screenPane}, 0},
        {kScreenRecordingButton, kScreenCaptureService, 2, true, {}, 0},
        {kScreenRecordingButton, kScreenCaptureService, 2, false, {}, 1},
        {kScreenRecordingButton, kScreenCaptureService, -4, true, {screenPane}, 0},
        {kScreenRecordingButton, kScreenCaptureService, 3, false, {screenPane}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.button) + " " + std::to_string(c.answer));
        world.permissions().setScreenRecording(Permission::notDetermined);
        world.permissions().setPreflightAnswer(c.service, c.answer);
        if (c.promptVisible) world.permissions().showPrompt("“Furlpane Novan” would like to record this screen.");
        const std::vector<std::string> earlier = opened();
        const int before = c.service == std::string(kAccessibilityService) ? world.accessibilityPromptCount()
                                                                           : world.permissions().screenRecordingRequests();
        clickOn(control(ControlKind::button, c.button));
        const std::vector<std::string> all = opened();
        const std::vector<std::string> now(all.begin() + long(earlier.size()), all.end());
        EXPECT_EQ(now, c.opened);
        const int after = c.service == std::string(kAccessibilityService) ? world.accessibilityPromptCount()
                                                                          : world.permissions().screenRecordingRequests();
        EXPECT_EQ(after - before, c.prompts);
        // Only an undecided answer brings a prompt on screen to the front.
        if (c.promptVisible) {
            EXPECT_EQ(world.permissions().promptApplication()->isActive(), c.answer == 2);
        }
        world.permissions().dismissPrompt();
        app.activate();
        settle();
    }
}

TEST_F(GeneralTabTest, ALoginItemAwaitingApprovalShowsOffWithTheWayToApproveIt) {
    platform::SimulatedLoginItems::of(world).setBackgroundActivityAllowed(false);
    openTab("General");
    clickOn(toggle("Open at login"));
    EXPECT_TRUE(user.alertLog().empty());
    EXPECT_EQ(toggle("Open at login").value(), "off");
    EXPECT_TRUE(shows(ControlKind::text, kApprovalNote));
    clickOn(control(ControlKind::button, "Open Login Items Settings"));
    EXPECT_EQ(opened().back(), platform::MainAppService::loginItemsSettingsURL());
    platform::SimulatedLoginItems::of(world).setBackgroundActivityAllowed(true);
    platform::SimulatedLoginItems::of(world).setStatus(AppServiceStatus::enabled);
    comeBack();
    EXPECT_EQ(toggle("Open at login").value(), "on");
    EXPECT_FALSE(shows(ControlKind::text, kApprovalNote));
}

TEST_F(GeneralTabTest, AFailedChangeOfTheLoginItemIsShownOnceInTheServicesWords) {
    world.faults().on(FaultCall::registerLoginItem).times(1).fail(1, "Operation not permitted");
    user.setAlertResponder([](const platform::Alert&) { return platform::modal_response::alertFirstButtonReturn; });
    openTab("General");
    clickOn(toggle("Open at login"));
    ASSERT_EQ(user.alertLog().size(), 1u);
    EXPECT_EQ(user.alertLog()[0].messageText, GeneralSettingsTab::kLoginItemAlertTitle);
    EXPECT_EQ(user.alertLog()[0].informativeText, "Operation not permitted (error 1)");
    EXPECT_EQ(user.alertLog()[0].buttons, std::vector<std::string>{"OK"});
    EXPECT_EQ(toggle("Open at login").value(), "off");
    // Turning it off while nothing is registered asks nothing of the service.
    clickOn(toggle("Open at login"));
    clickOn(toggle("Open at login"));
    EXPECT_EQ(toggle("Open at login").value(), "off");
    EXPECT_EQ(platform::SimulatedLoginItems::of(world).unregisterCount(), 1);
    EXPECT_EQ(user.alertLog().size(), 1u);
}

TEST_F(GeneralTabTest, FromAReadOnlyDiskOpeningAtLoginCannotBeSwitched) {
    platform::SimulatedLoginItems::of(world).setStatus(AppServiceStatus::requiresApproval);
    platform::setMountTable("22 1 254:1 / / rw - ext4 /dev/vda1 rw\n41 22 7:3 / " + folder.path().string() +
                            " ro - squashfs /dev/loop3 ro\n");
    openTab("General");
    platform::setMountTable(std::nullopt);
    EXPECT_FALSE(toggle("Open at login").isEnabled());
    EXPECT_FALSE(shows(ControlKind::text, kApprovalNote));
    EXPECT_TRUE(shows(ControlKind::text, "Furlpane Novan is running from a read-only disk, so macOS can’t open it at "
                                         "login. Move Furlpane Novan to your Applications folder and open it from there."));
    EXPECT_FALSE(toggle("Open at login").click());
    EXPECT_EQ(platform::SimulatedLoginItems::of(world).registerCount(), 0);
}

TEST_F(GeneralTabTest, TheMenuBarIconsNotesFollowItsSwitch) {
    openTab("General");
    clickOn(control(ControlKind::button, "Open Menu Bar Settings"));
    EXPECT_EQ(opened().back(), GeneralSettingsTab::menuBarSettingsURL());
    clickOn(toggle("Show the menu bar icon"));
    EXPECT_EQ(stored("ShowStatusItem"), Value(false));
    EXPECT_TRUE(shows(ControlKind::text, "Furlpane Novan shows a Dock icon instead, so you can still get back to these "
                                         "settings and still quit it."));
    EXPECT_FALSE(shows(ControlKind::button, "Open Menu Bar Settings"));
}

}  // namespace
}  // namespace furlpane
