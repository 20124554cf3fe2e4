#include "platform/runtime/off_main.h"

#include <gtest/gtest.h>

#include <atomic>
#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

namespace platform {
namespace {

// What one job awaited with offMain on the simulated clock did.
struct JobRun {
    int resumptions = 0;
    double resumedAt = -1;
    std::optional<std::vector<int>> result;
    bool workRanOnMain = true;
    double workEndedAt = -1;
};

// A job of `cost` seconds whose work blocks for `blocking` seconds, awaited for `limit`.
JobRun runJob(double cost, double blocking, double limit) {
    MainLoop loop(ClockKind::simulated);
    DispatchQueue& queue = loop.queue("com.brindlewick.FurlpaneNovan.capture");
    queue.setJobCost(cost);
    JobRun run;
    spawnMain([&loop, &queue, &run, blocking, limit]() -> Task<void> {
        auto work = [&loop, &run, blocking] {
            run.workRanOnMain = loop.isMainThread();
            loop.blockFor(blocking);
            run.workEndedAt = loop.now();
            return std::vector<int>(1000, 7);
        };
        auto v = co_await offMain<std::vector<int>>(queue, limit, work);
        ++run.resumptions;
        run.resumedAt = loop.now();
        run.result = std::move(v);
    });
    loop.advance(10);  // long past every job's end: a late result must not resume anyone again
    EXPECT_EQ(queue.finishedJobs(), 1u);
    return run;
}

// The result comes back on the main thread once the job's cost and its blocking calls
// have passed, or nothing at the limit: a job's blocking calls lengthen it like its cost.
TEST(OffMain, TheResultComesBackAfterTheJobOrNothingAtTheLimit) {
    const struct {
        double cost, blocking;
        double resumedAt;
        bool result;
    } cases[] = {{0.3, 0, 0.3, true}, {0, 0.4, 0.4, true}, {2.5, 0, 1.0, false}, {0, 2.0, 1.0, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.cost) + " " + std::to_string(c.blocking));
        const JobRun run = runJob(c.cost, c.blocking, 1.0);
        EXPECT_EQ(run.resumptions, 1);
        EXPECT_DOUBLE_EQ(run.resumedAt, c.resumedAt);
        EXPECT_EQ(run.result ? run.result->size() : 0, c.result ? 1000u : 0u);
        EXPECT_FALSE(run.workRanOnMain);
        EXPECT_DOUBLE_EQ(run.workEndedAt, c.cost + c.blocking);  // the work runs once its job's cost has passed
    }
}

// Cancelling the waiting chain ends the wait with nothing on the next turn; the work
// still runs to its end (its result dropped), unless the chain was cancelled before the
// wait began, when the work is never sent.
TEST(OffMain, CancellationEndsTheWaitWithNothing) {
    const struct {
        const char* name;
        double cancelAt;  // < 0: before the task's first turn
        double resumedAt;
        size_t jobsRun;
    } cases[] = {{"while waiting", 1.0, 1.0, 1}, {"before waiting", -1, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MainLoop loop(ClockKind::simulated);
        DispatchQueue& queue = loop.queue("slow");
        queue.setJobCost(5);
        int resumptions = 0;
        double resumedAt = -1;
        std::optional<int> result{-1};
        auto task = spawnMain([&]() -> Task<void> {
            auto work = [] { return 7; };
            auto v = co_await offMain<int>(queue, 10.0, work);
            ++resumptions;
            resumedAt = loop.now();
            result = v;
        });
        if (c.cancelAt < 0) task.cancel();
        loop.advance(std::max(c.cancelAt, 0.0));
        if (c.cancelAt >= 0) task.cancel();
        loop.runUntilIdle();
        EXPECT_EQ(resumptions, 1);
        EXPECT_DOUBLE_EQ(resumedAt, c.resumedAt);
        EXPECT_EQ(result, std::nullopt);
        loop.advance(20);  // long past the job's end and the limit: nothing resumes again
        EXPECT_EQ(resumptions, 1);
        EXPECT_EQ(queue.finishedJobs(), c.jobsRun);
    }
}

TEST(OffMain, TaskDestroyedWhileWaitingIsNeverResumed) {
    auto lateRan = std::make_shared<bool>(false);
    {
        MainLoop loop(ClockKind::simulated);
        DispatchQueue& queue = loop.queue("slow");
        queue.setJobCost(5);
        spawnMain([&queue, lateRan]() -> Task<void> {
            auto work = [lateRan] {
                *lateRan = true;
                return 1;
            };
            auto v = co_await offMain<int>(queue, 10.0, work);
            (void)v;
        });
        loop.advance(1);
    }  // the loop and the suspended task go away with the job still queued
    EXPECT_FALSE(*lateRan);
}

TEST(OffMain, BlockingCallsInsideAJobLengthenIt) {
    MainLoop loop(ClockKind::simulated);
    DispatchQueue& queue = loop.queue("accessibility");
    std::vector<double> finished;
    for (int i = 0; i < 2; ++i) {
        queue.async([&loop, &finished] {
            loop.blockFor(0.25);  // an application that does not answer
            loop.post([&loop, &finished] { finished.push_back(loop.now()); });
        });
    }
    loop.advance(1);
    // Serial: the second job starts when the first one has ended.
    EXPECT_EQ(finished, (std::vector<double>{0.25, 0.5}));
}

TEST(OffMain, AJobThatPollsUntilADeadlineSeesItsOwnBlockingTime) {
    MainLoop loop(ClockKind::simulated);
    DispatchQueue& queue = loop.queue("poll");
    int reads = 0;
    queue.async([&loop, &reads] {
        const double deadline = loop.now() + 0.6;
        while (loop.now() < deadline) {  // would never end if time stood still in the job
            ++reads;
            loop.blockFor(0.25);
            loop.blockFor(0.01);
        }
    });
    loop.advance(2);
    EXPECT_EQ(reads, 3);
    EXPECT_EQ(queue.finishedJobs(), 1u);
}

TEST(OffMain, ThreadQueueUnderTheSimulatedClockHoldsTimeUntilTheJobIsBack) {
    MainLoop loop(ClockKind::simulated);
    ThreadDispatchQueue queue("threaded", loop);
    auto result = runToCompletion(loop, [](DispatchQueue* q) -> Task<std::optional<int>> {
        auto work = [] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            return 5;
        };
        auto v = co_await offMain<int>(*q, 1.0, work);
        co_return v;
    }(&queue));
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, std::optional<int>(5));
    EXPECT_DOUBLE_EQ(loop.now(), 0);  // real time passed, simulated time did not
}

TEST(OffMain, RealClockTimeoutDropsTheLateResult) {
    MainLoop loop(ClockKind::real);
    std::atomic<bool> release{false};
    DispatchQueue& queue = loop.queue("real");
    auto result = runToCompletion(loop, [](DispatchQueue* q, std::atomic<bool>* r) -> Task<std::optional<int>> {
        auto work = [r] {
            while (!r->load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return 9;
        };
        auto v = co_await offMain<int>(*q, 0.05, work);
        co_return v;
    }(&queue, &release));
    ASSERT_TRUE(result.has_value());
    EXPECT_FALSE(result->has_value());
    release = true;
    loop.runInMode(modes::kDefault, 0.05, nullptr);
}

}  // namespace
}  // namespace platform
