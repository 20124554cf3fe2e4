#include "platform/services/process_signal.h"

#include <cerrno>

#include "platform/desktop/desktop.h"

namespace platform {

int signalProcess(int32_t pid, int signal) {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world) return ESRCH;
    return world->deliverSignal(pid, signal);
}

}  // namespace platform
