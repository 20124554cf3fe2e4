#pragma once

// SIGTERM, SIGINT and SIGHUP, each brought to a handler on the main thread (never in
// the signal handler itself), so that the program can put every window back before it
// exits. Installed once at start-up; the handlers stay for the process's life, the
// watch for as long as the object.

#include <functional>
#include <memory>

#include "platform/runtime/signals.h"

namespace furlpane {

class TerminationSignals {
public:
    static std::unique_ptr<TerminationSignals> install(std::function<void(int)> handler);

private:
    explicit TerminationSignals(std::function<void(int)> handler);
    platform::SignalWatcher watcher_;
};

}  // namespace furlpane
