#pragma once

// Labelled queues for blocking work, off the main thread; results go back to the main
// thread by posting. A queue starts its jobs in the order they were sent and runs at
// most `width` of them at once: a serial queue (width 1) one after another, a concurrent
// one side by side, so that a job that blocks for long holds up none of the others.
//
// Two kinds. ThreadDispatchQueue runs jobs on threads of its own (the program's kind),
// `width` of them at most, started as they are needed. SimulatedDispatchQueue runs them on the simulated clock: a job
// occupies its place for its cost (settable, 0 by default) plus whatever blocking calls
// inside it consume; its work runs when the cost has passed, outside the main thread's
// logical context, and what it posts is handed to the main loop when the job ends. Tests
// use it so that slow work is a matter of time, not of threads. Its width may be
// unbounded: every job then takes its own time, whatever the others do.
//
// A job belongs to the run that sent it (process_run.h): it runs as that run's code, so
// what it posts back belongs to the run too, and a job whose run has ended does not run.
// A job already running when its run ends goes on to its end, as a thread of a dying
// process is cut off mid-way; what it posts is dropped.
//
// MainLoop::queue(label) and MainLoop::concurrentQueue(label) hand out the queues of a
// label with the kind that suits the loop's clock; the loop owns them.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/runtime/handover.h"

namespace platform {

class MainLoop;

class DispatchQueue {
public:
    // A simulated queue's width when any number of jobs may run at once.
    static constexpr size_t kUnbounded = 0;

    virtual ~DispatchQueue() = default;
    const std::string& label() const { return label_; }
    // How many jobs may run at once; 1 for a serial queue, kUnbounded for no limit.
    size_t width() const { return width_; }
    // Sends a job. Safe from any thread, as are the counts below.
    virtual void async(Handover<void()> work) = 0;
    // Simulated queues: the time every following job takes before its work runs.
    virtual void setJobCost(double seconds) = 0;
    virtual double jobCost() const = 0;
    // Jobs sent and not yet finished, whether running or waiting for their turn.
    size_t pendingJobs() const;
    // Jobs finished since the queue was made.
    size_t finishedJobs() const;
    // Refuses every job sent from now on; the jobs waiting never start (stop lets go of
    // them). Any thread.
    void close();
    // Closes the queue, lets go of the jobs that never started and waits for the running
    // ones to end. Any thread but the queue's own; again, it does nothing more.
    virtual void stop() = 0;

protected:
    DispatchQueue(std::string label, MainLoop& loop, size_t width)
        : loop_(loop), label_(std::move(label)), width_(width) {}

    MainLoop& loop_;
    // Guards what follows: jobs are sent and end on any thread.
    mutable std::mutex mutex_;
    std::deque<Handover<void()>> waiting_;
    size_t running_ = 0;  // started, not yet finished (a simulated job: its time not yet passed)
    size_t finished_ = 0;
    bool closed_ = false;

private:
    std::string label_;
    size_t width_;
};

class ThreadDispatchQueue final : public DispatchQueue {
public:
    // The threads of a pool: `kept` live as long as the queue; while every one of them is
    // busy, a job sent starts one more, up to `limit` (the queue's width), as the
    // system's global queues add threads while theirs block. A thread beyond those kept
    // ends once it has found nothing to do for `idleLife` seconds.
    struct Pool {
        size_t kept = 1;
        size_t limit = 1;
        double idleLife = 5;
    };

    // Starts `width` threads (at least one) that live as long as the queue; throws
    // std::system_error, with nothing left running, when one cannot be started, as a job
    // that needs a thread more does. Going away, the queue stops.
    ThreadDispatchQueue(std::string label, MainLoop& loop, size_t width = 1)
        : ThreadDispatchQueue(std::move(label), loop, Pool{width, width}) {}
    ThreadDispatchQueue(std::string label, MainLoop& loop, Pool pool);
    ~ThreadDispatchQueue() override { stop(); }
    void async(Handover<void()> work) override;
    void stop() override;
    void setJobCost(double) override {}
    double jobCost() const override { return 0; }
    // Threads alive now.
    size_t threadCount() const;

private:
    void startThread();
    void work();
    // Waits for a job; false when the thread is to end (the queue is closed, or a thread
    // beyond those kept found nothing to do for long enough).
    bool awaitJob(std::unique_lock<std::mutex>& lock);
    // Hands the calling thread to be joined by the next sender or by stop.
    void retire();

    std::condition_variable cv_;
    size_t kept_;
    double idleLife_;
    size_t idle_ = 0;  // threads waiting for a job
    std::vector<std::thread> workers_;
    std::vector<std::thread> retired_;  // ended or ending, not yet joined
};

class SimulatedDispatchQueue final : public DispatchQueue {
public:
    SimulatedDispatchQueue(std::string label, MainLoop& loop, size_t width = 1);
    ~SimulatedDispatchQueue() override { stop(); }
    void async(Handover<void()> work) override;
    // Its running jobs are the loop's events, which go with the loop.
    void stop() override;
    void setJobCost(double seconds) override;
    double jobCost() const override;

private:
    // Starts the jobs that wait while there is room for them.
    void startWaiting();
    void run(Handover<void()>& work);
    void finished(std::vector<Handover<void()>>& deferred);

    double cost_ = 0;  // guarded by mutex_
};

// The kind that suits the loop's clock. A concurrent queue of threads keeps
// kConcurrentThreads and grows up to kConcurrentThreadLimit while they are busy, so that
// jobs that block (polls of applications that do not answer) hold up no other job; a
// simulated one is unbounded.
std::unique_ptr<DispatchQueue> makeSerialQueue(std::string label, MainLoop& loop);
std::unique_ptr<DispatchQueue> makeConcurrentQueue(std::string label, MainLoop& loop);
// One that refuses every job: what a loop that goes hands out for a label it has no queue
// of, so that a job still running may send to it.
std::unique_ptr<DispatchQueue> makeClosedQueue(std::string label, MainLoop& loop);
inline constexpr size_t kConcurrentThreads = 4;
inline constexpr size_t kConcurrentThreadLimit = 64;

}  // namespace platform
