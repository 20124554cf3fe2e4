// Entry point of the program: brings up the system it runs on, then the main loop runs
// until a termination signal arrives.

#include <signal.h>

#include <cstdio>

#include "platform/runtime/main_loop.h"
#include "platform/runtime/signals.h"
#include "platform/system.h"

int main() {
    platform::catchSignals({SIGTERM, SIGINT, SIGHUP});
    platform::MainLoop loop(platform::ClockKind::real);
    auto system = platform::System::start(loop);
    if (!system) {
        std::fprintf(stderr, "furlpane-novan: %s\n", system.error().message.c_str());
        return 1;
    }
    platform::SignalWatcher signals(loop, {SIGTERM, SIGINT, SIGHUP}, [&loop](int) { loop.stop(); });
    loop.run();
    return 0;
}
