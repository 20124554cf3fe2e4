// One instance's gestures beside what another instance holds or does, on one desktop:
// the window the other one floats is left to it, and a click on a minimize button of an
// application that the other one's trip keeps from answering waits for it, as does any
// other press in the button row, which then reaches the application. What the user sees
// afterwards is what one instance alone would show, and every window left open comes back.

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "tests/shell/shell_test_support.h"

namespace furlpane {
namespace {

using testing::moment;

struct Beside {
    std::string name;
    std::string script;  // played after the desk and before every window is looked at
    std::string atEnd = testing::kEveryWindowInPlace;
};

void PrintTo(const Beside& beside, std::ostream* out) { *out << beside.name; }

std::string menuOf(const std::string& listed, const std::string& instance = "") {
    const std::string head = listed.empty() ? R"("No Changed Windows")" : R"("Changed Windows" ")" + listed + '"';
    return "expect menu " + head + R"( "Restore All Windows" "-" "Settings…" "-" "Quit Furlpane Novan")" + instance +
           "\n";
}

std::string centiseconds(double at) { return std::to_string(std::lround(at * 100)) + "cs"; }

// Every window of the desk in place but "Outline", the last of them.
std::string everyWindowInPlaceButOutline() {
    std::string all = testing::kEveryWindowInPlace;
    return all.erase(all.find("expect window \"Outline\""));
}

std::vector<Beside> everyCase() {
    std::vector<Beside> all;
    // The first instance floats "Groceries" and the user works in it; the second one's
    // tap sees the gesture on its title bar first.
    const std::string floated =
        "launch\nwait 1\ndouble-click 300,112 ctrl\nwait 1.5\nlaunch instance 2\nwait 1\nclick 300,250\nwait 1\n";
    const std::string bothQuit = menuOf("", " instance 2") + "quit instance 2\nwait 2\nquit\nwait 3\n";
    all.push_back({"ControlDoubleClickOnTheOthersFloat", floated + "double-click 300,112 ctrl\nwait 2\n" +
                                                             "expect window \"Groceries\" normal at 100,100\n" +
                                                             menuOf("") + bothQuit});
    all.push_back({"DoubleClickOnTheOthersFloat", floated + "double-click 300,112\nwait 2\n" +
                                                      "expect window \"Groceries\" shaded at 100,100\n" +
                                                      menuOf("Groceries (Notes)") + bothQuit});
    // The second instance floats "Groceries"; the first, launched after it (its tap comes
    // first), rolls up every window of Notes and quits a moment later. "Groceries" (window
    // 4 of this desk) floats throughout, never on its way to a style.
    for (const double at : {0.1, 0.34, 0.6}) {
        all.push_back({"GroupBesideTheOthersFloatQuitAfter" + centiseconds(at),
                       "launch instance 2\nwait 1\ndouble-click 300,112 ctrl\nwait 1.5\nlaunch\nwait 1\n"
                       "double-click 1000,112 opt\nwait " + moment(at) + "\nquit\nwait 3\n" +
                           "expect window \"Groceries\" floating\n" +
                           "expect no notification window-state-will-change WindowID=4\n" +
                           menuOf("Groceries (Notes)", " instance 2") + "quit instance 2\nwait 3\n"});
    }
    // The minimize button makes a thumbnail. The second instance rolls up "Draft" and
    // quits; a moment later, while its put-back keeps Editor from answering, the user
    // clicks the minimize button of "Outline".
    const std::string othersTripEnds =
        R"(defaults DefaultSettings {"Events": {"MinimizeButton": {"Action": "MIP", "Enabled": true}}})"
        "\nlaunch\nwait 1\nlaunch instance 2\nwait 1\ndouble-click 250,452\nwait 1.5\nquit instance 2\nwait ";
    for (const double at : {0.02, 0.1, 0.2, 0.3}) {
        all.push_back({"ButtonBesideTheOthersTripAfter" + centiseconds(at),
                       othersTripEnds + moment(at) + "\nclick 456,454\nwait 2\nexpect window \"Outline\" thumbnail\n" +
                           menuOf("Outline (Editor)") + "quit\nwait 3\n"});
    }
    // The same with a press in the button row of "Outline" that is no trigger: Editor gets
    // it once it answers, as it would have at once, and the first instance changes nothing.
    const std::string alone = menuOf("") + "quit\nwait 3\n";
    all.push_back({"CloseBesideTheOthersTripAfter2cs",
                   othersTripEnds + "0.02\nclick 436,454\nwait 2\nexpect window \"Outline\" gone\n" + alone,
                   everyWindowInPlaceButOutline()});
    all.push_back({"DragBesideTheOthersTripAfter10cs",
                   othersTripEnds + "0.10\ndrag 520,452 to 620,512 over 0.3\nwait 2\n" +
                       "expect window \"Outline\" normal at 520,500\n" +
                       "drag 620,512 to 520,452 over 0.3\nwait 1.5\n" + alone});
    return all;
}

using BesideAnotherInstance = testing::SweepWithoutPictures<Beside>;

TEST_P(BesideAnotherInstance, WhatTheUserSeesIsWhatOneInstanceAloneWouldShow) {
    testing::ProgramRun run;
    const std::string script = std::string(testing::kFiveWindows) + "defaults MIPWindowAnimateTransitions false\n" +
                               GetParam().script + "expect exited 0\nexpect exited 0 instance 2\n" +
                               "expect no defaults ChangedWindows\n" + GetParam().atEnd;
    ASSERT_EQ(run.play(script), 0) << run.errors.str();
}

INSTANTIATE_TEST_SUITE_P(Cases, BesideAnotherInstance, ::testing::ValuesIn(everyCase()),
                         [](const ::testing::TestParamInfo<Beside>& info) { return info.param.name; });

}  // namespace
}  // namespace furlpane
