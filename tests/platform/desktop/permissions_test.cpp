#include "platform/desktop/permissions.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/accessibility/trust.h"
#include "platform/desktop/desktop.h"
#include "platform/runtime/main_loop.h"
#include "platform/services/privacy.h"
#include "platform/services/workspace.h"
#include "platform/windowserver/screen_capture_access.h"
#include "platform/windowserver/symbols.h"
#include "platform/windowserver/window_list.h"

namespace platform {
namespace {

using desktop::Desktop;
using desktop::Permission;
using desktop::Permissions;

// The prompt application's windows among the on-screen windows, as a program finds them.
bool promptOnScreen() {
    const auto prompts = RunningApplication::withBundleIdentifier(Permissions::kPromptBundleIdentifier);
    auto list = WindowList::copyWindowInfo(WindowList::onScreenOnly, WindowList::kNullWindow);
    for (const auto& app : prompts) {
        for (const auto& entry : *list) {
            if (entry.dictionary()->find(WindowList::kOwnerPID)->integer() == app.processIdentifier()) return true;
        }
    }
    return false;
}

TEST(Permissions, ThePreflightAnswersForEachServiceAndMayBeAnyNumber) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop, {.accessibilityTrusted = false});
    auto preflight = lookupSymbol<PrivacyPreflightCall>("TCCAccessPreflight");
    ASSERT_NE(preflight, nullptr);
    EXPECT_EQ(preflight(Permissions::kScreenCaptureService, nullptr), 0);
    EXPECT_EQ(preflight(Permissions::kAccessibilityService, nullptr), 2);  // never asked
    EXPECT_EQ(preflight("kTCCServiceCamera", nullptr), 2);

    // The user was asked for accessibility and said nothing yet: the database holds it denied.
    EXPECT_FALSE(AccessibilityTrust::isProcessTrustedWithOptions({{AccessibilityTrust::kPromptOption, true}}));
    EXPECT_EQ(preflight(Permissions::kAccessibilityService, nullptr), 1);
    world.setAccessibilityTrusted(true);
    EXPECT_EQ(preflight(Permissions::kAccessibilityService, nullptr), 0);

    world.permissions().setPreflightAnswer(Permissions::kScreenCaptureService, -5);
    EXPECT_EQ(preflight(Permissions::kScreenCaptureService, nullptr), -5);
    world.permissions().setPreflightAnswer(Permissions::kScreenCaptureService, 7);
    EXPECT_EQ(privacyAccessPreflight(Permissions::kScreenCaptureService, nullptr), 7);
    world.permissions().setPreflightAnswer(Permissions::kScreenCaptureService, std::nullopt);
    world.permissions().setScreenRecording(Permission::denied);
    EXPECT_EQ(preflight(Permissions::kScreenCaptureService, nullptr), 1);

    world.privateCalls().remove("TCCAccessPreflight");
    EXPECT_EQ(lookupSymbol<PrivacyPreflightCall>("TCCAccessPreflight"), nullptr);
    EXPECT_EQ(world.privateCalls().lookupCount("TCCAccessPreflight"), 2);
}

TEST(Permissions, AskingForScreenRecordingShowsThePromptOnceAndLeavesTheProgramDenied) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    EXPECT_TRUE(ScreenCaptureAccess::preflight());
    EXPECT_TRUE(ScreenCaptureAccess::request());
    EXPECT_EQ(world.permissions().promptApplication(), nullptr);

    world.permissions().setScreenRecording(Permission::notDetermined);
    EXPECT_FALSE(ScreenCaptureAccess::preflight());
    EXPECT_FALSE(ScreenCaptureAccess::request());
    EXPECT_EQ(world.permissions().screenRecording(), Permission::denied);
    ASSERT_NE(world.permissions().promptApplication(), nullptr);
    EXPECT_TRUE(promptOnScreen());
    EXPECT_NE(world.permissions().promptWindow()->title().find("record this computer's screen"), std::string::npos);

    // Dismissed, the prompt's application lingers without a window; asking again shows nothing.
    world.permissions().dismissPrompt();
    EXPECT_NE(world.permissions().promptApplication(), nullptr);
    EXPECT_FALSE(promptOnScreen());
    EXPECT_FALSE(ScreenCaptureAccess::request());
    EXPECT_FALSE(promptOnScreen());
    EXPECT_EQ(world.permissions().promptsShown(), 1);
    EXPECT_EQ(world.permissions().screenRecordingRequests(), 3);

    // Bringing the prompt forward is activating its application.
    world.permissions().showPrompt("Again");
    EXPECT_TRUE(RunningApplication::withBundleIdentifier(Permissions::kPromptBundleIdentifier).front().activate());
    EXPECT_EQ(world.activeApplication(), world.permissions().promptApplication());
    EXPECT_EQ(RunningApplication::withBundleIdentifier(Permissions::kPromptBundleIdentifier).size(), 1u);
}

TEST(Permissions, TheAccessibilityPromptComesFromThePromptApplicationAndSettingsPanesAreRecorded) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop, {.accessibilityTrusted = false});
    EXPECT_FALSE(AccessibilityTrust::isProcessTrustedWithOptions({{AccessibilityTrust::kPromptOption, true}}));
    EXPECT_EQ(world.accessibilityPromptCount(), 1);
    EXPECT_TRUE(promptOnScreen());
    EXPECT_NE(world.permissions().promptWindow()->title().find("accessibility features"), std::string::npos);
    const std::string pane = "x-apple.systempreferences:com.apple.preference.security?Privacy_ScreenCapture";
    EXPECT_TRUE(Workspace::shared().openURL(pane));
    EXPECT_EQ(world.openedURLs(), std::vector<std::string>{pane});
}

}  // namespace
}  // namespace platform
