// Restoring changed windows: a batch back to front with one sound and the last window
// brought forward, the thumbnails of the active Space, everything (what stays changed
// stays listed), the release of a window for the Dock, and everything at quit, where an
// application that never settles delays the end by a bounded time only.

#include <gtest/gtest.h>

#include <set>

#include "platform/events/event_router.h"
#include "recovery_test_support.h"

namespace engine_test {
namespace {

using platform::DistributedNotificationCenter;

// The window-state-changed notifications since the last look: "<window> <old>→<new>
// sound <due>".
std::vector<std::string> announced() {
    auto& centre = DistributedNotificationCenter::defaultCenter();
    std::vector<std::string> lines;
    for (const auto& posted : centre.posted()) {
        if (posted.name != WindowEffects::kStateChangedNotification) continue;
        const auto& info = posted.userInfo;
        lines.push_back(std::to_string(*info.find("WindowID")->integer()) + " " +
                        std::to_string(*info.find("OldState")->integer()) + "→" +
                        std::to_string(*info.find("NewState")->integer()) + " sound " +
                        (*info.find("SoundIsDue")->boolean() ? "1" : "0"));
    }
    centre.clearPosted();
    return lines;
}

std::string line(const desktop::Window& window, int from, bool sound) {
    return std::to_string(window.number()) + " " + std::to_string(from) + "→0 sound " + (sound ? "1" : "0");
}

class Restoring : public ::testing::Test {
protected:
    Scene scene{3};

