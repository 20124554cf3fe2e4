#pragma once

// A run of the program's process: from its launch to its death.
//
// Everything the program hands to the system during a run belongs to that run: work
// posted to the main loop, timers, run-loop sources, file-descriptor watches, jobs sent
// to queues and what they post back, task chains, and every callback the system keeps
// for it (observers, notification handlers, event taps and monitors, display links,
// completions of Dock trips, alerts and panels). Once the run has ended none of it runs
// again, whoever still holds it: a process that died runs no more code. What the run
// made once (ProcessOnce, ProcessLocal) is destroyed at its end, and the next run makes
// its own, so nothing of the old one is ever reached again.
//
// Whose code runs. Every thread knows whose code it is executing: a run's (entered with
// InRun) or the system's own (the simulated world, the host of the program, a test's
// code). A hand-over belongs to whoever executes when it is made (Handover captures
// that); when it runs, its thread executes as its owner again, so that what it hands
// over in turn belongs to the same run. The system's hand-overs never end.
//
// Code that enters no run. While no host runs the program (a test that builds a world and
// calls the program directly), such code is the program's too: the values it makes once
// are kept by the default run, the world's (setDefaultRun), else one made on first use.
// Once a host runs the program (setHosted), code that enters no run is the system's own,
// which keeps no run's values: asking for one without naming the run fails (VERIFY), so
// that the system reaches a run only by entering it (InRun, Handover::ownedBy) and never
// takes one run for another, whichever ran last. A new default run (a new world) lifts
// that.
//
// What the system knows a run by. The system that starts a run attaches to it what it
// must answer for that run alone: its process, where its exit goes (attach). Unlike the
// values the run makes once, these stay with the run past its end, for as long as
// anything holds the run, since code of an ended run (a hand-over's destructor, a value
// made after the end) may still ask; it is answered for its own run, never another's.
//
// Threads: runs may be begun, entered, asked and ended from any thread; values made once
// are made under a lock.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace platform {

class ProcessRun : public std::enable_shared_from_this<ProcessRun> {
public:
    // Begins a new run.
    static std::shared_ptr<ProcessRun> begin();
    // The run whose code the calling thread executes; null while the system's own code
    // runs.
    static const std::shared_ptr<ProcessRun>& executing();
    // Where values made once are kept for the calling code: the run it executes; for code
    // that enters no run, the default run while no host runs the program. Fails (VERIFY)
    // for the system's code once a host does: see "Code that enters no run" above.
    static std::shared_ptr<ProcessRun> current();
    // The run that code entering no run belongs to, until a host runs the program; null:
    // one made on first use. Ends the hosted rule below.
    static void setDefaultRun(std::shared_ptr<ProcessRun> run);
    // The default run set; null once a host runs the program or before one is set.
    static std::shared_ptr<ProcessRun> defaultRun();
    // A host runs the program from now on: code that enters no run is the system's.
    static void setHosted();

    ~ProcessRun();
    ProcessRun(const ProcessRun&) = delete;
    ProcessRun& operator=(const ProcessRun&) = delete;

    // Counts runs from 1; a later run has a larger number.
    uint64_t number() const { return number_; }
    bool hasEnded() const { return ended_.load(std::memory_order_acquire); }
    // The process dies. From now on nothing it handed over runs; then, executing as this
    // run (so that whatever they hand over on their way out is dropped at once), its task
    // chains are destroyed, `lastly` runs (the host lets go of the program's objects) and
    // the values it made once go, newest first. Once only; main thread when a main loop
    // exists.
    void end(const std::function<void()>& lastly = {});

    // The value kept under `key`, made with `make` on first use, as this run's code (what
    // the value hands over as it is made belongs to the run). A run that has ended keeps
    // what is made later until the next run begins.
    template <class T, class Make>
    std::shared_ptr<T> keep(const void* key, Make&& make);

    // What the system attaches to the run under `key` (see "What the system knows a run
    // by" above): replaces what was there; null takes it away. Kept until the run object
    // goes, its end notwithstanding. Any thread.
    void attach(const void* key, std::shared_ptr<void> value);
    // What is attached under `key`; null when nothing is.
    template <class T>
    std::shared_ptr<T> attached(const void* key) const {
        return std::static_pointer_cast<T>(findAttached(key));
    }

private:
    struct Kept {
        const void* key;
        std::shared_ptr<void> value;
    };
    explicit ProcessRun(uint64_t number) : number_(number) {}
    std::shared_ptr<void> find(const void* key) const;
    std::shared_ptr<void> findAttached(const void* key) const;
    // Keeps `value` unless another thread kept one first; answers what is kept.
    std::shared_ptr<void> insert(const void* key, std::shared_ptr<void> value);
    // Destroys the kept values, newest first, executing as this run.
    void release();

    const uint64_t number_;
    std::atomic<bool> ended_{false};
    mutable std::mutex mutex_;
    std::vector<Kept> kept_;
    std::vector<Kept> attached_;
};

// Executes the code of a block as `run`'s (null: as the system's), restoring what ran
// before at its end. For the host that starts a program and calls into it. Blocks nest:
// an InRun ends on its thread before the one it was made inside.
class InRun {
public:
    explicit InRun(std::shared_ptr<ProcessRun> run);
    ~InRun();
    InRun(const InRun&) = delete;
    InRun& operator=(const InRun&) = delete;

private:
    std::shared_ptr<ProcessRun> run_;
    const std::shared_ptr<ProcessRun>* outer_;
};

template <class T, class Make>
std::shared_ptr<T> ProcessRun::keep(const void* key, Make&& make) {
    if (auto found = find(key)) return std::static_pointer_cast<T>(found);
    // Made outside the lock: making a value may keep others.
    std::shared_ptr<T> made;
    {
        InRun as(shared_from_this());
        made = make();
    }
    return std::static_pointer_cast<T>(insert(key, std::move(made)));
}

}  // namespace platform
