#include "platform/runtime/signals.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/runtime/main_loop.h"
#include "platform/runtime/process_run.h"

namespace platform {

namespace {

// Made once and never closed: a handler may run at any moment until the process ends,
// and a closed descriptor's number could by then belong to some other file.
int g_pipe[2] = {-1, -1};

// Counted before the byte is written, so that whoever sees the byte sees the count too.
std::atomic<unsigned> g_caught{0};
static_assert(std::atomic<unsigned>::is_always_lock_free, "a handler may only touch lock-free atomics");

void onSignal(int signo) {
    const int saved = errno;
    g_caught.fetch_add(1);
    const unsigned char byte = static_cast<unsigned char>(signo);
    // A full pipe drops the byte: one pending signal is as good as many.
    [[maybe_unused]] ssize_t n = write(g_pipe[1], &byte, 1);
    errno = saved;
}

void makePipe() {
    if (g_pipe[0] >= 0) return;
    if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::system_error(errno, std::generic_category(), "catchSignals: pipe");
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

namespace {

// The watchers there are, oldest first, and the pipe's watch on the loop while there is
// any. Main thread.
std::vector<SignalWatcher*> g_watchers;
int g_pipeWatch = 0;
MainLoop* g_pipeLoop = nullptr;
// Signals sent to runs that have no watcher yet, by run.
std::vector<std::pair<std::weak_ptr<ProcessRun>, int>> g_waitingForRun;

}  // namespace

void discardPendingSignals() {
    std::erase_if(g_waitingForRun, [](const auto& waiting) {
        const auto run = waiting.first.lock();
        return !run || run->hasEnded();
    });
    if (g_pipe[0] < 0 || !g_watchers.empty()) return;
    unsigned char buffer[16];
    while (read(g_pipe[0], buffer, sizeof buffer) > 0) {
    }
}

std::optional<int> waitUntilReadable(int fd) {
    for (;;) {
        pollfd fds[2] = {{g_pipe[0], POLLIN, 0}, {fd, POLLIN, 0}};
        // Without the handlers (the pipe not made) only the descriptor is watched.
        const int ready = poll(g_pipe[0] >= 0 ? fds : fds + 1, g_pipe[0] >= 0 ? 2 : 1, -1);
        if (ready < 0 && errno != EINTR) return std::nullopt;
        // A handler that ran meanwhile made poll give up; its byte waits in the pipe.
        unsigned char signo = 0;
        if (g_pipe[0] >= 0 && read(g_pipe[0], &signo, 1) == 1) return signo;
        if (ready > 0 && fds[1].revents != 0) return std::nullopt;
    }
}

unsigned caughtSignalCount() { return g_caught.load(); }

bool waitUntilWritable(int fd, unsigned caughtBefore) {
    for (;;) {
        // Once a signal has come, only what the descriptor takes at once is written.
        const bool caught = g_caught.load() != caughtBefore;
        pollfd fds[2] = {{fd, POLLOUT, 0}, {g_pipe[0], POLLIN, 0}};
        const nfds_t count = !caught && g_pipe[0] >= 0 ? 2 : 1;
        const int ready = poll(fds, count, caught ? 0 : -1);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0 || fds[0].revents != 0) return true;
        if (caught || fds[1].revents != 0) return false;
    }
}

namespace {

SignalWatcher* watcherOf(const std::shared_ptr<ProcessRun>& run) {
    for (SignalWatcher* watcher : g_watchers) {
        if (watcher->owner() == run) return watcher;
    }
    return nullptr;
}

}  // namespace

void signalRun(const std::shared_ptr<ProcessRun>& run, int signo) {
    if (!run || run->hasEnded()) return;
    if (!watcherOf(run)) {
        g_waitingForRun.emplace_back(run, signo);
        return;
    }
    // On a later turn, as a signal through the pipe comes; the watcher may have gone
    // meanwhile, and the signal then waits for the run's next one.
    std::weak_ptr<ProcessRun> weak = run;
    MainLoop::main().post(Handover<void()>::system([weak, signo] {
        const auto target = weak.lock();
        if (!target) return;
        if (SignalWatcher* watcher = watcherOf(target)) {
            watcher->deliver(signo);
        } else {
            g_waitingForRun.emplace_back(target, signo);
        }
    }));
}

SignalWatcher::SignalWatcher(MainLoop& loop, std::initializer_list<int> signals, Handover<void(int)> callback)
    : loop_(loop), onSignal_(std::move(callback)) {
    catchSignals(signals);
    g_watchers.push_back(this);
    if (!g_pipeWatch) {
        // The pipe is the system's: what it brings goes to whichever watchers there are.
        g_pipeLoop = &loop_;
        g_pipeWatch = loop_.addFdWatch(g_pipe[0], Handover<void()>::system([] { drain(); }));
    }
    // What was sent to this run before it watched.
    const std::shared_ptr<ProcessRun>& run = owner();
    std::vector<int> waiting;
    std::erase_if(g_waitingForRun, [&](const auto& w) {
        if (!run || w.first.lock() != run) return false;
        waiting.push_back(w.second);
        return true;
    });
    for (int signo : waiting) signalRun(run, signo);
}

SignalWatcher::~SignalWatcher() {
    std::erase(g_watchers, this);
    if (g_watchers.empty() && g_pipeWatch) {
        g_pipeLoop->removeFdWatch(g_pipeWatch);
        g_pipeWatch = 0;
        g_pipeLoop = nullptr;
    }
}

void SignalWatcher::deliver(int signo) { onSignal_(signo); }

void SignalWatcher::drain() {
    unsigned char buffer[16];
    for (;;) {
        const ssize_t n = read(g_pipe[0], buffer, sizeof buffer);
        if (n <= 0) return;
        for (ssize_t i = 0; i < n; ++i) {
            // Each watcher is looked up again: a callback may end another's run.
            for (SignalWatcher* w : std::vector<SignalWatcher*>(g_watchers)) {
                if (std::find(g_watchers.begin(), g_watchers.end(), w) != g_watchers.end()) w->deliver(buffer[i]);
            }
        }
    }
}

}  // namespace platform
