// Runs of a process: what a run hands over runs as that run and never after its end,
// whoever holds it; what it makes once goes with it and is made afresh by the next.

#include "platform/runtime/process_run.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/runtime/handover.h"
#include "platform/runtime/main_loop.h"
#include "platform/runtime/process_once.h"
#include "platform/runtime/dispatch_queue.h"
#include "platform/runtime/task.h"

namespace platform {
namespace {

// Notes, as it goes, which run executes when it is destroyed.
struct Witness {
    explicit Witness(std::vector<const ProcessRun*>& seen) : seen(&seen) {}
    ~Witness() { seen->push_back(ProcessRun::executing().get()); }
    std::vector<const ProcessRun*>* seen;
};

TEST(ProcessRun, AHandoverRunsAsItsRunAndNeverAfterItsEnd) {
    auto run = ProcessRun::begin();
    std::vector<const ProcessRun*> ranAs;
    std::vector<const ProcessRun*> destroyedAs;
    Handover<int()> handover;
    {
        InRun as(run);
        auto witness = std::make_shared<Witness>(destroyedAs);
        handover = [&ranAs, witness] {
            ranAs.push_back(ProcessRun::executing().get());
            return 7;
        };
    }
    EXPECT_EQ(handover.owner(), run);
    EXPECT_EQ(handover(), 7);
    EXPECT_EQ(ranAs, std::vector<const ProcessRun*>{run.get()});
    EXPECT_EQ(ProcessRun::executing(), nullptr);

    run->end();
    EXPECT_FALSE(handover.isLive());
    EXPECT_EQ(handover(), 0);
    EXPECT_EQ(ranAs.size(), 1u);
    handover = nullptr;
    // What it captured goes as the dead run's, so that whatever it hands over then is dropped.
    EXPECT_EQ(destroyedAs, std::vector<const ProcessRun*>{run.get()});
    EXPECT_TRUE(Handover<void()>::system([] {}).isLive());
}

TEST(ProcessRun, ValuesMadeOnceAreTheRunsAndGoNewestFirstWithIt) {
    static ProcessOnce<int> number;
    static ProcessLocal<std::vector<std::string>> list;
    std::vector<std::string> gone;
    struct Noted {
        Noted(std::vector<std::string>* gone, std::string name) : gone(gone), name(std::move(name)) {}
        ~Noted() { gone->push_back(name + (ProcessRun::executing() ? " in its run" : " outside")); }
        std::vector<std::string>* gone;
        std::string name;
    };
    static const char first = 0, second = 0;
    auto run = ProcessRun::begin();
    {
        InRun as(run);
        EXPECT_EQ(number.get([] { return 1; }), 1);
        EXPECT_EQ(number.get([] { return 2; }), 1);
        list.get().push_back("a");
        run->keep<Noted>(&first, [&] { return std::make_shared<Noted>(&gone, "first"); });
        run->keep<Noted>(&second, [&] { return std::make_shared<Noted>(&gone, "second"); });
        // Made as the run's own code.
        auto madeIn = run->keep<const ProcessRun*>(&gone, [] {
            return std::make_shared<const ProcessRun*>(ProcessRun::executing().get());
        });
        EXPECT_EQ(*madeIn, run.get());
    }
    run->end();
    EXPECT_EQ(gone, (std::vector<std::string>{"second in its run", "first in its run"}));

    auto next = ProcessRun::begin();
    InRun as(next);
    EXPECT_EQ(number.get([] { return 3; }), 3);
    EXPECT_TRUE(list.get().empty());
}

class RunOnTheLoop : public ::testing::Test {
protected:
    MainLoop loop{ClockKind::simulated};
    std::shared_ptr<ProcessRun> run = ProcessRun::begin();
    std::vector<std::string> ran;

