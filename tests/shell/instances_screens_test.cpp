// A window one instance put away on a screen that is unplugged comes back on a screen
// that exists, even when another instance's put-back keeps its application silent at that
// moment.
//
// Passes do not draw here, as in the other sweeps.

#include <gtest/gtest.h>

#include <string>

#include "tests/shell/shell_test_support.h"

namespace furlpane {
namespace {

using testing::moment;

// Two screens: the first instance rolls up "Ideas" on the second, the second instance
// rolls up the other window on the first; then the second screen goes.
std::string twoScreens(const std::string& other) {
    return R"(
screen 0,0 1440x900 scale 1
screen 1440,0 1280x800 scale 1
defaults MIPWindowAnimateTransitions false
app com.example.Notes "Notes"
app com.example.Editor "Editor"
window "Ideas" of com.example.Notes at 1600,100 size 600x300
window "Other" of )" + other + R"( at 200,440 size 500x300
launch
wait 1
double-click 1900,112
wait 1.5
launch instance 2
wait 1
double-click 450,452
wait 1.5
expect window "Ideas" shaded
expect window "Other" shaded
disconnect screen 2
wait 1
)";
}

using PutBackOnAScreen = testing::SweepWithoutPictures<const char*>;

// The second instance quits; the first quits, takes SIGHUP or puts everything back from
// its menu a moment later, while the other's put-back may still hold the application.
TEST_P(PutBackOnAScreen, TheWindowComesBackOnTheScreenLeft) {
    const std::string other = GetParam();
    const struct {
        const char* first;  // what the first instance does
        double gap;         // seconds after the second one's quit
    } moments[] = {
        {"quit", 0.02},         {"quit", 0.1}, {"signal HUP", 0.2}, {"quit", 0.3},
        {"menu \"Restore All Windows\"\nwait 2.5\nquit", 0.02},
    };
    for (const auto& pick : moments) {
        testing::ProgramRun run;
        const std::string script = twoScreens(other) + "quit instance 2\nwait " + moment(pick.gap) + "\n" +
                                   pick.first +
                                   "\nwait 4\nexpect exited 0\nexpect exited 0 instance 2\n"
                                   "expect window \"Ideas\" normal at 840,100\n"
                                   "expect window \"Other\" normal at 200,440\n"
                                   "expect no defaults ChangedWindows\n";
        ASSERT_EQ(run.play(script), 0) << pick.first << " " << moment(pick.gap) << " s after the other's quit\n"
                                       << run.errors.str();
    }
}

INSTANTIATE_TEST_SUITE_P(OtherWindow, PutBackOnAScreen, ::testing::Values("com.example.Notes", "com.example.Editor"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.index == 0 ? "SameApplication" : "AnotherApplication");
                         });

}  // namespace
}  // namespace furlpane
