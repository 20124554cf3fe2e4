// A floated window on the simulated desktop: its live copy, engaged and back, following
// its window, and what becomes of it when the window closes, goes elsewhere, or can no
// longer be measured.

#include "affected_window_test_support.h"
#include "platform/windowserver/window_list.h"

namespace changed_test {
namespace {

class FloatingTest : public AffectedWindowTest {
protected:
    FloatingTest() {
        world.dockTrips().setDuration(0);
        otherApplication();
    }

    std::shared_ptr<AffectedWindow> floated(desktop::Window& window) {
        auto changed = changedWindow(window);
        run(changeInto(changed, kFloating));
        EXPECT_EQ(changed->standIn(), StandIn::liveCopy);
        return changed;
    }
    // Clicks the live copy and lets the real window come forward.
    void engage(const AffectedWindow& window) {
        click(flipRect(window.panel()->frame()).mid());
        loop.advance(0.1);
        loop.runUntilIdle();
    }
    // Another application the user turns to.
    desktop::Application& otherApplication() {
        if (!other_) other_ = &world.application("com.example.Other").window({.frame = Rect{400, 250, 100, 100}}).add();
        return *other_;
    }

private:
    desktop::Application* other_ = nullptr;

protected:
    bool asked(const std::string& call) const {
        return std::count(engine->calls.begin(), engine->calls.end(), call) > 0;
    }
};

TEST_F(FloatingTest, EngagedWhileWorkedInAndBackToTheLiveCopyWhereTheWindowWent) {
    desktop::Window& draft = editorWindow();
    auto window = floated(draft);
    const auto copy = window->panel();
    EXPECT_EQ(copy->level(), platform::window_levels::floating);
    EXPECT_EQ(flipRect(copy->frame()), draft.frame());
    ASSERT_TRUE(window->capture() && window->capture()->isRunning());

    // The live copy follows the window's frames.
    draft.moveTo({120, 130});
    loop.advance(0.2);
    loop.runUntilIdle();
    EXPECT_EQ(flipRect(copy->frame()), Rect(120, 130, 200, 150));

    otherApplication().activate();
    engage(*window);
    EXPECT_TRUE(window->isEngaged());
    EXPECT_FALSE(window->capture());
    EXPECT_FALSE(copy->isVisible());
    ASSERT_TRUE(window->badgePanel());
    EXPECT_TRUE(window->badgePanel()->isVisible());
    EXPECT_TRUE(draft.owner().isActive());
    EXPECT_TRUE(window->focus());

    // Worked in and moved; then the user goes elsewhere.
    draft.moveTo({60, 80});
    otherApplication().activate();
    settle();
    EXPECT_FALSE(window->isEngaged());
    EXPECT_EQ(window->panel(), copy);
    EXPECT_TRUE(copy->isVisible());
    EXPECT_EQ(flipRect(copy->frame()), Rect(60, 80, 200, 150));
    EXPECT_FALSE(window->badgePanel()->isVisible());
    EXPECT_TRUE(window->capture() && window->capture()->isRunning());
}

TEST_F(FloatingTest, WindowsThatCloseAreDroppedAndOnesThatCannotBeMeasuredAreKept) {
    desktop::Window& draft = editorWindow();
    auto window = floated(draft);
    // The private bounds call fails for the window: its frames come without bounds, yet
    // the window list still has it, and the live copy follows the list.
    world.faults().on(desktop::FaultCall::windowBounds).forWindow(draft.number()).fail();
    draft.moveTo({20, 40});
    loop.advance(0.5);
    loop.runUntilIdle();
    EXPECT_FALSE(asked("forget"));
    EXPECT_EQ(flipRect(window->panel()->frame()), Rect(20, 40, 200, 150));

    draft.close();
    loop.advance(0.5);
    loop.runUntilIdle();
    EXPECT_TRUE(asked("forget"));
}

TEST_F(FloatingTest, AwayOnAnotherSpaceThenBackFocusedOrNot) {
    desktop::Window& draft = editorWindow();
    auto window = floated(draft);
    engage(*window);
    const uint32_t display = world.displays().first()->number();
    const uint64_t home = *world.spaces().current(display);
    const uint64_t away = world.spaces().add(display);
    draft.moveToSpace(away);
    otherApplication().activate();
    settle();
    // Off screen but still there: engaged, the badge away, the workspace watched.
    EXPECT_TRUE(window->isEngaged());
    EXPECT_FALSE(window->badgePanel()->isVisible());
    EXPECT_EQ(window->showingChanges().size(), 2u);
    EXPECT_FALSE(asked("forget"));

    // The user follows the window there and works in it: the badge comes back on it.
    world.spaces().switchTo(away);
    draft.owner().activate();
    settle();
    EXPECT_TRUE(window->isEngaged());
    EXPECT_TRUE(window->badgePanel()->isVisible());
    EXPECT_TRUE(window->showingChanges().empty());
    EXPECT_FALSE(window->panel()->isVisible());

    // Left behind on a Space not shown again, then shown unfocused: the live copy.
    world.spaces().switchTo(home);
    otherApplication().activate();
    settle();
    EXPECT_EQ(window->showingChanges().size(), 2u);
    draft.moveToSpace(home);
    world.spaces().switchTo(away);
    world.spaces().switchTo(home);
    settle();
    EXPECT_FALSE(window->isEngaged());
    EXPECT_TRUE(window->panel()->isVisible());
}

Task<void> measure(std::shared_ptr<AffectedWindow> window) {
    auto measuring = window->waitForSettledBounds();
    co_await measuring;
}

TEST_F(FloatingTest, AWaitForSettledBoundsEndsWhenItsTaskIsCancelled) {
    desktop::Window& draft = editorWindow();
    auto window = changedWindow(draft);
    // The window server's two answers disagree for longer than the wait's limit.
    draft.lagPrivateBounds({0, 0, 10, 10}, 100);
    const platform::TaskHandle waiting = platform::spawnMain([window] { return measure(window); });
    loop.advance(0.1);
    EXPECT_FALSE(waiting.isFinished());
    waiting.cancel();
    loop.runUntilIdle();
    EXPECT_TRUE(waiting.isFinished());
}

TEST_F(FloatingTest, WhatTheWindowReportsEndsOrKeepsFloating) {
    struct Case {
        std::string name;
        std::function<void(desktop::Window&)> act;
        std::string asked;  // of the engine, empty for nothing
        bool stillFloating;
    };
    const std::vector<Case> cases{
        {"closed", [](desktop::Window& w) { w.close(); }, "forget", true},
        {"sheet", [](desktop::Window& w) { w.attachSheet({.title = "Save"}); }, "changeState inPlace normal",
         true},
        {"full screen", [](desktop::Window& w) { w.setFullScreen(true); }, "changeState inPlace normal",
         true},
        {"minimized", [](desktop::Window& w) { w.minimize(); }, "stateDidChange", false},
        {"resized", [](desktop::Window& w) { w.resize({250, 150}); }, "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        engine->calls.clear();
        desktop::Window& draft = editorWindow();
        auto window = floated(draft);
        c.act(draft);
        settle();
        EXPECT_EQ(window->state().isFloating, c.stillFloating);
        if (!c.asked.empty()) EXPECT_TRUE(asked(c.asked));
        EXPECT_FALSE(asked("forgetAndAnnounce"));
    }
}

}  // namespace
}  // namespace changed_test
