#include "platform/runtime/task.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace platform {
namespace {

Task<int> twice(int x) {
    co_return x * 2;
}

Task<int> sumOfTwice(int a, int b) {
    const int x = co_await twice(a);
    const int y = co_await twice(b);
    co_return x + y;
}

TEST(Task, SpawnedTasksStartOnALaterTurnInSpawnOrderAndChildrenRunInline) {
    MainLoop loop(ClockKind::simulated);
    std::vector<std::string> log;
    std::vector<TaskHandle> handles;
    for (int i = 0; i < 3; ++i) {
        handles.push_back(spawnMain([&log, i]() -> Task<void> {
            log.push_back("start " + std::to_string(i));
            const int v = co_await sumOfTwice(i, 1);
            log.push_back("sum " + std::to_string(v));
            co_await yieldTurn();
            log.push_back("end " + std::to_string(i));
        }));
    }
    log.push_back("spawned");
    EXPECT_FALSE(handles[0].isFinished());
    loop.runUntilIdle();
    EXPECT_EQ(log, (std::vector<std::string>{"spawned", "start 0", "sum 2", "start 1", "sum 4", "start 2", "sum 6",
                                             "end 0", "end 1", "end 2"}));
    EXPECT_TRUE(handles[0].isFinished());
    EXPECT_EQ(loop.tasks().count(), 0u);
}

TEST(Task, SleepResumesAfterItsTimeAndCancellationWakesItEarly) {
    MainLoop loop(ClockKind::simulated);
    std::vector<std::string> log;
    auto sleeper = spawnMain([&]() -> Task<void> {
        const bool full = co_await sleepFor(1.0);
        log.push_back(std::string(full ? "slept" : "cancelled") + " @" + std::to_string(loop.now()));
        const bool again = co_await sleepFor(1.0);  // already cancelled: returns at once
        log.push_back(again ? "slept again" : "still cancelled");
        const bool cancelled = co_await isCancelled();
        log.push_back(cancelled ? "sees cancel" : "no cancel");
    });
    auto plain = spawnMain([&]() -> Task<void> {
        const bool full = co_await sleepFor(0.5);
        log.push_back(std::string(full ? "plain slept" : "plain cancelled") + " @" + std::to_string(loop.now()));
    });
    loop.advance(0.6);
    sleeper.cancel();
    loop.runUntilIdle();
    EXPECT_EQ(log, (std::vector<std::string>{"plain slept @0.500000", "cancelled @0.600000", "still cancelled",
                                             "sees cancel"}));
    loop.advance(2);
    EXPECT_EQ(log.size(), 4u);
}

TEST(Task, ContinuationWaitersResumeInOrderOnLaterTurns) {
    MainLoop loop(ClockKind::simulated);
    ContinuationList waiters;
    std::vector<int> order;
    for (int i = 0; i < 3; ++i) {
        spawnMain([&waiters, &order, i]() -> Task<void> {
            co_await waiters.wait();
            order.push_back(i);
        });
    }
    loop.runUntilIdle();
    EXPECT_EQ(waiters.size(), 3u);
    loop.post([&] {
        waiters.resumeAll();
        order.push_back(-1);  // the waiters run after the code that woke them
    });
    loop.runUntilIdle();
    EXPECT_EQ(order, (std::vector<int>{-1, 0, 1, 2}));
    EXPECT_TRUE(waiters.empty());
}

struct Owner : std::enable_shared_from_this<Owner> {
    std::vector<std::string>* log;
    explicit Owner(std::vector<std::string>* l) : log(l) {}
    ~Owner() { log->push_back("owner gone"); }
    void start() {
        spawnMainHolding(weak_from_this(), [](std::shared_ptr<Owner> self) -> Task<void> {
            self->log->push_back("started");
            co_return;
        });
    }
};

TEST(Task, TaskHoldingItsOwnerWeaklyDoesNothingWhenTheOwnerIsGone) {
    MainLoop loop(ClockKind::simulated);
    std::vector<std::string> log;
    auto alive = std::make_shared<Owner>(&log);
    alive->start();
    auto dropped = std::make_shared<Owner>(&log);
    dropped->start();
    dropped.reset();
    loop.runUntilIdle();
    EXPECT_EQ(log, (std::vector<std::string>{"owner gone", "started"}));
}

struct Tracked {
    int* live;
    explicit Tracked(int* l) : live(l) { ++*live; }
    ~Tracked() { --*live; }
};

Task<void> holdsAndWaits(ContinuationList* waiters, int* live, bool* resumed) {
    Tracked t(live);
    co_await waiters->wait();
    *resumed = true;
}

TEST(Task, LoopGoingAwayDestroysSuspendedTasksAndDropsLateResumptions) {
    int live = 0;
    bool resumed = false;
    ContinuationList waiters;  // outlives the loop: its entries must never run
    {
        MainLoop loop(ClockKind::simulated);
        spawnMain([&]() -> Task<void> {
            auto t = holdsAndWaits(&waiters, &live, &resumed);
            co_await t;
        });
        spawnMain([]() -> Task<void> {
            co_await sleepFor(100);
        });
        loop.runUntilIdle();
        EXPECT_EQ(live, 1);
        EXPECT_EQ(loop.tasks().count(), 2u);
    }
    EXPECT_EQ(live, 0);
    MainLoop next(ClockKind::simulated);
    waiters.resumeAll();
    next.runUntilIdle();
    EXPECT_FALSE(resumed);
}

TEST(Task, RunToCompletionGivesTheResult) {
    MainLoop loop(ClockKind::simulated);
    auto slow = []() -> Task<std::string> {
        co_await sleepFor(2);
        co_return std::string("done");
    };
    auto result = runToCompletion(loop, slow());
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, "done");
    EXPECT_DOUBLE_EQ(loop.now(), 2);
    auto never = [](ContinuationList* w) -> Task<int> {
        co_await w->wait();
        co_return 1;
    };
    ContinuationList w;
    EXPECT_FALSE(runToCompletion(loop, never(&w), 5).has_value());
}

}  // namespace
}  // namespace platform
