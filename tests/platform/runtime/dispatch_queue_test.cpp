// Dispatch queues: a serial one runs its jobs in turn, a concurrent one side by side, on
// the simulated clock each in its own time and on threads up to the pool's width; nothing
// sent is lost or run twice, and nothing of a run that ended runs.

#include "platform/runtime/dispatch_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/runtime/main_loop.h"
#include "platform/runtime/process_run.h"

namespace platform {
namespace {

// What each simulated job handed back, by job, with the loop time it arrived at.
using Arrivals = std::map<int, double>;

void sendBlocking(DispatchQueue& queue, MainLoop& loop, Arrivals& arrivals, int job, double blocks) {
    queue.async([&loop, &arrivals, job, blocks] {
        loop.blockFor(blocks);
        loop.post([&loop, &arrivals, job] { arrivals[job] = loop.now(); });
    });
}

TEST(DispatchQueue, SimulatedJobsEachTakeTheirOwnTime) {
    MainLoop loop(ClockKind::simulated);
    DispatchQueue& queue = loop.concurrentQueue("side by side");
    EXPECT_EQ(&queue, &loop.concurrentQueue("side by side"));
    Arrivals arrivals;
    sendBlocking(queue, loop, arrivals, 0, 0.5);
    sendBlocking(queue, loop, arrivals, 1, 0.5);
    sendBlocking(queue, loop, arrivals, 2, 0.2);
    queue.setJobCost(0.1);
    sendBlocking(queue, loop, arrivals, 3, 0.5);
    EXPECT_EQ(queue.pendingJobs(), 4u);

    loop.advance(0.3);
    EXPECT_EQ(arrivals, (Arrivals{{2, 0.2}}));
    loop.advance(1);
    // A serial queue would have handed them back at 0.5, 1.0, 1.2 and 1.8.
    EXPECT_EQ(arrivals, (Arrivals{{0, 0.5}, {1, 0.5}, {2, 0.2}, {3, 0.6}}));
    EXPECT_EQ(queue.pendingJobs(), 0u);
    EXPECT_EQ(queue.finishedJobs(), 4u);
}

TEST(DispatchQueue, ASimulatedJobSendsOnlyWhenItEnds) {
    MainLoop loop(ClockKind::simulated);
    DispatchQueue& queue = loop.concurrentQueue("nested");
    Arrivals arrivals;
    queue.async([&] {
        loop.blockFor(0.3);
        sendBlocking(queue, loop, arrivals, 1, 0.2);
        EXPECT_EQ(queue.pendingJobs(), 1u) << "the job it sent is not sent yet";
    });
    loop.advance(1);
    EXPECT_EQ(arrivals, (Arrivals{{1, 0.5}}));
    EXPECT_EQ(queue.finishedJobs(), 2u);
}

TEST(DispatchQueue, JobsOfARunThatEndedNeverRunTheirWork) {
    MainLoop loop(ClockKind::simulated);
    DispatchQueue& queue = loop.concurrentQueue("dropped");
    Arrivals arrivals;
    sendBlocking(queue, loop, arrivals, 0, 1.0);  // the system's: runs its work at once, ends at 1.0
    auto run = ProcessRun::begin();
    queue.setJobCost(0.5);
    {
        InRun as(run);
        sendBlocking(queue, loop, arrivals, 1, 0);
    }
    loop.advance(0.1);
    run->end();
    EXPECT_EQ(queue.pendingJobs(), 2u);
    loop.advance(2);
    EXPECT_EQ(arrivals, (Arrivals{{0, 1.0}}));
    EXPECT_EQ(queue.pendingJobs(), 0u);
    // The queue goes on taking jobs.
    sendBlocking(queue, loop, arrivals, 2, 0);
    loop.advance(1);
    EXPECT_EQ(arrivals.count(2), 1u);
}

TEST(DispatchQueue, ASerialQueueRunsOneJobAfterAnother) {
    MainLoop loop(ClockKind::simulated);
    DispatchQueue& queue = loop.queue("in turn");
    EXPECT_EQ(queue.width(), 1u);
    Arrivals arrivals;
    sendBlocking(queue, loop, arrivals, 0, 0.5);
    sendBlocking(queue, loop, arrivals, 1, 0.5);
    sendBlocking(queue, loop, arrivals, 2, 0.2);
    loop.advance(2);
    EXPECT_EQ(arrivals, (Arrivals{{0, 0.5}, {1, 1.0}, {2, 1.2}}));
}

// As many jobs as the pool is wide all run at once: each waits until every one of them
// has started, which a queue that ran them in turn would never let happen. One more waits
// for a free thread.
TEST(DispatchQueue, ThreadJobsRunSideBySideUpToThePoolsWidth) {
    MainLoop loop(ClockKind::real);
    ThreadDispatchQueue queue("pool", loop, 3);
    ASSERT_EQ(queue.width(), 3u);
    std::mutex mutex;
    std::condition_variable cv;
    int started = 0;
    bool open = false;
    std::atomic<int> metAll{0};
    std::atomic<int> finished{0};
    for (int i = 0; i < 4; ++i) {
        queue.async([&] {
            std::unique_lock lock(mutex);
            ++started;
            cv.notify_all();
            if (cv.wait_for(lock, std::chrono::seconds(10), [&] { return started >= 3 || open; })) ++metAll;
            cv.wait_for(lock, std::chrono::seconds(10), [&] { return open; });
            if (++finished == 4) loop.post([&loop] { loop.stop(); });
        });
    }
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(10), [&] { return started >= 3; }));
        EXPECT_EQ(started, 3) << "a fourth job ran while three held every thread";
        EXPECT_EQ(queue.pendingJobs(), 4u);
        open = true;
    }
    cv.notify_all();
    loop.run();
    EXPECT_EQ(metAll.load(), 4);
    EXPECT_EQ(finished.load(), 4);
}

TEST(DispatchQueue, AQueueGoingAwayDropsWhatWaitsAndWaitsForWhatRuns) {
    MainLoop loop(ClockKind::real);
    std::atomic<int> ran{0};
    std::atomic<bool> running{false};
    std::atomic<bool> release{false};
    std::thread releaser;
    {
        ThreadDispatchQueue queue("short-lived", loop, 1);
        queue.async([&] {
            running = true;
            while (!release) std::this_thread::yield();
            ++ran;
        });
        queue.async([&] { ran += 10; });
        while (!running) std::this_thread::yield();
        releaser = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            release = true;
        });
    }
    releaser.join();
    // The running job ended before the queue went; the waiting one never ran.
    EXPECT_EQ(ran.load(), 1);
    EXPECT_EQ(loop.runUntilIdle(), 0u);
}

}  // namespace
}  // namespace platform
