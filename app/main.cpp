// The program's entry point. The system it runs on hosts it: brings the desktop up,
// launches the program (its delegate made afresh at each launch) and runs until the
// session ends.

#include <csignal>

#include "app/shell/app_delegate.h"
#include "platform/runtime/signals.h"
#include "platform/system.h"

namespace {

// Before anything else of the process runs, even before static objects are made: from
// the first moment a termination signal waits for the program, which then ends as it
// should (every window back, status 0), instead of the default action killing the
// process halfway through its start.
void catchTerminationSignalsFirst(int, char**, char**) { platform::catchSignals({SIGTERM, SIGINT, SIGHUP}); }

[[gnu::section(".preinit_array"), gnu::used]] void (*const kCatchFirst)(int, char**, char**) =
    catchTerminationSignalsFirst;

}  // namespace

int main(int argc, char** argv) {
    return platform::System::run(argc, argv, {.makeDelegate = [] { return furlpane::AppDelegate::make(); }});
}
