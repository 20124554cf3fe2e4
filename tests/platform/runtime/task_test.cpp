#include "platform/runtime/task.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/runtime/dispatch_queue.h"

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

// What a task waiting on a list gets back, and when, for each way its wait can end.
TEST(Task, EveryWaitOnAListEndsWokenCancelledOrWithTheList) {
    enum class End { resumeAll, cancelBeforeWaiting, cancelWhileWaiting, listGoesAway };
    const struct {
        End end;
        std::string expected;
    } cases[] = {
        {End::resumeAll, "woken @2"},
        {End::cancelBeforeWaiting, "not woken @0"},
        {End::cancelWhileWaiting, "not woken @1"},
        {End::listGoesAway, "not woken @1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        MainLoop loop(ClockKind::simulated);
        auto waiters = std::make_unique<ContinuationList>();
        std::vector<std::string> log;
        auto task = spawnMain([&loop, &log, list = waiters.get()]() -> Task<void> {
            const bool woken = co_await list->wait();
            log.push_back(std::string(woken ? "woken" : "not woken") + " @" + std::to_string(int(loop.now())));
        });
        if (c.end == End::cancelBeforeWaiting) task.cancel();  // before its first turn
        loop.advance(1);
        if (c.end == End::cancelWhileWaiting) task.cancel();
        if (c.end == End::listGoesAway) waiters.reset();
        loop.runUntilIdle();
        EXPECT_EQ(waiters ? waiters->size() : 0, c.end == End::resumeAll ? 1u : 0u);
        loop.advance(1);
        if (c.end == End::resumeAll) waiters->resumeAll();
        loop.runUntilIdle();
        EXPECT_EQ(log, std::vector<std::string>{c.expected});
        EXPECT_TRUE(task.isFinished());
    }
}

TEST(Task, CancellingOneWaiterLeavesTheOthersWaitingInOrder) {
    MainLoop loop(ClockKind::simulated);
    ContinuationList waiters;
    std::vector<std::string> log;
    std::vector<TaskHandle> tasks;
    for (int i = 0; i < 3; ++i) {
        tasks.push_back(spawnMain([&waiters, &log, i]() -> Task<void> {
            const bool woken = co_await waiters.wait();
            log.push_back(std::to_string(i) + (woken ? " woken" : " cancelled"));
        }));
    }
    loop.runUntilIdle();
    tasks[1].cancel();
    loop.runUntilIdle();
    EXPECT_EQ(waiters.size(), 2u);
    tasks[1].cancel();  // a second cancel finds nothing to wake
    waiters.resumeAll();
    tasks[0].cancel();  // woken already: the cancel comes too late to change that
    loop.runUntilIdle();
    EXPECT_EQ(log, (std::vector<std::string>{"1 cancelled", "0 woken", "2 woken"}));
}

// Broken invariants stop the process at the spot, whichever build runs.
TEST(TaskDeathTest, BrokenInvariantsStopTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            MainLoop loop(ClockKind::simulated);
            auto child = twice(1);
            spawnMain([&child]() -> Task<void> {
                const int first = co_await child;
                const int again = co_await child;
                (void)first;
                (void)again;
            });
            loop.runUntilIdle();
        },
        "a task is awaited once");
    // Calls that belong to the main thread, made from a queue's job.
    ContinuationList waiters;
    const std::function<void(MainLoop&)> mainThreadCalls[] = {
        [](MainLoop& loop) { loop.add(Timer::make(1, false, [] {}), modes::kDefault); },
        [](MainLoop&) { spawnMain([]() -> Task<void> { co_return; }); },
        [&waiters](MainLoop&) { waiters.resumeAll(); },
        [](MainLoop& loop) { loop.runUntilIdle(); },
    };
    for (const auto& call : mainThreadCalls) {
        for (const ClockKind clock : {ClockKind::simulated, ClockKind::real}) {
            EXPECT_DEATH(
                {
                    MainLoop loop(clock);
                    loop.queue("jobs").async([&loop, &call] { call(loop); });
                    loop.runInMode(modes::kDefault, 1, nullptr);
                },
                "belongs to the main thread");
        }
    }
}

}  // namespace
}  // namespace platform
