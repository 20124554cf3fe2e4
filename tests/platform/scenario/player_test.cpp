// Scenarios played on the simulated desktop with a small program in it: the person's
// commands, the expectations and their marks, and the journal's lines.

#include <gtest/gtest.h>

#include <sstream>

#include "fake_program.h"
#include "platform/scenario/stage.h"
#include "tests/support/temp_folder.h"

namespace scenario_test {
namespace {

using namespace platform;
using namespace platform::scenario;

class PlayerTest : public ::testing::Test {
protected:
    MainLoop loop{ClockKind::simulated};
    furlpane_test::TempFolder folder;
    std::ostringstream out;
    std::ostringstream errors;
    std::streambuf* savedErrors = nullptr;
    std::shared_ptr<ProgramRecord> record = std::make_shared<ProgramRecord>();
    Stage stage{loop, out, folder / "defaults", PlayerOptions{folder / "out"},
                [this] { return std::make_shared<FakeProgram>(record); }};

    void SetUp() override { savedErrors = std::cerr.rdbuf(errors.rdbuf()); }
    void TearDown() override { std::cerr.rdbuf(savedErrors); }

    int play(const std::string& text) {
        auto script = parseScript(text);
        EXPECT_TRUE(script.ok()) << describe(script.error());
        return script ? stage.player.play(*script) : -1;
    }
    bool journalHas(const std::string& fragment) const { return out.str().find(fragment) != std::string::npos; }
};

constexpr const char* kDesk = R"(
app com.example.Notes "Notes"
window "Groceries" of com.example.Notes at 100,120 size 400x300
launch
)";

TEST_F(PlayerTest, APersonsStepsAndWhatTheySee) {
    const int status = play(std::string(kDesk) + R"(
expect window "Groceries" normal at 100,120
key cmd+m
wait 1
expect window "Groceries" docked
expect window "Shopping" gone
menu "Beep"
expect sound beep
expect no sound
menu "Hello"
expect notification com.example.hello Count=1
defaults Answer {"Of": [42, 0.5]}
expect defaults Answer {"Of": [42.0, 0.5]}
snapshot desk
menu "Quit"
expect exited 0
)");
    EXPECT_EQ(status, 0) << errors.str();
    EXPECT_EQ(record->terminations, 1);
    EXPECT_TRUE(std::filesystem::exists(folder / "out" / "desk.png"));
    for (const char* line : {R"({"t":0.0,"event":"launch"})", R"("event":"window","title":"Groceries","app":"com.example.Notes","state":"docked")",
                             R"("event":"sound","name":"beep")", R"("event":"status-menu","items":["Beep","Hello","Quit"])",
                             R"("event":"notification","name":"com.example.hello","userInfo":{"Count":1})",
                             R"("event":"defaults","key":"Answer")", R"("event":"exit","status":0)",
                             R"("event":"expect","line":)"}) {
        EXPECT_TRUE(journalHas(line)) << line << "\n" << out.str();
    }
}

TEST_F(PlayerTest, FailuresNameTheirLineAndTheScenarioGoesOn) {
    const int status = play(std::string(kDesk) + R"(
menu "Hello"
expect notification com.example.hello
expect notification com.example.hello
menu "Restore Everything"
expect window "Groceries" shaded
window "Note" of com.example.Nowhere at 1,1 size 10x10
expect defaults Missing 1
launch
crash
expect exited 0
)");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(stage.player.failures(), 7);
    for (const char* said : {"line 8: no notification com.example.hello as expected came",
                             "line 9: the status menu has no item \"Restore Everything\" to choose; it has \"Beep\", "
                             "\"Hello\", \"Quit\"",
                             "line 10: \"Groceries\" is normal, not shaded",
                             "line 11: no application com.example.Nowhere is running",
                             "line 12: Missing is not stored, not 1", "line 13: the program runs already",
                             "line 15: the program crashed"}) {
        EXPECT_NE(errors.str().find(said), std::string::npos) << said << "\n" << errors.str();
    }
    EXPECT_TRUE(journalHas(R"("event":"crash")"));
}

TEST_F(PlayerTest, ScreensAndTheDockAreSetBeforeLaunch) {
    EXPECT_EQ(play("screen 5,0 100x100\n"), 1);
    EXPECT_EQ(play(R"(
screen 0,0 1280x800 scale 1
screen 1280,0 1920x1080 visible 1280,25 1920x1000
dock left autohide
app com.example.Notes "Notes"
window "Far" of com.example.Notes at 1400,200 size 300x200 space 2
launch
expect window "Far" normal at 1400,200
)"),
              0)
        << errors.str();
    ASSERT_EQ(stage.world.displays().all().size(), 2u);
    EXPECT_EQ(stage.world.displays().all()[1]->frame(), (Rect{1280, -280, 1920, 1080}));
    EXPECT_EQ(stage.world.displays().all()[1]->visibleFrame(), (Rect{1280, -225, 1920, 1000}));
    EXPECT_EQ(stage.world.dock().edge(), desktop::DockEdge::left);
}

TEST_F(PlayerTest, SignalsEndTheProgramWithItsStatus) {
    record->exitStatus = 0;
    EXPECT_EQ(play(std::string(kDesk) + "signal HUP\nexpect exited 0\nlaunch\nsignal TERM\nexpect exited 0\n"), 0)
        << errors.str();
    EXPECT_EQ(record->launches, 2);
}

}  // namespace
}  // namespace scenario_test
