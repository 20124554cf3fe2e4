// The run loop and the serial queues used from several threads at once, on the real
// clock and on the simulated one. Run under ThreadSanitizer (build/tsan) these cases
// show that what the runtime calls safe from any thread is; in every build they check
// that nothing sent from a thread is lost, run twice or run out of its order.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/appkit/animation.h"
#include "platform/runtime/dispatch_queue.h"
#include "platform/runtime/main_loop.h"
#include "platform/runtime/process_run.h"
#include "tests/support/thread_exit_registrations.h"

namespace platform {
namespace {

constexpr int kThreads = 4;
constexpr int kItems = 200;

// What arrived on the main thread, by sender, in arrival order.
using Arrivals = std::map<std::string, std::vector<int>>;

void expectAllInOrder(const Arrivals& arrivals, const std::vector<std::string>& senders) {
    ASSERT_EQ(arrivals.size(), senders.size());
    for (const auto& sender : senders) {
        SCOPED_TRACE(sender);
        const auto& items = arrivals.at(sender);
        ASSERT_EQ(items.size(), size_t(kItems));
        for (int i = 0; i < kItems; ++i) EXPECT_EQ(items[size_t(i)], i);
    }
}

// Threads post to the main loop and send jobs to one queue at once; each job posts back.
// Every item arrives once, each sender's in the order it sent them.
TEST(RuntimeThreads, ThreadsPostAndSendJobsWhileTheLoopRuns) {
    MainLoop loop(ClockKind::real);
    DispatchQueue& queue = loop.queue("shared");
    Arrivals arrivals;
    std::atomic<int> arrived{0};
    auto arrive = [&](std::string sender, int i) {
        arrivals[sender].push_back(i);
        if (arrived.fetch_add(1) + 1 == 2 * kThreads * kItems) loop.stop();
    };
    std::vector<std::thread> threads;
    std::vector<std::string> senders;
    for (int t = 0; t < kThreads; ++t) {
        const std::string posts = "posts " + std::to_string(t);
        const std::string jobs = "jobs " + std::to_string(t);
        senders.insert(senders.end(), {posts, jobs});
        threads.emplace_back([&, posts, jobs] {
            for (int i = 0; i < kItems; ++i) {
                loop.post([&arrive, posts, i] { arrive(posts, i); });
                queue.async([&loop, &arrive, jobs, i] { loop.post([&arrive, jobs, i] { arrive(jobs, i); }); });
            }
        });
    }
    loop.run();
    for (auto& t : threads) t.join();
    expectAllInOrder(arrivals, senders);
    // The last job's post can reach the loop before that job counts as finished; a job
    // sent after every other one sees them all finished, since the queue runs one at a time.
    std::atomic<size_t> finishedBefore{0};
    queue.async([&] {
        finishedBefore = queue.finishedJobs();
        loop.post([&loop] { loop.stop(); });
    });
    loop.run();
    EXPECT_EQ(finishedBefore.load(), size_t(kThreads * kItems));
}

// A job on a thread of its own sends work to a simulated queue, while the main thread
// sends to the same queue: the simulated queue takes both, and the simulated clock
// waits for the thread's jobs before it moves.
TEST(RuntimeThreads, ThreadJobsSendToASimulatedQueue) {
    MainLoop loop(ClockKind::simulated);
    ThreadDispatchQueue worker("worker", loop);
    DispatchQueue& simulated = loop.queue("simulated");
    simulated.setJobCost(0.01);
    Arrivals arrivals;
    for (int i = 0; i < kItems; ++i) {
        worker.async([&, i] { simulated.async([&, i] { loop.post([&, i] { arrivals["thread"].push_back(i); }); }); });
        simulated.async([&, i] { loop.post([&, i] { arrivals["main"].push_back(i); }); });
    }
    loop.advance(2 * kItems * 0.01 + 1);
    expectAllInOrder(arrivals, {"main", "thread"});
    EXPECT_EQ(simulated.pendingJobs(), 0u);
    EXPECT_EQ(simulated.finishedJobs(), size_t(2 * kItems));
}

// A queue goes (alone, or with the loop as the process ends) while its jobs still do
// things: a job it drops sends to it as its captures go; a job blocked on a read asks for
// a queue once the read returns. Neither holds the end up or races with it.
TEST(RuntimeThreads, QueuesGoWithoutWaitingOnWhatTheirJobsStillDo) {
    const std::vector<std::pair<const char*, std::function<void()>>> cases = {
        {"a queue dropping a job that sends to it",
         [] {
             MainLoop loop(ClockKind::real);
             auto queue = std::make_unique<ThreadDispatchQueue>("going", loop);
             std::atomic<bool> started{false}, dropped{false};
             queue->async([&] {
                 started = true;
                 while (!dropped) std::this_thread::yield();
             });
             std::shared_ptr<void> sends(nullptr, [&dropped, going = queue.get()](void*) {
                 going->async([] {});
                 dropped = true;
             });
             queue->async([sends] {});
             sends.reset();
             while (!started) std::this_thread::yield();
             queue.reset();
         }},
        {"the loop going while a job blocks on a read",
         [] {
             auto loop = std::make_unique<MainLoop>(ClockKind::real);
             std::atomic<bool> reading{false};
             loop->queue("reader").async([&reading] {
                 reading = true;
                 MainLoop::main().blockFor(60);
                 MainLoop::main().queue("after the read").async([] {});
             });
             while (!reading) std::this_thread::yield();
             loop.reset();
         }},
    };
    for (const auto& [name, play] : cases) {
        const auto start = std::chrono::steady_clock::now();
        play();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30)) << name;
    }
}

