// The status menu with the program at work: what it lists as windows change, the program
// switched off and Accessibility missing, and what each of its items does.

#include "app/shell/status_item_controller.h"

#include <gtest/gtest.h>

#include <sstream>

#include "app/shell/app_delegate.h"
#include "platform/gpu/device.h"
#include "tests/shell/shell_test_support.h"

namespace furlpane {
namespace {

using Items = std::vector<std::string>;
using ShellRun = testing::ProgramRun;
using C = StatusItemController;

constexpr const char* kDesk = R"(
screen 0,0 1100x700 scale 1
app com.example.Notes "Notes"
window "Groceries" of com.example.Notes at 100,100 size 300x200
window "Ideas" of com.example.Notes at 760,160 size 300x200
launch
wait 1
)";

Items withEnd(Items items) {
    for (const char* item : {"-", C::kSettings, "-", C::kQuit}) items.push_back(item);
    return items;
}

Items menuOf(const ShellRun& run) { return run.latest->statusItem()->menu()->outline(); }

TEST(StatusMenu, ListsWhatIsChangedAndWhatIsMissing) {
    struct Case {
        const char* name;
        std::string lines;
        Items items;
        const char* face;
    };
    const Case cases[] = {
        {"nothing changed", kDesk, withEnd({C::kNoWindows, C::kRestoreAll}), C::kFace},
        {"two changed", std::string(kDesk) + "double-click 200,112\nwait 1.2\ndouble-click 900,172 ctrl\nwait 1\n",
         withEnd({C::kHeading, "Groceries (Notes)", "Ideas (Notes)", C::kRestoreAll}), C::kFace},
        {"switched off", "defaults Enabled false\n" + std::string(kDesk),
         withEnd({C::kTurnOn, "-", C::kNoWindows, C::kRestoreAll}), C::kFace},
        {"no access", "deny accessibility\n" + std::string(kDesk),
         withEnd({C::kGrantAccessibility, "-", C::kNoWindows, C::kRestoreAll}), C::kFaceWithoutAccess},
    };
    for (const Case& c : cases) {
        ShellRun run;
        ASSERT_EQ(run.play(c.lines), 0) << c.name << '\n' << run.errors.str();
        EXPECT_EQ(menuOf(run), c.items) << c.name;
        EXPECT_EQ(run.latest->statusItem()->item()->button().title(), c.face) << c.name;
    }
}

TEST(StatusMenu, EachItemDoesWhatItSays) {
    struct Case {
        const char* name;
        const char* lines;
        const char* before = "";
    };
    const Case cases[] = {
        {"one window back, brought forward", R"s(
double-click 200,112
wait 1.2
double-click 900,172 ctrl
wait 1
menu "Groceries (Notes)"
wait 1.2
expect window "Groceries" normal at 100,100
expect window "Ideas" floating
expect notification window-state-changed OldState=1 NewState=0
)s"},
        // The click that floats "Ideas" brings it in front of the strip of "Groceries",
        // which, back-most, comes back first and chooses the batch's one sound.
        {"every window back, with one sound", R"s(
double-click 200,112
wait 1.2
double-click 900,172 ctrl
wait 1
menu "Restore All Windows"
wait 1.2
expect window "Groceries" normal at 100,100
expect window "Ideas" normal at 760,160
expect sound Expand
expect no sound
)s", "defaults Sounds true\n"},
        {"switched on again", R"s(
menu "Turn On Furlpane Novan"
expect defaults Enabled true
double-click 200,112
wait 1.2
expect window "Groceries" shaded
)s", "defaults Enabled false\n"},
        {"the settings opened", R"s(
menu "Settings…"
settings tab General
settings close
)s"},
    };
    for (const Case& c : cases) {
        ShellRun run;
        EXPECT_EQ(run.play(c.before + std::string(kDesk) + c.lines), 0) << c.name << '\n' << run.errors.str();
    }
}

// A window whose application stops answering just as the menu restores it, for longer
// than the program waits for it, stays in the Dock: it is announced so, without a sound,
// stays in the menu, and the menu brings it back once the application answers again.
TEST(StatusMenu, AWindowItsApplicationDidNotTakeBackStaysInTheMenu) {
    ShellRun run;
    ASSERT_EQ(run.play(std::string(kDesk) + R"s(
double-click 200,112
wait 1.2
menu "Groceries (Notes)"
app com.example.Notes "Notes" unresponsive 2
wait 3
expect window "Groceries" docked
expect no notification window-state-changed IsInDock=false
expect notification window-state-changed OldState=1 NewState=0 WasInDock=true IsInDock=true SoundIsDue=false
)s"), 0) << run.errors.str();
    EXPECT_EQ(menuOf(run), withEnd({C::kHeading, "Groceries (Notes)", C::kRestoreAll}));
    EXPECT_EQ(run.play(R"s(
menu "Groceries (Notes)"
wait 2
expect window "Groceries" normal at 100,100
expect notification window-state-changed OldState=0 NewState=0 WasInDock=true IsInDock=false
)s"), 0) << run.errors.str();
    EXPECT_EQ(menuOf(run), withEnd({C::kNoWindows, C::kRestoreAll}));
}

// Another application's window, rolled up.
constexpr const char* kDraftRolledUp = R"s(
app com.example.Editor "Editor"
window "Draft" of com.example.Editor at 420,400 size 300x180
wait 0.5
double-click 570,412
wait 1.2
)s";

// A window brought forward from the menu comes out of the Dock in front of the application
// that was in front; a click on another application's window soon after is the user's
// choice, and stands once the window's trip has settled.
TEST(StatusMenu, AClickSoonAfterARestoreBroughtForwardStands) {
    const std::string desk = std::string(kDesk) + kDraftRolledUp;
    const struct {
        const char* before;
        const char* after;
        const char* front;
        const char* behind;
    } cases[] = {
        {"click 200,150\nwait 0.5\n", "", "Draft", "Groceries"},
        {"", "wait 0.05\nclick 200,150\n", "Groceries", "Draft"},
        {"", "wait 0.2\nclick 200,150\n", "Groceries", "Draft"},
        {"", "wait 0.4\nclick 200,150\n", "Groceries", "Draft"},
    };
    for (const auto& c : cases) {
        ShellRun run;
        const std::string restore = std::string(c.before) + "menu \"Draft (Editor)\"\n" + c.after;
        const std::string check =
            "wait 3\nexpect window \"" + std::string(c.front) + "\" normal above \"" + c.behind + "\"\n";
        EXPECT_EQ(run.play(desk + restore + check), 0) << restore << '\n' << run.errors.str();
    }
}

// So does a click on a window of the application that is in front already: it brings that
// window in front of the one coming back, wherever the click falls in the window's trip.
// Pictures are not the point: the passes are not drawn.
class StatusMenuOrder : public ::testing::Test {
protected:
    void SetUp() override { platform::gpu::setPassesDraw(false); }
    void TearDown() override { platform::gpu::setPassesDraw(true); }
};

TEST_F(StatusMenuOrder, AClickOnTheApplicationInFrontSoonAfterARestoreBroughtForwardStands) {
    const std::string desk = std::string(kDesk) + kDraftRolledUp + "click 200,150\nwait 0.5\nmenu \"Draft (Editor)\"\n";
    for (const char* after : {"wait 0.1\n", "wait 0.2\n"}) {
        ShellRun run;
        const std::string click = std::string(after) + "click 900,250\nwait 3\n";
        EXPECT_EQ(run.play(desk + click + "expect window \"Ideas\" normal above \"Draft\"\n"), 0)
            << after << run.errors.str();
    }
}

// The seconds each transition of the journal took, in order.
std::vector<double> transitionLengths(const std::string& journal) {
    std::vector<double> lengths;
    double started = 0;
    std::istringstream lines(journal);
    for (std::string line; std::getline(lines, line);) {
        if (line.find("\"event\":\"transition\"") == std::string::npos || line.rfind("{\"t\":", 0) != 0) continue;
        const double t = std::stod(line.substr(5));
        if (line.find("\"phase\":\"started\"") != std::string::npos) started = t;
        else lengths.push_back(t - started);
    }
    return lengths;
}

TEST(StatusMenu, ShiftPlaysTheRestoreInSlowMotion) {
    // A small window, so that the long transition has few pixels to draw.
    const std::string desk = R"(
screen 0,0 480x320 scale 1
app com.example.Notes "Notes"
window "Note" of com.example.Notes at 100,100 size 160x120
launch
wait 1
)";
    for (const char* item : {"Note (Notes)", "Restore All Windows"}) {
        ShellRun run;
        const std::string restore = std::string("menu \"") + item + "\"";
        const std::string lines = desk + "double-click 180,112\nwait 1.2\n" + restore + "\nwait 1.2\n" +
                                  "double-click 180,112\nwait 1.2\n" + restore + " shift\nwait 8\n" +
                                  "expect window \"Note\" normal at 100,100\n";
        ASSERT_EQ(run.play(lines), 0) << item << '\n' << run.errors.str();
        const auto lengths = transitionLengths(run.journal());
        ASSERT_EQ(lengths.size(), 4u) << item;
        EXPECT_GT(lengths[3], 2 * lengths[1]) << item;
    }
}

}  // namespace
}  // namespace furlpane
