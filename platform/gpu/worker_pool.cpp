#include "platform/gpu/worker_pool.h"

#include <algorithm>
#include <utility>

namespace platform::gpu {

WorkerPool::WorkerPool(int threads) {
    const int workers = std::max(threads, 1) - 1;
    workers_.reserve(static_cast<std::size_t>(workers));
    try {
        for (int i = 0; i < workers; ++i) workers_.emplace_back([this] { workerLoop(); });
    } catch (...) {
        // A thread the process may not have: those started are joined, so that the
        // failure reaches whoever made the pool instead of a joinable thread ending the
        // process with nothing said.
        stop();
        throw;
    }
}

WorkerPool::~WorkerPool() { stop(); }

void WorkerPool::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (auto& t : workers_) t.join();
}

void WorkerPool::parallelFor(int count, const std::function<void(int)>& job) {
    if (count <= 0) return;
    std::lock_guard jobLock(jobMutex_);
    if (workers_.empty() || count == 1) {
        for (int i = 0; i < count; ++i) job(i);
        return;
    }
    {
        std::lock_guard lock(mutex_);
        job_ = &job;
        count_ = count;
        next_ = 0;
        ++generation_;
    }
    wake_.notify_all();
    runIndices();
    // Every index has been handed out by now, or none is to be: the job is over once no
    // thread runs one.
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return running_ == 0; });
    job_ = nullptr;
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

// Takes indices until none are left. What an index throws is kept for the caller and
// ends the handing out, so that the job ends as soon as the indices under way have.
void WorkerPool::runIndices() noexcept {
    std::unique_lock lock(mutex_);
    while (job_ != nullptr && next_ < count_) {
        const int index = next_++;
        const auto* job = job_;
        ++running_;
        lock.unlock();
        std::exception_ptr failure;
        try {
            (*job)(index);
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        if (failure) {
            if (!failure_) failure_ = std::move(failure);
            next_ = count_;
        }
        if (--running_ == 0 && next_ == count_) done_.notify_all();
    }
}

void WorkerPool::workerLoop() {
    unsigned seen = 0;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
            if (stopping_) return;
            seen = generation_;
        }
        runIndices();
    }
}

}  // namespace platform::gpu
