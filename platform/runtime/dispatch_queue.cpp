#include "platform/runtime/dispatch_queue.h"

#include <algorithm>
#include <cmath>

#include "platform/runtime/main_loop.h"

namespace platform {

namespace {

// A job sent from inside simulated off-main work is sent when that work ends, as
// everything else it hands on: until then it has not happened.
bool deferredToSimulatedJob(DispatchQueue& queue, Handover<void()>& work) {
    SimulatedJobContext* job = currentSimulatedJob();
    if (!job) return false;
    job->deferred.push_back([&queue, w = std::move(work)]() mutable { queue.async(std::move(w)); });
    return true;
}

}  // namespace

std::unique_ptr<DispatchQueue> makeSerialQueue(std::string label, MainLoop& loop) {
    if (loop.isSimulated()) return std::make_unique<SimulatedDispatchQueue>(std::move(label), loop, 1);
    return std::make_unique<ThreadDispatchQueue>(std::move(label), loop, 1);
}

std::unique_ptr<DispatchQueue> makeConcurrentQueue(std::string label, MainLoop& loop) {
    if (loop.isSimulated()) {
        return std::make_unique<SimulatedDispatchQueue>(std::move(label), loop, DispatchQueue::kUnbounded);
    }
    return std::make_unique<ThreadDispatchQueue>(std::move(label), loop, kConcurrentThreads);
}

size_t DispatchQueue::pendingJobs() const {
    std::lock_guard lock(mutex_);
    return waiting_.size() + running_;
}

size_t DispatchQueue::finishedJobs() const {
    std::lock_guard lock(mutex_);
    return finished_;
}

// ---- ThreadDispatchQueue ----------------------------------------------------------

ThreadDispatchQueue::ThreadDispatchQueue(std::string label, MainLoop& loop, size_t width)
    : DispatchQueue(std::move(label), loop, std::max<size_t>(width, 1)) {
    workers_.reserve(this->width());
    for (size_t i = 0; i < this->width(); ++i) workers_.emplace_back([this] { work(); });
}

ThreadDispatchQueue::~ThreadDispatchQueue() {
    size_t dropped = 0;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        dropped = waiting_.size();
        waiting_.clear();
    }
    cv_.notify_all();
    for (auto& worker : workers_) worker.join();
    // Jobs that never ran still counted as in flight.
    for (size_t i = 0; i < dropped; ++i) loop_.endOffMainWork();
}

void ThreadDispatchQueue::async(Handover<void()> work) {
    if (deferredToSimulatedJob(*this, work)) return;
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        loop_.beginOffMainWork();
        waiting_.push_back(std::move(work));
    }
    cv_.notify_one();
}

void ThreadDispatchQueue::work() {
    for (;;) {
        Handover<void()> job;
        {
            std::unique_lock lock(mutex_);
            cv_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
            if (stopping_) return;
            job = std::move(waiting_.front());
            waiting_.pop_front();
            ++running_;
        }
        job();
        job = nullptr;
        {
            std::lock_guard lock(mutex_);
            --running_;
            ++finished_;
        }
        // After the job: whatever it posted is already in the main queue.
        loop_.endOffMainWork();
    }
}

// ---- SimulatedDispatchQueue -------------------------------------------------------

SimulatedDispatchQueue::SimulatedDispatchQueue(std::string label, MainLoop& loop, size_t width)
    : DispatchQueue(std::move(label), loop, width) {}

void SimulatedDispatchQueue::setJobCost(double seconds) {
    std::lock_guard lock(mutex_);
    cost_ = std::isfinite(seconds) && seconds > 0 ? seconds : 0;
}

double SimulatedDispatchQueue::jobCost() const {
    std::lock_guard lock(mutex_);
    return cost_;
}

void SimulatedDispatchQueue::async(Handover<void()> work) {
    if (deferredToSimulatedJob(*this, work)) return;
    {
        std::lock_guard lock(mutex_);
        waiting_.push_back(std::move(work));
    }
    startWaiting();
}

void SimulatedDispatchQueue::startWaiting() {
    for (;;) {
        std::shared_ptr<Handover<void()>> work;
        double cost = 0;
        {
            std::lock_guard lock(mutex_);
            if (waiting_.empty() || (width() != kUnbounded && running_ >= width())) return;
            ++running_;
            work = std::make_shared<Handover<void()>>(std::move(waiting_.front()));
            waiting_.pop_front();
            cost = cost_;
        }
        // The queue's own doings are the system's: it goes on to its next jobs whoever sent
        // this one, and only the job's work is its sender's.
        loop_.postOffMainEvent(cost, Handover<void()>::system([this, work] { run(*work); }));
    }
}

void SimulatedDispatchQueue::run(Handover<void()>& work) {
    SimulatedJobContext context;
    detail::setCurrentSimulatedJob(&context);
    work();
    work = nullptr;
    detail::setCurrentSimulatedJob(nullptr);
    // The job ends once the blocking calls inside it have taken their time; only then
    // does what it sent become visible.
    auto deferred = std::make_shared<std::vector<Handover<void()>>>(std::move(context.deferred));
    loop_.postOffMainEvent(context.extraCost, Handover<void()>::system([this, deferred] { finished(*deferred); }));
}

void SimulatedDispatchQueue::finished(std::vector<Handover<void()>>& deferred) {
    for (auto& d : deferred) d();
    {
        std::lock_guard lock(mutex_);
        --running_;
        ++finished_;
    }
    startWaiting();
}

}  // namespace platform
