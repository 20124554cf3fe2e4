// What expectations and the journal say of the windows the program changes, as the person
// at the screen sees them: a floating window the person works in, a thumbnail that stands
// on a Space not shown.

#include <gtest/gtest.h>

#include <cmath>

#include "platform/appkit/window.h"
#include "tests/shell/shell_test_support.h"

namespace furlpane {
namespace {

using platform::scenario::WindowLook;

constexpr const char* kDesk = R"(
screen 0,0 1100x700 scale 1
defaults MIPWindowAnimateTransitions false
app com.example.Notes "Notes"
window "Groceries" of com.example.Notes at 100,100 size 300x200
window "Ideas" of com.example.Notes at 600,160 size 300x200
launch
wait 1
)";

// The program's panels titled as the window, at the floating level, on screen.
int liveCopiesShown(const testing::ProgramRun& run, const std::string& title) {
    int shown = 0;
    for (const auto* window : run.stage.world.windowsFrontToBack()) {
        shown += window->owner().isOwnProcess() && window->layer() == platform::window_levels::floating &&
                 window->title() == title && window->isOnScreen();
    }
    return shown;
}

// Clicked into, a floating window comes forward and its live copy is set aside while it
// has focus; the program still floats it, and the copy comes back once the focus leaves.
TEST(ProgramLooks, AFloatingWindowFloatsWhileThePersonWorksInIt) {
    testing::ProgramRun run;
    ASSERT_EQ(run.play(std::string(kDesk) + R"(
double-click 700,172 ctrl
wait 1
expect window "Ideas" floating at 600,160
)"),
              0)
        << run.errors.str();
    ASSERT_EQ(liveCopiesShown(run, "Ideas"), 1);
    const size_t floated = run.journal().find(R"("title":"Ideas","app":"com.example.Notes","state":"floating")");
    ASSERT_NE(floated, std::string::npos) << run.journal();

    ASSERT_EQ(run.play("click 750,260\nwait 1\nexpect window \"Ideas\" floating at 600,160 above \"Groceries\"\n"
                       "expect menu \"Ideas (Notes)\"\n"),
              0)
        << run.errors.str();
    EXPECT_EQ(liveCopiesShown(run, "Ideas"), 0) << "the live copy was not set aside";

    ASSERT_EQ(run.play("click 200,250\nwait 1\nexpect window \"Ideas\" floating above \"Groceries\"\n"), 0)
        << run.errors.str();
    EXPECT_EQ(liveCopiesShown(run, "Ideas"), 1);
    EXPECT_EQ(run.journal().find(R"("title":"Ideas","app":"com.example.Notes","state":"normal")", floated),
              std::string::npos)
        << run.journal();
}

TEST(ProgramLooks, AThumbnailIsSeenWhereItStandsFromAnotherSpace) {
    testing::ProgramRun run;
    ASSERT_EQ(run.play(std::string(kDesk) + R"(
settings open
settings tab Actions
settings click "Command-double-click the title bar"
settings close
double-click 200,112 cmd
wait 1.5
expect window "Groceries" thumbnail
)"),
              0)
        << run.errors.str();
    auto& looks = run.stage.watch.looks();
    const platform::Rect seen = looks.frameSeen(*looks.find("Groceries"), WindowLook::thumbnail);
    ASSERT_GT(std::hypot(seen.minX() - 100, seen.minY() - 100), 10) << "the thumbnail stands on its window";
    const std::string at = std::to_string(std::lround(seen.minX())) + "," + std::to_string(std::lround(seen.minY()));
    EXPECT_EQ(run.play("space 2\nwait 1\nexpect window \"Groceries\" thumbnail at " + at + "\n"), 0)
        << run.errors.str();
}

// A title strip on a second screen that is unplugged comes onto the screen left, as the
// windows of that screen do, and its window comes back where the strip now stands.
TEST(ProgramLooks, AStripOfAnUnpluggedScreenComesOntoTheScreenLeft) {
    testing::ProgramRun run;
    ASSERT_EQ(run.play(R"(
screen 0,0 1440x900 scale 1
defaults MIPWindowAnimateTransitions false
app com.example.Notes "Notes"
window "Groceries" of com.example.Notes at 100,100 size 600x400
launch
wait 1
screen 1440,0 1280x800 scale 1
window "Atlas" of com.example.Notes at 1700,200 size 600x400
double-click 2000,212
wait 1.5
expect window "Atlas" shaded at 1700,200
disconnect screen 2
wait 1
)"),
              0)
        << run.errors.str();
    const platform::Rect first{0, 0, 1440, 900};
    auto& looks = run.stage.watch.looks();
    const platform::Rect strip = looks.frameSeen(*looks.find("Atlas"), WindowLook::shaded);
    EXPECT_TRUE(first.contains(strip.origin) && first.contains({strip.maxX() - 1, strip.maxY() - 1}))
        << "the strip stands at " << strip.minX() << "," << strip.minY();
    const std::string at = std::to_string(std::lround(strip.minX())) + "," + std::to_string(std::lround(strip.minY()));
    EXPECT_EQ(run.play("expect window \"Atlas\" shaded at " + at + "\nmenu \"Atlas (Notes)\"\nwait 1.5\n"
                       "expect window \"Atlas\" normal at " + at + " size 600x400\n"
                       "expect window \"Groceries\" normal at 100,100\n"),
              0)
        << run.errors.str();
}

}  // namespace
}  // namespace furlpane