    void run(Task<void> task) { ASSERT_TRUE(platform::runToCompletion(scene.loop, std::move(task), 60)); }
    std::shared_ptr<AffectedWindow> change(size_t i, WindowAction action) {
        run(scene.engine->act(action, scene.target(scene.window(i)), std::nullopt, Raising::inPlace, Speed::normal));
        scene.settle();
        return scene.engine->findAffected(scene.window(i).number());
    }
    // Shades window 0 and makes thumbnails of windows 1 and 2; all three in the Dock.
    WindowEffects::WindowList changeAll() {
        WindowEffects::WindowList changed{change(0, WindowAction::furlpane), change(1, WindowAction::minimizeInPlace),
                                          change(2, WindowAction::minimizeInPlace)};
        for (const auto& window : changed) EXPECT_TRUE(window && window->panel());
        announced();
        return changed;
    }
};

// The batch goes back to front by where the stand-ins stand: window 0's title strip is
// brought to the front, so the two thumbnails come back before it.
TEST_F(Restoring, ABatchGoesBackToFrontWithOneSoundAndTheLastBroughtForward) {
    const auto changed = changeAll();
    if (HasFatalFailure() || !changed[0]) return;
    changed[0]->panel()->orderFront();

    run(scene.engine->restoreEverything(WindowEffects::SoundWish::wanted, Speed::normal));
    scene.settle();

    EXPECT_EQ(announced(), (std::vector<std::string>{line(scene.window(1), 7, true), line(scene.window(2), 7, false),
                                                     line(scene.window(0), 1, false)}));
    EXPECT_TRUE(scene.engine->windows().empty());
    for (size_t i = 0; i < 3; ++i) EXPECT_FALSE(scene.window(i).isMinimized()) << i;
    EXPECT_EQ(scene.editor.focusedWindow(), &scene.window(0));
}

TEST_F(Restoring, TheWindowAskedForComesBackLast) {
    const auto changed = changeAll();
    if (HasFatalFailure() || !changed[1]) return;

    run(scene.engine->restoreApplicationWindows(changed[1], Speed::normal));
    scene.settle();

    const auto lines = announced();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines.back(), line(scene.window(1), 7, false));
    EXPECT_EQ(scene.editor.focusedWindow(), &scene.window(1));
}

// Thumbnails shown on another Space are the user's business there; a thumbnail shown
// nowhere (its application hidden) comes back with those of this Space.
TEST_F(Restoring, OnTheActiveSpaceThumbnailsShownElsewhereStay) {
    const auto first = change(1, WindowAction::minimizeInPlace);
    const auto display = scene.world.displays().first()->number();
    const uint64_t elsewhere = scene.world.spaces().add(display);
    const uint64_t here = *scene.world.spaces().current(display);
    scene.world.spaces().switchTo(elsewhere);
    scene.window(2).moveToSpace(elsewhere);
    scene.window(0).moveToSpace(elsewhere);
    const auto second = change(2, WindowAction::minimizeInPlace);
    const auto third = change(0, WindowAction::minimizeInPlace);
    ASSERT_TRUE(first && second && third && third->panel());
    third->panel()->orderOut();
    scene.world.spaces().switchTo(here);
    scene.loop.runUntilIdle();
    announced();

    run(scene.engine->restoreOnActiveSpace(first, Speed::normal));
    scene.settle();

    EXPECT_FALSE(scene.window(1).isMinimized());
    EXPECT_FALSE(scene.window(0).isMinimized());
    EXPECT_TRUE(scene.window(2).isMinimized());
    EXPECT_EQ(scene.engine->windows(), WindowEffects::WindowList{second});
}

// The switch-off's restore of everything keeps listed what is still changed when it
// ends: here a window that floated while the batch waited for its application.
TEST_F(Restoring, EverythingKeepsWhatIsStillChanged) {
    const auto shaded = change(0, WindowAction::furlpane);
    ASSERT_TRUE(shaded);
    const int32_t pid = scene.editor.pid();
    scene.engine->markBusy(pid);
    auto done = std::make_shared<bool>(false);
    platform::spawnMain([engine = scene.engine, done]() -> Task<void> {
        auto restoring = engine->restoreEverything(WindowEffects::SoundWish::notWanted, Speed::normal);
        co_await restoring;
        *done = true;
    });
    scene.loop.runUntilIdle();
    ASSERT_FALSE(*done) << "the batch waits for the busy application";
    const auto floating = AffectedWindow::create(scene.target(scene.window(2)), scene.engine);
    floating->setState({std::nullopt, true});
    scene.engine->refreshList(floating);

    scene.engine->busy().finishBusy(pid);
    scene.settle();

    EXPECT_TRUE(*done);
    EXPECT_FALSE(scene.window(0).isMinimized());
    EXPECT_EQ(scene.engine->windows(), WindowEffects::WindowList{floating});
}

TEST_F(Restoring, AWindowTheProgramHadInTheDockIsLetGoThereForTheDock) {
    const auto thumbnail = change(1, WindowAction::minimizeInPlace);
    ASSERT_TRUE(thumbnail);
    auto fresh = scene.target(scene.window(0));
    EXPECT_EQ(platform::runToCompletion(scene.loop, scene.engine->releaseForDock(fresh)), true)
        << "a window never changed";

    EXPECT_EQ(platform::runToCompletion(scene.loop, scene.engine->releaseForDock(thumbnail->target())), false);
    EXPECT_TRUE(scene.window(1).isMinimized()) << "it stays in the Dock";
    EXPECT_EQ(thumbnail->panel(), nullptr);
    EXPECT_TRUE(scene.engine->windows().empty());
    EXPECT_EQ(scene.stored(), Dictionary{}) << "the ledger let it go";
}

// At quit an application whose windows are in the Dock, that never settles and does not
// answer, delays the end by a bounded time; the windows it did not take back stay in the
// ledger for the next launch, and the engine keeps nothing.
TEST_F(Restoring, AtQuitAnApplicationThatNeverSettlesDelaysTheEndBoundedly) {
    change(1, WindowAction::minimizeInPlace);
    change(2, WindowAction::minimizeInPlace);
    ASSERT_EQ(scene.engine->windows().size(), 2u);
    scene.engine->markBusy(scene.editor.pid());
    scene.editor.stopAnswering();

    const double start = scene.loop.now();
    scene.engine->restoreAll();
    const double took = scene.loop.now() - start;

    EXPECT_LE(took, 2 * (BusyApplications::kAnswerLimit + 2 * 0.25));
    EXPECT_TRUE(scene.engine->isEnding());
    EXPECT_TRUE(scene.engine->windows().empty());
    EXPECT_TRUE(scene.engine->changing().empty());
    const Dictionary stored = scene.stored();
    const Value* left = stored.find(scene.ledger->ownerKey());
    ASSERT_TRUE(left && left->array());
    EXPECT_EQ(left->array()->size(), 2u);

    bool ran = false;
    scene.engine->queueStep([&ran](WindowEffects&) { ran = true; });
    scene.loop.runUntilIdle();
    EXPECT_FALSE(ran) << "no job runs once the program ends";
}

// Every key of the window-state-changed notifications since the last look, in order.
std::vector<std::string> announcedInFull() {
    auto& centre = DistributedNotificationCenter::defaultCenter();
    std::vector<std::string> lines;
    for (const auto& posted : centre.posted()) {
        if (posted.name != WindowEffects::kStateChangedNotification) continue;
        std::string line;
        for (const char* key : {"WindowID", "OldState", "NewState", "ProcessID"}) {
            const auto* value = posted.userInfo.find(key);
            const std::string text = value && value->integer() ? std::to_string(*value->integer()) : "?";
            line += std::string(key) + "=" + text + " ";
        }
        for (const char* key : {"IsCollapsed", "WasInDock", "IsInDock", "SoundIsDue", "SoundWasPlayed"}) {
            const auto* value = posted.userInfo.find(key);
            line += std::string(key) + "=" + (value && value->boolean() ? (*value->boolean() ? "1" : "0") : "?") + " ";
        }
        lines.push_back(line);
    }
    centre.clearPosted();
    return lines;
}

std::string announcement(const desktop::Window& window, int from, bool stillInDock) {
    return "WindowID=" + std::to_string(window.number()) + " OldState=" + std::to_string(from) +
           " NewState=0 ProcessID=" + std::to_string(window.pid()) + " IsCollapsed=0 WasInDock=1 IsInDock=" +
           (stillInDock ? "1" : "0") + " SoundIsDue=0 SoundWasPlayed=0 ";
}

// At quit each window that changed is announced as it ended up, without sound: one the
// application would not take out of the Dock is announced as still there, not as back,
// and stays in the ledger for the next launch.
TEST_F(Restoring, AtQuitEachWindowIsAnnouncedAsItEndedUp) {
    changeAll();
    if (HasFatalFailure()) return;
    const uint32_t refused = scene.window(1).number();
    scene.world.faults().on(desktop::FaultCall::writeAttribute, "AXMinimized").forWindow(refused).refuse();

    scene.engine->restoreAll();

    const auto lines = announcedInFull();
    EXPECT_EQ(lines.size(), 3u);
    EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()),
              (std::set<std::string>{announcement(scene.window(0), 1, false), announcement(scene.window(1), 7, true),
                                     announcement(scene.window(2), 7, false)}));
    EXPECT_TRUE(scene.window(1).isMinimized());
    EXPECT_FALSE(scene.window(0).isMinimized());
    EXPECT_EQ(scene.stored(), Dictionary({{scene.ledger->ownerKey(), Array{minimizedEntry(scene.window(1))}}}));
}

