#pragma once

// Termination signals delivered through the main loop. The handler itself only writes
// the signal number into a pipe; the loop reads it and calls back on the main thread,
// so the callback may do anything the main thread may.
//
// The handlers stay for the rest of the process's life once installed: a signal that
// arrives before a watcher exists waits in the pipe for it, and one that arrives after
// the watcher is gone (a second Ctrl-C while the program shuts down) is ignored rather
// than left to the default action, which would kill the process mid-way.

#include <functional>
#include <initializer_list>

namespace platform {

class MainLoop;

// Installs the handlers for `signals` at once and unblocks those signals (a parent may
// have started us with them blocked). Call it first thing in main, so that no signal
// finds the process without them. Idempotent; main thread, before other threads start.
void catchSignals(std::initializer_list<int> signals);

// Drops the signals that arrived while no watcher was there to take them: a system that
// starts the program again after its end must not hand the new run a signal meant for
// the old one. Main thread.
void discardPendingSignals();

class SignalWatcher {
public:
    // Catches `signals` (see catchSignals) and watches for them on `loop`, including
    // those that arrived before. One watcher per process at a time.
    SignalWatcher(MainLoop& loop, std::initializer_list<int> signals, std::function<void(int)> onSignal);
    ~SignalWatcher();
    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;

private:
    void drain();

    MainLoop& loop_;
    std::function<void(int)> onSignal_;
    int watchId_ = 0;
};

}  // namespace platform
