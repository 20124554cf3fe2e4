#include "platform/runtime/signals.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "platform/runtime/main_loop.h"

namespace platform {
namespace {

// True once `pid` catches `signo` (its handler is installed).
bool catches(pid_t pid, int signo) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("SigCgt:", 0) == 0) {
            const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
            return (mask >> (signo - 1)) & 1;
        }
    }
    return false;
}

bool waitUntilCatching(pid_t pid, int signo) {
    for (int i = 0; i < 2000; ++i) {
        if (catches(pid, signo)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

int statusCode(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status); }

int exitStatusAfterSignal(pid_t pid, int signo) {
    EXPECT_TRUE(waitUntilCatching(pid, signo));
    kill(pid, signo);
    int status = 0;
    waitpid(pid, &status, 0);
    return statusCode(status);
}

// The exit status, or -1 (after killing it) when it has not ended within ten seconds.
int exitStatusWithin10s(pid_t pid) {
    for (int i = 0; i < 2000; ++i) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) return statusCode(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

TEST(Signals, WatcherDeliversEachTerminationSignalThroughTheLoop) {
    for (int signo : {SIGTERM, SIGINT, SIGHUP}) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int code = 3;
            {
                MainLoop loop(ClockKind::real);
                SignalWatcher watcher(loop, {SIGTERM, SIGINT, SIGHUP}, [&](int got) {
                    code = got == signo && loop.isMainThread() ? 0 : 4;
                    loop.stop();
                });
                loop.run();
            }
            _exit(code);
        }
        EXPECT_EQ(exitStatusAfterSignal(pid, signo), 0) << "signal " << signo;
    }
}

TEST(Signals, ProgramExitsCleanlyOnTermination) {
    for (int signo : {SIGTERM, SIGINT, SIGHUP}) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            execl(FURLPANE_EXECUTABLE, FURLPANE_EXECUTABLE, static_cast<char*>(nullptr));
            _exit(127);
        }
        EXPECT_EQ(exitStatusAfterSignal(pid, signo), 0) << "signal " << signo;
    }
}

// A signal before the watcher exists waits for it; a second one after the watcher is
// gone, while the process shuts down, must not kill it.
TEST(Signals, SignalsBeforeTheWatcherAndDuringShutdownEndInACleanExit) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        catchSignals({SIGTERM, SIGINT});
        raise(SIGTERM);
        int code = 3;
        {
            MainLoop loop(ClockKind::real);
            SignalWatcher watcher(loop, {SIGTERM, SIGINT}, [&](int got) {
                code = got == SIGTERM ? 0 : 4;
                loop.stop();
            });
            loop.run();
        }
        raise(SIGINT);
        raise(SIGTERM);
        _exit(code);
    }
    EXPECT_EQ(exitStatusWithin10s(pid), 0);
}

// Signals sent at once after the start, before any handler could be installed: the child
// is made with them blocked and stays so into the program, so they wait, pending, for
// whatever the program does first.
TEST(Signals, ProgramExitsCleanlyOnASignalFromItsFirstInstant) {
    sigset_t set, old;
    sigemptyset(&set);
    for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&set, s);
    for (int signo : {SIGTERM, SIGINT, SIGHUP}) {
        sigprocmask(SIG_BLOCK, &set, &old);
        const pid_t pid = fork();
        if (pid == 0) {
            execl(FURLPANE_EXECUTABLE, FURLPANE_EXECUTABLE, static_cast<char*>(nullptr));
            _exit(127);
        }
        sigprocmask(SIG_SETMASK, &old, nullptr);
        ASSERT_GE(pid, 0);
        kill(pid, signo);
        EXPECT_EQ(exitStatusWithin10s(pid), 0) << "signal " << signo;
    }
}

}  // namespace
}  // namespace platform
