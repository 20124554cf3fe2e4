#pragma once

// Termination signals delivered through the main loop. The handler itself only writes
// the signal number into a pipe; the loop reads it and calls back on the main thread,
// so the callback may do anything the main thread may.

#include <functional>
#include <initializer_list>

namespace platform {

class MainLoop;

class SignalWatcher {
public:
    // Installs handlers for `signals` and watches for them on `loop`. One watcher per
    // process at a time.
    SignalWatcher(MainLoop& loop, std::initializer_list<int> signals, std::function<void(int)> onSignal);
    ~SignalWatcher();
    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;

private:
    void drain();

    MainLoop& loop_;
    std::function<void(int)> onSignal_;
    int watchId_ = 0;
    int signals_[8] = {};
    int count_ = 0;
};

}  // namespace platform
