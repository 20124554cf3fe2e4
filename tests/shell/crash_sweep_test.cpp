// A run ends at every moment of every change: crashed and launched again soon or later,
// quit, or sent SIGTERM, from the trigger until well after the change is over. Whatever
// the moment, every window ends up normal where it stood, the program goes on working
// after a relaunch, and a quit puts everything back and exits with 0.
//
// Passes do not draw here: the sweep is about what the program does, and a thousand runs
// of the transitions' pictures would cost minutes.
//
// Runs relaunched at once (while the crashed run's trips are still under way) and runs
// whose world changes at the relaunch take a few moments each: every window comes back.
//
// The program's own process, sent SIGTERM in its first moments, ends with status 0 too.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <cstdio>
#include <thread>
#include <ostream>
#include <string>
#include <vector>

#include "tests/shell/shell_test_support.h"

namespace furlpane {
namespace {

using testing::catchesTermination;
using testing::kCommandDoubleClick;
using testing::kEveryWindowInPlace;
using testing::moment;

constexpr const char* kLaunch = "launch\nwait 1\n";

// A change, or its way back: the settings it needs, what comes before it, and what sets
// it going.
struct Sequence {
    const char* name;
    std::string settings;
    std::string before;
    std::string trigger;
};

const std::vector<Sequence>& sequences() {
    static const std::vector<Sequence> all = {
        {"RollUp", "", "", "double-click 300,112"},
        {"RollUpBack", "", "double-click 300,112\nwait 1.5\nexpect window \"Groceries\" shaded\n",
         "double-click 300,112"},
        {"MinimizeInPlace", kCommandDoubleClick, "", "double-click 300,112 cmd"},
        {"MinimizeInPlaceBack", kCommandDoubleClick,
         "double-click 300,112 cmd\nwait 1.5\nexpect window \"Groceries\" thumbnail\n",
         "menu \"Groceries (Notes)\""},
        {"Float", "", "", "double-click 300,112 ctrl"},
        {"FloatBack", "", "double-click 300,112 ctrl\nwait 1.5\nexpect window \"Groceries\" floating\n",
         "menu \"Groceries (Notes)\""},
        // Option acts on every window of the application: three of Notes, two of Editor.
        {"Group", "", "", "double-click 300,112 opt\ndouble-click 250,452 opt"},
        {"GroupBack", "",
         "double-click 300,112 opt\ndouble-click 250,452 opt\nwait 2\nexpect window \"Outline\" shaded\n",
         "menu \"Restore All Windows\""},
    };
    return all;
}

enum class End { crash, quit, terminate };

struct Sweep {
    Sequence sequence;
    End end;
};

const char* endName(End end) {
    switch (end) {
    case End::crash: return "Crash";
    case End::quit: return "Quit";
    case End::terminate: return "Terminate";
    }
    return "";
}

void PrintTo(const Sweep& sweep, std::ostream* out) { *out << sweep.sequence.name << endName(sweep.end); }

// After a crash and a relaunch (with what happens to the world before and right after
// it): everything back, one more change works, a quit ends it.
std::string crashThenLaunch(double relaunchAfter, const std::string& beforeLaunch = "",
                            const std::string& afterLaunch = "") {
    return "crash\nwait " + moment(relaunchAfter) + "\n" + beforeLaunch + "launch\n" + afterLaunch + "wait 5\n" +
           kEveryWindowInPlace +
           "double-click 300,112\nwait 1.5\nexpect window \"Groceries\" shaded\nquit\nwait 3\nexpect exited 0\n" +
           kEveryWindowInPlace;
}

std::string endedBy(const std::string& command) {
    return command + "\nwait 3\nexpect exited 0\n" + kEveryWindowInPlace;
}

std::vector<std::string> endings(End end) {
    switch (end) {
    case End::crash: return {crashThenLaunch(0.3), crashThenLaunch(2)};
    case End::quit: return {endedBy("quit")};
    case End::terminate: return {endedBy("signal TERM")};
    }
    return {};
}

using CrashSweep = testing::SweepWithoutPictures<Sweep>;

TEST_P(CrashSweep, EveryWindowComesBackWhateverTheMoment) {
    const Sweep& sweep = GetParam();
    constexpr int kMoments = 31;  // every 0.05 s from 0 to 1.5 s after the trigger
    for (int step = 0; step < kMoments; ++step) {
        const std::string at = moment(step * 0.05);
        for (const std::string& ending : endings(sweep.end)) {
            testing::ProgramRun run;
            const Sequence& sequence = sweep.sequence;
            const std::string script = std::string(testing::kFiveWindows) + sequence.settings + kLaunch + sequence.before +
                                       sequence.trigger + "\nwait " + at + "\n" + ending;
            ASSERT_EQ(run.play(script), 0) << "ended " << at << " s after the trigger\n" << run.errors.str();
        }
    }
}

std::vector<Sweep> everySweep() {
    std::vector<Sweep> all;
    for (const Sequence& s : sequences()) {
        for (End end : {End::crash, End::quit, End::terminate}) all.push_back({s, end});
    }
    return all;
}

std::string sweepName(const ::testing::TestParamInfo<Sweep>& info) {
    return std::string(info.param.sequence.name) + endName(info.param.end);
}

INSTANTIATE_TEST_SUITE_P(Changes, CrashSweep, ::testing::ValuesIn(everySweep()), sweepName);

// Runs that the sweep over every moment leaves out: a relaunch at once, while the crashed
// run's trips are still under way; more ways back and more windows of one application;
// the application hidden during a trip, silent at the relaunch, or Accessibility granted
// only after it. A few moments each, in the middle of the change, each with a relaunch
// 0.02 and 0.1 s after the crash.
struct Relaunch {
    const char* name;
    Sequence sequence;
    std::vector<double> moments;
    std::string beforeLaunch;
    std::string afterLaunch;
};

void PrintTo(const Relaunch& relaunch, std::ostream* out) { *out << relaunch.name; }

const Sequence kTwoRolledUp = {"", "", "double-click 300,112\nwait 1.5\n", "double-click 1000,112"};
const Sequence kTwoRestoredTogether = {"", "", "double-click 300,112\nwait 1.5\ndouble-click 1000,112\nwait 1.5\n",
                                       "menu \"Restore All Windows\""};
const Sequence kThreeRolledUp = {"", "", "double-click 300,112\nwait 0.3\ndouble-click 1000,112\nwait 0.3\n",
                                 "double-click 1000,452"};
const Sequence kTwoThumbnailsOptionClicked = {
    "", kCommandDoubleClick,
    "double-click 300,112 cmd\nwait 1.5\ndouble-click 1000,112 cmd\nwait 1.5\nexpect window \"Ideas\" thumbnail\n",
    "click 316,119 opt"};
const Sequence kHiddenDuringTheTrip = {"", "", "", "double-click 300,112\nwait 0.1\nhide com.example.Notes"};

std::string silentFor(const char* seconds) {
    return std::string("app com.example.Notes \"Notes\" unresponsive ") + seconds + "\n";
}

const std::vector<Relaunch>& relaunches() {
    static const std::vector<Relaunch> all = {
        {"TwoRolledUp", kTwoRolledUp, {0.05, 0.1, 0.2, 0.4}, "", ""},
        {"ThreeRolledUp", kThreeRolledUp, {0.1, 0.3}, "", ""},
        {"TwoRestoredTogether", kTwoRestoredTogether, {0.05, 0.1, 0.2, 0.4}, "", ""},
        {"FiveRestoredTogether", sequences().back(), {0.1, 0.5, 1.0}, "", ""},
        {"TwoThumbnailsOptionClicked", kTwoThumbnailsOptionClicked, {0.05, 0.1, 0.2, 0.4}, "", ""},
        {"HiddenDuringTheTrip", kHiddenDuringTheTrip, {0.02, 0.1, 0.3}, "", "wait 1\nshow com.example.Notes\n"},
        {"SilentForAMoment", kTwoRolledUp, {0.1, 1.5}, silentFor("0.3"), ""},
        {"SilentForASecond", kTwoRolledUp, {0.1, 1.5}, silentFor("1"), ""},
        {"SilentForThreeSeconds", kTwoRolledUp, {0.1, 1.5}, silentFor("3"), ""},
        {"TrustedAfterTheRelaunch", kTwoRolledUp, {0.1, 1.5}, "deny accessibility\n", "wait 1\ntrust accessibility\n"},
    };
    return all;
}

using QuickRelaunch = testing::SweepWithoutPictures<Relaunch>;

TEST_P(QuickRelaunch, EveryWindowComesBack) {
    const Relaunch& relaunch = GetParam();
    const Sequence& sequence = relaunch.sequence;
    for (const double at : relaunch.moments) {
        for (const double after : {0.02, 0.1}) {
            testing::ProgramRun run;
            const std::string script = std::string(testing::kFiveWindows) + sequence.settings + kLaunch + sequence.before +
                                       sequence.trigger + "\nwait " + moment(at) + "\n" +
                                       crashThenLaunch(after, relaunch.beforeLaunch, relaunch.afterLaunch);
            ASSERT_EQ(run.play(script), 0) << "crashed " << moment(at) << " s after the trigger, launched "
                                           << moment(after) << " s later\n"
                                           << run.errors.str();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Crashes, QuickRelaunch, ::testing::ValuesIn(relaunches()),
                         [](const ::testing::TestParamInfo<Relaunch>& info) { return info.param.name; });

// A window of the second screen, rolled up or on its way into the Dock when the program
// crashes, and the screen unplugged before the relaunch: the window comes back inside
// the visible frame of the screen that is left, never where no screen shows it.
TEST_F(QuickRelaunch, AWindowWhoseScreenWentComesBackOnTheScreenLeft) {
    constexpr const char* kTwoScreens = R"(
screen 0,0 1440x900 scale 1
screen 1440,0 1280x800 scale 1
app com.example.Notes "Notes"
window "Sketch" of com.example.Notes at 1600,100 size 600x300
)";
    const std::string inPlace = "expect window \"Sketch\" normal at 840,100\n";
    for (const double at : {0.1, 1.5}) {
        for (const double after : {0.02, 0.3}) {
            testing::ProgramRun run;
            const std::string script = std::string(kTwoScreens) + kLaunch + "double-click 1800,112\nwait " +
                                       moment(at) + "\ncrash\nwait " + moment(after) +
                                       "\ndisconnect screen 2\nlaunch\nwait 5\n" + inPlace +
                                       "quit\nwait 3\nexpect exited 0\n" + inPlace;
            ASSERT_EQ(run.play(script), 0) << "crashed " << moment(at) << " s after the double-click\n"
                                           << run.errors.str();
        }
    }
}

// An application silent for longer than the program goes on asking after a relaunch is
// left to a later pass, and the quit's last pass is one (without waits, it takes out one
// window of each application).
TEST_F(QuickRelaunch, WhatAnApplicationSilentPastTheRetriesKeptComesBackAtTheQuit) {
    testing::ProgramRun run;
    const std::string script = std::string(testing::kFiveWindows) + kLaunch + "double-click 300,112\nwait 1.5\ncrash\nwait 0.1\n" +
                               silentFor("45") +
                               "launch\nwait 50\nexpect window \"Groceries\" docked\nquit\nwait 3\nexpect exited 0\n" +
                               kEveryWindowInPlace;
    EXPECT_EQ(run.play(script), 0) << run.errors.str();
}

// The program's own process, as a person starts it (live, reading standard input, which
// stays open), sent SIGTERM `after` it has come to catch the signal (its first moments:
// a signal before that is held back or lost with the loader, as signals_test shows for
// one sent before the start); how it ended.
int statusAfterEarlySignal(std::chrono::milliseconds after) {
    int input[2];
    if (::pipe(input) != 0) return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(input[0], STDIN_FILENO);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::execl(FURLPANE_PROGRAM, FURLPANE_PROGRAM, static_cast<char*>(nullptr));
        _exit(127);
    }
    ::close(input[0]);
    while (!catchesTermination(child) && ::waitpid(child, nullptr, WNOHANG) == 0) {
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    std::this_thread::sleep_for(after);
    ::kill(child, SIGTERM);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(input[1]);
    if (!WIFEXITED(status)) return 1000 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    return WEXITSTATUS(status);
}

TEST(EarlySignal, EndsTheProgramWithZeroFromItsFirstMoments) {
    for (const int ms : {0, 2, 10, 40, 150}) {
        EXPECT_EQ(statusAfterEarlySignal(std::chrono::milliseconds(ms)), 0)
            << "sent " << ms << " ms after the handler was there";
    }
}

}  // namespace
}  // namespace furlpane
