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

// Jobs that each hold their thread until `quorum` of them have started (which jobs run in
// turn never reach), then until the gate opens; the last to finish stops the loop.
class Gate {
public:
    Gate(MainLoop& loop, int quorum, int jobs) : loop_(loop), quorum_(quorum), jobs_(jobs) {}

    void send(DispatchQueue& queue) {
        for (int i = 0; i < jobs_; ++i) queue.async([this] { hold(); });
    }
    // Whether `count` jobs started within a while; the count at that moment.
    int waitForStarts(int count) {
        std::unique_lock lock(mutex_);
        cv_.wait_for(lock, std::chrono::seconds(10), [&] { return started_ >= count; });
        return started_;
    }
    // Opens the gate and runs the loop until every job finished.
    void openAndFinish() {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        cv_.notify_all();
        loop_.run();
    }
    int metQuorum() const { return metQuorum_; }
    int finished() const { return finished_; }

private:
    void hold() {
        std::unique_lock lock(mutex_);
        ++started_;
        cv_.notify_all();
        if (cv_.wait_for(lock, std::chrono::seconds(10), [&] { return started_ >= quorum_ || open_; })) ++metQuorum_;
        cv_.wait_for(lock, std::chrono::seconds(10), [&] { return open_; });
        if (++finished_ == jobs_) loop_.post([this] { loop_.stop(); });
    }

    MainLoop& loop_;
    const int quorum_;
    const int jobs_;
    std::mutex mutex_;
    std::condition_variable cv_;
    int started_ = 0;
    bool open_ = false;
    std::atomic<int> metQuorum_{0};
    std::atomic<int> finished_{0};
};

// As many jobs as the pool is wide all run at once: each waits until every one of them
// has started, which a queue that ran them in turn would never let happen. One more waits
// for a free thread.
TEST(DispatchQueue, ThreadJobsRunSideBySideUpToThePoolsWidth) {
    MainLoop loop(ClockKind::real);
    ThreadDispatchQueue queue("pool", loop, 3);
    ASSERT_EQ(queue.width(), 3u);
    Gate gate(loop, 3, 4);
    gate.send(queue);
    ASSERT_GE(gate.waitForStarts(3), 3);
    EXPECT_EQ(gate.waitForStarts(3), 3) << "a fourth job ran while three held every thread";
    EXPECT_EQ(queue.pendingJobs(), 4u);
    gate.openAndFinish();
    EXPECT_EQ(gate.metQuorum(), 4);
    EXPECT_EQ(gate.finished(), 4);
}

// A pool that may grow gives a job that finds every thread held a thread of its own, up
// to its limit; once idle, the threads beyond those it keeps end.
TEST(DispatchQueue, AGrowingPoolAddsThreadsWhileItsThreadsAreHeld) {
    MainLoop loop(ClockKind::real);
    ThreadDispatchQueue queue("growing", loop, {.kept = 2, .limit = 6, .idleLife = 0.05});
    EXPECT_EQ(queue.width(), 6u);
    EXPECT_EQ(queue.threadCount(), 2u);
    Gate gate(loop, 6, 7);
    gate.send(queue);
    ASSERT_GE(gate.waitForStarts(6), 6) << "the jobs waited for the two threads kept";
    EXPECT_EQ(gate.waitForStarts(6), 6) << "a seventh job ran beyond the limit";
    EXPECT_EQ(queue.threadCount(), 6u);
    gate.openAndFinish();
    EXPECT_EQ(gate.metQuorum(), 7);
    for (int i = 0; i < 1000 && queue.threadCount() > 2; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(queue.threadCount(), 2u);
    // The queue goes on with the threads it keeps.
    std::atomic<bool> ran{false};
    queue.async([&] {
        ran = true;
        loop.post([&loop] { loop.stop(); });
    });
    loop.run();
    EXPECT_TRUE(ran);
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
