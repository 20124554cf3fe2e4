// The program's process in the simulated desktop: each way a run ends, what goes with
// it, and a new run after it.

#include <gtest/gtest.h>

#include "fake_program.h"
#include "platform/appkit/status_item.h"
#include "platform/desktop/desktop.h"
#include "platform/scenario/program_host.h"
#include "tests/support/temp_folder.h"

namespace scenario_test {
namespace {

using namespace platform;
using scenario::ProgramHost;

class ProgramHostTest : public ::testing::Test {
protected:
    MainLoop loop{ClockKind::simulated};
    desktop::Desktop world{loop};
    furlpane_test::TempFolder folder;
    std::shared_ptr<ProgramRecord> record = std::make_shared<ProgramRecord>();
    std::vector<std::optional<int>> ends;
    ProgramHost host{world, [this] { return std::make_shared<FakeProgram>(record); }, folder.path()};

    void SetUp() override {
        host.setEndHandler([this](std::optional<int> status) { ends.push_back(status); });
    }
    void settle() { loop.runUntilIdle(); }
    bool ownWindowsOnScreen() {
        for (const desktop::Window* w : world.windowsFrontToBack()) {
            if (w->pid() == world.ownProcessIdentifier() && w->isOnScreen()) return true;
        }
        return false;
    }
};

TEST_F(ProgramHostTest, NothingOfACrashedRunGoesOn) {
    ASSERT_TRUE(host.launch());
    loop.advance(1);
    EXPECT_GT(record->timerFirings, 0);
    EXPECT_GT(record->taskSteps, 0);
    EXPECT_TRUE(ownWindowsOnScreen());

    ASSERT_TRUE(host.crash());
    const ProgramRecord before = *record;
    loop.advance(5);
    NotificationCenter::defaultCenter().post("com.example.ping");

    EXPECT_FALSE(host.isRunning());
    EXPECT_EQ(record->timerFirings, before.timerFirings);
    EXPECT_EQ(record->taskSteps, before.taskSteps);
    EXPECT_EQ(record->observed, 0);
    EXPECT_EQ(record->terminations, 0);
    EXPECT_FALSE(ownWindowsOnScreen());
    EXPECT_TRUE(StatusBar::system().items().empty());
    EXPECT_EQ(ends, (std::vector<std::optional<int>>{std::nullopt}));
    ASSERT_TRUE(host.lastEnd().has_value());
    EXPECT_FALSE(host.lastEnd()->has_value());
}

TEST_F(ProgramHostTest, ANewRunStartsAfresh) {
    ASSERT_TRUE(host.launch());
    EXPECT_FALSE(host.launch());
    ASSERT_TRUE(host.crash());
    EXPECT_FALSE(host.crash());
    ASSERT_TRUE(host.launch());
    settle();
    EXPECT_EQ(record->launches, 2);
    EXPECT_EQ(host.launchCount(), 2);
    EXPECT_EQ(StatusBar::system().items().size(), 1u);
    loop.advance(0.55);
    EXPECT_EQ(record->timerFirings, 5);
}

TEST_F(ProgramHostTest, QuitTellsTheDelegateAndEndsWithZero) {
    ASSERT_TRUE(host.launch());
    ASSERT_TRUE(host.quit());
    EXPECT_TRUE(host.isRunning());  // the end comes once the quit has returned
    settle();
    EXPECT_FALSE(host.isRunning());
    EXPECT_EQ(record->terminations, 1);
    EXPECT_EQ(ends, (std::vector<std::optional<int>>{0}));
    EXPECT_FALSE(host.quit());
}

TEST_F(ProgramHostTest, EachTerminationSignalReachesTheProgramsHandler) {
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        record->exitStatus = signal == SIGHUP ? 3 : 0;
        ends.clear();
        ASSERT_TRUE(host.launch());
        ASSERT_TRUE(host.signal(signal));
        settle();
        EXPECT_FALSE(host.isRunning());
        EXPECT_EQ(ends, (std::vector<std::optional<int>>{record->exitStatus}));
    }
    EXPECT_EQ(record->terminations, 0);
    EXPECT_FALSE(host.signal(SIGTERM));
}

TEST_F(ProgramHostTest, ASignalSentWhileNothingWatchesIsNotLeftForTheNextRun) {
    ASSERT_TRUE(host.launch());
    ASSERT_TRUE(host.crash());
    ::raise(SIGTERM);  // from outside, while the program is not running
    ASSERT_TRUE(host.launch());
    settle();
    loop.advance(1);
    EXPECT_TRUE(host.isRunning());
}

TEST_F(ProgramHostTest, ASignalThatCameBeforeTheFirstRunReachesIt) {
    ::raise(SIGTERM);  // while the system was coming up
    ASSERT_TRUE(host.launch());
    settle();
    EXPECT_FALSE(host.isRunning());
    EXPECT_EQ(ends, (std::vector<std::optional<int>>{0}));
}

}  // namespace
}  // namespace scenario_test
