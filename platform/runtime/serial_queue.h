#pragma once

// A labelled serial queue for blocking work: jobs run one at a time, in the order they
// were sent, off the main thread. Results go back to the main thread by posting.
//
// Two kinds. ThreadSerialQueue runs jobs on a thread of its own (the program's kind).
// SimulatedSerialQueue runs them on the simulated clock: a job occupies the queue for
// its cost (settable, 0 by default) plus whatever blocking calls inside it consume;
// its work runs when the cost has passed, outside the main thread's logical context,
// and what it posts is handed to the main loop when the job ends. Tests use it so that
// slow work is a matter of time, not of threads.
//
// A job belongs to the run that sent it (process_run.h): it runs as that run's code, so
// what it posts back belongs to the run too, and a job whose run has ended does not
// run. A job already running when its run ends goes on to its end, as a thread of a
// dying process is cut off mid-way; what it posts is dropped.
//
// MainLoop::queue(label) hands out the queue of a label with the kind that suits its
// clock; the loop owns it.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/runtime/handover.h"

namespace platform {

class MainLoop;

class SerialQueue {
public:
    virtual ~SerialQueue() = default;
    const std::string& label() const { return label_; }
    // Sends a job. Safe from any thread, as are the counts below.
    virtual void async(Handover<void()> work) = 0;
    // Simulated queues: the time every following job takes before its work runs.
    virtual void setJobCost(double seconds) = 0;
    virtual double jobCost() const = 0;
    // Jobs sent and not yet finished.
    virtual size_t pendingJobs() const = 0;
    // Jobs finished since the queue was made.
    virtual size_t finishedJobs() const = 0;

protected:
    explicit SerialQueue(std::string label) : label_(std::move(label)) {}

private:
    std::string label_;
};

class ThreadSerialQueue final : public SerialQueue {
public:
    ThreadSerialQueue(std::string label, MainLoop& loop);
    ~ThreadSerialQueue() override;
    void async(Handover<void()> work) override;
    void setJobCost(double) override {}
    double jobCost() const override { return 0; }
    size_t pendingJobs() const override;
    size_t finishedJobs() const override;

private:
    void runJobs();

    MainLoop& loop_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<Handover<void()>> jobs_;
    bool running_ = false;
    bool stopping_ = false;
    size_t finished_ = 0;
    std::thread thread_;
};

class SimulatedSerialQueue final : public SerialQueue {
public:
    SimulatedSerialQueue(std::string label, MainLoop& loop);
    void async(Handover<void()> work) override;
    void setJobCost(double seconds) override;
    double jobCost() const override;
    size_t pendingJobs() const override;
    size_t finishedJobs() const override;

private:
    // Starts the next job unless one is running.
    void startNext();
    void finished(std::vector<Handover<void()>>& deferred);

    MainLoop& loop_;
    mutable std::mutex mutex_;  // guards what follows: a thread's job may send work here
    double cost_ = 0;
    bool busy_ = false;
    size_t finished_ = 0;
    std::deque<Handover<void()>> jobs_;
};

}  // namespace platform
