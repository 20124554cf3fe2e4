#include "platform/services/workspace.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/desktop/desktop.h"
#include "platform/runtime/main_loop.h"

namespace platform {
namespace {

using desktop::Application;
using desktop::Desktop;
namespace names = workspace_notifications;

// The workspace notifications heard, with the application each carried.
struct Heard {
    explicit Heard(NotificationCenter& center) : center(center) {
        token = center.addObserver("", nullptr, [this](const Notification& n) {
            notes.push_back(n.name);
            const auto* app = n.info<RunningApplication>(names::kApplicationKey);
            pids.push_back(app ? app->processIdentifier() : 0);
        });
    }
    ~Heard() { center.removeObserver(token); }
    NotificationCenter& center;
    NotificationCenter::Token token;
    std::vector<std::string> notes;
    std::vector<int32_t> pids;
};

TEST(Workspace, RunningApplicationsInLaunchOrderByProcessAndByBundleIdentifier) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    Application& a = world.application("com.example.A").window("A").add();
    Application& b = world.application(std::nullopt).named(std::nullopt).window("B").inBackground().add();
    const auto running = Workspace::shared().runningApplications();
    ASSERT_EQ(running.size(), 4u);  // the program, the Dock, A and B
    EXPECT_EQ(running[0], *RunningApplication::current());
    EXPECT_EQ(running[1].bundleIdentifier(), "com.apple.dock");
    EXPECT_EQ(running[3].processIdentifier(), b.pid());
    EXPECT_FALSE(running[3].bundleIdentifier());
    EXPECT_FALSE(running[3].localizedName());
    EXPECT_EQ(Workspace::shared().frontmostApplication()->processIdentifier(), a.pid());
    EXPECT_EQ(RunningApplication::withBundleIdentifier("com.example.A").size(), 1u);

    // The lookup by bundle identifier may come back empty while the list still has it.
    world.faults().on(desktop::FaultCall::applicationsByBundleIdentifier, "com.example.A").times(1).missing();
    EXPECT_TRUE(RunningApplication::withBundleIdentifier("com.example.A").empty());
    EXPECT_FALSE(RunningApplication::withProcessIdentifier(12345));
    EXPECT_TRUE(RunningApplication::withProcessIdentifier(a.pid())->isActive());
}

TEST(Workspace, AnApplicationShowsTheIconItWasLaunchedWithEvenAfterItQuit) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    const Image icon = *Image::filled(16, 16, Color::rgb(0.2, 0.6, 0.3), ColorSpace::sRGB());
    Application& a = world.application("com.example.A").icon(icon).window("A").add();
    Application& b = world.application("com.example.B").window("B").add();
    const auto running = *RunningApplication::withProcessIdentifier(a.pid());
    ASSERT_TRUE(running.icon());
    EXPECT_TRUE(running.icon()->hasSamePixels(icon));
    EXPECT_FALSE(RunningApplication::withProcessIdentifier(b.pid())->icon());
    a.quit();
    EXPECT_TRUE(running.icon());
}

TEST(Workspace, ApplicationChangesArePostedOnTheMainQueueWithTheApplication) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    Application& a = world.application("com.example.A").window("A").add();
    Heard heard(Workspace::shared().notificationCenter());
    Application& b = world.application("com.example.B").window("B").launch();
    EXPECT_TRUE(heard.notes.empty());  // delivered after the change, on the main queue
    loop.runUntilIdle();
    EXPECT_EQ(heard.notes, (std::vector<std::string>{names::kDidLaunchApplication, names::kDidDeactivateApplication,
                                                     names::kDidActivateApplication}));
    EXPECT_EQ(heard.pids, (std::vector<int32_t>{b.pid(), a.pid(), b.pid()}));

    heard.notes.clear();
    heard.pids.clear();
    RunningApplication::withProcessIdentifier(b.pid())->hide();
    b.unhide();
    world.spaces().switchTo(world.spaces().add(world.displays().first()->number()));
    a.quit();
    loop.runUntilIdle();
    EXPECT_EQ(heard.notes, (std::vector<std::string>{names::kDidDeactivateApplication, names::kDidActivateApplication,
                                                     names::kDidHideApplication, names::kDidUnhideApplication,
                                                     names::kActiveSpaceDidChange, names::kDidTerminateApplication}));
    EXPECT_EQ(heard.pids[4], 0);  // the Space change concerns no application
    EXPECT_EQ(heard.pids.back(), a.pid());
    EXPECT_TRUE(RunningApplication(world.processRecord(a.pid())).isTerminated());
}

TEST(Workspace, ANotificationMayComeWithoutItsApplication) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    Application& a = world.application("com.example.A").window("A").add();
    Heard heard(Workspace::shared().notificationCenter());
    world.faults().on(desktop::FaultCall::workspaceNotification, names::kDidHideApplication).missing();
    world.faults().on(desktop::FaultCall::workspaceNotification, names::kDidUnhideApplication).wrongType();
    std::vector<bool> hadString;
    auto token = Workspace::shared().notificationCenter().addObserver(names::kDidUnhideApplication, nullptr,
                                                                      [&](const Notification& n) {
                                                                          hadString.push_back(n.info<std::string>(names::kApplicationKey));
                                                                      });
    a.hide();
    a.unhide();
    loop.runUntilIdle();
    ASSERT_EQ(heard.notes.size(), 3u);  // deactivated, hidden, unhidden
    EXPECT_EQ(heard.pids[1], 0);
    EXPECT_EQ(heard.pids[2], 0);
    EXPECT_EQ(hadString, std::vector<bool>{true});
    Workspace::shared().notificationCenter().removeObserver(token);
}

TEST(Workspace, OpenedURLsAndReduceMotionAreTheWorlds) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    const std::string pane = "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility";
    EXPECT_TRUE(Workspace::shared().openURL(pane));
    EXPECT_FALSE(Workspace::shared().openURL(""));
    EXPECT_EQ(world.openedURLs(), std::vector<std::string>{pane});
    EXPECT_FALSE(Workspace::shared().accessibilityDisplayShouldReduceMotion());
    world.setReduceMotion(true);
    EXPECT_TRUE(Workspace::shared().accessibilityDisplayShouldReduceMotion());
}

}  // namespace
}  // namespace platform
