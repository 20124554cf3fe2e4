// The host as a person runs it, in a process of its own: a termination signal sent to it
// from outside ends it within moments, whatever it is waiting for, with 128 + the signal.

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "tests/shell/program_process.h"
#include "tests/shell/shell_test_support.h"
#include "tests/support/foreign_settings.h"
#include "tests/support/temp_folder.h"

namespace furlpane {
namespace {

using Clock = std::chrono::steady_clock;

// How standard input is handed to the host: held, a pipe the test writes lines into and
// holds open.
enum class Input { empty, closed, held };

// furlpane-novan started with `arguments`, standard input empty (or closed, as `<&-`
// leaves it), standard error into a file; the test reads its journal as it comes.
// Killed at the end if it still runs.
class Host {
public:
    Host(const std::vector<std::string>& arguments, const std::filesystem::path& errors, Input input = Input::empty) {
        int output[2], lines[2] = {-1, -1};
        if (::pipe2(output, O_CLOEXEC) != 0 || (input == Input::held && ::pipe2(lines, O_CLOEXEC) != 0)) return;
        const int error = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        pid_ = testing::startProgram(arguments, {lines[0], output[1], error}, [input] {
            if (input == Input::closed) ::close(STDIN_FILENO);
        });
        for (const int fd : {error, output[1], lines[0]})
            if (fd >= 0) ::close(fd);
        output_ = output[0];
        held_ = lines[1];
    }
    ~Host() {
        if (pid_ > 0 && status_ < 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        for (const int fd : {output_, held_})
            if (fd >= 0) ::close(fd);
    }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Whether its handlers catch the three signals yet, from what the kernel shows of it, within
    // `seconds`.
    bool catchesSignals(double seconds) {
        const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
        while (Clock::now() < deadline && !ended()) {
            if (catches()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }
    // Reads the journal until it holds `fragment`, for at most `seconds`.
    bool readUntil(const std::string& fragment, double seconds) {
        const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
        while (journal.find(fragment) == std::string::npos) {
            if (Clock::now() >= deadline) return false;
            if (!readFor(10) && ended()) break;
        }
        while (readFor(0)) {
        }
        return journal.find(fragment) != std::string::npos;
    }
    void send(int signal) const { ::kill(pid_, signal); }
    bool write(const std::string& lines) const {
        return ::write(held_, lines.data(), lines.size()) == static_cast<ssize_t>(lines.size());
    }
    // How it ended within `seconds`, reading its journal meanwhile (a full pipe would hold
    // it up): its exit status, 1000 + the signal that killed it, -1 while it still runs.
    int endWithin(double seconds) {
        const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
        while (!ended() && Clock::now() < deadline) readFor(10);
        while (readFor(0)) {
        }
        if (status_ < 0) return -1;
        return WIFEXITED(status_) ? WEXITSTATUS(status_) : 1000 + WTERMSIG(status_);
    }

    std::string journal;

private:
    bool ended() {
        int status = 0;
        if (status_ < 0 && pid_ > 0 && ::waitpid(pid_, &status, WNOHANG) == pid_) status_ = status;
        return status_ >= 0;
    }
    // Only once it runs the program: before, the forked test's own handlers show.
    bool catches() const {
        std::error_code error;
        const auto image = std::filesystem::read_symlink("/proc/" + std::to_string(pid_) + "/exe", error);
        if (error || !std::filesystem::equivalent(image, FURLPANE_PROGRAM, error)) return false;
        return testing::catchesTermination(pid_);
    }
    // What the journal brings within `ms` milliseconds; false when nothing came.
    bool readFor(int ms) {
        pollfd fd{output_, POLLIN, 0};
        if (::poll(&fd, 1, ms) <= 0) return false;
        char buffer[65536];
        const ssize_t n = ::read(output_, buffer, sizeof buffer);
        if (n <= 0) return false;
        journal.append(buffer, static_cast<size_t>(n));
        return true;
    }

    pid_t pid_ = -1;
    int output_ = -1;
    int held_ = -1;  // the write end of held standard input
    int status_ = -1;
};

TEST(HostSignals, EndTheWaitForAScenarioThatNoOneWrites) {
    furlpane_test::TempFolder folder;
    const auto fifo = folder / "scenario";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        Host host({"--scenario", fifo.string()}, folder / "errors");
        ASSERT_TRUE(host.catchesSignals(30));
        // Before its read begins or while it waits: either way the signal ends it.
        host.send(signal);
        EXPECT_EQ(host.endWithin(10), 128 + signal) << signal;
        EXPECT_NE(furlpane_test::readText(folder / "errors").find("while reading"), std::string::npos);
    }
}

// A window rolled up, then minutes of scenario to go: the program puts the window back on the
// signal and exits, and the host stops there, the later launch never played.
TEST(HostSignals, EndTheScenarioAfterTheProgramPutEveryWindowBack) {
    furlpane_test::TempFolder folder;
    std::string scenario = R"(screen 0,0 1100x700 scale 1
defaults MIPWindowAnimateTransitions false
app com.example.Notes "Notes"
window "Groceries" of com.example.Notes at 100,100 size 300x200
launch
wait 1
double-click 200,112
wait 1.2
expect window "Groceries" shaded
)";
    // Each picture of the desktop takes a moment in real time, where waits take next to none.
    for (int i = 0; i < 2000; ++i) scenario += "snapshot desk\nwait 3600\n";
    scenario += "launch\n";
    furlpane_test::writeText(folder / "long.scenario", scenario);
    Host host({"--scenario", (folder / "long.scenario").string(), "--out", (folder / "out").string()},
              folder / "errors");
    ASSERT_TRUE(host.readUntil(R"("state":"shaded")", 120)) << host.journal;
    host.send(SIGINT);
    ASSERT_EQ(host.endWithin(10), 128 + SIGINT) << host.journal;
    const std::string& journal = host.journal;
    const size_t shaded = journal.find(R"("state":"shaded")");
    const size_t back = journal.find(R"("title":"Groceries","app":"com.example.Notes","state":"normal")", shaded);
    const size_t exit = journal.find(R"("event":"exit","status":0)");
    const size_t interrupted = journal.find(R"("event":"interrupted","signal":"SIGINT")");
    ASSERT_NE(interrupted, std::string::npos) << journal;
    EXPECT_LT(back, interrupted) << journal;
    EXPECT_LT(exit, interrupted) << journal;
    EXPECT_EQ(journal.find(R"("event":"launch")", journal.find(R"("event":"launch")") + 1), std::string::npos);
    EXPECT_NE(furlpane_test::readText(folder / "errors").find("SIGINT came from outside the session"),
              std::string::npos);
}

// Standard input closed (`<&-`): no line comes, and a termination signal still ends the
// session, the program first, rather than being read as input.
TEST(HostSignals, EndASessionStartedWithStandardInputClosed) {
    furlpane_test::TempFolder folder;
    Host host({}, folder / "errors", Input::closed);
    ASSERT_TRUE(host.readUntil(R"("event":"launch")", 120))
        << host.journal << furlpane_test::readText(folder / "errors");
    host.send(SIGTERM);
    EXPECT_EQ(host.endWithin(30), 0) << host.journal;
    EXPECT_NE(host.journal.find(R"("event":"exit","status":0)"), std::string::npos) << host.journal;
}

// Groceries rolled up in a live session, the ground a signal lands on. The picture of the
// window has a limit in real time, which a heavily loaded machine may pass: the roll-up
// then fails with a beep, and the double-click is made again.
bool rollUp(Host& host, const std::string& shaded) {
    constexpr const char* kBeep = R"("name":"beep")";
    for (int attempt = 0; attempt < 5; ++attempt) {
        const size_t beeps = furlpane_test::occurrences(host.journal, kBeep);
        if (!host.write("double-click 340,101\n")) return false;
        const auto deadline = Clock::now() + std::chrono::seconds(60);
        while (Clock::now() < deadline && furlpane_test::occurrences(host.journal, kBeep) == beeps) {
            if (host.readUntil(shaded, 0.1)) return true;
        }
    }
    return false;
}

// A termination signal ends the live session whatever follows it: a stop and a continue,
// and lines held behind a wait that launch the program again and beside itself. Landed
// while the second instance starts, while both run and while the first is crashed before
// its relaunch: no line after it is played, the window is put back and the session ends
// within its bound with the program's status.
TEST(HostSignals, EndTheLiveSessionWhateverFollowsTheSignal) {
    struct Moment {
        const char* before;  // the lines before the signal, and what shows they ran
        const char* ran;
        int signal;
    };
    const Moment moments[] = {
        {"launch instance 2\n", R"("event":"launch","instance":2)", SIGTERM},
        {"launch instance 2\nwait 1\nexpect window \"Groceries\" shaded\n", R"("event":"expect")", SIGHUP},
        {"launch instance 2\nwait 1\ncrash\n", R"("event":"crash")", SIGTERM}};
    const std::string groceries = R"("title":"Groceries","app":"com.example.Notes","state":)";
    for (const auto& [before, ran, signal] : moments) {
        furlpane_test::TempFolder folder;
        Host host({}, folder / "errors", Input::held);
        ASSERT_TRUE(host.write("wait 1\n"));
        ASSERT_TRUE(rollUp(host, groceries + R"("shaded")")) << host.journal;
        ASSERT_TRUE(host.write(std::string(before) + "wait 0.5\nlaunch\nlaunch instance 3\n"));
        ASSERT_TRUE(host.readUntil(ran, 60)) << host.journal;
        host.send(signal);
        std::this_thread::sleep_for(std::chrono::milliseconds(9));
        host.send(SIGSTOP);
        std::this_thread::sleep_for(std::chrono::seconds(1));
        host.send(SIGCONT);
        EXPECT_EQ(host.endWithin(platform::scenario::kEndAfterSignal + 5), 0)
            << before << host.journal << furlpane_test::readText(folder / "errors");
        EXPECT_EQ(host.journal.find(R"("instance":3)"), std::string::npos) << before << host.journal;
        EXPECT_NE(host.journal.find(groceries + R"("normal")", host.journal.rfind(groceries)), std::string::npos)
            << before << host.journal;
    }
}

// Whether the process comes, within `seconds`, to wait with something in the pipe it writes
// to (`read`, its other end): asleep, twice, with nothing more written in between.
bool waitsToWrite(pid_t pid, int read, double seconds) {
    const auto state = [pid] {
        const std::string stat = furlpane_test::readText("/proc/" + std::to_string(pid) + "/stat");
        const size_t name = stat.rfind(')');
        return name == std::string::npos || name + 2 >= stat.size() ? '?' : stat[name + 2];
    };
    const auto waiting = [read] {
        int bytes = 0;
        return ::ioctl(read, FIONREAD, &bytes) == 0 ? bytes : -1;
    };
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < deadline) {
        const int before = waiting();
        const bool asleep = state() == 'S';
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (before > 0 && asleep && state() == 'S' && waiting() == before) return true;
    }
    return false;
}

// The journal or standard error into a pipe whose reader has stopped reading, as a pager at
// its first screen does: once the pipe is full the host waits to write, and a termination
// signal still ends the session at once with the status it gives, the scratch folder gone;
// what the blocked output could not take is lost. All the hosts run side by side.
TEST(HostSignals, EndTheSessionWhileAnOutputWaitsForAReaderThatStopped) {
    furlpane_test::TempFolder folder;
    // Each expectation is a line of the journal; each that fails, a line of standard error too.
    const auto expectations = [](const char* state) {
        std::string lines;
        for (int i = 0; i < 400; ++i) lines += std::string("expect window \"Groceries\" ") + state + "\n";
        return lines;
    };
    struct Run {
        bool journalBlocked, live;
        int signal;
        int expected;
        std::filesystem::path scratch, open;  // TMPDIR, and the output that is read
        pid_t pid = -1;
        int stopped = -1;  // the blocked output's reader, which never reads
        int input = -1;    // live: standard input, left open
    };
    std::vector<Run> runs;
    for (const bool journalBlocked : {true, false}) {
        for (const bool live : {false, true}) {
            for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
                // Live, the program's status: 0 after a signal, 1 when an expectation failed.
                const int expected = live ? (journalBlocked ? 0 : 1) : 128 + signal;
                const auto name = std::to_string(runs.size());
                runs.push_back({journalBlocked, live, signal, expected, folder / ("tmp" + name), folder / name});
            }
        }
    }
    for (Run& run : runs) {
        std::filesystem::create_directories(run.scratch);
        const std::string lines = expectations(run.journalBlocked ? "normal" : "shaded");
        furlpane_test::writeText(run.open.string() + ".scenario", testing::kNotesDesk + lines);
        int blocked[2], input[2] = {-1, -1};
        ASSERT_EQ(::pipe2(blocked, O_CLOEXEC), 0);
        // A page: a few lines fill it.
        ::fcntl(blocked[1], F_SETPIPE_SZ, 4096);
        if (run.live) {
            ASSERT_EQ(::pipe2(input, O_CLOEXEC), 0);
            ASSERT_EQ(::write(input[1], lines.data(), lines.size()), static_cast<ssize_t>(lines.size()));
        }
        const int open = ::open(run.open.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        std::vector<std::string> arguments;
        if (!run.live) arguments = {"--scenario", run.open.string() + ".scenario"};
        const std::array<int, 3> standard{input[0], run.journalBlocked ? blocked[1] : open,
                                          run.journalBlocked ? open : blocked[1]};
        const std::string scratch = run.scratch.string();
        run.pid = testing::startProgram(arguments, standard, [&scratch] { ::setenv("TMPDIR", scratch.c_str(), 1); });
        for (int fd : {open, blocked[1], input[0]})
            if (fd >= 0) ::close(fd);
        run.stopped = blocked[0];
        run.input = input[1];
    }
    for (Run& run : runs) {
        EXPECT_TRUE(waitsToWrite(run.pid, run.stopped, 120)) << "the host never waited for its reader";
        ::kill(run.pid, run.signal);
    }
    const auto signalled = Clock::now();
    for (Run& run : runs) {
        const std::string what = std::string(run.journalBlocked ? "journal" : "errors") +
                                 (run.live ? ", live, " : ", ") + sigabbrev_np(run.signal);
        const std::chrono::duration<double> left = signalled + std::chrono::seconds(30) - Clock::now();
        EXPECT_EQ(testing::endWithin(run.pid, left.count()), run.expected) << what;
        EXPECT_TRUE(std::filesystem::is_empty(run.scratch)) << what;
        const std::string read = furlpane_test::readText(run.open);
        const char* told = run.journalBlocked ? "came from outside the session" : R"("event":"interrupted")";
        if (!run.live) {
            EXPECT_NE(read.find(told), std::string::npos) << what << "\n" << read;
        }
        for (int fd : {run.stopped, run.input})
            if (fd >= 0) ::close(fd);
    }
}

}  // namespace
}  // namespace furlpane
