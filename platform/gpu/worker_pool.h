#pragma once

// The threads a device spreads its work over. parallelFor hands out the indices of a job
// one at a time to every thread, the caller included, and returns when all have run.
// Which thread runs which index varies from run to run, so a job must give each index
// work that does not depend on the others; then the result is the same for any number
// of threads. Jobs from different threads are run one after the other.
//
// An index whose work throws, on whichever thread, ends the job: no index is handed out
// after it, and once the indices that other threads were running have ended, parallelFor
// throws the first such exception on the calling thread. It never leaves, returning or
// throwing, while a thread of the pool still runs the job, whose work may reach the
// caller's objects that go as the exception unwinds.

#include <condition_variable>
#include <exception>
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
    void runIndices() noexcept;

    std::mutex jobMutex_;  // one job at a time
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    const std::function<void(int)>* job_ = nullptr;
    int count_ = 0;
    int next_ = 0;
    int running_ = 0;  // indices being run now, on any thread
    std::exception_ptr failure_;  // the first exception an index threw
    unsigned generation_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace platform::gpu
