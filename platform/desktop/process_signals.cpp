#include <cerrno>
#include <csignal>

#include "platform/desktop/desktop.h"

namespace platform::desktop {

namespace {

bool endsProcess(int signal) {
    return signal == SIGTERM || signal == SIGINT || signal == SIGHUP || signal == SIGQUIT || signal == SIGKILL;
}

}  // namespace

int Desktop::deliverSignal(int32_t pid, int signal) {
    auto guard = lock();
    if (signal < 0 || signal >= NSIG) return EINVAL;
    Application* app = process(pid);
    if (!app) return ESRCH;
    if (app->isOwnProcess() || app->kind() != ProcessKind::application) return EPERM;
    if (signal == 0) return 0;
    sentSignals_.push_back({pid, signal});
    if (!endsProcess(signal)) return 0;
    if (app == dock_.application()) {
        dock_.restart();
    } else {
        terminate(*app);
    }
    return 0;
}

}  // namespace platform::desktop
