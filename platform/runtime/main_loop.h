#pragma once

// The main run loop: the one thread on which all of the program's state lives.
//
// What it promises:
// - post() runs work on the main thread on a later turn, in posting order (FIFO among
//   items that became ready at the same moment). It is safe to call from any thread, as
//   are postAfter, postOffMainEvent, now, isMainThread, stop, queue and the off-main
//   work count, for as long as the loop exists. Everything else (timers, sources, file
//   descriptor watches, running the loop) is the main thread's: a call from another
//   thread, or from inside simulated off-main work, stops the process (VERIFY).
//   Posted work is the main queue: it runs only while the loop runs in one of the
//   common modes, never in a private mode such as "dockmsg-mode".
// - Timers and sources run only in the modes they were added to. Adding to the
//   common modes means every mode in the common set, including ones added later.
// - Ready work runs in order of the moment it became ready, ties broken by the order
//   in which it was scheduled; the same program therefore runs in the same order.
// - Two clocks. With the real clock the loop waits on time and file descriptors.
//   With the simulated clock nothing ever sleeps: time stands still while anything
//   is runnable or an off-main job on a thread is in flight, and moves only when a
//   test asks for it (advance, runInMode) or a blocking call on the main thread
//   consumes it (blockFor). Simulated time never goes backwards.
//
// - Everything handed to the loop (posted work, timers, sources' work, file-descriptor
//   watches) is a Handover: it belongs to the run of the program that handed it over
//   and runs as that run's code; once that run has ended it never runs (see
//   process_run.h). Work of a dead run is dropped as it comes up.
//
// Off-main work on the simulated clock runs on the main OS thread but outside the
// main thread's logical context: isMainThread() is false inside it, and whatever it
// posts is handed over only when the job ends (see DispatchQueue).

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <source_location>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/runtime/handover.h"

namespace platform {

using RunLoopMode = std::string;

namespace modes {
inline const RunLoopMode kDefault = "kCFRunLoopDefaultMode";
inline const RunLoopMode kCommon = "kCFRunLoopCommonModes";
inline const RunLoopMode kEventTracking = "NSEventTrackingRunLoopMode";
// The private mode in which the main loop waits while an own window travels to or
// from the Dock. Sources that must keep firing then are added to it besides kCommon.
inline const RunLoopMode kDockMessage = "dockmsg-mode";
}  // namespace modes

enum class ClockKind { real, simulated };

class MainLoop;
class DispatchQueue;
struct TaskRegistry;

// A timer, repeating or not. Made detached; scheduled by MainLoop::add. A repeating
// timer reschedules from its scheduled fire date, not the moment it actually fired,
// and fires once for any run of firings it missed. Main thread only.
class Timer : public std::enable_shared_from_this<Timer> {
public:
    // The action belongs to the run that makes the timer; a timer of a run that has
    // ended never fires again.
    static std::shared_ptr<Timer> make(double interval, bool repeats, Handover<void()> action);

    double interval() const { return interval_; }
    bool repeats() const { return repeats_; }
    double tolerance() const { return tolerance_; }
    void setTolerance(double seconds) { tolerance_ = seconds < 0 ? 0 : seconds; }
    // Loop time of the next firing; meaningful once scheduled.
    double fireDate() const { return fireDate_; }
    bool isValid() const { return valid_; }
    // Stops the timer for good and takes it out of its loop.
    void invalidate();

private:
    friend class MainLoop;
    Timer(double interval, bool repeats, Handover<void()> action);

    double interval_;
    bool repeats_;
    double tolerance_ = 0;
    double fireDate_ = 0;
    uint64_t seq_ = 0;
    bool valid_ = true;
    bool scheduled_ = false;
    Handover<void()> action_;
    MainLoop* loop_ = nullptr;
    std::set<RunLoopMode> modes_;
};

// A source that others signal with work; the work runs on the main thread when the
// loop runs in a mode the source is in. Work signalled while the source is in no
// mode waits until it is added; invalidating drops it. Main thread only.
class RunLoopSource : public std::enable_shared_from_this<RunLoopSource> {
public:
    static std::shared_ptr<RunLoopSource> make(std::string name);

