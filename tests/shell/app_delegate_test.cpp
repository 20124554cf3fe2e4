// The program's start-up and shutdown on the simulated desktop: the order of their steps,
// every way a run ends with windows in every state, an application that stops answering,
// and the offer to move the program.

#include "app/shell/app_delegate.h"

#include <gtest/gtest.h>

#include "platform/appkit/simulated_user.h"
#include "platform/process/process_info.h"
#include "tests/shell/shell_test_support.h"
#include "triggers/system_hotkeys.h"

namespace furlpane {
namespace {

using Steps = std::vector<std::string>;
using ShellRun = testing::ProgramRun;

// Two applications, three windows apart from each other; the program launched.
constexpr const char* kDesk = R"(
screen 0,0 1100x700 scale 1
app com.example.Notes "Notes"
window "Groceries" of com.example.Notes at 100,100 size 300x200
window "Ideas" of com.example.Notes at 760,160 size 300x200
app com.example.Editor "Editor"
window "Draft" of com.example.Editor at 420,400 size 300x180
launch
wait 1
)";

// Groceries rolled up, Draft a thumbnail, Ideas floating.
constexpr const char* kEveryState = R"(
settings open
settings tab Actions
settings click "Command-double-click the title bar"
settings close
double-click 200,112
wait 1.2
double-click 570,412 cmd
wait 1.2
double-click 900,172 ctrl
wait 1
expect window "Groceries" shaded
expect window "Draft" thumbnail
expect window "Ideas" floating
)";

constexpr const char* kAllBack = R"(
expect exited 0
expect window "Groceries" normal at 100,100
expect window "Ideas" normal at 760,160
expect window "Draft" normal at 420,400
)";

const Steps kStartUp = {"relocation",     "messaging timeout", "calendar days",    "ledger recovery",
                        "termination signals", "engine",       "event tap",        "renderer warm-up",
                        "status item",    "dock icon",         "updater"};

Steps startUpWithout(bool trusted) {
    Steps steps = kStartUp;
    if (!trusted) steps.push_back("settings window");
    return steps;
}

TEST(AppDelegate, StartsUpInOrderAndOpensTheSettingsOnlyWithoutAccessibility) {
    for (const bool trusted : {true, false}) {
        ShellRun run;
        ASSERT_EQ(run.play(std::string(trusted ? "" : "deny accessibility\n") + kDesk), 0) << run.errors.str();
        ASSERT_TRUE(run.latest);
        EXPECT_EQ(run.steps(), startUpWithout(trusted)) << trusted;
        ASSERT_TRUE(run.latest->statusItem());
        EXPECT_TRUE(run.latest->statusItem()->item()->isVisible());
        EXPECT_TRUE(run.latest->dockIcon());
    }
}

// Every way a run of the program ends: quit from the scenario, from the menu, and each
// termination signal.
constexpr const char* kEnds[] = {"quit", "menu \"Quit Furlpane Novan\"", "signal TERM", "signal INT", "signal HUP"};

TEST(AppDelegate, EveryEndPutsEveryWindowBackAndExitsWithZero) {
    for (const char* end : kEnds) {
        ShellRun run;
        const int status = run.play(std::string(kDesk) + kEveryState + end + "\nwait 3\n" + kAllBack);
        EXPECT_EQ(status, 0) << end << '\n' << run.errors.str();
        const Steps steps = run.steps();
        ASSERT_GE(steps.size(), 2u) << end;
        EXPECT_EQ(Steps(steps.end() - 2, steps.end()), (Steps{"tap stopped", "windows restored"})) << end;
        EXPECT_FALSE(run.stage.host.isRunning()) << end;
    }
}

// Launched, every accessibility request of the program waits at most a quarter second.
TEST(AppDelegate, TheMessagingTimeoutIsAQuarterSecondOnceLaunched) {
    ShellRun run;
    EXPECT_EQ(run.stage.world.messagingTimeout(), platform::desktop::Desktop::kDefaultMessagingTimeout);
    ASSERT_EQ(run.play(kDesk), 0) << run.errors.str();
    EXPECT_EQ(run.stage.world.messagingTimeout(), 0.25);
}