    // Hands `work` over as the run's code.
    template <class F>
    void asRun(F work) {
        InRun as(run);
        work();
    }
    Handover<void()> note(std::string what) {
        return [this, what] { ran.push_back(what); };
    }
};

TEST_F(RunOnTheLoop, NothingTheRunPutOnTheLoopRunsAfterItsEnd) {
    int fd[2];
    ASSERT_EQ(::pipe(fd), 0);
    auto source = RunLoopSource::make("source");
    std::shared_ptr<Timer> timer;
    asRun([&] {
        loop.post(note("posted"));
        loop.postAfter(1, note("later"));
        loop.postOffMainEvent(1, note("off-main"));
        timer = Timer::make(0.5, true, note("timer"));
        loop.add(timer, modes::kCommon);
        loop.add(source, modes::kDefault);
        source->signal(note("signalled"));
        loop.addFdWatch(fd[0], note("readable"));
    });
    loop.post(note("the system's"));
    run->end();
    ASSERT_EQ(::write(fd[1], "x", 1), 1);
    loop.advance(3);
    EXPECT_EQ(ran, std::vector<std::string>{"the system's"});
    // A dead run's timer goes as it comes due; what a dead run hands over is dropped at once.
    EXPECT_FALSE(timer->isValid());
    asRun([&] { loop.post(note("after the end")); });
    loop.runUntilIdle();
    EXPECT_EQ(ran.size(), 1u);
    ::close(fd[0]);
    ::close(fd[1]);
}

TEST_F(RunOnTheLoop, WorkRunsAsTheRunThatHandedItOver) {
    std::vector<const ProcessRun*> owners;
    asRun([&] {
        loop.post([&] {
            owners.push_back(ProcessRun::executing().get());
            // Handed over in turn: the same run's.
            loop.post([&] { owners.push_back(ProcessRun::executing().get()); });
        });
    });
    loop.post([&] { owners.push_back(ProcessRun::executing().get()); });
    loop.runUntilIdle();
    EXPECT_EQ(owners, (std::vector<const ProcessRun*>{run.get(), nullptr, run.get()}));
}

TEST_F(RunOnTheLoop, ItsTaskChainsEndWithIt) {
    std::vector<const ProcessRun*> destroyedAs;
    int steps = 0;
    ContinuationList wake;
    TaskHandle handle;
    asRun([&] {
        handle = spawnMain([&]() -> Task<void> {
            Witness witness(destroyedAs);
            for (;;) {
                const bool woken = co_await wake.wait();
                if (!woken) co_return;
                ++steps;
            }
        });
    });
    loop.runUntilIdle();
    // Woken by the system's code, the chain still goes on as its own run's.
    wake.resumeAll();
    loop.runUntilIdle();
    EXPECT_EQ(steps, 1);
    run->end();
    EXPECT_EQ(destroyedAs, std::vector<const ProcessRun*>{run.get()});
    EXPECT_EQ(loop.tasks().count(), 0u);
    wake.resumeAll();
    loop.runUntilIdle();
    EXPECT_EQ(steps, 1);
}

TEST_F(RunOnTheLoop, AQueueJobOfAnEndedRunNeitherRunsNorPostsAndTheQueueGoesOn) {
    DispatchQueue& queue = loop.queue("com.example.queue");
    queue.setJobCost(1);
    asRun([&] {
        queue.async([&] {
            ran.push_back("job");
            loop.post(note("its result"));
        });
        queue.async([&] { ran.push_back("waiting job"); });
    });
    queue.async([&] { ran.push_back("the system's job"); });
    loop.advance(0.5);
    run->end();
    loop.advance(5);
    EXPECT_EQ(ran, std::vector<std::string>{"the system's job"});
    EXPECT_EQ(queue.pendingJobs(), 0u);
}

TEST(ProcessRunThreads, AJobRunningWhenItsRunEndsPostsNothingBack) {
    MainLoop loop(ClockKind::real);
    auto run = ProcessRun::begin();
    ThreadDispatchQueue queue("com.example.thread", loop);
    std::atomic<bool> started{false}, release{false};
    bool resultArrived = false;
    {
        InRun as(run);
        queue.async([&] {
            started = true;
            while (!release) std::this_thread::yield();
            loop.post([&] { resultArrived = true; });
        });
    }
    while (!started) std::this_thread::yield();
    run->end();
    release = true;
    while (queue.pendingJobs() > 0) std::this_thread::yield();
    loop.runUntilIdle();
    EXPECT_FALSE(resultArrived);
}

}  // namespace
}  // namespace platform
