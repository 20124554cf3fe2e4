// The search for windows an application left collapsed: after its launch, for the
// applications running when the engine starts, prolonged by activation and Space
// changes, paused while the application is busy, ended by the program's end, by a
// cancelled pause, and by the application quitting.

#include <gtest/gtest.h>

#include "platform/services/workspace.h"
#include "recovery_test_support.h"
#include "windows/engine/left_collapsed.h"

namespace engine_test {
namespace {

constexpr const char* kNotes = "com.example.Notes";

const LeftCollapsed kOne{"One", {500, 400, 400, 22}, 300};
const LeftCollapsed kTwo{"Two", {100, 500, 250, 22}, 180};

desktop::WindowDescription shown(const LeftCollapsed& window) { return {.title = window.title, .frame = window.frame}; }

class ReopeningTest : public ::testing::Test {
protected:
    ReopeningTest() { scene.engine->start(); }

    Scene scene{1};
    WindowEffects& engine = *scene.engine;

    void remember(const std::string& bundleIdentifier, const std::vector<LeftCollapsed>& windows) {
        auto stored = scene.defaults->dictionary(LeftCollapsedWindows::kDefaultsKey).value_or(Dictionary{});
        Array list;
        for (const auto& window : windows) list.push_back(LeftCollapsedWindows::encoded(window));
        stored.set(bundleIdentifier, std::move(list));
        scene.defaults->set(LeftCollapsedWindows::kDefaultsKey, std::move(stored));
    }
    std::vector<LeftCollapsed> remembered(const std::string& bundleIdentifier) const {
        return LeftCollapsedWindows(*scene.defaults).leftCollapsed(bundleIdentifier);
    }
    desktop::Application& launchNotes(const std::vector<LeftCollapsed>& showing) {
        auto builder = scene.world.application(kNotes);
        for (const auto& window : showing) builder.window(shown(window));
        auto& app = builder.launch();
        scene.loop.runUntilIdle();
        return app;
    }
    void after(double seconds) {
        scene.loop.advance(seconds);
        scene.loop.runUntilIdle();
    }
    static double height(const desktop::Application& app, const std::string& title) {
        for (const auto* window : app.windows()) {
            if (window->title() == title) return window->frame().height();
        }
        return 0;
    }
    bool isLooking(const desktop::Application& app) const { return engine.reopening().at(app.pid()).isLooking; }
};

TEST_F(ReopeningTest, WindowsShowingAtLaunchAreReopenedAtOnceAndTheListGoes) {
    remember(kNotes, {kOne, kTwo});
    const auto& notes = launchNotes({kOne, kTwo});
    EXPECT_EQ(height(notes, "One"), 300);
    EXPECT_EQ(height(notes, "Two"), 180);
    EXPECT_FALSE(scene.defaults->storedObject(LeftCollapsedWindows::kDefaultsKey));
    EXPECT_TRUE(engine.reopening().empty());
}

TEST_F(ReopeningTest, AWindowShownAfterTheSearchIsFoundOnceTheApplicationIsActivated) {
    remember(kNotes, {kOne, kTwo});
    auto& notes = launchNotes({kOne});
    after(10.5);
    EXPECT_EQ(remembered(kNotes), std::vector{kTwo});
    EXPECT_FALSE(isLooking(notes));
    // A second instance of the application starts no second search.
    scene.world.application(kNotes).launch();
    scene.loop.runUntilIdle();
    EXPECT_EQ(engine.reopening().size(), 1u);

    after(1.5);
    notes.openWindow(shown(kTwo));
    after(1);
    EXPECT_EQ(height(notes, "Two"), 22);
    scene.editor.activate();
    notes.activate();
    after(0.5);
    EXPECT_EQ(height(notes, "Two"), 180);
    EXPECT_FALSE(scene.defaults->storedObject(LeftCollapsedWindows::kDefaultsKey));
}

// Unhiding the application and changing the Space prolong the search as activating does.
TEST_F(ReopeningTest, UnhidingAndSpaceChangesLookAgain) {
    const LeftCollapsed three{"Three", {700, 100, 320, 22}, 240};
    remember(kNotes, {kOne, kTwo, three});
    auto& notes = launchNotes({kOne});
    after(10.5);
    EXPECT_FALSE(isLooking(notes));
    notes.hide();
    notes.openWindow(shown(kTwo));
    after(1);
    notes.unhide();
    after(0.5);
    EXPECT_EQ(height(notes, "Two"), 180);

    after(2);
    EXPECT_FALSE(isLooking(notes));
    notes.openWindow(shown(three));
    after(1);
    EXPECT_EQ(height(notes, "Three"), 22);
    platform::Workspace::shared().notificationCenter().post(platform::workspace_notifications::kActiveSpaceDidChange);
    after(0.5);
    EXPECT_EQ(height(notes, "Three"), 240);
    EXPECT_TRUE(engine.reopening().empty());
}

// Alike titles: the remembered window nearer to the one that shows up is reopened, and
// a title beats a nearer untitled window of the same size.
TEST_F(ReopeningTest, ARelaunchPairsByTitleThenByDistance) {
    const LeftCollapsed near{"Note", {100, 100, 400, 22}, 300};
    const LeftCollapsed far{"Note", {700, 500, 400, 22}, 200};
    const LeftCollapsed draft{"Draft", {100, 400, 250, 22}, 150};
    remember(kNotes, {far, near, draft});
    auto builder = scene.world.application(kNotes);
    builder.window({.title = "Note", .frame = Rect{120, 90, 400, 22}});
    builder.window({.title = "", .frame = draft.frame});
    builder.window({.title = "Draft", .frame = Rect{900, 600, 250, 22}});
    auto& notes = builder.launch();
    scene.loop.runUntilIdle();
    EXPECT_EQ(height(notes, "Note"), 300);
    EXPECT_EQ(height(notes, "Draft"), 150);
    EXPECT_EQ(height(notes, ""), 22);
    EXPECT_EQ(remembered(kNotes), std::vector{far});
    EXPECT_TRUE(isLooking(notes));
}

TEST_F(ReopeningTest, ABusyApplicationIsNotTriedAndAnEndingEngineStopsLooking) {
    remember(kNotes, {kOne});
    auto builder = scene.world.application(kNotes);
    auto& notes = builder.window(shown(kOne)).launch();
    engine.markBusy(notes.pid());
    after(10.5);
    EXPECT_EQ(height(notes, "One"), 22);
    EXPECT_FALSE(isLooking(notes));

    engine.busy().finishBusy(notes.pid());
    engine.restoreAll();
    engine.activeSpaceDidChange({});
    after(1);
    EXPECT_EQ(height(notes, "One"), 22);
    EXPECT_EQ(remembered(kNotes), std::vector{kOne});
}

// A cancelled pause ends the search instead of trying again at once, without end; the
// entry is left idle for the next prolongation to start again.
TEST_F(ReopeningTest, ASearchWhosePauseIsCancelledEnds) {
    remember(kNotes, {kOne});
    const auto& notes = launchNotes({});
    auto search = platform::spawnMain([engine = scene.engine, pid = notes.pid()] {
        return engine->lookForLeftCollapsed(pid);
    });
    search.cancel();
    scene.loop.runUntilIdle();
    EXPECT_TRUE(search.isFinished());
    EXPECT_FALSE(isLooking(notes));
    engine.keepLooking(notes.pid(), 2);
    EXPECT_TRUE(isLooking(notes));
}

TEST_F(ReopeningTest, QuittingForgetsWhatItsSearchStillLookedFor) {
    remember(kNotes, {kOne, kTwo});
    remember("com.example.Editor", {kTwo});
    auto& notes = launchNotes({kOne});
    after(11);
    notes.quit();
    scene.editor.quit();
    scene.loop.runUntilIdle();
    EXPECT_TRUE(remembered(kNotes).empty());
    // The editor had no search: its list waits for its next launch.
    EXPECT_EQ(remembered("com.example.Editor"), std::vector{kTwo});
    EXPECT_TRUE(engine.reopening().empty());
}

TEST_F(ReopeningTest, WithoutAccessibilityNothingIsLookedFor) {
    remember(kNotes, {kOne});
    scene.world.setAccessibilityTrusted(false);
    const auto& notes = launchNotes({kOne});
    after(1);
    EXPECT_TRUE(engine.reopening().empty());
    EXPECT_EQ(height(notes, "One"), 22);
    EXPECT_EQ(remembered(kNotes), std::vector{kOne});
}

// The applications running when the engine starts get the search a launch gets, once.
TEST(ReopeningAtStart, RunningApplicationsAreSearchedOnceAndOthersWait) {
    Scene scene{1};
    const LeftCollapsed draft{"Draft 0", scene.window(0).frame(), 450};
    Dictionary stored{{"com.example.Editor", Array{LeftCollapsedWindows::encoded(draft)}},
                      {kNotes, Array{LeftCollapsedWindows::encoded(kOne)}}};
    scene.defaults->set(LeftCollapsedWindows::kDefaultsKey, stored);
    auto& workspace = platform::Workspace::shared().notificationCenter();
    const size_t observers = workspace.observerCount();
    scene.engine->start();
    scene.engine->start();
    EXPECT_EQ(scene.engine->observations().size(), 7u);
    EXPECT_EQ(workspace.observerCount(), observers + 6);
    scene.loop.runUntilIdle();
    EXPECT_EQ(scene.window(0).frame().height(), 450);
    EXPECT_EQ(scene.defaults->storedObject(LeftCollapsedWindows::kDefaultsKey),
              Value(Dictionary{{kNotes, Array{LeftCollapsedWindows::encoded(kOne)}}}));
}

}  // namespace
}  // namespace engine_test
