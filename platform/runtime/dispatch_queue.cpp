#include "platform/runtime/dispatch_queue.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "platform/runtime/main_loop.h"

namespace platform {

namespace {

// A job sent from inside simulated off-main work is sent when that work ends, as
// everything else it hands on: until then it has not happened.
bool deferredToSimulatedJob(DispatchQueue& queue, Handover<void()>& work) {
    SimulatedJobContext* job = currentSimulatedJob();
    if (!job) return false;
    job->defer(std::move(work), [&queue](Handover<void()> w) { queue.async(std::move(w)); });
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
    const ThreadDispatchQueue::Pool pool{.kept = kConcurrentThreads, .limit = kConcurrentThreadLimit};
    return std::make_unique<ThreadDispatchQueue>(std::move(label), loop, pool);
}

std::unique_ptr<DispatchQueue> makeClosedQueue(std::string label, MainLoop& loop) {
    // It never starts a job, so the kind without threads serves either clock.
    auto queue = std::make_unique<SimulatedDispatchQueue>(std::move(label), loop, 1);
    queue->close();
    return queue;
}

void DispatchQueue::close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
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

ThreadDispatchQueue::ThreadDispatchQueue(std::string label, MainLoop& loop, Pool pool)
    : DispatchQueue(std::move(label), loop, std::max({pool.limit, pool.kept, size_t{1}})),
      kept_(std::max<size_t>(pool.kept, 1)),
      idleLife_(std::isfinite(pool.idleLife) && pool.idleLife > 0 ? pool.idleLife : 0) {
    try {
        std::lock_guard lock(mutex_);
        workers_.reserve(kept_);
        for (size_t i = 0; i < kept_; ++i) startThread();
    } catch (...) {
        // A thread the process may not have: those started are joined, so that the
        // failure reaches whoever asked for the queue instead of a joinable thread ending
        // the process with nothing said.
        stop();
        throw;
    }
}

void ThreadDispatchQueue::stop() {
    std::deque<Handover<void()>> dropped;
    std::vector<std::thread> threads;
    {
        // Closed, no thread starts or retires any more.
        std::lock_guard lock(mutex_);
        closed_ = true;
        dropped.swap(waiting_);
        threads.swap(workers_);
        for (auto& thread : retired_) threads.push_back(std::move(thread));
        retired_.clear();
    }
    cv_.notify_all();
    const size_t droppedCount = dropped.size();
    // Outside the lock: what a dropped job captured may send to this queue as it goes,
    // which a closed queue refuses.
    dropped.clear();
    for (auto& thread : threads) thread.join();
    // Jobs that never ran still counted as in flight.
    for (size_t i = 0; i < droppedCount; ++i) loop_.endOffMainWork();
}

size_t ThreadDispatchQueue::threadCount() const {
    std::lock_guard lock(mutex_);
    return workers_.size();
}

void ThreadDispatchQueue::async(Handover<void()> work) {
    if (deferredToSimulatedJob(*this, work)) return;
    std::vector<std::thread> ended;
    // Counted before the queue's lock is taken: the loop makes queues under its own lock.
    loop_.beginOffMainWork();
    {
        std::unique_lock lock(mutex_);
        if (closed_) {
            lock.unlock();
            loop_.endOffMainWork();
            return;
        }
        waiting_.push_back(std::move(work));
        // A job that finds no free thread gets one of its own while the pool may grow: the
        // busy ones may be blocked for long.
        if (idle_ < waiting_.size() && workers_.size() < width()) startThread();
        ended.swap(retired_);
    }
    cv_.notify_one();
    for (auto& thread : ended) thread.join();
}

// Called with mutex_ held.
void ThreadDispatchQueue::startThread() { workers_.emplace_back([this] { work(); }); }

void ThreadDispatchQueue::work() {
    std::unique_lock lock(mutex_);
    while (awaitJob(lock)) {
        Handover<void()> job = std::move(waiting_.front());
        waiting_.pop_front();
        ++running_;
        lock.unlock();
        job();
        job = nullptr;
        lock.lock();
        --running_;
        ++finished_;
        lock.unlock();
        // After the job: whatever it posted is already in the main queue.
        loop_.endOffMainWork();
        lock.lock();
    }
}

bool ThreadDispatchQueue::awaitJob(std::unique_lock<std::mutex>& lock) {
    const auto ready = [this] { return closed_ || !waiting_.empty(); };
    ++idle_;
    bool retiring = false;
    while (!ready()) {
        if (workers_.size() <= kept_) {
            cv_.wait(lock, ready);
        } else if (!cv_.wait_for(lock, std::chrono::duration<double>(idleLife_), ready)) {
            // Others idle as long may have ended first, down to those kept.
            retiring = workers_.size() > kept_;
            if (retiring) break;
        }
    }
    --idle_;
    if (closed_) return false;
    if (retiring) retire();
    return !retiring;
}

void ThreadDispatchQueue::retire() {
    const auto self = std::find_if(workers_.begin(), workers_.end(),
                                   [](const std::thread& t) { return t.get_id() == std::this_thread::get_id(); });
    if (self == workers_.end()) return;
    retired_.push_back(std::move(*self));
    workers_.erase(self);
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
        // Refused, the job goes once the lock is let go of, as what it captured may send here.
        if (closed_) return;
        waiting_.push_back(std::move(work));
    }
    startWaiting();
}

void SimulatedDispatchQueue::stop() {
    // Let go of after the lock, as a dropped job's captures may send here.
    std::deque<Handover<void()>> dropped;
    std::lock_guard lock(mutex_);
    closed_ = true;
    dropped.swap(waiting_);
}

void SimulatedDispatchQueue::startWaiting() {
    for (;;) {
        std::shared_ptr<Handover<void()>> work;
        double cost = 0;
        {
            std::lock_guard lock(mutex_);
            if (closed_ || waiting_.empty() || (width() != kUnbounded && running_ >= width())) return;
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
