#include "platform/runtime/serial_queue.h"

#include <cmath>

#include "platform/runtime/main_loop.h"

namespace platform {

// ---- ThreadSerialQueue ------------------------------------------------------------

ThreadSerialQueue::ThreadSerialQueue(std::string label, MainLoop& loop)
    : SerialQueue(std::move(label)), loop_(loop), thread_([this] { runJobs(); }) {}

ThreadSerialQueue::~ThreadSerialQueue() {
    size_t dropped = 0;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        dropped = jobs_.size();
        jobs_.clear();
    }
    cv_.notify_all();
    thread_.join();
    // Jobs that never ran still counted as in flight.
    for (size_t i = 0; i < dropped; ++i) loop_.endOffMainWork();
}

void ThreadSerialQueue::async(Handover<void()> work) {
    if (SimulatedJobContext* job = currentSimulatedJob()) {
        job->deferred.push_back([this, w = std::move(work)]() mutable { async(std::move(w)); });
        return;
    }
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        loop_.beginOffMainWork();
        jobs_.push_back(std::move(work));
    }
    cv_.notify_all();
}

size_t ThreadSerialQueue::pendingJobs() const {
    std::lock_guard lock(mutex_);
    return jobs_.size() + (running_ ? 1 : 0);
}

size_t ThreadSerialQueue::finishedJobs() const {
    std::lock_guard lock(mutex_);
    return finished_;
}

void ThreadSerialQueue::runJobs() {
    for (;;) {
        Handover<void()> job;
        {
            std::unique_lock lock(mutex_);
            cv_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (stopping_) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
            running_ = true;
        }
        job();
        job = nullptr;
        {
            std::lock_guard lock(mutex_);
            running_ = false;
            ++finished_;
        }
        // After the job: whatever it posted is already in the main queue.
        loop_.endOffMainWork();
    }
}

// ---- SimulatedSerialQueue ---------------------------------------------------------

SimulatedSerialQueue::SimulatedSerialQueue(std::string label, MainLoop& loop)
    : SerialQueue(std::move(label)), loop_(loop) {}

void SimulatedSerialQueue::setJobCost(double seconds) {
    std::lock_guard lock(mutex_);
    cost_ = std::isfinite(seconds) && seconds > 0 ? seconds : 0;
}

double SimulatedSerialQueue::jobCost() const {
    std::lock_guard lock(mutex_);
    return cost_;
}

size_t SimulatedSerialQueue::pendingJobs() const {
    std::lock_guard lock(mutex_);
    return jobs_.size() + (busy_ ? 1 : 0);
}

size_t SimulatedSerialQueue::finishedJobs() const {
    std::lock_guard lock(mutex_);
    return finished_;
}

void SimulatedSerialQueue::async(Handover<void()> work) {
    if (SimulatedJobContext* job = currentSimulatedJob()) {
        job->deferred.push_back([this, w = std::move(work)]() mutable { async(std::move(w)); });
        return;
    }
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(work));
    }
    startNext();
}

void SimulatedSerialQueue::startNext() {
    std::shared_ptr<Handover<void()>> work;
    double cost = 0;
    {
        std::lock_guard lock(mutex_);
        if (busy_ || jobs_.empty()) return;
        busy_ = true;
        work = std::make_shared<Handover<void()>>(std::move(jobs_.front()));
        jobs_.pop_front();
        cost = cost_;
    }
    // The queue's own doings are the system's: it goes on to the next job whoever sent
    // this one, and only the job's work is its sender's.
    loop_.postOffMainEvent(cost, Handover<void()>::system([this, work] {
        SimulatedJobContext context;
        detail::setCurrentSimulatedJob(&context);
        (*work)();
        *work = nullptr;
        detail::setCurrentSimulatedJob(nullptr);
        // The job ends once the blocking calls inside it have taken their time; only
        // then does what it sent become visible.
        auto deferred = std::make_shared<std::vector<Handover<void()>>>(std::move(context.deferred));
        loop_.postOffMainEvent(context.extraCost, Handover<void()>::system([this, deferred] { finished(*deferred); }));
    }));
}

void SimulatedSerialQueue::finished(std::vector<Handover<void()>>& deferred) {
    for (auto& d : deferred) d();
    {
        std::lock_guard lock(mutex_);
        busy_ = false;
        ++finished_;
    }
    startNext();
}

}  // namespace platform