    const std::string& name() const { return name_; }
    void signal(Handover<void()> work);
    bool isValid() const { return valid_; }
    // In at least one mode of a loop.
    bool isAttached() const { return loop_ != nullptr && !modes_.empty(); }
    bool isInMode(const RunLoopMode& mode) const;
    size_t pendingCount() const { return pending_.size(); }
    void invalidate();

private:
    friend class MainLoop;
    explicit RunLoopSource(std::string name) : name_(std::move(name)) {}

    struct Pending {
        double time;
        uint64_t seq;
        Handover<void()> work;
    };
    std::string name_;
    bool valid_ = true;
    MainLoop* loop_ = nullptr;
    std::set<RunLoopMode> modes_;
    std::vector<Pending> pending_;
};

class MainLoop {
public:
    // Throws std::system_error when the process cannot have the descriptor that other
    // threads wake the loop through.
    explicit MainLoop(ClockKind clock);
    ~MainLoop();
    MainLoop(const MainLoop&) = delete;
    MainLoop& operator=(const MainLoop&) = delete;

    // The loop of this process. Exactly one exists at a time.
    static MainLoop& main();
    static bool exists();

    ClockKind clockKind() const { return clock_; }
    bool isSimulated() const { return clock_ == ClockKind::simulated; }
    // The calling thread is the main thread and not inside simulated off-main work.
    bool isMainThread() const;
    // For calls that belong to the main thread: stops the process, naming the caller,
    // when called from anywhere else.
    void requireMainThread(std::source_location caller = std::source_location::current()) const;
    // Seconds on the loop's clock; simulated time starts at 0. Inside simulated off-main
    // work it also counts what the job's blocking calls have taken so far, so a job that
    // polls until a deadline sees time pass.
    double now() const;
    // The mode the loop is running in now (kDefault outside any run).
    const RunLoopMode& currentMode() const;
    void addCommonMode(const RunLoopMode& mode);
    bool isCommonMode(const RunLoopMode& mode) const;

    // The main queue. Safe from any thread.
    void post(Handover<void()> work);
    void postAfter(double seconds, Handover<void()> work);

    // Mode-agnostic work that stands for something happening on another thread (a
    // deadline on a global queue, a simulated job finishing). It runs in any mode.
    void postOffMainEvent(double seconds, Handover<void()> work);

    void add(const std::shared_ptr<Timer>& timer, const RunLoopMode& mode);
    void add(const std::shared_ptr<RunLoopSource>& source, const RunLoopMode& mode);
    void remove(const std::shared_ptr<RunLoopSource>& source, const RunLoopMode& mode);

    // Watches a file descriptor for reading; the callback runs on the main thread in
    // the common modes. Returns an id for removeFdWatch.
    int addFdWatch(int fd, Handover<void()> onReadable);
    void removeFdWatch(int id);

    // Runs everything runnable now; on the simulated clock also waits for off-main jobs
    // on threads to come back. Returns the number of items run.
    size_t runUntilIdle();
    // Simulated clock only: runs until `seconds` have passed, firing what falls due.
    void advance(double seconds);
    // Runs in the default mode until stop(); on the simulated clock, until nothing
    // more can ever happen.
    void run();
    void stop();
    // Runs nested in `mode` until `done` says so or `seconds` have passed. Returns
    // whether `done` was satisfied.
    bool runInMode(const RunLoopMode& mode, double seconds, const std::function<bool()>& done);

    // Blocks the caller for `seconds`: on the simulated clock the main thread's time
    // jumps ahead (inside simulated off-main work the job takes that much longer). On the
    // real clock the wait ends early once the loop goes.
    void blockFor(double seconds);

    // Off-main work in flight on threads; the simulated clock does not move past it.
    void beginOffMainWork();
    void endOffMainWork();

