// A floated window on the simulated desktop: its live copy, engaged and back, following
// its window, and what becomes of it when the window closes, goes elsewhere, or can no
// longer be measured.

#include "affected_window_test_support.h"

namespace changed_test {
namespace {

class FloatingTest : public AffectedWindowTest {
protected:
    FloatingTest() { world.dockTrips().setDuration(0); }

    std::shared_ptr<AffectedWindow> floated(desktop::Window& window) {
        auto changed = changedWindow(window);
        run(changeInto(changed, kFloating));
        EXPECT_EQ(changed->standIn(), StandIn::liveCopy);
        return changed;
    }
    // Clicks the live copy and lets the real window come forward.
    void engage(const AffectedWindow& window) {
        click(flipRect(window.panel()->frame()).mid());
        settle();
    }
    bool asked(const std::string& call) const {
        return std::find(engine->calls.begin(), engine->calls.end(), call) != engine->calls.end();
    }

    // Another application the user turns to.
    desktop::Application& other =
        world.application("com.example.Other").window({.frame = Rect{400, 250, 100, 100}}).add();
};

TEST_F(FloatingTest, EngagedWhileWorkedInAndBackToTheLiveCopyWhereTheWindowWent) {
    desktop::Window& draft = editorWindow();
    auto window = floated(draft);
    const auto copy = window->panel();
    EXPECT_EQ(copy->level(), platform::window_levels::floating);
    draft.moveTo({120, 130});
    settle();
    EXPECT_EQ(flipRect(copy->frame()), Rect(120, 130, 200, 150));

    engage(*window);
    EXPECT_TRUE(window->isEngaged());
    EXPECT_FALSE(window->capture());
    EXPECT_FALSE(copy->isVisible());
    EXPECT_TRUE(draft.owner().isActive());
    // The badge rides on the real window as it moves.
    draft.moveTo({60, 80});
    settle();
    EXPECT_TRUE(window->badgePanel()->isVisible());
    EXPECT_EQ(window->badgePanel()->windowFrame(), Rect(60, 80, 200, 150));

    other.activate();
    settle();
    EXPECT_FALSE(window->isEngaged());
    EXPECT_TRUE(copy->isVisible());
    EXPECT_EQ(flipRect(copy->frame()), Rect(60, 80, 200, 150));
    EXPECT_FALSE(window->badgePanel()->isVisible());
    EXPECT_TRUE(window->capture()->isRunning());
}

TEST_F(FloatingTest, WindowsThatCloseAreDroppedAndOnesThatCannotBeMeasuredAreKept) {
    desktop::Window& draft = editorWindow();
    auto window = floated(draft);
    // Frames without bounds, yet the window list still has the window: the live copy
    // follows the list.
    world.faults().on(desktop::FaultCall::windowBounds).forWindow(draft.number()).fail();
    draft.moveTo({20, 40});
    settle();
    EXPECT_FALSE(asked("forget"));
    EXPECT_EQ(flipRect(window->panel()->frame()), Rect(20, 40, 200, 150));
    draft.close();
    settle();
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
    other.activate();
    settle();
    // Off screen but still there: engaged, the badge away, the workspace watched.
    EXPECT_TRUE(window->isEngaged());
    EXPECT_FALSE(window->badgePanel()->isVisible());
    EXPECT_EQ(window->showingChanges().size(), 2u);

    // Followed there and worked in: the badge comes back on it, not the live copy.
    world.spaces().switchTo(away);
    draft.owner().activate();
    settle();
    EXPECT_TRUE(window->badgePanel()->isVisible());
    EXPECT_FALSE(window->panel()->isVisible());

    // Left there, then shown again unfocused: the live copy.
    world.spaces().switchTo(home);
    other.activate();
    settle();
    draft.moveToSpace(home);
    world.spaces().switchTo(away);
    world.spaces().switchTo(home);
    settle();
    EXPECT_FALSE(window->isEngaged());
    EXPECT_TRUE(window->panel()->isVisible());
    EXPECT_FALSE(asked("forget"));
}

Task<void> measure(std::shared_ptr<AffectedWindow> window) {
    auto measuring = window->waitForSettledBounds();
    co_await measuring;
}

TEST_F(FloatingTest, AWaitForSettledBoundsEndsWhenItsTaskIsCancelled) {
    desktop::Window& draft = editorWindow();
    // The window server's two answers disagree for longer than the wait's limit.
    draft.lagPrivateBounds({0, 0, 10, 10}, 100);
    const auto waiting = platform::spawnMain([window = changedWindow(draft)] { return measure(window); });
    loop.advance(0.1);
    EXPECT_FALSE(waiting.isFinished());
    waiting.cancel();
    loop.runUntilIdle();
    EXPECT_TRUE(waiting.isFinished());
}

TEST_F(FloatingTest, WhatTheWindowReportsEndsOrKeepsFloating) {
    const std::string restore = "changeState inPlace normal";
    const std::vector<std::tuple<std::string, std::function<void(desktop::Window&)>, std::string>> cases{
        {"closed", [](desktop::Window& w) { w.close(); }, "forget"},
        {"sheet", [](desktop::Window& w) { w.attachSheet({.title = "Save"}); }, restore},
        {"full screen", [](desktop::Window& w) { w.setFullScreen(true); }, restore},
        {"minimized", [](desktop::Window& w) { w.minimize(); }, "stateDidChange"},
    };
    for (const auto& [name, act, call] : cases) {
        SCOPED_TRACE(name);
        engine->calls.clear();
        desktop::Window& draft = editorWindow();
        auto window = floated(draft);
        act(draft);
        settle();
        EXPECT_TRUE(asked(call));
        // Only a window minimized by the user stops floating here; the rest is the engine's.
        EXPECT_EQ(window->state().isFloating, call != "stateDidChange");
    }
}

}  // namespace
}  // namespace changed_test
