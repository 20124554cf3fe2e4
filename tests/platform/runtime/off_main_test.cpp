#include "platform/runtime/off_main.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <vector>

namespace platform {
namespace {

TEST(OffMain, ResultComesBackOnTheMainThreadAfterTheJobsCost) {
    MainLoop loop(ClockKind::simulated);
    SerialQueue& queue = loop.queue("com.brindlewick.FurlpaneNovan.capture");
    queue.setJobCost(0.3);
    bool workOnMain = true;
    auto result = runToCompletion(loop, [](SerialQueue* q, bool* onMain) -> Task<std::optional<int>> {
        auto work = [onMain] {
            *onMain = MainLoop::main().isMainThread();
            return 42;
        };
        auto v = co_await offMain<int>(*q, 1.0, work);
        co_return v;
    }(&queue, &workOnMain));
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, std::optional<int>(42));
    EXPECT_FALSE(workOnMain);
    EXPECT_DOUBLE_EQ(loop.now(), 0.3);
}

TEST(OffMain, SlowJobTimesOutOnceAndItsLateResultIsDropped) {
    MainLoop loop(ClockKind::simulated);
    SerialQueue& queue = loop.queue("slow");
    queue.setJobCost(2.5);
    auto resumptions = std::make_shared<int>(0);
    auto lateRan = std::make_shared<bool>(false);
    std::optional<std::vector<int>> got;
    spawnMain([&queue, resumptions, lateRan, &got]() -> Task<void> {
        auto work = [lateRan] {
            *lateRan = true;
            return std::vector<int>(1000, 7);
        };
        auto v = co_await offMain<std::vector<int>>(queue, 1.0, work);
        ++*resumptions;
        got = std::move(v);
    });
    loop.advance(1.0);
    EXPECT_EQ(*resumptions, 1);
    EXPECT_FALSE(got.has_value());
    EXPECT_FALSE(*lateRan);
    loop.advance(5);  // the job finishes; its result must not resume anyone again
    EXPECT_TRUE(*lateRan);
    EXPECT_EQ(*resumptions, 1);
    EXPECT_EQ(queue.finishedJobs(), 1u);
}

TEST(OffMain, TaskDestroyedWhileWaitingIsNeverResumed) {
    auto lateRan = std::make_shared<bool>(false);
    {
        MainLoop loop(ClockKind::simulated);
        SerialQueue& queue = loop.queue("slow");
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
    SerialQueue& queue = loop.queue("accessibility");
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
    SerialQueue& queue = loop.queue("poll");
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
    ThreadSerialQueue queue("threaded", loop);
    auto result = runToCompletion(loop, [](SerialQueue* q) -> Task<std::optional<int>> {
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
    SerialQueue& queue = loop.queue("real");
    auto result = runToCompletion(loop, [](SerialQueue* q, std::atomic<bool>* r) -> Task<std::optional<int>> {
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

namespace platform {
namespace {

// A job's blocking calls lengthen it on the simulated clock: work that blocks past the
// limit inside its job times out like work whose job cost is past the limit.
TEST(OffMain, BlockingInsideTheJobPastTheLimitTimesOut) {
    MainLoop loop(ClockKind::simulated);
    SerialQueue& queue = loop.queue("com.brindlewick.FurlpaneNovan.capture");
    std::vector<std::pair<double, bool>> resumed;
    spawnMain([&loop, &queue, &resumed]() -> Task<void> {
        auto work = [&loop] {
            loop.blockFor(2.0);  // a window server that takes two seconds to answer
            return 3;
        };
        auto v = co_await offMain<int>(queue, 1.0, work);
        resumed.emplace_back(MainLoop::main().now(), v.has_value());
    });
    loop.advance(5);
    ASSERT_EQ(resumed.size(), 1u);
    EXPECT_DOUBLE_EQ(resumed[0].first, 1.0);
    EXPECT_FALSE(resumed[0].second);
}

TEST(OffMain, BlockingInsideTheJobWithinTheLimitGivesTheResultWhenTheJobEnds) {
    MainLoop loop(ClockKind::simulated);
    SerialQueue& queue = loop.queue("com.brindlewick.FurlpaneNovan.capture");
    std::vector<std::pair<double, int>> resumed;
    spawnMain([&loop, &queue, &resumed]() -> Task<void> {
        auto work = [&loop] {
            loop.blockFor(0.4);
            return 3;
        };
        auto v = co_await offMain<int>(queue, 1.0, work);
        resumed.emplace_back(MainLoop::main().now(), v.value_or(-1));
    });
    loop.advance(5);
    ASSERT_EQ(resumed.size(), 1u);
    EXPECT_DOUBLE_EQ(resumed[0].first, 0.4);
    EXPECT_EQ(resumed[0].second, 3);
}

}  // namespace
}  // namespace platform
