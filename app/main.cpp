// The program's entry point. The system it runs on hosts it: brings the desktop up,
// launches the program (its delegate made afresh at each launch) and runs until the
// session ends.

#include <system_error>

#include "app/shell/app_delegate.h"
#include "platform/system.h"

namespace {

// Before anything else of the process runs, even before static objects are made: from
// the first moment a termination signal waits for the program, which then ends as it
// should (every window back, status 0), instead of the default action killing the
// process halfway through its start; and a standard descriptor the process was started
// without is held before the signals' pipe, or any file, could take its number. When the
// process cannot have those descriptors, run() meets the same failure and says it.
void prepareFirst(int, char**, char**) {
    try {
        platform::System::prepareProcess();
    } catch (const std::system_error&) {
    }
}

[[gnu::section(".preinit_array"), gnu::used]] void (*const kPrepareFirst)(int, char**, char**) = prepareFirst;

}  // namespace

int main(int argc, char** argv) {
    return platform::System::run(argc, argv, {.makeDelegate = [] { return furlpane::AppDelegate::make(); }});
}
