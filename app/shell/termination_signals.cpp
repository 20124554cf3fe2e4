#include "app/shell/termination_signals.h"

#include <csignal>

#include "platform/runtime/main_loop.h"

namespace furlpane {

TerminationSignals::TerminationSignals(std::function<void(int)> handler)
    : watcher_(platform::MainLoop::main(), {SIGTERM, SIGINT, SIGHUP}, std::move(handler)) {}

std::unique_ptr<TerminationSignals> TerminationSignals::install(std::function<void(int)> handler) {
    return std::unique_ptr<TerminationSignals>(new TerminationSignals(std::move(handler)));
}

}  // namespace furlpane
