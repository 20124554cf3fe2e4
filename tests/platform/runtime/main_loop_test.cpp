#include "platform/runtime/main_loop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace platform {
namespace {

TEST(MainLoop, PostedWorkRunsLaterInPostingOrder) {
    MainLoop loop(ClockKind::simulated);
    std::vector<int> order;
    loop.post([&] {
        order.push_back(1);
        // Posting from inside work never runs the new work inline.
        loop.post([&] { order.push_back(3); });
        order.push_back(2);
    });
    loop.post([&] { order.push_back(4); });
    EXPECT_TRUE(order.empty());
    loop.runUntilIdle();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 4, 3}));
}

TEST(MainLoop, DelayedWorkAndTimersRunAtTheirTimesInOrder) {
    MainLoop loop(ClockKind::simulated);
    std::vector<std::string> log;
    loop.postAfter(0.5, [&] { log.push_back("after 0.5 @" + std::to_string(loop.now())); });
    auto timer = Timer::make(0.2, true, [&] { log.push_back("tick @" + std::to_string(loop.now())); });
    loop.add(timer, modes::kCommon);
    loop.advance(0.65);
    EXPECT_EQ(log, (std::vector<std::string>{"tick @0.200000", "tick @0.400000", "after 0.5 @0.500000",
                                             "tick @0.600000"}));
    EXPECT_DOUBLE_EQ(loop.now(), 0.65);
    timer->invalidate();
    loop.advance(1);
    EXPECT_EQ(log.size(), 4u);
}

TEST(MainLoop, SimulatedTimeNeverGoesBackwards) {
    MainLoop loop(ClockKind::simulated);
    double last = loop.now();
    bool monotonic = true;
    for (int i = 0; i < 50; ++i) {
        loop.postAfter((i * 7 % 11) * 0.01, [&] {
            monotonic = monotonic && loop.now() >= last;
            last = loop.now();
        });
    }
    loop.advance(0.5);
    loop.advance(-3);  // a negative step is no step
    EXPECT_TRUE(monotonic);
    EXPECT_DOUBLE_EQ(loop.now(), 0.5);
}

TEST(MainLoop, RepeatingTimerFiresOnceForMissedFiringsAndKeepsItsPhase) {
    MainLoop loop(ClockKind::simulated);
    std::vector<double> fired;
    auto timer = Timer::make(0.1, true, [&] { fired.push_back(loop.now()); });
    timer->setTolerance(0.02);
    loop.add(timer, modes::kCommon);
    loop.post([&] { loop.blockFor(0.35); });  // a long call on the main thread
    loop.advance(0.45);
    ASSERT_EQ(fired.size(), 2u);
    EXPECT_DOUBLE_EQ(fired[0], 0.35);  // late, once for the firings at 0.1 .. 0.3
    EXPECT_NEAR(fired[1], 0.4, 1e-9);  // back on the original phase
}

TEST(MainLoop, TimersAndSourcesRunOnlyInTheirModes) {
    MainLoop loop(ClockKind::simulated);
    std::vector<std::string> log;
    auto both = Timer::make(0.1, true, [&] { log.push_back("both"); });
    loop.add(both, modes::kCommon);
    loop.add(both, modes::kDockMessage);
    auto commonOnly = Timer::make(0.1, true, [&] { log.push_back("common"); });
    loop.add(commonOnly, modes::kCommon);
    auto source = RunLoopSource::make("tap");
    loop.add(source, modes::kDockMessage);

    loop.post([&] { log.push_back("posted"); });
    source->signal([&] { log.push_back("source"); });
    // Waiting in the private mode: only what was added to it runs; posted work waits.
    loop.runInMode(modes::kDockMessage, 0.15, nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"source", "both"}));
    log.clear();
    loop.runUntilIdle();
    // Back in the default mode: the main queue and the common timer catch up.
    EXPECT_EQ(log, (std::vector<std::string>{"posted", "common"}));
    both->invalidate();
    commonOnly->invalidate();
}

TEST(MainLoop, SourceWorkWaitsUntilAddedAndInvalidationDropsIt) {
    MainLoop loop(ClockKind::simulated);
    int runs = 0;
    auto source = RunLoopSource::make("observer");
    source->signal([&] { ++runs; });
    loop.runUntilIdle();
    EXPECT_EQ(runs, 0);
    loop.add(source, modes::kCommon);
    loop.runUntilIdle();
    EXPECT_EQ(runs, 1);

    source->signal([&] { ++runs; });
    loop.remove(source, modes::kCommon);
    EXPECT_FALSE(source->isAttached());
    loop.runUntilIdle();
    EXPECT_EQ(runs, 1);
    source->invalidate();
    loop.add(source, modes::kCommon);
    loop.runUntilIdle();
    EXPECT_EQ(runs, 1);
}

TEST(MainLoop, CommonModesIncludeModesAddedLater) {
    MainLoop loop(ClockKind::simulated);
    int fired = 0;
    auto timer = Timer::make(0.1, false, [&] { ++fired; });
    loop.add(timer, modes::kCommon);
    loop.runInMode("custom", 0.2, nullptr);
    EXPECT_EQ(fired, 0);
    loop.addCommonMode("custom");
    loop.runInMode("custom", 0.2, nullptr);
    EXPECT_EQ(fired, 1);
    EXPECT_FALSE(timer->isValid());  // a one-shot timer is done after firing
}

TEST(MainLoop, RunInModeStopsWhenSatisfied) {
    MainLoop loop(ClockKind::simulated);
    bool flag = false;
    auto source = RunLoopSource::make("s");
    loop.add(source, modes::kDockMessage);
    loop.postOffMainEvent(0.3, [&] { source->signal([&] { flag = true; }); });
    EXPECT_TRUE(loop.runInMode(modes::kDockMessage, 1.0, [&] { return flag; }));
    EXPECT_DOUBLE_EQ(loop.now(), 0.3);
    EXPECT_FALSE(loop.runInMode(modes::kDockMessage, 0.5, [] { return false; }));
    EXPECT_DOUBLE_EQ(loop.now(), 0.8);
}

TEST(MainLoop, PostsFromOtherThreadsArriveInOrder) {
    MainLoop loop(ClockKind::real);
    EXPECT_TRUE(loop.isMainThread());
    std::vector<int> order;
    bool workerOnMain = true;
    std::thread worker([&] {
        workerOnMain = loop.isMainThread();
        for (int i = 0; i < 100; ++i) loop.post([&order, i] { order.push_back(i); });
        loop.post([&] { loop.stop(); });
    });
    loop.run();
    worker.join();
    EXPECT_FALSE(workerOnMain);
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(order[i], i);
}

TEST(MainLoop, RealClockTimerFires) {
    MainLoop loop(ClockKind::real);
    const double start = loop.now();
    auto timer = Timer::make(0.02, false, [&] { loop.stop(); });
    loop.add(timer, modes::kCommon);
    loop.run();
    EXPECT_GE(loop.now() - start, 0.02);
}

}  // namespace
}  // namespace platform
