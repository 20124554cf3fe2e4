// Scenarios played on the simulated desktop with a small program in it: the person's
// commands, the expectations and their marks, and the journal's lines.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <sstream>
#include <thread>

#include "fake_program.h"
#include "platform/events/event_monitor.h"
#include "platform/events/input_state.h"
#include "platform/runtime/dispatch_queue.h"
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
window "Shopping" of com.example.Notes at 500,120 size 300x200
close "Shopping"
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

TEST_F(PlayerTest, ADragMovesThePointerAlongItsPathAsTheProgramReadsIt) {
    ASSERT_EQ(play(kDesk), 0) << errors.str();
    struct Seen {
        Point event;
        Point pointer;
        double t;
    };
    std::vector<Seen> seen;
    auto monitor = EventMonitor::addLocalMonitor(eventMaskBit(EventType::leftMouseDragged), [&](const EventRecord& e) {
        seen.push_back({e.location(), InputState::mouseLocation(), loop.now()});
        return std::optional<EventRecord>(e);
    });
    const double start = loop.now();
    // On the program's panel, so that the program receives the drag.
    EXPECT_EQ(play("drag 150,750 to 450,600 over 0.5 shift\n"), 0) << errors.str();
    ASSERT_EQ(seen.size(), 30u);
    for (const Seen& s : seen) EXPECT_EQ(s.event, s.pointer);
    EXPECT_EQ(seen.front().event, (Point{160, 745}));
    EXPECT_EQ(seen.back().event, (Point{450, 600}));
    EXPECT_NEAR(seen.front().t - start, 0.5 / 30, 1e-9);
    EXPECT_NEAR(seen.back().t - start, 0.5, 1e-9);
    EXPECT_NEAR(loop.now() - start, 0.5, 1e-9);
    EXPECT_EQ(InputState::currentModifierFlags(), 0u);  // shift let go with the button
    EventMonitor::removeMonitor(monitor);
}

// The line after a drag plays once the drag has let go, as a hand ends a drag before it
// clicks elsewhere: its last move and release come first. From the clock's start, where
// the drag's end used to fall a rounding past the line's.
class AfterADrag : public PlayerTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(AfterADrag, TheNextLinePlaysOnceTheDragHasLetGo) {
    EXPECT_EQ(play(std::string(R"(
app com.example.Notes "Notes"
window "Ideas" of com.example.Notes at 400,60 size 600x400
drag 640,72 to 887,279 over 0.4
)") + GetParam() + "\nexpect window \"Ideas\" normal at 647,267\n"),
              0)
        << errors.str();
}

INSTANTIATE_TEST_SUITE_P(Lines, AfterADrag, ::testing::Values("click 200,800", "key x", "move 10,10"));

TEST_F(PlayerTest, AWaitOfHoursJumpsToWhatFallsDue) {
    ASSERT_EQ(play(R"(
app com.example.Notes "Notes"
window "Groceries" of com.example.Notes at 100,120 size 400x300
)"),
              0);
    desktop::Window* groceries = stage.watch.looks().find("Groceries");
    ASSERT_NE(groceries, nullptr);
    stage.world.schedule(3600, [groceries] { groceries->minimize(); });
    EXPECT_EQ(play("wait 86400\nexpect window \"Groceries\" docked\n"), 0) << errors.str();
    EXPECT_EQ(loop.now(), 86400);
    // Seen when it happened, not at a step of the clock near it.
    EXPECT_TRUE(journalHas(R"({"t":3600.0,"event":"window","title":"Groceries","app":"com.example.Notes","state":"docked")"))
        << out.str();
}

TEST_F(PlayerTest, APersonChangesScreensSpacesApplicationsAndWindows) {
    const int status = play(R"(
screen 0,0 1440x900
app com.example.Notes "Notes"
window "Groceries" of com.example.Notes at 100,120 size 400x300
window "Far" of com.example.Notes at 1500,200 size 300x200
window "Away" of com.example.Notes at 200,200 size 300x200 space 2
launch
screen 1440,0 1280x800
expect window "Far" normal at 1500,200
space 2
expect window "Away" normal
space 1
hide com.example.Notes
expect window "Groceries" hidden
show com.example.Notes
expect window "Groceries" normal
close "Groceries"
expect window "Groceries" gone
disconnect screen 2
quit com.example.Notes
expect window "Far" gone
)");
    EXPECT_EQ(status, 0) << errors.str();
    EXPECT_EQ(stage.world.displays().all().size(), 1u);
    // The second screen's Space joined the first screen's two.
    EXPECT_EQ(stage.world.spaces().onDisplay(stage.world.displays().first()->number()).size(), 3u);
    EXPECT_EQ(stage.world.spaces().current(stage.world.displays().first()->number()),
              stage.world.spaces().onDisplay(stage.world.displays().first()->number())[0].id);
    for (const desktop::Application* app : stage.world.runningApplications())
        EXPECT_NE(app->bundleIdentifier(), "com.example.Notes");
}

