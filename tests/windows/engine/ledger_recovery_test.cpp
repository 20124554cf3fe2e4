// The ledger's recovery: which owners' lists it takes up, what it does with each entry
// (put back, gone, kept for later), how it waits at start-up and not on a Space change,
// and what it leaves in the defaults file.

#include <gtest/gtest.h>

#include <functional>

#include "recovery_test_support.h"

namespace engine_test {
namespace {

Dictionary owner(const std::string& key, Array list) { return Dictionary{{key, Value(std::move(list))}}; }

TEST(LedgerRecovery, TakesUpTheListsOfOwnersThatNoLongerRun) {
    enum class Owner { ended, self, otherInstance, reusedByAnotherApplication, notANumber };
    struct Row {
        const char* name;
        Owner owner;
        Waiting waiting;
        bool recovered;
    };
    for (const Row& row : {Row{"a process that ended", Owner::ended, Waiting::no, true},
                           Row{"this process's identifier at start-up", Owner::self, Waiting::yes, true},
                           Row{"this process's identifier on a Space change", Owner::self, Waiting::no, false},
                           Row{"another running instance", Owner::otherInstance, Waiting::yes, false},
                           Row{"an identifier now another application's", Owner::reusedByAnotherApplication,
                               Waiting::no, true},
                           Row{"a key that is no number", Owner::notANumber, Waiting::yes, true}}) {
        SCOPED_TRACE(row.name);
        Scene scene(1);
        const auto& instance = scene.world.application(platform::kProgramBundleIdentifier).inBackground().add();
        std::string key;
        switch (row.owner) {
            case Owner::ended: key = "999"; break;
            case Owner::self: key = scene.ledger->ownerKey(); break;
            case Owner::otherInstance: key = std::to_string(instance.pid()); break;
            case Owner::reusedByAnotherApplication: key = "+" + std::to_string(scene.editor.pid()); break;
            case Owner::notANumber: key = "Furlpane"; break;
        }
        auto& window = scene.window(0);
        scene.inDock(window);
        const Dictionary left = owner(key, {minimizedEntry(window)});
        scene.store(left);

        scene.recover(row.waiting);
        scene.settle();

        EXPECT_EQ(window.isMinimized(), !row.recovered);
        EXPECT_EQ(scene.stored(), row.recovered ? Dictionary{} : left);
    }
}

TEST(LedgerRecovery, OwnerIsRunningOnlyForADecimalIdentifierOfThisProgram) {
    Scene scene(1);
    const auto& instance = scene.world.application(platform::kProgramBundleIdentifier).inBackground().add();
    const std::string self = std::to_string(scene.world.ownProcessIdentifier());
    const std::string other = std::to_string(instance.pid());
    const std::string editor = std::to_string(scene.editor.pid());
    struct Row {
        std::string key;
        bool running;
    };
    for (const Row& row : {Row{self, true}, Row{"+" + other, false}, Row{"0" + other, false}, Row{other, true},
                           Row{editor, false}, Row{"999", false}, Row{"", false}, Row{"+", false}, Row{"-", false},
                           Row{"+-" + other, false}, Row{" " + other, false}, Row{other + "x", false},
                           Row{"4294967696", false}, Row{"-2147483649", false}, Row{"-" + other, false}}) {
        EXPECT_EQ(LedgerRecovery::isOwnerRunning(row.key), row.running) << '"' << row.key << '"';
    }
}

// What becomes of one entry as the world stands when recovery looks at it.
TEST(LedgerRecovery, PutsBackDropsOrKeepsEachEntry) {
    enum class Outcome { putBack, dropped, kept };
    struct Row {
        const char* name;
        std::function<Value(Scene&, desktop::Window&)> prepare;
        Outcome outcome;
    };
    const auto inDock = [](Scene& scene, desktop::Window& window) {
        scene.inDock(window);
        return minimizedEntry(window);
    };
    for (const Row& row : std::initializer_list<Row>{
             {"in the Dock", inDock, Outcome::putBack},
             {"closed", [&](Scene& s, desktop::Window& w) { auto e = inDock(s, w); w.close(); return e; },
              Outcome::dropped},
             {"already out of the Dock", [](Scene&, desktop::Window& w) { return minimizedEntry(w); },
              Outcome::dropped},
             {"out of the Dock but hidden with its application",
              [](Scene& s, desktop::Window& w) { s.editor.hide(); return minimizedEntry(w); }, Outcome::dropped},
             {"its number now another process's window",
              [](Scene& s, desktop::Window& w) {
                  auto& other = s.world.application("com.example.Other").add();
                  s.inDock(w);
                  return LedgerEntry{w.number(), other.pid(), LedgerEntry::Minimized{}}.encoded();
              },
              Outcome::dropped},
             {"Accessibility not granted",
              [&](Scene& s, desktop::Window& w) { auto e = inDock(s, w); s.world.setAccessibilityTrusted(false); return e; },
              Outcome::kept},
             {"its application not answering",
              [&](Scene& s, desktop::Window& w) { auto e = inDock(s, w); s.editor.stopAnswering(); return e; },
              Outcome::kept},
             {"this instance has changed the window since",
              [&](Scene& s, desktop::Window& w) {
                  auto e = inDock(s, w);
                  s.ledger->record({w.number(), w.pid(), LedgerEntry::Minimized{}});
                  return e;
              },
              Outcome::kept},
         }) {
        SCOPED_TRACE(row.name);
        Scene scene(1);
        auto& window = scene.window(0);
        const Value entry = row.prepare(scene, window);
        const bool wasMinimized = window.isMinimized();
        scene.store(owner("999", {entry}));

        scene.recover(Waiting::yes);
        scene.settle();

        EXPECT_EQ(window.isMinimized(), row.outcome == Outcome::putBack ? false : wasMinimized);
        const Dictionary left = scene.stored();
        const Value* kept = left.find("999");
        EXPECT_EQ(kept != nullptr, row.outcome == Outcome::kept);
        if (kept) {
            EXPECT_EQ(*kept, Value(Array{entry}));
        }
    }
}

TEST(LedgerRecovery, AnEntryOnScreenIsDroppedWithoutAskingItsApplication) {
    Scene scene(1);
    scene.store(owner("999", {minimizedEntry(scene.window(0))}));
    const auto requests = scene.world.accessibilityRequestCount();
    scene.recover(Waiting::yes);
    EXPECT_EQ(scene.world.accessibilityRequestCount(), requests);
    EXPECT_EQ(scene.stored(), Dictionary{});
}

TEST(LedgerRecovery, GivesACollapsedWindowItsHeightBack) {
    struct Row {
        const char* name;
        double height;
        double storedHeight;
        std::optional<double> collapsedHeight;
        double heightAfter;
    };
    for (const Row& row : {Row{"within the margin", 28, 600, 22, 600}, Row{"beyond the margin", 30, 600, 22, 30},
                           Row{"already as tall", 600, 600, 22, 600}, Row{"collapsed height unknown", 100, 600, {}, 600},
                           Row{"a height no window has", 28, 1e300, 22, 28}, Row{"a height below 0", 28, -5, {}, 28}}) {
        SCOPED_TRACE(row.name);
        Scene scene(1);
        auto& window = scene.window(0);
        window.setFrame({40, 120, 300, row.height});
        scene.store(owner("999", {collapsedEntry(window, row.storedHeight, row.collapsedHeight)}));

        scene.recover(Waiting::yes);

        EXPECT_EQ(window.frame(), (Rect{40, 120, 300, row.heightAfter}));
        EXPECT_EQ(scene.stored(), Dictionary{});
    }
}

TEST(LedgerRecovery, DropsWhatDoesNotDecodeAndHandlesTheRest) {
    Scene scene(2);
    auto& first = scene.window(0);
    auto& second = scene.window(1);
    scene.inDock(first);
    scene.inDock(second);
    auto with = [&](const char* key, Value value) {
        Dictionary entry = *minimizedEntry(first).dictionary();
        entry.set(key, std::move(value));
        return Value(entry);
    };
    Dictionary collapsedWithoutHeight = *collapsedEntry(first, 600, 22).dictionary();
    collapsedWithoutHeight.erase("Height");
    scene.store(Dictionary{{"998", Value(Array{with("ProcessID", 0), with("WindowID", -1), with("Change", "Shaded"),
                                               with("WindowID", "12"), Value(collapsedWithoutHeight), Value("entry"),
                                               minimizedEntry(second)})},
                           {"997", Value("not a list")},
                           {"996", Value(Dictionary{{"WindowID", 1}})}});

    scene.recover(Waiting::yes);
    scene.settle();

    EXPECT_TRUE(first.isMinimized());
    EXPECT_FALSE(second.isMinimized());
    EXPECT_EQ(scene.stored(), Dictionary{});
}

// The application comes back out of the Dock as from one of the program's own trips: it
// counts as busy until the trip is over and it answers again, and then it is released.
TEST(LedgerRecovery, AWindowTakenOutOfTheDockKeepsItsApplicationBusyUntilTheTripIsOver) {
    Scene scene(1);
    auto& window = scene.window(0);
    scene.inDock(window);
    scene.store(owner("999", {minimizedEntry(window)}));

    scene.recover(Waiting::yes);
    const int32_t pid = scene.editor.pid();
    EXPECT_TRUE(scene.engine->isBusy(pid));
    auto settled = std::make_shared<bool>(false);
    platform::spawnMain([engine = scene.engine, pid, settled]() -> Task<void> {
        auto settling = engine->settled(pid);
        co_await settling;
        *settled = true;
    });
    scene.settle();

    EXPECT_FALSE(window.isMinimized());
    EXPECT_FALSE(scene.engine->isBusy(pid));
    EXPECT_TRUE(*settled);
}

// At start-up a further window of the same application comes out only once the one
// before it stands in place; on a Space change it waits for the next pass.
TEST(LedgerRecovery, AFurtherWindowOfTheSameApplicationWaitsForTheOneBefore) {
    const double trip = desktop::DockTrips::kDefaultDuration;
    struct Row {
        const char* name;
        Waiting waiting;
        bool boundsCall;
        bool bothOut;
        bool waited;
    };
    for (const Row& row : {Row{"at start-up", Waiting::yes, true, true, true},
                           Row{"at start-up without the window server's bounds", Waiting::yes, false, true, false},
                           Row{"on a Space change", Waiting::no, true, false, false}}) {
        SCOPED_TRACE(row.name);
        Scene scene(2);
        auto& first = scene.window(0);
        auto& second = scene.window(1);
        scene.inDock(first);
        scene.inDock(second);
        // The application answers throughout, so that only the wait for the window counts.
        scene.world.dockTrips().setSilence(0);
        if (!row.boundsCall) scene.world.privateCalls().remove("CGSGetWindowBounds");
        scene.store(owner("999", {minimizedEntry(first), minimizedEntry(second)}));

        const double start = scene.loop.now();
        scene.recover(row.waiting);
        const double blocked = scene.loop.now() - start;

        EXPECT_FALSE(first.isMinimized());
        EXPECT_EQ(second.isMinimized(), !row.bothOut);
        // Within a point of its place the window counts as there, a moment before its trip ends.
        EXPECT_EQ(blocked > trip * 0.9, row.waited) << blocked;
        EXPECT_LE(blocked, 1.5 + BusyApplications::kAnswerLimit + 0.5);
        const Dictionary left = scene.stored();
        const Value* kept = left.find("999");
        ASSERT_EQ(kept != nullptr, !row.bothOut);
        if (kept) {
            EXPECT_EQ(*kept, Value(Array{minimizedEntry(second)}));
        }
    }
}

// A list under this process's identifier at start-up is an earlier process's: what it
// keeps for later must survive this instance's own first recording, and is taken up by
// the next pass.
TEST(LedgerRecovery, WhatAnEarlierProcessWithThisIdentifierKeepsOutlivesThisInstancesRecordings) {
    Scene scene(2);
    auto& silent = scene.window(0);
    scene.inDock(silent);
    auto& other = scene.world.application("com.example.Other").window({.title = "Notes"}).add();
    auto& notes = *other.windows()[0];
    scene.inDock(notes);
    scene.editor.stopAnswering();
    const std::string self = scene.ledger->ownerKey();
    scene.store(owner(self, {minimizedEntry(silent), minimizedEntry(notes)}));

    scene.recover(Waiting::yes);
    scene.settle();
    const std::string heir = self + LedgerRecovery::kEarlierOwnerSuffix;
    EXPECT_FALSE(notes.isMinimized());
    EXPECT_EQ(scene.stored(), owner(heir, {minimizedEntry(silent)}));

    scene.ledger->record({scene.window(1).number(), scene.editor.pid(), LedgerEntry::Minimized{}});
    scene.ledger->forget(scene.window(1).number());
    EXPECT_EQ(scene.stored(), owner(heir, {minimizedEntry(silent)}));

    scene.editor.answerAgain();
    scene.recover(Waiting::no);
    scene.settle();
    EXPECT_FALSE(silent.isMinimized());
    EXPECT_EQ(scene.stored(), Dictionary{});
}

// A Space change leaves the windows of a busy application for a later pass.
TEST(LedgerRecovery, OnASpaceChangeABusyApplicationsWindowsWait) {
    Scene scene(1);
    auto& window = scene.window(0);
    scene.inDock(window);
    scene.store(owner("999", {minimizedEntry(window)}));
    scene.engine->markBusy(scene.editor.pid());

    scene.recover(Waiting::no);
    EXPECT_TRUE(window.isMinimized());
    EXPECT_EQ(scene.stored(), owner("999", {minimizedEntry(window)}));
}

// A run that ended in the middle of a trip leaves its application silent for the rest of
// it. At start-up the trip is waited for, as one of the pass's own, and the application's
// windows are put back; a pass that does not wait keeps them, and says the application
// was busy.
TEST(LedgerRecovery, AnApplicationStillOnATripOfTheEndedRunIsWaitedForAtStartUp) {
    enum class Trip { outOfTheDock, intoTheDock };
    for (const Trip trip : {Trip::outOfTheDock, Trip::intoTheDock}) {
        for (const Waiting waiting : {Waiting::yes, Waiting::no}) {
            SCOPED_TRACE(std::string(trip == Trip::intoTheDock ? "into" : "out of") + " the Dock, " +
                         (waiting == Waiting::yes ? "at start-up" : "on a Space change"));
            Scene scene(2);
            auto& docked = scene.window(0);
            auto& travelling = scene.window(1);
            scene.inDock(docked);
            Array left{minimizedEntry(docked)};
            if (trip == Trip::outOfTheDock) {
                scene.inDock(travelling);
                travelling.deminimize();
            } else {
                travelling.minimize();
                left.push_back(minimizedEntry(travelling));
            }
            scene.store(owner("999", left));

            const auto kept = LedgerRecovery(*scene.ledger, scene.engine).recover(waiting);
            scene.settle();

            const bool back = waiting == Waiting::yes;
            EXPECT_EQ(docked.isMinimized(), !back);
            EXPECT_EQ(travelling.isMinimized(), trip == Trip::intoTheDock && !back);
            EXPECT_EQ(kept.busy, back ? std::set<int32_t>{} : std::set<int32_t>{scene.editor.pid()});
            EXPECT_EQ(scene.stored(), back ? Dictionary{} : owner("999", left));
        }
    }
}

// Only a window whose screen has gone is moved: inside the first screen's visible frame,
// at its size, as the system places the windows of a display that went.
TEST(LedgerRecovery, AWindowWhoseScreenHasGoneComesBackOnTheFirstScreen) {
    struct Row {
        const char* name;
        Rect frame;
        Point comesBackAt;
    };
    Scene scene(0);
    const Rect visible = scene.world.displays().topLeftVisibleFrame(*scene.world.displays().first());
    const double right = visible.maxX() - 300;
    for (const Row& row : {Row{"on the screen", {40, 120, 300, 200}, {40, 120}},
                           Row{"partly on the screen", {1200, 120, 300, 200}, {1200, 120}},
                           Row{"right of every screen", {2000, 120, 300, 200}, {right, 120}},
                           Row{"above and left of every screen", {-900, -700, 300, 200}, visible.origin},
                           Row{"below every screen", {40, 5000, 300, 200}, {40, visible.maxY() - 200}}}) {
        SCOPED_TRACE(row.name);
        auto& record = *scene.editor.openWindow({.title = row.name, .frame = row.frame});
        scene.inDock(record);
        scene.store(owner("999", {minimizedEntry(record)}));

        scene.recover(Waiting::yes);
        scene.settle();

        EXPECT_FALSE(record.isMinimized());
        EXPECT_EQ(record.frame(), Rect(row.comesBackAt, row.frame.size));
    }
}

}  // namespace
}  // namespace engine_test