// The loop goes while jobs blocked on reads wait on every queue; woken, each asks for a
// queue and sends to it. The queue handed out outlives the send, whichever it is, and
// nothing sent once the loop goes runs.
TEST(RuntimeThreads, TheLoopGoesWhileWokenJobsAskForQueuesAndSend) {
    constexpr int kJobs = 6;
    const auto blocked = [](int job) { return "blocked " + std::to_string(job % kJobs); };
    const std::vector<std::pair<const char*, std::function<DispatchQueue&(int)>>> asks = {
        {"its own queue", [&](int job) -> DispatchQueue& { return MainLoop::main().queue(blocked(job)); }},
        {"another job's queue", [&](int job) -> DispatchQueue& { return MainLoop::main().queue(blocked(job + 1)); }},
        {"a queue not made yet",
         [](int job) -> DispatchQueue& { return MainLoop::main().queue("after " + std::to_string(job)); }},
        {"a concurrent queue", [](int) -> DispatchQueue& { return MainLoop::main().concurrentQueue("shared"); }},
    };
    for (const auto& ask : asks) {
        std::atomic<int> reading{0}, ran{0};
        {
            MainLoop loop(ClockKind::real);
            for (int job = 0; job < kJobs; ++job) {
                loop.queue(blocked(job)).async([&reading, &ran, &ask, job] {
                    ++reading;
                    MainLoop::main().blockFor(60);
                    ask.second(job).async([&ran] { ++ran; });
                });
            }
            while (reading < kJobs) std::this_thread::yield();
        }
        EXPECT_EQ(ran.load(), 0) << ask.first;
    }
}

// What a thread first uses of the platform's state of each thread leaves the C library
// nothing to do at the thread's end: that request, made where memory is short, ends the
// process with no handler run (tests/support/thread_exit_registrations.h).
TEST(RuntimeThreads, AThreadsFirstUsesLeaveTheCLibraryNothingToDoAtItsEnd) {
    MainLoop loop(ClockKind::real);
    const std::pair<const char*, std::function<void()>> uses[] = {
        {"a queue's thread runs a job of a run",
         [&loop] {
             ThreadDispatchQueue queue("com.example.first", loop);
             InRun as(ProcessRun::begin());
             queue.async([] {});
             while (queue.pendingJobs() > 0) std::this_thread::yield();
         }},
        {"a thread opens an animation group",
         [] { std::thread([] { AnimationContext::runAnimationGroup([](AnimationContext&) {}); }).join(); }},
    };
    for (const auto& [name, use] : uses) {
        const int before = furlpane_test::threadExitRegistrations();
        use();
        EXPECT_EQ(furlpane_test::threadExitRegistrations(), before) << name;
    }
}

}  // namespace
}  // namespace platform
