#include "platform/runtime/concurrent_queue.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/runtime/main_loop.h"

namespace platform {

namespace {

// A job sent from inside simulated off-main work is sent when that work ends, as
// everything else it hands on: until then it has not happened.
template <class Queue>
bool deferredToSimulatedJob(Queue& queue, std::function<void()>& work) {
    SimulatedJobContext* job = currentSimulatedJob();
    if (!job) return false;
    job->deferred.push_back([&queue, w = std::move(work)]() mutable { queue.async(std::move(w)); });
    return true;
}

}  // namespace

std::unique_ptr<ConcurrentQueue> makeConcurrentQueue(std::string label, MainLoop& loop) {
    if (loop.isSimulated()) return std::make_unique<SimulatedConcurrentQueue>(std::move(label), loop);
    return std::make_unique<ThreadConcurrentQueue>(std::move(label), loop);
}

// ---- ThreadConcurrentQueue --------------------------------------------------------

ThreadConcurrentQueue::ThreadConcurrentQueue(std::string label, MainLoop& loop, size_t width)
    : ConcurrentQueue(std::move(label)), loop_(loop) {
    const size_t threads = std::max<size_t>(width, 1);
    workers_.reserve(threads);
    for (size_t i = 0; i < threads; ++i) workers_.emplace_back([this] { work(); });
}

ThreadConcurrentQueue::~ThreadConcurrentQueue() {
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

void ThreadConcurrentQueue::async(std::function<void()> work) {
    if (deferredToSimulatedJob(*this, work)) return;
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        loop_.beginOffMainWork();
        waiting_.push_back(std::move(work));
    }
    cv_.notify_one();
}

size_t ThreadConcurrentQueue::pendingJobs() const {
    std::lock_guard lock(mutex_);
    return waiting_.size() + running_;
}

size_t ThreadConcurrentQueue::finishedJobs() const {
    std::lock_guard lock(mutex_);
    return finished_;
}

void ThreadConcurrentQueue::dropWaitingJobs() {
    size_t dropped = 0;
    {
        std::lock_guard lock(mutex_);
        dropped = waiting_.size();
        waiting_.clear();
    }
    for (size_t i = 0; i < dropped; ++i) loop_.endOffMainWork();
}

void ThreadConcurrentQueue::work() {
    for (;;) {
        std::function<void()> job;
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

// ---- SimulatedConcurrentQueue -----------------------------------------------------

SimulatedConcurrentQueue::SimulatedConcurrentQueue(std::string label, MainLoop& loop)
    : ConcurrentQueue(std::move(label)), loop_(loop) {}

void SimulatedConcurrentQueue::setJobCost(double seconds) {
    std::lock_guard lock(mutex_);
    cost_ = std::isfinite(seconds) && seconds > 0 ? seconds : 0;
}

double SimulatedConcurrentQueue::jobCost() const {
    std::lock_guard lock(mutex_);
    return cost_;
}

size_t SimulatedConcurrentQueue::pendingJobs() const {
    std::lock_guard lock(mutex_);
    return waiting_ + running_;
}

size_t SimulatedConcurrentQueue::finishedJobs() const {
    std::lock_guard lock(mutex_);
    return finished_;
}

void SimulatedConcurrentQueue::dropWaitingJobs() {
    std::lock_guard lock(mutex_);
    waiting_ = 0;
    ++generation_;
}

void SimulatedConcurrentQueue::async(std::function<void()> work) {
    if (deferredToSimulatedJob(*this, work)) return;
    double cost = 0;
    uint64_t generation = 0;
    {
        std::lock_guard lock(mutex_);
        ++waiting_;
        cost = cost_;
        generation = generation_;
    }
    // Each job is an event of its own on the clock: nothing it does waits for another.
    auto held = std::make_shared<std::function<void()>>(std::move(work));
    loop_.postOffMainEvent(cost, [this, held, generation] { begin(*held, generation); });
}

void SimulatedConcurrentQueue::begin(std::function<void()>& work, uint64_t generation) {
    {
        std::lock_guard lock(mutex_);
        if (generation != generation_) return;
        --waiting_;
        ++running_;
    }
    SimulatedJobContext context;
    detail::setCurrentSimulatedJob(&context);
    work();
    work = nullptr;
    detail::setCurrentSimulatedJob(nullptr);
    // The job ends once the blocking calls inside it have taken their time; only then
    // does what it sent become visible.
    auto deferred = std::make_shared<std::vector<std::function<void()>>>(std::move(context.deferred));
    loop_.postOffMainEvent(context.extraCost, [this, deferred] { end(*deferred); });
}

void SimulatedConcurrentQueue::end(std::vector<std::function<void()>>& deferred) {
    for (auto& d : deferred) d();
    std::lock_guard lock(mutex_);
    --running_;
    ++finished_;
}

}  // namespace platform