// The system's shortcuts paused by a recording when the program ends come back from the
// shell itself, however the program ends (no recorder is left to put them back), and only
// once: the window server sees the mode put back and nothing after it.
TEST(AppDelegate, EveryEndPutsTheSystemsShortcutsBack) {
    for (const char* end : kEnds) {
        ShellRun run;
        const auto& hotKeys = run.stage.world.hotKeys();
        run.stage.world.hotKeys().setOperatingMode(1, platform::desktop::SystemHotKeys::kSystem);
        ASSERT_EQ(run.play(kDesk), 0) << run.errors.str();
        bool pausedNow = false;
        run.stage.host.asProgram([&] { pausedNow = SystemHotkeys::pauseSystemHotkeys(); });
        ASSERT_TRUE(pausedNow) << end;
        ASSERT_EQ(hotKeys.operatingMode(), SystemHotkeys::kPausedMode) << end;
        const int paused = hotKeys.modeChanges();
        EXPECT_EQ(run.play(std::string(end) + "\nwait 3\nexpect exited 0\n"), 0) << end << '\n' << run.errors.str();
        EXPECT_EQ(hotKeys.operatingMode(), 1u) << end;
        EXPECT_EQ(hotKeys.modeChanges(), paused + 1) << end;
    }
}

TEST(AppDelegate, AnApplicationThatStopsAnsweringHoldsTheQuitOnlySoLong) {
    ShellRun run;
    ASSERT_EQ(run.play(std::string(kDesk) + kEveryState), 0) << run.errors.str();
    for (auto* app : run.stage.world.runningApplications()) {
        if (app->bundleIdentifier() == "com.example.Editor") app->stopAnswering();
    }
    const int status = run.play(R"(
quit
wait 10
expect exited 0
expect window "Groceries" normal at 100,100
expect window "Ideas" normal at 760,160
)");
    EXPECT_EQ(status, 0) << run.errors.str();
}

TEST(AppDelegate, AnEndWhileStartingUpOrTwiceCleansUpOnce) {
    ShellRun run;
    ASSERT_EQ(run.play(kDesk), 0);
    run.stage.host.asProgram([&] {
        run.latest->terminationCleanup();
        run.latest->terminationCleanup();
    });
    const Steps& steps = run.steps();
    EXPECT_EQ(std::count(steps.begin(), steps.end(), "windows restored"), 1);
    EXPECT_EQ(run.play("quit\nwait 1\nexpect exited 0\n"), 0) << run.errors.str();
}

TEST(AppDelegate, TheMoveIsOfferedFirstAndNeverToTheTestRunner) {
    const std::pair<platform::ProcessInfo::Environment, size_t> cases[] = {
        {{}, 1},
        {{{"XCTestBundlePath", ""}}, 0},
        {{{"XCTestSessionIdentifier", "1"}}, 0},
        {{{"XCTestConfigurationFilePath", "/tmp/x"}}, 0},
    };
    for (const auto& [environment, offers] : cases) {
        ShellRun run;
        platform::Bundle::setMain(platform::Bundle::describe({run.folder / "Downloads/Furlpane Novan.app", {}, {}, {}}));
        platform::ProcessInfo::setCurrent(platform::ProcessInfo::make(4242, environment));
        auto& user = platform::SimulatedUser::of(run.stage.world);
        user.setAlertResponder([](const platform::Alert&) { return platform::modal_response::alertSecondButtonReturn; });
        ASSERT_EQ(run.play(kDesk), 0) << run.errors.str();
        EXPECT_EQ(user.alertLog().size(), offers);
        EXPECT_EQ(run.steps(), kStartUp);
        platform::ProcessInfo::setCurrent(nullptr);
    }
}

}  // namespace
}  // namespace furlpane
