#include "windows/access/main_thread.h"

#include <cstdio>
#include <cstdlib>

#include "platform/runtime/main_loop.h"

namespace furlpane {

void requireMainThread(const char* operation) {
    if (platform::MainLoop::exists() && platform::MainLoop::main().isMainThread()) return;
    std::fprintf(stderr, "Furlpane Novan: %s must run on the main thread\n", operation);
    std::abort();
}

}  // namespace furlpane
