#pragma once

// The threads a device spreads its work over. parallelFor hands out the indices of a job
// one at a time to every thread, the caller included, and returns when all have run.
// Which thread runs which index varies from run to run, so a job must give each index
// work that does not depend on the others; then the result is the same for any number
// of threads. Jobs from different threads are run one after the other.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace platform::gpu {

class WorkerPool {
public:
    // threads: how many threads work on a job, the caller included; at least 1. Throws
    // std::system_error, with nothing left running, when a thread cannot be started.
    explicit WorkerPool(int threads);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    int threadCount() const { return static_cast<int>(workers_.size()) + 1; }
    void parallelFor(int count, const std::function<void(int)>& job);

private:
    void stop();
    void workerLoop();
    void runIndices();

    std::mutex jobMutex_;  // one job at a time
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    const std::function<void(int)>* job_ = nullptr;
    int count_ = 0;
    int next_ = 0;
    int finished_ = 0;
    unsigned generation_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace platform::gpu
