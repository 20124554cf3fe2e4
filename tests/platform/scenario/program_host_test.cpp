// The program's process in the simulated desktop: each way a run ends, what goes with
// it, and a new run after it.

#include <gtest/gtest.h>

#include "fake_program.h"
#include "platform/accessibility/observer.h"
#include "platform/accessibility/value.h"
#include "platform/accessibility/world_elements.h"
#include "platform/appkit/display_link.h"
#include "platform/appkit/screen.h"
#include "platform/appkit/status_item.h"
#include "platform/desktop/desktop.h"
#include "platform/runtime/dispatch_queue.h"
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
            if (w->owner().isOwnProcess() && w->isOnScreen()) return true;
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
    // What the system tells every process of the program reaches no ended one.
    world.postToEachOwnProcess(desktop::Desktop::Delivery::mainQueue,
                               [] { NotificationCenter::defaultCenter().post("com.example.ping"); });
    settle();

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

// The program launched beside itself: each run a process of its own, with its own
// identifier, status item and timers; one ends and the other goes on; a signal sent to
// one reaches it alone; a relaunch is a new process.
TEST_F(ProgramHostTest, RunsBesideEachOtherAreProcessesOfTheirOwn) {
    auto second = std::make_shared<ProgramRecord>();
    ProgramHost beside{world, [&] { return std::make_shared<FakeProgram>(second); }, folder.path()};
    ASSERT_TRUE(host.launch());
    ASSERT_TRUE(beside.launch());
    loop.advance(0.5);
    ASSERT_EQ(record->pids.size(), 1u);
    ASSERT_EQ(second->pids.size(), 1u);
    const int32_t first = record->pids[0];
    ASSERT_NE(world.process(first), nullptr);
    EXPECT_TRUE(world.process(first)->isOwnProcess());
    EXPECT_NE(second->pids[0], first);
    EXPECT_EQ(record->applicationPids, record->pids);
    EXPECT_EQ(second->applicationPids, second->pids);
    EXPECT_EQ(StatusBar::system().items().size(), 2u);

    ASSERT_TRUE(host.crash());
    EXPECT_EQ(world.process(first), nullptr);
    ASSERT_NE(world.process(second->pids[0]), nullptr);
    const int steps = second->taskSteps;
    loop.advance(1);
    EXPECT_GT(second->taskSteps, steps);
    EXPECT_EQ(StatusBar::system().items().size(), 1u);

    ASSERT_TRUE(host.launch());
    settle();
    ASSERT_EQ(record->pids.size(), 2u);
    EXPECT_NE(record->pids[1], first);
    second->exitStatus = 5;
    ASSERT_TRUE(beside.signal(SIGTERM));
    settle();
    EXPECT_FALSE(beside.isRunning());
    EXPECT_TRUE(host.isRunning());
    EXPECT_EQ(beside.lastEnd(), std::optional<std::optional<int>>(5));
}

// A program that leaves behind, held by the test as anything outside may hold them, an
// observer of another application's window whose trip into the Dock it started, a queue
// job still in flight and a display link: none of them may run once its run has ended.
struct LeftBehind {
    std::shared_ptr<AccessibilityProcessObserver> observer;
    std::shared_ptr<DisplayLink> link;
    std::vector<std::string> ranAfterTheEnd;
    bool ended = false;
    void ran(const std::string& what) {
        if (ended) ranAfterTheEnd.push_back(what);
    }
};

class LeavingProgram : public ApplicationDelegate {
public:
    LeavingProgram(std::shared_ptr<LeftBehind> left, uint32_t window) : left_(std::move(left)), window_(window) {}
    void applicationDidFinishLaunching() override {
        auto& loop = MainLoop::main();
        desktop::Desktop& world = desktop::Desktop::current();
        const desktop::Window* other = world.window(window_);
        std::weak_ptr<LeftBehind> weak = left_;
        auto heard = [weak](AccessibilityProcessObserver&, const AccessibilityElement&, const std::string&, void*) {
            if (auto left = weak.lock()) left->ran("the observer's callback");
        };
        auto observer = AccessibilityProcessObserver::create(other->pid(), heard);
        left_->observer = *observer;
        loop.add(left_->observer->runLoopSource(), modes::kCommon);
        const AccessibilityElement element = elementOf(*other);
        left_->observer->addNotification(element, "AXWindowMiniaturized", nullptr);
        element.setAttributeValue("AXMinimized", AccessibilityValue(true));

        DispatchQueue& queue = loop.queue("com.example.slow");
        queue.setJobCost(1);
        queue.async([weak] {
            if (auto left = weak.lock()) left->ran("the queue job");
            MainLoop::main().post([weak] {
                if (auto left = weak.lock()) left->ran("what the queue job posted");
            });
        });

        left_->link = DisplayLink::make(Screen::screens().front(), [weak](const DisplayLink::Frame&) {
            if (auto left = weak.lock()) left->ran("the display link");
        });
        left_->link->add(loop, modes::kCommon);
    }

private:
    std::shared_ptr<LeftBehind> left_;
    uint32_t window_;
};

TEST(ProgramHostEnd, WhatTheWorldStillHoldsOfACrashedRunNeverRuns) {
    MainLoop loop{ClockKind::simulated};
    desktop::Desktop world{loop};
    furlpane_test::TempFolder folder;
    const uint32_t window = world.application("com.example.Editor").window("Draft").add().windows().front()->number();
    auto left = std::make_shared<LeftBehind>();
    ProgramHost host{world, [&] { return std::make_shared<LeavingProgram>(left, window); }, folder.path()};
    ASSERT_TRUE(host.launch());
    loop.advance(0.1);
    ASSERT_TRUE(left->link && left->link->frameCount() > 0);
    ASSERT_TRUE(host.crash());
    left->ended = true;
    loop.advance(3);
    EXPECT_TRUE(world.window(window)->isMinimized());
    EXPECT_EQ(left->ranAfterTheEnd, std::vector<std::string>{});
    EXPECT_FALSE(left->link->isValid());
    // The queue goes on for whoever sends it work next.
    bool next = false;
    loop.queue("com.example.slow").async([&] { next = true; });
    loop.advance(2);
    EXPECT_TRUE(next);
}

}  // namespace
}  // namespace scenario_test
