#pragma once

// Termination signals delivered through the main loop. The handler itself only writes
// the signal number into a pipe; the loop reads it and calls back on the main thread,
// so the callback may do anything the main thread may.
//
// The handlers stay for the rest of the process's life once installed: a signal that
// arrives before a watcher exists waits in the pipe for it, and one that arrives after
// the watcher is gone (a second Ctrl-C while the program shuts down) is ignored rather
// than left to the default action, which would kill the process mid-way.
//
// Under the simulated desktop one process hosts the program's runs, several of them at
// once when the program is launched beside itself: each run may have its watcher. A
// signal from outside reaches every watcher there is; one the host sends to a run
// (signalRun) reaches that run's watcher only, or waits for the run to make one.

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>

#include "platform/runtime/handover.h"

namespace platform {

class MainLoop;
class ProcessRun;

// Installs the handlers for `signals` at once and unblocks those signals (a parent may
// have started us with them blocked). Call it first thing in main, so that no signal
// finds the process without them. Idempotent; main thread, before other threads start.
// Throws std::system_error, installing nothing, when the process cannot get the
// descriptors of the pipe (its limit on open files); a later call tries again.
void catchSignals(std::initializer_list<int> signals);

// Drops the signals that arrived while no watcher was there to take them, and those sent
// to runs that have ended: a system that starts the program again after its end must not
// hand the new run a signal meant for the old one. Main thread.
void discardPendingSignals();

// Waits, outside any loop, until `fd` has something to read (or has come to its end), or
// until a signal caught by the handlers comes, whichever is first: the signal, taken from
// those pending, when it came; nothing once `fd` is ready. A blocking read (a pipe with no
// writer yet) thus never outlasts a termination signal, whatever the handlers' restart of
// other calls. Main thread, while no watcher takes the signals.
std::optional<int> waitUntilReadable(int fd);

// How many termination signals the handlers have caught since the process started. Any
// thread.
unsigned caughtSignalCount();

// Waits until a write to `fd` can go on without blocking (or fails at once, which the
// write then tells), or until a termination signal comes, whichever is first: false when
// a signal is pending or the handlers have caught one since caughtSignalCount() answered
// `caughtBefore`. The signal is left for the watchers. A writer whose reader has stopped
// reading thus never outlasts a termination signal. Any thread.
bool waitUntilWritable(int fd, unsigned caughtBefore);

// Sends `signo` to one run of the program, as a signal to its process: its watcher gets
// it on a later loop turn, or on being made when the run has none yet. Main thread.
void signalRun(const std::shared_ptr<ProcessRun>& run, int signo);

class SignalWatcher {
public:
    // Catches `signals` (see catchSignals) and watches for them on `loop`, including those
    // that arrived before. The callback belongs to the run that makes the watcher.
    SignalWatcher(MainLoop& loop, std::initializer_list<int> signals, Handover<void(int)> onSignal);
    ~SignalWatcher();
    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;

    // The run whose watcher it is (null: the system's).
    const std::shared_ptr<ProcessRun>& owner() const { return onSignal_.owner(); }
    void deliver(int signo);

private:
    static void drain();

    MainLoop& loop_;
    Handover<void(int)> onSignal_;
};

}  // namespace platform
