// One instance's gestures beside what another instance holds or does, on one desktop:
// the window the other one floats is left to it, and a click on a minimize button of an
// application that the other one's trip keeps from answering waits for it. What the user
// sees afterwards is what one instance alone would show.

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "tests/shell/shell_test_support.h"

namespace furlpane {
namespace {

using testing::kEveryWindowInPlace;
using testing::moment;

struct Beside {
    std::string name;
    std::string script;  // played after the desk and before every window is looked at
};

void PrintTo(const Beside& beside, std::ostream* out) { *out << beside.name; }

constexpr const char* kNoneChanged =
    R"("No Changed Windows" "Restore All Windows" "-" "Settings…" "-" "Quit Furlpane Novan")";

std::string menu(const std::string& items, const char* instance = "") {
    return "expect menu " + items + instance + "\n";
}

std::string changed(const char* window) {
    return std::string(R"("Changed Windows" ")") + window + R"(" "Restore All Windows" "-" "Settings…" "-" )" +
           R"("Quit Furlpane Novan")";
}

// The first instance floats "Groceries", and the user brings it forward and works in it;
// the second instance's tap sees the gesture on its title bar first.
std::vector<Beside> gesturesOnTheOthersFloat() {
    const struct {
        const char* name;
        const char* gesture;
        std::string seen;
    } rows[] = {
        {"ControlDoubleClickEndsTheFloat", "double-click 300,112 ctrl",
         "expect window \"Groceries\" normal at 100,100\n" + menu(kNoneChanged)},
        {"DoubleClickRollsTheFloatUp", "double-click 300,112",
         "expect window \"Groceries\" shaded at 100,100\n" + menu(changed("Groceries (Notes)"))},
    };
    std::vector<Beside> all;
    for (const auto& row : rows) {
        all.push_back({row.name, std::string("launch\nwait 1\ndouble-click 300,112 ctrl\nwait 1.5\n") +
                                     "launch instance 2\nwait 1\nclick 300,250\nwait 1\n" + row.gesture +
                                     "\nwait 2\n" + row.seen + menu(kNoneChanged, " instance 2") +
                                     "quit instance 2\nwait 2\nquit\nwait 3\n"});
    }
    return all;
}

// The second instance floats "Groceries"; the first, launched after it (its tap comes
// first), rolls up every window of Notes and quits a moment later. "Groceries" (window 4
// of this desk) floats throughout: it is never on its way to a style.
std::vector<Beside> groupBesideTheOthersFloat() {
    std::vector<Beside> all;
    for (const double at : {0.1, 0.34, 0.6}) {
        all.push_back({"GroupThenQuitAfter" + std::to_string(static_cast<int>(at * 100)) + "cs",
                       "launch instance 2\nwait 1\ndouble-click 300,112 ctrl\nwait 1.5\nlaunch\nwait 1\n"
                       "double-click 1000,112 opt\nwait " +
                           moment(at) +
                           "\nquit\nwait 3\nexpect window \"Groceries\" floating\n"
                           "expect no notification window-state-will-change WindowID=4\n"
                           "expect window \"Ideas\" normal at 760,100\nexpect window \"Recipes\" normal at 760,440\n" +
                           menu(changed("Groceries (Notes)"), " instance 2") + "quit instance 2\nwait 3\n"});
    }
    return all;
}

// The minimize button makes a thumbnail. The second instance rolls up "Draft" and quits;
// a moment later, while its put-back keeps Editor from answering, the user clicks the
// minimize button of "Outline".
std::vector<Beside> buttonBesideTheOthersTrip() {
    const std::string settings =
        R"(defaults DefaultSettings {"Events": {"MinimizeButton": {"Action": "MIP", "Enabled": true}}})"
        "\n";
    std::vector<Beside> all;
    for (const double at : {0.02, 0.1, 0.2, 0.3}) {
        all.push_back({"ClickAfter" + std::to_string(static_cast<int>(at * 100)) + "cs",
                       settings + "launch\nwait 1\nlaunch instance 2\nwait 1\ndouble-click 250,452\nwait 1.5\n" +
                           "quit instance 2\nwait " + moment(at) + "\nclick 456,454\nwait 2\n" +
                           "expect window \"Draft\" normal at 100,440\nexpect window \"Outline\" thumbnail\n" +
                           menu(changed("Outline (Editor)")) + "quit\nwait 3\n"});
    }
    return all;
}

using BesideAnotherInstance = testing::SweepWithoutPictures<Beside>;

TEST_P(BesideAnotherInstance, WhatTheUserSeesIsWhatOneInstanceAloneWouldShow) {
    testing::ProgramRun run;
    const std::string script = std::string(testing::kFiveWindows) + "defaults MIPWindowAnimateTransitions false\n" +
                               GetParam().script + "expect exited 0\nexpect exited 0 instance 2\n" +
                               "expect no defaults ChangedWindows\n" + kEveryWindowInPlace;
    ASSERT_EQ(run.play(script), 0) << run.errors.str();
}

std::vector<Beside> everyCase() {
    std::vector<Beside> all = gesturesOnTheOthersFloat();
    for (auto&& more : {groupBesideTheOthersFloat(), buttonBesideTheOthersTrip()}) {
        all.insert(all.end(), more.begin(), more.end());
    }
    return all;
}

INSTANTIATE_TEST_SUITE_P(Cases, BesideAnotherInstance, ::testing::ValuesIn(everyCase()),
                         [](const ::testing::TestParamInfo<Beside>& info) { return info.param.name; });

}  // namespace
}  // namespace furlpane