    // Serial queues by label, made on first use with the kind that suits the clock. Each
    // process has its own, as a label names a queue within one process: the queues of the
    // run whose code asks, and the system's for code that enters no run (and for the
    // default run, the same program while no host runs it; see process_run.h). The
    // queues of a run that nothing holds any more go once they are idle. Once the loop
    // starts to go, every queue refuses jobs (a label without one gets one that refuses
    // them too) and none is destroyed while a job that could reach it still runs.
    DispatchQueue& queue(const std::string& label);
    // The system's global concurrent queues by label, one for every process; made on first
    // use with the kind that suits the clock.
    DispatchQueue& concurrentQueue(const std::string& label);

    TaskRegistry& tasks() { return *tasks_; }

    // The first step of the loop's end, for the owner of what the queues' jobs read (the
    // simulated world) before that goes: from now on nothing is posted and every queue
    // refuses jobs; what waits is dropped, the blocking calls of jobs that run return at
    // once, and those jobs are waited for. Main thread; the loop's end does it too.
    void endQueues();

private:
    friend class Timer;
    friend class RunLoopSource;

    struct Item {
        Handover<void()> work;
    };
    using Key = std::pair<double, uint64_t>;

    bool eligible(const std::set<RunLoopMode>& modes) const;
    bool runOne();
    // Earliest moment something eligible in the current mode becomes ready, or +inf.
    double nextEventTime();
    void drainFdWatches(int timeoutMs);
    void waitForWork(double until);
    void schedule(Timer& timer);
    void detach(Timer& timer);
    void detach(RunLoopSource& source);
    void signalled(RunLoopSource& source, Handover<void()> work);
    void wake();
    uint64_t nextSeq();

    ClockKind clock_;
    std::thread::id mainThread_;
    std::chrono::steady_clock::time_point start_;
    double simulatedNow_ = 0;
    uint64_t seq_ = 1;
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> tearingDown_{false};
    std::vector<RunLoopMode> modeStack_;
    std::set<RunLoopMode> commonModes_;

    mutable std::mutex mutex_;  // guards the main queue, off-main events and in-flight count
    std::condition_variable cv_;
    std::condition_variable teardownCv_;  // blocking calls on the real clock wait on it
    std::map<Key, Item> mainQueue_;
    std::map<Key, Item> offMainEvents_;
    int inFlight_ = 0;
    int wakeFd_ = -1;

    std::set<std::shared_ptr<Timer>> timers_;
    std::set<std::shared_ptr<RunLoopSource>> sources_;
    struct FdWatch {
        int id;
        int fd;
        Handover<void()> onReadable;
    };
    std::vector<FdWatch> fdWatches_;
    int nextFdWatchId_ = 1;

    // A serial queue and the run it belongs to (none for the system's).
    struct OwnedQueue {
        std::weak_ptr<ProcessRun> owner;
        std::unique_ptr<DispatchQueue> queue;
    };
    // By the owner's number (0 for the system) and the label.
    using QueueKey = std::pair<uint64_t, std::string>;
    // Takes out the queues of runs that nothing holds any more and that have no job in
    // flight, for the caller to destroy outside the lock. Called with mutex_ held.
    std::vector<std::unique_ptr<DispatchQueue>> takeQueuesOfGoneRuns();
    // As the loop goes: closes every queue and answers them all, to be stopped outside the
    // lock. Called with mutex_ held.
    std::vector<DispatchQueue*> closeQueues();
    // Destroys every queue, once no job runs that could reach one; outside the lock, as
    // a queue going lets go of what its jobs captured.
    void destroyQueues();

    std::map<QueueKey, OwnedQueue> queues_;
    std::unordered_map<std::string, std::unique_ptr<DispatchQueue>> concurrentQueues_;
    std::unique_ptr<TaskRegistry> tasks_;
};

// Inside simulated off-main work: what the job defers until it ends.
struct SimulatedJobContext {
    double extraCost = 0;
    std::vector<Handover<void()>> deferred;

    // Sends `work` on with `send` as the job ends. What waits belongs to the work's owner,
    // whoever's job defers it: the system's work goes on when the run whose job set it
    // going ends first, and a run's work goes with its run.
    void defer(Handover<void()> work, std::function<void(Handover<void()>)> send);
};
SimulatedJobContext* currentSimulatedJob();

namespace detail {
void setCurrentSimulatedJob(SimulatedJobContext* job);
}

}  // namespace platform
