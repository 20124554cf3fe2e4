// The engine following other applications and the user's settings while windows are
// changed: hiding, unhiding and quitting, Space changes, displays going away, and the
// four groups of settings.

#include <gtest/gtest.h>

#include "platform/services/workspace.h"
#include "recovery_test_support.h"

namespace engine_test {
namespace {

using platform::DistributedNotificationCenter;

size_t stateChangesPosted() {
    size_t count = 0;
    for (const auto& posted : DistributedNotificationCenter::defaultCenter().posted())
        count += posted.name == WindowEffects::kStateChangedNotification;
    return count;
}

class FollowingTest : public ::testing::Test {
protected:
    FollowingTest() { scene.engine->start(); }

    Scene scene{3};
    WindowEffects& engine = *scene.engine;

    void run(Task<void> task) { ASSERT_TRUE(platform::runToCompletion(scene.loop, std::move(task), 60)); }
    std::shared_ptr<AffectedWindow> change(size_t i, WindowAction action, std::optional<Point> origin = {}) {
        run(engine.act(action, scene.target(scene.window(i)), origin, Raising::inPlace, Speed::normal));
        scene.settle();
        return engine.findAffected(scene.window(i).number());
    }
    // Window 0 as a title strip and window 1 as a thumbnail.
    WindowEffects::WindowList stripAndThumbnail() {
        WindowEffects::WindowList changed{change(0, WindowAction::furlpane), change(1, WindowAction::minimizeInPlace)};
        for (const auto& window : changed) EXPECT_TRUE(window && window->panel());
        return changed;
    }
    void spaceChanged() {
        platform::Workspace::shared().notificationCenter().post(
            platform::workspace_notifications::kActiveSpaceDidChange);
    }
};

TEST_F(FollowingTest, HiddenApplicationsTakeTheirStandInsAlong) {
    const auto changed = stripAndThumbnail();
    const auto floating = change(2, WindowAction::floatOnTop);
    if (HasFailure() || !floating || !floating->panel()) return;
    const auto states = [&changed, &floating] {
        std::vector<WindowState> all;
        for (const auto& window : changed) all.push_back(window->state());
        all.push_back(floating->state());
        return all;
    };
    const auto before = states();
    // Another application hiding takes nothing along.
    auto& other = scene.world.application("com.example.Viewer").window({.title = "Other"}).launch();
    other.hide();
    scene.loop.runUntilIdle();
    for (const auto& window : changed) EXPECT_TRUE(window->panel()->isVisible());

    scene.editor.hide();
    scene.loop.runUntilIdle();
    for (const auto& window : changed) EXPECT_FALSE(window->panel()->isVisible());
    ASSERT_TRUE(floating->panel());
    EXPECT_FALSE(floating->panel()->isVisible());
    scene.editor.unhide();
    scene.settle();
    for (const auto& window : changed) EXPECT_TRUE(window->panel()->isVisible());
    EXPECT_TRUE(floating->panel() && floating->panel()->isVisible());
    EXPECT_EQ(engine.windows().size(), 3u);
    EXPECT_EQ(states(), before);
    EXPECT_EQ(changed[0]->state().style, WindowState::Style::shaded);
}

TEST_F(FollowingTest, AQuittingApplicationsWindowsAreLetGoSilently) {
    const auto changed = stripAndThumbnail();
    const auto floating = change(2, WindowAction::floatOnTop);
    if (HasFailure()) return;
    engine.thumbnailWasMoved(changed[1], {600, 500});
    EXPECT_EQ(engine.windows().size(), 3u);
    EXPECT_EQ(scene.ledger->entries().size(), 2u);
    DistributedNotificationCenter::defaultCenter().clearPosted();
    scene.editor.quit();
    scene.loop.runUntilIdle();
    EXPECT_TRUE(engine.windows().empty());
    EXPECT_TRUE(scene.ledger->entries().empty());
    EXPECT_TRUE(engine.thumbnailOrigins().empty());
    EXPECT_EQ(stateChangesPosted(), 0u);
    for (const auto& window : changed) EXPECT_FALSE(window->panel());
    EXPECT_FALSE(floating && floating->panel());
}

// Each Space change runs the recovery once, without waiting: the second window of an
// application whose first has just come out of the Dock is kept, even by a second change
// that comes at once, and tried again once the application has settled.
TEST_F(FollowingTest, SpaceChangesArrangeOnceAndRecoverEachTime) {
    // (The editor lists its minimized windows last: take them before they move.)
    desktop::Window& first = scene.window(1);
    desktop::Window& second = scene.window(2);
    scene.inDock(first);
    scene.inDock(second);
    scene.store({{"2147483000", Array{minimizedEntry(first), minimizedEntry(second)}}});
    spaceChanged();
    EXPECT_TRUE(engine.isArrangementPending());
    spaceChanged();
    scene.loop.runUntilIdle();
    EXPECT_FALSE(first.isMinimized());
    EXPECT_TRUE(second.isMinimized());
    EXPECT_EQ(scene.stored(), (Dictionary{{"2147483000", Array{minimizedEntry(second)}}}));
    scene.settle();
    EXPECT_FALSE(engine.isArrangementPending());
    EXPECT_FALSE(second.isMinimized());
    EXPECT_TRUE(scene.stored().empty());
}

TEST_F(FollowingTest, AThumbnailOnADisplayThatGoesMovesOntoOneThatStays) {
    scene.world.displays().add({.frame = {1280, 0, 1024, 768}, .backingScaleFactor = 1});
    const auto thumbnail = change(2, WindowAction::minimizeInPlace, Point{1800, 400});
    ASSERT_TRUE(thumbnail && thumbnail->panel());
    // A display coming leaves the thumbnails where they are.
    const Rect before = thumbnail->panel()->frame();
    scene.world.displays().add({.frame = {-1024, 0, 1024, 768}, .backingScaleFactor = 1});
    scene.settle();
    EXPECT_EQ(thumbnail->panel()->frame(), before);
    scene.world.displays().set({{.frame = {0, 0, 1280, 800}, .backingScaleFactor = 1}});
    scene.settle();
    EXPECT_TRUE((Rect{0, 0, 1280, 800}).contains(thumbnail->panel()->frame()));
}

TEST_F(FollowingTest, StandInsFollowTheSettings) {
    const auto changed = stripAndThumbnail();
    const auto floating = change(2, WindowAction::floatOnTop);
    if (HasFailure()) return;
    const auto floatingBehaviour = floating && floating->panel() ? floating->panel()->collectionBehavior() : 0;
    for (const bool stays : {true, false}) {
        scene.preferences->setStandInsStayPut(stays);
        scene.loop.runUntilIdle();
        const uint64_t expected = stays ? StandInPanel::kStationaryBehavior : StandInPanel::kManagedBehavior;
        for (const auto& window : changed) EXPECT_EQ(window->panel()->collectionBehavior(), expected) << stays;
        if (floating && floating->panel()) {
            EXPECT_EQ(floating->panel()->collectionBehavior(), floatingBehaviour);
        }
    }

    scene.preferences->setThumbnailOpacity(0.5);
    scene.preferences->setThumbnailsFloat(true);
    scene.loop.runUntilIdle();
    EXPECT_EQ(changed[1]->panel()->alphaValue(), 0.5);
    EXPECT_EQ(changed[1]->panel()->level(), platform::window_levels::floating);
    EXPECT_EQ(changed[0]->panel()->level(), platform::window_levels::normal);

    scene.preferences->setArrangesThumbnails(true);
    scene.loop.runUntilIdle();
    EXPECT_TRUE(changed[1]->place());
}

// The new look waits until no transition runs.
TEST_F(FollowingTest, TheThumbnailLookWaitsForRunningTransitions) {
    const auto resting = change(0, WindowAction::minimizeInPlace);
    run(engine.act(WindowAction::minimizeInPlace, scene.target(scene.window(1)), {}, Raising::inPlace, Speed::normal));
    if (StandInTransition::running().empty()) GTEST_SKIP() << "the change ran no transition";
    scene.preferences->setThumbnailOpacity(0.3);
    scene.loop.runUntilIdle();
    ASSERT_TRUE(resting && resting->panel());
    EXPECT_EQ(resting->panel()->alphaValue(), 1.0);
    scene.settle();
    EXPECT_EQ(resting->panel()->alphaValue(), 0.3);
}

TEST_F(FollowingTest, SwitchingOffPutsEveryWindowBackAndOnAgainChangesNothing) {
    stripAndThumbnail();
    if (HasFailure()) return;
    scene.preferences->setIsEnabled(false);
    scene.settle();
    EXPECT_TRUE(engine.windows().empty());
    for (size_t i = 0; i < 2; ++i) EXPECT_FALSE(scene.window(i).isMinimized()) << i;
    DistributedNotificationCenter::defaultCenter().clearPosted();
    scene.preferences->setIsEnabled(true);
    scene.settle();
    EXPECT_EQ(stateChangesPosted(), 0u);
}

}  // namespace
}  // namespace engine_test