TEST_F(PlayerTest, WhatAPersonCannotDoIsSaidWithItsLine) {
    const int status = play(std::string(kDesk) + R"(
disconnect screen 1
disconnect screen 2
space 2 screen 3
hide com.example.Nowhere
close "Nothing Here"
choose "Ping"
hide com.example.Notes
hide com.example.Notes
)");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(stage.player.failures(), 7);
    for (const char* said : {"line 6: the main screen stays connected", "line 7: no screen 2 is connected",
                             "line 8: no screen 3 is connected", "line 9: no application com.example.Nowhere is running",
                             "line 10: no window \"Nothing Here\" is open", "line 11: the program shows no menu",
                             "line 13: com.example.Notes is hidden already"}) {
        EXPECT_NE(errors.str().find(said), std::string::npos) << said << "\n" << errors.str();
    }
}

TEST_F(PlayerTest, AContextMenusItemIsChosenFromWhatTheProgramShows) {
    EXPECT_EQ(play(std::string(kDesk) + R"(
right-click 200,750
choose "Ping"
expect notification com.example.pinged
choose "Ping"
right-click 200,750
choose "Pong"
)"),
              1);
    EXPECT_NE(errors.str().find("line 9: the program shows no menu"), std::string::npos) << errors.str();
    EXPECT_NE(errors.str().find("line 11: the menu has no item \"Pong\" to choose; it has \"Ping\""), std::string::npos)
        << errors.str();
}

TEST_F(PlayerTest, WhatAPersonChecksByEye) {
    const int status = play(std::string(kDesk) + R"(
window "Lists" of com.example.Notes at 150,150 size 300x200
expect window "Lists" normal size 300x200 above "Groceries"
expect window "Groceries" normal above "Lists"
expect window "Groceries" normal size 400x310
expect window "Lists" normal above "Nothing"
expect menu "Beep" "Quit"
expect menu "Quit" "Beep"
expect menu "Ping"
expect no notification com.example.hello
menu "Hello"
expect no notification com.example.hello Count=2
expect no notification com.example.hello
expect notification com.example.hello
expect no defaults Answer
defaults Answer 42
expect no defaults Answer
)");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(stage.player.failures(), 7);
    for (const char* said : {
             "line 8: \"Groceries\" stands behind \"Lists\"",
             "line 9: \"Groceries\" is seen 400x300 large, not 400x310",
             "line 10: no line declares a window \"Nothing\"",
             "line 12: the status menu has \"Beep\", \"Hello\", \"Quit\": \"Beep\" comes earlier",
             "line 13: the status menu has \"Beep\", \"Hello\", \"Quit\", not \"Ping\"",
             "line 17: the notification com.example.hello Count=1 came",
             "line 21: Answer is stored: 42",
         }) {
        EXPECT_NE(errors.str().find(said), std::string::npos) << said << "\n" << errors.str();
    }
}

// A typo in a title, or a window compared with itself, is no check at all: it fails
// rather than pass whatever the desktop shows. A title declared anywhere in the file counts.
TEST_F(PlayerTest, AnExpectationThatCouldNeverHoldFails) {
    const int status = play(std::string(kDesk) + R"(
expect window "Grocereis" gone
expect window "Groceries" normal above "Groceries"
expect window "Groceries" normal above "Grocereis"
expect window "Lists" gone
window "Lists" of com.example.Notes at 150,150 size 300x200
close "Lists"
expect window "Lists" gone
)");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(stage.player.failures(), 3) << errors.str();
    for (const char* said : {"line 6: no line declares a window \"Grocereis\"",
                             "line 7: \"Groceries\" is compared with itself",
                             "line 8: no line declares a window \"Grocereis\""}) {
        EXPECT_NE(errors.str().find(said), std::string::npos) << said << "\n" << errors.str();
    }
    EXPECT_TRUE(journalHas(R"("event":"expect","line":6,"ok":false,"message":"no line declares a window \"Grocereis\"")"))
        << out.str();
}


// A job on a thread that waits (for an application that does not answer, say) and then
// reads the world: the stage's end lets it go and waits for it before the world goes.
TEST(StageEnd, TheQueuesThreadsEndBeforeTheWorldGoes) {
    MainLoop loop{ClockKind::real};
    furlpane_test::TempFolder folder;
    std::ostringstream out;
    std::atomic<bool> waiting{false}, read{false};
    {
        Stage stage{loop, out, folder / "defaults", PlayerOptions{folder / "out"}, [] { return nullptr; }};
        loop.concurrentQueue("stage-end").async(Handover<void()>::system([&] {
            waiting = true;
            loop.blockFor(60);
            read = stage.world.process(1) == nullptr;
        }));
        while (!waiting) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(read);
}

}  // namespace
}  // namespace scenario_test
