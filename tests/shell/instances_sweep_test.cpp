// A second instance of the program comes or goes at every moment of a change the first
// one makes: launched, quit, crashed or sent SIGTERM. Whatever the moment, the first
// instance's change stands, its status menu, settings window and triggers go on
// working, and at the end every window is back where it stood.
//
// Passes do not draw here, as in the crash sweep.

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "tests/shell/shell_test_support.h"

namespace furlpane {
namespace {

using testing::kCommandDoubleClick;
using testing::kEveryWindowInPlace;
using testing::moment;

// What the first instance still does once the second has come and gone: its status menu
// puts back what it changed, its settings window opens, a double-click rolls a window up
// and down again, and a quit ends it.
constexpr const char* kFirstStillWorks = R"(
menu "Restore All Windows"
wait 2.5
settings open
expect settings "General"
settings close
double-click 300,112
wait 1.5
expect window "Groceries" shaded at 100,100
double-click 300,112
wait 1.5
quit
wait 3
expect exited 0
)";

struct Change {
    const char* name;
    std::string settings;
    std::string trigger;
    std::string seen;  // what shows the change made
};

const std::vector<Change>& changes() {
    static const std::vector<Change> all = {
        {"RollUp", "", "double-click 300,112", "expect window \"Groceries\" shaded at 100,100"},
        {"MinimizeInPlace", kCommandDoubleClick, "double-click 300,112 cmd", "expect window \"Groceries\" thumbnail"},
        {"Float", "", "double-click 300,112 ctrl", "expect window \"Groceries\" floating"},
        // Option acts on every window of the application: three of Notes, two of Editor.
        {"Group", "", "double-click 300,112 opt\ndouble-click 250,452 opt", "expect window \"Outline\" shaded"},
    };
    return all;
}

// What becomes of the second instance, `at` seconds after the first one's trigger. It
// is launched just after the trigger's input has gone by, so that the change is the
// first one's alone.
enum class Second { launch, quit, crash, terminate };

std::string second(Second what, const std::string& at) {
    const std::string wait = "wait " + at + "\n";
    switch (what) {
    case Second::launch: return wait + "launch instance 2\nwait 2\nquit instance 2\n";
    case Second::quit: return "launch instance 2\n" + wait + "quit instance 2\n";
    case Second::crash: return "launch instance 2\n" + wait + "crash instance 2\n";
    case Second::terminate: return "launch instance 2\n" + wait + "signal TERM instance 2\n";
    }
    return "";
}

const char* secondName(Second what) {
    switch (what) {
    case Second::launch: return "Launch";
    case Second::quit: return "Quit";
    case Second::crash: return "Crash";
    case Second::terminate: return "Terminate";
    }
    return "";
}

struct Sweep {
    Change change;
    Second second;
};

void PrintTo(const Sweep& sweep, std::ostream* out) { *out << sweep.change.name << secondName(sweep.second); }

using InstancesSweep = testing::SweepWithoutPictures<Sweep>;

TEST_P(InstancesSweep, TheFirstInstanceStaysWholeWhateverTheMoment) {
    const Sweep& sweep = GetParam();
    constexpr int kMoments = 16;  // every 0.1 s from 0 to 1.5 s after the trigger
    for (int step = 0; step < kMoments; ++step) {
        const std::string at = moment(step * 0.1);
        testing::ProgramRun run;
        const Change& change = sweep.change;
        const std::string script = std::string(testing::kFiveWindows) + change.settings + "launch\nwait 1\n" + change.trigger +
                                   "\n" + second(sweep.second, at) + "wait 2\n" + change.seen + "\n" +
                                   kFirstStillWorks + kEveryWindowInPlace;
        ASSERT_EQ(run.play(script), 0) << "instance 2 changed " << at << " s after the trigger\n"
                                       << run.errors.str();
    }
}

std::vector<Sweep> everySweep() {
    std::vector<Sweep> all;
    for (const Change& c : changes()) {
        for (Second s : {Second::launch, Second::quit, Second::crash, Second::terminate}) all.push_back({c, s});
    }
    return all;
}

std::string sweepName(const ::testing::TestParamInfo<Sweep>& info) {
    return std::string(info.param.change.name) + secondName(info.param.second);
}

INSTANTIATE_TEST_SUITE_P(Changes, InstancesSweep, ::testing::ValuesIn(everySweep()), sweepName);

// Both instances change windows of Notes and quit within 0.3 s of each other, as at a
// log-out, each of them ended one way. Whichever goes first, the other's changes and
// put-back meet the Dock trips the first one started, and wait for them: every window
// comes back and no list stays in the ledger.
enum class Ending { quit, menu, terminate, hangUp };

std::string ending(Ending how, int instance) {
    const std::string which = instance == 2 ? " instance 2" : "";
    switch (how) {
    case Ending::quit: return "quit" + which;
    case Ending::menu: return "menu \"Quit Furlpane Novan\"" + which;
    case Ending::terminate: return "signal TERM" + which;
    case Ending::hangUp: return "signal HUP" + which;
    }
    return "";
}

struct Together {
    const char* name;
    std::string settings;
    std::string first;   // what the first instance changes before the second is launched
    std::string second;  // what the second one changes (the first one meanwhile, too)
};

const std::vector<Together>& together() {
    static const std::vector<Together> all = {
        {"RollUps", "", "double-click 300,112\nwait 1.5\ndouble-click 1000,112", "double-click 1000,452"},
        {"Thumbnails", kCommandDoubleClick, "double-click 300,112 cmd", "double-click 1000,452 cmd"},
        // The first puts its windows back while the second rolls up a third.
        {"RestoreBeside", "", "double-click 300,112\nwait 1.5\ndouble-click 1000,452",
         "menu \"Restore All Windows\"\nwait 0.1\ndouble-click 1000,112"},
        {"Group", "", "double-click 300,112", "double-click 1000,452 opt"},
    };
    return all;
}

using QuittingTogether = testing::SweepWithoutPictures<Ending>;

TEST_P(QuittingTogether, EveryWindowComesBack) {
    const Ending how = GetParam();
    // Picked moments: the quits begin while the second one's trips are under way or once
    // they are over, the gap between them spans 0.02 to 0.3 s, and each instance goes
    // first in turn; the ways of ending shift the picks, so that each meets every change.
    const struct {
        double after;
        double gap;
        int first;
    } picks[] = {{1.5, 0.02, 2}, {0.1, 0.1, 1}, {0.3, 0.2, 2}, {1.5, 0.3, 1}};
    const size_t shift = static_cast<size_t>(how);
    for (size_t i = 0; i < together().size(); ++i) {
        const Together& change = together()[i];
        const auto& pick = picks[(i + shift) % std::size(picks)];
        testing::ProgramRun run;
        const std::string script =
            std::string(testing::kFiveWindows) + "defaults MIPWindowAnimateTransitions false\n" + change.settings +
            "launch\nwait 1\n" + change.first + "\nwait 1.5\nlaunch instance 2\nwait 1\n" + change.second +
            "\nwait " + moment(pick.after) + "\n" + ending(how, pick.first) + "\nwait " + moment(pick.gap) + "\n" +
            ending(how, 3 - pick.first) +
            "\nwait 4\nexpect exited 0\nexpect exited 0 instance 2\nexpect no defaults ChangedWindows\n" +
            kEveryWindowInPlace;
        ASSERT_EQ(run.play(script), 0) << change.name << ": instance " << pick.first << " first, the other "
                                       << moment(pick.gap) << " s later\n"
                                       << run.errors.str();
    }
}

const char* endingName(Ending how) {
    switch (how) {
    case Ending::quit: return "Quit";
    case Ending::menu: return "Menu";
    case Ending::terminate: return "Terminate";
    case Ending::hangUp: return "HangUp";
    }
    return "";
}

void PrintTo(Ending how, std::ostream* out) { *out << endingName(how); }
std::string endingTestName(const ::testing::TestParamInfo<Ending>& info) { return endingName(info.param); }

INSTANTIATE_TEST_SUITE_P(Endings, QuittingTogether,
                         ::testing::Values(Ending::quit, Ending::menu, Ending::terminate, Ending::hangUp),
                         endingTestName);

}  // namespace
}  // namespace furlpane