// Brought forward from the status menu, a window coming out of the Dock ends in front of
// the application that was in front, although its application did not answer during the
// trip.
TEST_F(Restoring, AWindowBroughtForwardFromTheDockEndsInFront) {
    const auto thumbnail = change(1, WindowAction::minimizeInPlace);
    ASSERT_TRUE(thumbnail && scene.window(1).isMinimized());
    desktop::Application& notes =
        scene.world.application("com.example.Notes").window({.title = "List", .frame = Rect{400, 300, 300, 200}}).add();
    ASSERT_TRUE(notes.activate());
    ASSERT_EQ(scene.world.activeApplication(), &notes);

    run(scene.engine->restoreWindow(thumbnail, Raising::bringForward, Speed::normal, {}));
    scene.settle();

    EXPECT_FALSE(scene.window(1).isMinimized());
    EXPECT_EQ(scene.world.activeApplication(), &scene.editor);
    EXPECT_EQ(scene.editor.focusedWindow(), &scene.window(1));
}

// What the user does while the window comes out of the Dock stands: an application he
// makes active stays active, and so does the one in front whose window he clicks; the
// raise asked again once the trip has settled gives way to his choice.
TEST_F(Restoring, TheUsersChoiceDuringTheWayBackStands) {
    desktop::Application& notes =
        scene.world.application("com.example.Notes").window({.title = "List", .frame = Rect{400, 300, 300, 200}}).add();
    desktop::Application& mail =
        scene.world.application("com.example.Mail").window({.title = "Inbox", .frame = Rect{700, 300, 300, 200}}).add();
    for (const bool clicks : {false, true}) {
        for (const double after : {0.05, 0.2, 0.4}) {
            SCOPED_TRACE(std::string(clicks ? "clicks Notes " : "activates Mail ") + std::to_string(after));
            const auto thumbnail = change(1, WindowAction::minimizeInPlace);
            ASSERT_TRUE(thumbnail && scene.window(1).isMinimized());
            ASSERT_TRUE(notes.activate());
            scene.engine->onMainActor(WindowEffects::Job([thumbnail](WindowEffects& effects) {
                return effects.restoreWindow(thumbnail, Raising::bringForward, Speed::normal, {});
            }));
            scene.loop.advance(after);
            if (clicks) {
                platform::injectEvents(platform::input_sequences::click({550, 400}));
            } else {
                ASSERT_TRUE(mail.activate());
            }
            scene.settle();
            EXPECT_FALSE(scene.window(1).isMinimized());
            EXPECT_EQ(scene.world.activeApplication(), clicks ? &notes : &mail);
        }
    }
}

