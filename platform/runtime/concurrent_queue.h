#pragma once

// A labelled concurrent queue for blocking work: jobs start in the order they were sent
// and run side by side, off the main thread, so that a job that blocks for a long time
// holds up none of the others. Results go back to the main thread by posting.
//
// Two kinds, as for the serial queues. ThreadConcurrentQueue runs jobs on a small pool of
// threads of its own (the program's kind): at most `width` jobs run at once, the rest wait
// their turn in order. SimulatedConcurrentQueue runs them on the simulated clock, each
// job occupying its own time: its cost (settable, 0 by default) plus whatever blocking
// calls inside it consume, whatever the other jobs do meanwhile. Its work runs when its
// cost has passed, outside the main thread's logical context, and what it posts is
// handed to the main loop when that job ends.
//
// MainLoop::concurrentQueue(label) hands out the queue of a label with the kind that
// suits its clock; the loop owns it.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace platform {

class MainLoop;

class ConcurrentQueue {
public:
    virtual ~ConcurrentQueue() = default;
    const std::string& label() const { return label_; }
    // Sends a job. Safe from any thread, as are the counts below.
    virtual void async(std::function<void()> work) = 0;
    // Simulated queues: the time every following job takes before its work runs.
    virtual void setJobCost(double seconds) = 0;
    virtual double jobCost() const = 0;
    // Jobs sent and not yet finished, whether running or waiting for a thread.
    virtual size_t pendingJobs() const = 0;
    // Jobs finished since the queue was made.
    virtual size_t finishedJobs() const = 0;
    // Drops every job that has not begun its work; jobs whose work runs go on to their
    // end. What a process's death does to its queues.
    virtual void dropWaitingJobs() = 0;

protected:
    explicit ConcurrentQueue(std::string label) : label_(std::move(label)) {}

private:
    std::string label_;
};

class ThreadConcurrentQueue final : public ConcurrentQueue {
public:
    // Enough for a handful of polls that block at once; more wait for a free thread.
    static constexpr size_t kDefaultWidth = 4;

    // Starts `width` threads (at least one) that live as long as the queue.
    ThreadConcurrentQueue(std::string label, MainLoop& loop, size_t width = kDefaultWidth);
    ~ThreadConcurrentQueue() override;
    void async(std::function<void()> work) override;
    void setJobCost(double) override {}
    double jobCost() const override { return 0; }
    size_t pendingJobs() const override;
    size_t finishedJobs() const override;
    void dropWaitingJobs() override;
    size_t width() const { return workers_.size(); }

private:
    void work();

    MainLoop& loop_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> waiting_;
    size_t running_ = 0;
    size_t finished_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

class SimulatedConcurrentQueue final : public ConcurrentQueue {
public:
    SimulatedConcurrentQueue(std::string label, MainLoop& loop);
    void async(std::function<void()> work) override;
    void setJobCost(double seconds) override;
    double jobCost() const override;
    size_t pendingJobs() const override;
    size_t finishedJobs() const override;
    void dropWaitingJobs() override;

private:
    void begin(std::function<void()>& work, uint64_t generation);
    void end(std::vector<std::function<void()>>& deferred);

    MainLoop& loop_;
    mutable std::mutex mutex_;  // guards what follows: a thread's job may send work here
    double cost_ = 0;
    size_t waiting_ = 0;  // sent, their cost not yet passed
    size_t running_ = 0;  // their work done, their blocking time not yet passed
    size_t finished_ = 0;
    // Jobs sent before the last drop do not run their work.
    uint64_t generation_ = 0;
};

// The kind that suits the loop's clock.
std::unique_ptr<ConcurrentQueue> makeConcurrentQueue(std::string label, MainLoop& loop);

}  // namespace platform
