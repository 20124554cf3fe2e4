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

// Made once and never closed: a handler may run at any moment until the process ends,
// and a closed descriptor's number could by then belong to some other file.
int g_pipe[2] = {-1, -1};
std::atomic<bool> g_watching{false};

void onSignal(int signo) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signo);
    // A full pipe drops the byte: one pending signal is as good as many.
    [[maybe_unused]] ssize_t n = write(g_pipe[1], &byte, 1);
    errno = saved;
}

void makePipe() {
    if (g_pipe[0] >= 0) return;
    if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("catchSignals: pipe");
        std::abort();
    }
}

}  // namespace

void catchSignals(std::initializer_list<int> signals) {
    makePipe();
    sigset_t set;
    sigemptyset(&set);
    for (int signo : signals) {
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(signo, &action, nullptr);
        sigaddset(&set, signo);
    }
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

void discardPendingSignals() {
    if (g_pipe[0] < 0 || g_watching.load()) return;
    unsigned char buffer[16];
    while (read(g_pipe[0], buffer, sizeof buffer) > 0) {
    }
}

SignalWatcher::SignalWatcher(MainLoop& loop, std::initializer_list<int> signals, std::function<void(int)> callback)
    : loop_(loop), onSignal_(std::move(callback)) {
    if (g_watching.exchange(true)) {
        std::fprintf(stderr, "SignalWatcher: only one may exist\n");
        std::abort();
    }
    catchSignals(signals);
    watchId_ = loop_.addFdWatch(g_pipe[0], [this] { drain(); });
}

SignalWatcher::~SignalWatcher() {
    loop_.removeFdWatch(watchId_);
    g_watching.store(false);
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
