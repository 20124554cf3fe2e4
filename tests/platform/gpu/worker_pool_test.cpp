#include "platform/gpu/worker_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>

namespace platform::gpu {
namespace {

// An index that throws, on the calling thread or on one of the pool's, once every thread
// holds an index of its own. The others stay in the job until the caller is back, or a
// while at most: a parallelFor that left early would find them still there, running a
// job whose objects are going. The pool then takes the next job whole.
TEST(WorkerPool, AnIndexThatThrowsLeavesTheCallerOnlyOnceNoThreadIsInTheJob) {
    constexpr int kThreads = 4;
    WorkerPool pool(kThreads);
    const auto caller = std::this_thread::get_id();
    for (const bool callerThrows : {true, false}) {
        std::mutex mutex;
        std::condition_variable changed;
        int inside = 0;
        bool throwerChosen = false, callerBack = false;
        const auto aWhile = std::chrono::milliseconds(200);
        const auto job = [&](int) {
            std::unique_lock lock(mutex);
            ++inside;
            changed.notify_all();
            if ((std::this_thread::get_id() == caller) == callerThrows && !std::exchange(throwerChosen, true)) {
                changed.wait_for(lock, aWhile, [&] { return inside == kThreads; });
                --inside;
                throw std::runtime_error("no room");
            }
            changed.wait_for(lock, aWhile, [&] { return callerBack; });
            --inside;
        };
        EXPECT_THROW(pool.parallelFor(kThreads, job), std::runtime_error) << callerThrows;
        {
            std::lock_guard lock(mutex);
            EXPECT_EQ(inside, 0) << callerThrows;
            callerBack = true;
        }
        changed.notify_all();
        std::atomic<int> ran{0};
        pool.parallelFor(100, [&](int) { ++ran; });
        EXPECT_EQ(ran, 100) << callerThrows;
    }
}

}  // namespace
}  // namespace platform::gpu
