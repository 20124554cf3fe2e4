// Permissions: the preflight answers, asking for Accessibility, the system's prompt,
// running applications and read-only volumes.

#include "windows/access/permissions.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "access_test_support.h"
#include "platform/services/volume.h"

namespace access_test {
namespace {

constexpr const char* kPane = "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility";

class Permissions : public AccessTest {
protected:
    desktop::Permissions& privacy() { return world.permissions(); }
    std::vector<std::string> opened() const { return world.openedURLs(); }
};

TEST_F(Permissions, ThePreflightAnswersZeroToTwoAndAnythingElseIsUnknown) {
    EXPECT_EQ(preflight(kAccessibilityService), PreflightStatus::granted);
    privacy().setScreenRecording(desktop::Permission::notDetermined);
    EXPECT_EQ(preflight(kScreenCaptureService), PreflightStatus::notDetermined);
    privacy().setPreflightAnswer(kScreenCaptureService, 1);
    EXPECT_EQ(preflight(kScreenCaptureService), PreflightStatus::denied);
    privacy().setPreflightAnswer(kScreenCaptureService, 7);
    EXPECT_EQ(preflight(kScreenCaptureService), PreflightStatus::unknown);
    privacy().setPreflightAnswer(kScreenCaptureService, -1);
    EXPECT_EQ(preflight(kScreenCaptureService), PreflightStatus::unknown);
}

TEST_F(Permissions, WithoutThePreflightCallEveryServiceIsUnknown) {
    world.privateCalls().remove("TCCAccessPreflight");
    EXPECT_EQ(preflight(kAccessibilityService), PreflightStatus::unknown);
    EXPECT_EQ(preflight(kScreenCaptureService), PreflightStatus::unknown);
    world.privateCalls().restore("TCCAccessPreflight");
    EXPECT_EQ(preflight(kScreenCaptureService), PreflightStatus::unknown);  // never looked up again
    // So asking for Accessibility both prompts and opens the pane.
    world.setAccessibilityTrusted(false);
    requestAccessibility();
    EXPECT_EQ(world.accessibilityPromptCount(), 1);
    EXPECT_EQ(opened(), std::vector<std::string>{kPane});
}

TEST_F(Permissions, AskingForAccessibilityPromptsOnlyWhenUndecidedAndOpensThePaneOtherwise) {
    world.setAccessibilityTrusted(false);
    ASSERT_EQ(preflight(kAccessibilityService), PreflightStatus::notDetermined);
    requestAccessibility();
    EXPECT_EQ(world.accessibilityPromptCount(), 1);
    EXPECT_TRUE(opened().empty());
    EXPECT_TRUE(visiblePermissionPrompt());

    // Once prompted the user counts as having said no: the pane, no second prompt.
    ASSERT_EQ(preflight(kAccessibilityService), PreflightStatus::denied);
    requestAccessibility();
    EXPECT_EQ(world.accessibilityPromptCount(), 1);
    EXPECT_EQ(opened(), std::vector<std::string>{kPane});

    world.setAccessibilityTrusted(true);
    requestAccessibility();
    EXPECT_EQ(opened().size(), 2u);
    EXPECT_EQ(world.accessibilityPromptCount(), 1);

    privacy().setPreflightAnswer(kAccessibilityService, 3);
    world.setAccessibilityTrusted(false);
    requestAccessibility();
    EXPECT_EQ(world.accessibilityPromptCount(), 2);
    EXPECT_EQ(opened().size(), 3u);
}

TEST_F(Permissions, ThePromptCountsOnlyWhileItsWindowIsOnScreen) {
    EXPECT_FALSE(visiblePermissionPrompt());
    auto& prompt = privacy().showPrompt("May I?");
    const auto shown = visiblePermissionPrompt();
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->processIdentifier(), prompt.pid());
    faults().on(FaultCall::windowList).times(1).fail();
    EXPECT_FALSE(visiblePermissionPrompt());
    privacy().dismissPrompt();
    EXPECT_FALSE(visiblePermissionPrompt());  // still running, without a window
    EXPECT_EQ(runningApplications(kPermissionPromptBundleIdentifier).size(), 1u);
}

TEST_F(Permissions, RunningApplicationsFallBackToTheWorkspacesListWhenTheLookupFindsNone) {
    auto& app = editor({{.title = "One"}});
    EXPECT_EQ(runningApplications("com.example.Editor").size(), 1u);
    faults().on(FaultCall::applicationsByBundleIdentifier, "com.example.Editor").times(1).missing();
    const auto found = runningApplications("com.example.Editor");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].processIdentifier(), app.pid());
    EXPECT_TRUE(runningApplications("com.example.editor").empty());  // exact, case and all
}

TEST(PermissionVolumes, AFileOnAReadOnlyDiskImageIsReadOnlyAndAMissingOneIsNot) {
    const auto folder = std::filesystem::temp_directory_path() / ("access-volume-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "Furlpane Novan") << "x";
    platform::setMountTable("22 1 254:1 / / rw - ext4 /dev/vda1 rw\n"
                            "41 22 7:3 / " + folder.string() + " ro,nodev - squashfs /dev/loop3 ro\n");
    EXPECT_TRUE(volumeIsReadOnly(folder / "Furlpane Novan"));
    EXPECT_FALSE(volumeIsReadOnly(folder / "missing"));
    platform::setMountTable("22 1 254:1 / / rw - ext4 /dev/vda1 rw\n");
    EXPECT_FALSE(volumeIsReadOnly(folder / "Furlpane Novan"));
    platform::setMountTable(std::nullopt);
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace access_test