// Restored alone while its application will not take it out of the Dock (it refuses, or
// it stops answering just then for longer than the program waits for it), a window stays
// there: it is announced as still in the Dock, without a sound, and stays listed and in
// the ledger, so that the next restore (from the menu, or at quit) brings it out and
// says so.
TEST_F(Restoring, AWindowLeftInTheDockIsAnnouncedSoAndRestoredLater) {
    scene.preferences->setPlaysSounds(true);
    for (const bool silent : {false, true}) {
        SCOPED_TRACE(silent ? "stops answering" : "refuses");
        const auto thumbnail = change(1, WindowAction::minimizeInPlace);
        ASSERT_TRUE(thumbnail && scene.window(1).isMinimized());
        announcedInFull();
        if (!silent) {
            scene.world.faults().on(desktop::FaultCall::writeAttribute, "AXMinimized")
                .forWindow(scene.window(1).number()).times(1).refuse();
        }
        scene.engine->onMainActor(WindowEffects::Job([thumbnail](WindowEffects& effects) {
            return effects.restoreWindow(thumbnail, Raising::bringForward, Speed::normal, {});
        }));
        if (silent) scene.editor.stopAnswering(2);
        scene.settle();

        EXPECT_TRUE(scene.window(1).isMinimized());
        EXPECT_EQ(announcedInFull(), std::vector<std::string>{announcement(scene.window(1), 7, true)});
        EXPECT_EQ(scene.engine->windows(), WindowEffects::WindowList{thumbnail});
        EXPECT_EQ(scene.stored(), Dictionary({{scene.ledger->ownerKey(), Array{minimizedEntry(scene.window(1))}}}));

        if (silent) {
            scene.engine->restoreAll();
        } else {
            run(scene.engine->restoreWindow(thumbnail, Raising::bringForward, Speed::normal, {}));
            scene.settle();
        }
        EXPECT_FALSE(scene.window(1).isMinimized());
        EXPECT_EQ(announcedInFull(), std::vector<std::string>{announcement(scene.window(1), 0, false)});
        EXPECT_TRUE(scene.engine->windows().empty());
        EXPECT_EQ(scene.stored(), Dictionary{});
    }
}

// At quit the second window of an application comes out of the Dock only once the first
// stands in place.
TEST_F(Restoring, AtQuitTheSecondWindowWaitsForTheFirstInPlace) {
    change(1, WindowAction::minimizeInPlace);
    change(2, WindowAction::minimizeInPlace);
    scene.world.dockTrips().setSilence(0);

    const double start = scene.loop.now();
    scene.engine->restoreAll();

    EXPECT_GT(scene.loop.now() - start, desktop::DockTrips::kDefaultDuration * 0.9);
    EXPECT_LE(scene.loop.now() - start, 1.5 + BusyApplications::kAnswerLimit);
    EXPECT_FALSE(scene.window(1).isMinimized());
    EXPECT_FALSE(scene.window(2).isMinimized());
    EXPECT_EQ(scene.stored(), Dictionary{});
}

}  // namespace
}  // namespace engine_test
