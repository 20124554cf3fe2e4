// Entry point of the program: the main loop runs until a termination signal arrives.

#include <signal.h>

#include "platform/runtime/main_loop.h"
#include "platform/runtime/signals.h"

int main() {
    platform::catchSignals({SIGTERM, SIGINT, SIGHUP});
    platform::MainLoop loop(platform::ClockKind::real);
    platform::SignalWatcher signals(loop, {SIGTERM, SIGINT, SIGHUP}, [&loop](int) { loop.stop(); });
    loop.run();
    return 0;
}
