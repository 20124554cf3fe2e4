// The road of a change on the simulated desktop, driven as the engine drives it: into a
// title strip or a thumbnail and back, with and without the transition that hides the
// Dock, with the window's pictures or without them, and with the window or its
// application misbehaving on the way.

#include "affected_window_test_support.h"

namespace changed_test {
namespace {

using desktop::FaultCall;
using desktop::Permission;

class RoadTest : public AffectedWindowTest {
protected:
    desktop::Window& draft = editorWindow();
    std::shared_ptr<AffectedWindow> window = changedWindow(draft);

    bool inLedger() const {
        const auto stored = storedLedger();
        const auto* list = stored ? stored->dictionary()->find(std::to_string(ownProcessIdentifier())) : nullptr;
        return list && list->array()->size() == 1 &&
               LedgerEntry::decode((*list->array())[0]) ==
                   LedgerEntry{draft.number(), draft.pid(), LedgerEntry::Minimized{}};
    }
    // The road up to the stand-in, which the test then sends on its way.
    std::optional<AffectedWindow::DockTrip> presented(WindowState goal) {
        run(window->changeState(goal, Raising::inPlace));
        const auto pictures = run(window->capturePicture(standInFor(*goal.style), {}));
        if (!pictures) return std::nullopt;
        return window->presentStandIn(standInFor(*goal.style), *pictures, std::nullopt, {});
    }
};

// The roads of one window alone and of one window of a group, which departs first and
// makes its own trip after.
Task<void> changeAlone(std::shared_ptr<AffectedWindow> window, WindowState goal) {
    auto changing = changeInto(window, goal);
    co_await changing;
}
Task<void> changeAsOneOfMany(std::shared_ptr<AffectedWindow> window, WindowState goal) {
    auto departing = window->switchWithoutStandIn(goal, Speed::normal);
    if (!co_await departing) co_return;
    auto trip = window->switchWithStandIn(std::nullopt);
    co_await trip;
}

TEST_F(RoadTest, IntoATitleStripAndBackWithTheLedgerEntryWhileTheWindowIsInTheDock) {
    preferences.setConcealsMinimizeAnimation(false);
    EXPECT_TRUE(run(changeInto(window, kShaded)));
    EXPECT_EQ(window->state(), kShaded);
    EXPECT_EQ(window->standIn(), StandIn::titleStrip);
    EXPECT_EQ(window->change(), WindowChange::minimized);
    EXPECT_TRUE(draft.isMinimized());
    ASSERT_TRUE(window->panel());
    // Without a transition the strip is in place at once, where the window's title bar was.
    EXPECT_TRUE(window->panel()->isVisible());
    EXPECT_FALSE(window->transition());
    EXPECT_EQ(flipRect(window->panel()->frame()), Rect(100, 120, 200, window->target().titleBar.height));
    EXPECT_EQ(window->panel()->collectionBehavior(), StandInPanel::kManagedBehavior);
    EXPECT_TRUE(inLedger());
    settle();
    EXPECT_EQ(engine->calls, (std::vector<std::string>{
                                 "refreshKnownTargets " + std::to_string(draft.pid()) + " " +
                                     std::to_string(draft.number()),
                                 "markBusy " + std::to_string(draft.pid()),
                                 "releaseAfterDockTrip " + std::to_string(draft.number()) + " in normal"}));

    run(changeBack(window));
    EXPECT_FALSE(window->panel());
    settle();
    EXPECT_FALSE(draft.isMinimized());
    EXPECT_TRUE(draft.isOnScreen());
    EXPECT_EQ(window->state(), kNormal);
    EXPECT_EQ(window->change(), WindowChange::none);
    EXPECT_FALSE(window->isObserving());
    EXPECT_FALSE(storedLedger());
    EXPECT_EQ(announced(), (std::vector<std::string>{"0 -> 1 collapsed", "1 -> 0"}));
}

TEST_F(RoadTest, IntoAThumbnailBehindItsTransitionWhichHandsOverToThePanel) {
    preferences.setStandInsStayPut(true);
    EXPECT_TRUE(run(changeInto(window, kMinimizedInPlace)));
    ASSERT_TRUE(window->transition());
    EXPECT_EQ(StandInTransition::running().size(), 1u);
    EXPECT_EQ(window->panel()->collectionBehavior(), StandInPanel::kStationaryBehavior);
    EXPECT_EQ(window->panel()->alphaValue(), preferences.thumbnailOpacity());
    settle();
    EXPECT_FALSE(window->transition());
    EXPECT_TRUE(StandInTransition::running().empty());
    // Handed over above the overlay, then back at the thumbnails' level.
    EXPECT_TRUE(window->panel()->isVisible());
    EXPECT_EQ(window->panel()->level(), platform::window_levels::normal);
    EXPECT_EQ(window->look().kind(), StandInLook::Kind::thumbnail);
    EXPECT_TRUE(inLedger());

    run(changeBack(window));
    settle();
    EXPECT_FALSE(draft.isMinimized());
    EXPECT_FALSE(storedLedger());
    // The thumbnail's place is free for the others.
    EXPECT_EQ(std::count(engine->calls.begin(), engine->calls.end(), "scheduleArrangement"), 1);
    EXPECT_EQ(announced(), (std::vector<std::string>{"0 -> 7 collapsed", "7 -> 0"}));
}

TEST_F(RoadTest, WithoutScreenRecordingAStripIsRefusedAndTheUserAskedUnlessThePromptShows) {
    const struct {
        const char* what;
        Permission permission;
        bool promptShowing;
        bool shown;
        int requests;
    } cases[] = {
        {"granted", Permission::granted, false, true, 0},
        {"denied", Permission::denied, false, false, 1},
        {"not determined", Permission::notDetermined, false, false, 1},
        {"prompt showing", Permission::notDetermined, true, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        world.permissions().setScreenRecording(c.permission);
        if (c.promptShowing) world.permissions().showPrompt("Screen Recording");
        const int before = world.permissions().screenRecordingRequests();
        EXPECT_EQ(run(changeInto(window, kShaded)), c.shown);
        EXPECT_EQ(world.permissions().screenRecordingRequests() - before, c.requests);
        world.permissions().dismissPrompt();
        run(changeBack(window));
        settle();
    }
}

TEST_F(RoadTest, WithoutScreenRecordingAThumbnailShowsTheApplicationIcon) {
    preferences.setShowsApplicationIcon(true);
    world.permissions().setScreenRecording(Permission::denied);
    EXPECT_TRUE(run(changeInto(window, kMinimizedInPlace)));
    EXPECT_EQ(world.permissions().screenRecordingRequests(), 0);
    EXPECT_TRUE(window->isIconThumbnail());
    ASSERT_TRUE(window->image());
    EXPECT_EQ(window->image()->width(), AffectedWindow::kIconPictureSide);
    // A square of the full side, without the icon in its corner.
    const double side = ThumbnailLayout::side(preferences.thumbnailScale());
    EXPECT_EQ(window->thumbnail()->size, (Size{side, side}));
    EXPECT_FALSE(window->thumbnail()->iconFrame);
    EXPECT_FALSE(window->transition());
}

TEST_F(RoadTest, ACaptureThatFailsOrOutrunsItsBoundLeavesNoPicture) {
    const struct {
        const char* what;
        bool fails;
    } cases[] = {{"fails", true}, {"too slow", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.fails) {
            world.faults().on(FaultCall::hardwareCapture).forWindow(draft.number()).times(1).fail();
        } else {
            world.pictures().setCaptureCost(1.5);
        }
        EXPECT_FALSE(run(changeInto(window, kShaded)));
        EXPECT_EQ(window->standIn(), StandIn::none);
        EXPECT_FALSE(draft.isMinimized());
        world.pictures().setCaptureCost(0);
        settle();
    }
    // A thumbnail shows the icon in its place.
    world.pictures().setCaptureCost(1.5);
    EXPECT_TRUE(run(changeInto(window, kMinimizedInPlace)));
    EXPECT_TRUE(window->isIconThumbnail());
}

TEST_F(RoadTest, AWindowThatClosesBeforeItGoesKeepsItsStateAndTheStandInGoes) {
    const auto trip = presented(kMinimizedInPlace);
    ASSERT_TRUE(trip && trip->transition);
    ASSERT_TRUE(window->wentWith() || !trip->dealt);
    draft.close();
    EXPECT_FALSE(window->runStandInTransition(*trip));
    EXPECT_TRUE(trip->transition->isOver());
    EXPECT_FALSE(trip->panel->isVisible());
    EXPECT_TRUE(StandInTransition::running().empty());
    EXPECT_EQ(window->standIn(), StandIn::none);
    EXPECT_FALSE(window->thumbnail());
    EXPECT_EQ(window->state(), kNormal);
    EXPECT_EQ(engine->calls.back(), "forgetKnownTargets " + std::to_string(draft.pid()));
    EXPECT_FALSE(storedLedger());
}

// The user goes to another Space while the window's picture is taken and comes back
// after a while: the window stands as he left it, and nothing records otherwise.
TEST_F(RoadTest, AWindowWhoseSpaceIsLeftBeforeItsStandInShowsIsLeftAsItStands) {
    const uint32_t display = world.displays().first()->number();
    const uint64_t home = *world.spaces().current(display);
    const uint64_t away = world.spaces().add(display);
    world.pictures().setCaptureCost(0.1);
    for (const bool oneOfMany : {false, true}) {
        for (const double stay : {0.3, 0.8, 1.5}) {
            SCOPED_TRACE(std::string(oneOfMany ? "one of many" : "alone") + ", away " + std::to_string(stay));
            const auto road = platform::spawnMain([changed = window, oneOfMany] {
                return oneOfMany ? changeAsOneOfMany(changed, kShaded) : changeAlone(changed, kShaded);
            });
            loop.advance(0.05);
            world.spaces().switchTo(away);
            loop.advance(stay);
            world.spaces().switchTo(home);
            settle();
            EXPECT_TRUE(road.isFinished());
            EXPECT_TRUE(draft.isOnScreen());
            EXPECT_EQ(window->state(), kNormal);
            EXPECT_EQ(window->change(), WindowChange::none);
            EXPECT_FALSE(window->panel());
            EXPECT_FALSE(storedLedger());
        }
    }
}

TEST_F(RoadTest, WhatHappensToTheWindowMeanwhileReachesTheEngine) {
    preferences.setConcealsMinimizeAnimation(false);
    run(changeInto(window, kShaded));
    settle();
    const struct {
        const char* what;
        std::function<void()> happen;
    } cases[] = {
        {"a sheet", [&] { draft.attachSheet({.title = "Save?"}); }},
        {"a new title", [&] { draft.setTitle("Draft 2"); }},
        {"closed", [&] { draft.close(); }},
    };
    for (const auto& c : cases) {
        const int before = engine->requests;
        c.happen();
        loop.runUntilIdle();
        EXPECT_GE(engine->requests - before, 1) << c.what;
    }
}

TEST_F(RoadTest, AWindowStillMovingIsTakenAtTheWindowServersBoundsOnceTheWaitIsOver) {
    preferences.setConcealsMinimizeAnimation(false);
    draft.lagPrivateBounds(Rect(100, 120, 160, 100), 5);
    const double start = loop.now();
    const auto settled = run(window->settledFrame());
    EXPECT_NEAR(loop.now() - start, AffectedWindow::kSettleDeadline, 0.01);
    EXPECT_EQ(settled, Rect(100, 120, 160, 100));
}

// A system without the private bounds call, from the start.
class WithoutBoundsCallTest : public AffectedWindowTest {
protected:
    bool removed = (world.privateCalls().remove("CGSGetWindowBounds"), true);
    desktop::Window& draft = editorWindow();
    std::shared_ptr<AffectedWindow> window = changedWindow(draft);
};

TEST_F(WithoutBoundsCallTest, TheAccessibilityFrameCountsAtOnce) {
    draft.lagPrivateBounds(Rect(100, 120, 160, 100), 5);
    const double start = loop.now();
    EXPECT_EQ(run(window->settledFrame()), Rect(100, 120, 200, 150));
    EXPECT_EQ(loop.now(), start);
}

TEST_F(RoadTest, AnApplicationThatStopsAnsweringKeepsItsWindow) {
    preferences.setConcealsMinimizeAnimation(false);
    draft.owner().stopAnswering(30);
    EXPECT_FALSE(run(changeInto(window, kShaded)));
    EXPECT_EQ(window->standIn(), StandIn::none);
    EXPECT_FALSE(window->panel());
    EXPECT_FALSE(draft.isMinimized());
    EXPECT_EQ(engine->calls.back(), "forgetKnownTargets " + std::to_string(draft.pid()));
}

TEST_F(RoadTest, AWindowWhoseReturnIsRefusedStaysInTheLedger) {
    preferences.setConcealsMinimizeAnimation(false);
    run(changeInto(window, kShaded));
    settle();
    world.faults().on(FaultCall::writeAttribute, "AXMinimized").forWindow(draft.number()).times(1).refuse();
    run(changeBack(window));
    settle();
    EXPECT_TRUE(draft.isMinimized());
    // The entry stays for whoever puts the window back later.
    EXPECT_TRUE(inLedger());
    EXPECT_EQ(window->state(), kNormal);
}

}  // namespace
}  // namespace changed_test
