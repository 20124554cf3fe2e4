// One instance's gestures beside what another instance does, on one desktop: a click on
// a minimize button of an application that the other one's trip keeps from answering
// waits for it. What the user sees afterwards is what one instance alone would show.

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

std::string menu(const std::string& items, const char* instance = "") {
    return "expect menu " + items + instance + "\n";
}

std::string changed(const char* window) {
    return std::string(R"("Changed Windows" ")") + window + R"(" "Restore All Windows" "-" "Settings…" "-" )" +
           R"("Quit Furlpane Novan")";
}

// The minimize button makes a thumbnail. The second instance rolls up "Draft" and quits;
// a moment later, while its put-back keeps Editor from answering, the user clicks the
// minimize button of "Outline".
std::vector<Beside> buttonBesideTheOthersTrip() {
    const std::string settings =
        R"(defaults DefaultSettings {"Events": {"DoubleClick": {"Action": "Furlpane", "Enabled": true}, )"
        R"("MinimizeButton": {"Action": "MIP", "Enabled": true}, "ControlDoubleClick": {"Action": "FOT", )"
        R"("Enabled": true}, "CommandDoubleClick": {"Action": "MIP", "Enabled": false}, "CmdM": {"Action": )"
        R"("Minimize", "Enabled": true}, "DoubleCmd": {"Action": "FOT", "Enabled": false}, "DoubleControl": )"
        R"({"Action": "MIP", "Enabled": false}}, "Hotkeys": []})"
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
    return buttonBesideTheOthersTrip();
}

INSTANTIATE_TEST_SUITE_P(Cases, BesideAnotherInstance, ::testing::ValuesIn(everyCase()),
                         [](const ::testing::TestParamInfo<Beside>& info) { return info.param.name; });

}  // namespace
}  // namespace furlpane
