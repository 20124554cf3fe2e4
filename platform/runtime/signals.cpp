#include "platform/runtime/signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/runtime/main_loop.h"

namespace platform {

namespace {

int g_pipe[2] = {-1, -1};
std::atomic<bool> g_installed{false};

void onSignal(int signo) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signo);
    [[maybe_unused]] ssize_t n = write(g_pipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

SignalWatcher::SignalWatcher(MainLoop& loop, std::initializer_list<int> signals, std::function<void(int)> callback)
    : loop_(loop), onSignal_(std::move(callback)) {
    if (g_installed.exchange(true)) {
        std::fprintf(stderr, "SignalWatcher: only one may exist\n");
        std::abort();
    }
    if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("SignalWatcher: pipe");
        std::abort();
    }
    for (int signo : signals) {
        if (count_ == static_cast<int>(std::size(signals_))) break;
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(signo, &action, nullptr);
        signals_[count_++] = signo;
    }
    watchId_ = loop_.addFdWatch(g_pipe[0], [this] { drain(); });
}

SignalWatcher::~SignalWatcher() {
    for (int i = 0; i < count_; ++i) signal(signals_[i], SIG_DFL);
    loop_.removeFdWatch(watchId_);
    close(g_pipe[0]);
    close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
    g_installed.store(false);
}

void SignalWatcher::drain() {
    unsigned char buffer[16];
    for (;;) {
        const ssize_t n = read(g_pipe[0], buffer, sizeof buffer);
        if (n <= 0) return;
        for (ssize_t i = 0; i < n; ++i) onSignal_(buffer[i]);
    }
}

}  // namespace platform
