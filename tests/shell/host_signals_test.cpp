// The host as a person runs it, in a process of its own: a termination signal sent to it
// from outside ends it within moments, whatever it is waiting for, with 128 + the signal.

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "tests/shell/shell_test_support.h"
#include "tests/support/temp_folder.h"

namespace furlpane {
namespace {

using Clock = std::chrono::steady_clock;

// How standard input is handed to the host.
enum class Input { empty, closed };

// furlpane-novan started with `arguments`, standard input empty (or closed, as `<&-`
// leaves it), standard error into a file; the test reads its journal as it comes.
// Killed at the end if it still runs.
class Host {
public:
    Host(const std::vector<std::string>& arguments, const std::filesystem::path& errors, Input input = Input::empty) {
        int output[2];
        if (::pipe(output) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(output[1], STDOUT_FILENO);
            // The journal's only reader is the test.
            ::close(output[0]);
            ::close(output[1]);
            const int null = ::open("/dev/null", O_RDONLY);
            ::dup2(null, STDIN_FILENO);
            const int error = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(error, STDERR_FILENO);
            if (input == Input::closed) ::close(STDIN_FILENO);
            std::vector<char*> argv{const_cast<char*>(FURLPANE_PROGRAM)};
            for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
            argv.push_back(nullptr);
            ::execv(FURLPANE_PROGRAM, argv.data());
            _exit(127);
        }
        ::close(output[1]);
        output_ = output[0];
    }
    ~Host() {
        if (pid_ > 0 && status_ < 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (output_ >= 0) ::close(output_);
    }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Whether its handlers catch SIGTERM yet, from what the kernel shows of it, within
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

}  // namespace
}  // namespace furlpane
