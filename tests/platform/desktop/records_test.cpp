// What ended processes, closed windows and destroyed controls leave in the world: their
// records stay a while, for the reports of their end and the calls that were just handed
// them, and then go, with what the world's parts kept for them, so that a world that
// lives through thousands of launches and windows holds what it held after the first
// few. Numbers are never given again.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop/desktop.h"
#include "platform/runtime/main_loop.h"

namespace platform::desktop {
namespace {

struct Ended {
    int32_t pid = 0;
    uint32_t window = 0;
};

// An application with two windows, one with a toolbar, launched and quit.
Ended launchAndQuit(Desktop& world, int i) {
    const ToolbarDescription toolbar{.frame = {0, 28, 400, 40},
                                     .items = {ControlDescription{.title = "Item", .frame = {10, 34, 40, 24}}}};
    Application& app = world.application("com.example.App" + std::to_string(i % 3))
                           .window({.title = "One", .toolbars = {toolbar}})
                           .window("Two")
                           .launch();
    const Ended ended{app.pid(), app.windows().back()->number()};
    app.quit();
    return ended;
}

TEST(DesktopRecords, EndedProcessesAndTheirWindowsGoOnceEnoughOthersHaveEnded) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    const Desktop::RecordCounts fresh = world.recordCounts();
    const Ended ended = launchAndQuit(world, 0);
    const int32_t first = ended.pid;
    const uint32_t firstNumber = ended.window;

    // Recently ended: still found as ended, with its windows closed and controls destroyed.
    ASSERT_NE(world.processRecord(first), nullptr);
    EXPECT_TRUE(world.processRecord(first)->isTerminated());
    EXPECT_EQ(world.process(first), nullptr);
    ASSERT_NE(world.windowRecord(firstNumber), nullptr);
    EXPECT_TRUE(world.windowRecord(firstNumber)->isClosed());
    EXPECT_EQ(world.windowRecord(firstNumber)->owner().pid(), first);

    int32_t last = first;
    Desktop::RecordCounts settled;
    for (int i = 1; i <= 400; ++i) {
        const int32_t pid = launchAndQuit(world, i).pid;
        EXPECT_GT(pid, last);  // never given again
        last = pid;
        if (i == 200) settled = world.recordCounts();
    }
    // The world holds what it held after the first two hundred launches, and no more than
    // what runs plus the ended records it keeps.
    EXPECT_EQ(world.recordCounts(), settled);
    EXPECT_LE(settled.processes, fresh.processes + Desktop::kKeptEndedProcesses);
    EXPECT_LE(settled.windows, fresh.windows + Desktop::kKeptClosedWindows);
    EXPECT_LE(settled.controls, fresh.controls + Desktop::kKeptDestroyedControls);
    // What ended long ago answers as an unknown number does.
    EXPECT_EQ(world.processRecord(first), nullptr);
    EXPECT_EQ(world.process(first), nullptr);
    EXPECT_EQ(world.windowRecord(firstNumber), nullptr);
    EXPECT_EQ(world.window(firstNumber), nullptr);
    // The newest ended one is still there.
    ASSERT_NE(world.processRecord(last), nullptr);
    EXPECT_TRUE(world.processRecord(last)->isTerminated());
    // Only the world's own applications run.
    EXPECT_EQ(world.runningApplications().size(), 2u);
}

TEST(DesktopRecords, WindowsOpenedAndClosedByOneApplicationLeaveTheSameRecords) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    Application& app = world.application("com.example.Editor").window("Stays").add();
    const uint64_t firstControl = app.windows()[0]->button(TitleBarButton::close)->id();
    uint32_t firstClosed = 0;
    uint32_t previous = 0;
    Desktop::RecordCounts settled;
    for (int i = 0; i < 300; ++i) {
        Window* w = app.openWindow({.title = "Note", .controls = {ControlDescription{.title = "OK"}}});
        ASSERT_NE(w, nullptr);
        EXPECT_GT(w->number(), previous);
        previous = w->number();
        if (i == 0) firstClosed = w->number();
        // A sheet comes and goes with it now and then.
        if (i % 10 == 0) {
            ASSERT_NE(w->attachSheet({.title = "Sheet"}), nullptr);
        }
        w->close();
        if (i == 150) settled = world.recordCounts();
    }
    EXPECT_EQ(world.recordCounts(), settled);
    EXPECT_EQ(world.windowRecord(firstClosed), nullptr);
    // The open window and its controls are untouched by the others' going.
    ASSERT_EQ(app.windows().size(), 1u);
    EXPECT_EQ(app.windows()[0]->title(), "Stays");
    ASSERT_NE(world.control(firstControl), nullptr);
    EXPECT_FALSE(world.control(firstControl)->isDestroyed());
    EXPECT_EQ(app.menuItems().size(), 12u);
}

TEST(DesktopRecords, MenusMadeAgainLeaveOnlyTheNewestDestroyedItems) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    Application& app = world.application("com.example.Editor").window("W").add();
    const uint64_t firstBar = app.menuBar()->id();
    Desktop::RecordCounts settled;
    for (int i = 0; i < 100; ++i) {
        app.setMenus(standardMenus("Editor " + std::to_string(i)));
        if (i == 50) settled = world.recordCounts();
    }
    EXPECT_EQ(world.recordCounts(), settled);
    EXPECT_EQ(world.control(firstBar), nullptr);
    EXPECT_EQ(app.menuItems().size(), 12u);
    EXPECT_FALSE(app.menuItems().front()->isDestroyed());
}

TEST(DesktopRecords, WhatTheWorldsPartsKeepForAWindowGoesWithItsRecord) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    Application& app = world.application("com.example.App").window("W").add();
    Window& first = *app.windows()[0];
    const uint32_t number = first.number();
    auto captured = std::make_shared<int>(0);
    world.pictures().setContentProvider(number, [captured](const Window&, double) -> std::optional<Image> {
        return std::nullopt;
    });
    int anchor = 0;
    world.dockTrips().setNotificationObject(number, &anchor);
    first.close();
    // Closed: kept for a while, as the window record is.
    EXPECT_EQ(captured.use_count(), 2);
    EXPECT_EQ(world.dockTrips().notificationObject(number), &anchor);
    for (size_t i = 0; i < Desktop::kKeptClosedWindows; ++i) app.openWindow({.title = "Other"})->close();
    EXPECT_EQ(world.windowRecord(number), nullptr);
    EXPECT_EQ(captured.use_count(), 1);
    EXPECT_EQ(world.dockTrips().notificationObject(number), nullptr);
}

TEST(DesktopRecords, AWindowKeptLongerThanItsProcessStillKnowsItsOwner) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    Application& app = world.application("com.example.Gone").window({.title = "W", .toolbars = {{}}, .controls = {{}}}).add();
    const int32_t pid = app.pid();
    const uint32_t number = app.windows()[0]->number();
    app.quit();
    // More processes end than the world keeps, fewer windows close than it keeps, and more
    // controls go than it keeps, the window's own among them.
    for (size_t i = 0; i < Desktop::kKeptEndedProcesses + 1; ++i) {
        world.application("com.example.Brief").launch().quit();
    }
    const std::vector<ControlDescription> many(Desktop::kKeptDestroyedControls, ControlDescription{});
    world.application("com.example.Crowded").window({.title = "C", .controls = many}).add().quit();
    EXPECT_EQ(world.processRecord(pid), nullptr);
    const Window* w = world.windowRecord(number);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->owner().pid(), pid);
    EXPECT_TRUE(w->owner().isTerminated());
    EXPECT_EQ(w->owner().bundleIdentifier(), "com.example.Gone");
    // What it hands out of its controls is what still exists: nothing a caller would
    // dereference as null.
    for (const std::vector<Control*>& controls : {w->toolbars(), w->controls()}) {
        EXPECT_EQ(std::count(controls.begin(), controls.end(), nullptr), 0);
    }
}

TEST(DesktopRecords, AHeldApplicationRecordOutlivesTheTableAndTheWorld) {
    auto loop = std::make_unique<MainLoop>(ClockKind::simulated);
    auto world = std::make_unique<Desktop>(*loop);
    Application& app = world->application("com.example.Held").window("W").add();
    std::shared_ptr<Application> held = world->processRecord(app.pid());
    app.quit();
    for (size_t i = 0; i < 2 * Desktop::kKeptEndedProcesses; ++i) {
        world->application("com.example.Brief").window("B").launch().quit();
    }
    EXPECT_EQ(world->processRecord(held->pid()), nullptr);
    EXPECT_TRUE(held->isTerminated());
    EXPECT_EQ(held->localizedName(), "Held");
    EXPECT_TRUE(held->windows().empty());
    EXPECT_FALSE(held->activate());
    world.reset();
    loop.reset();
    // The world went: the record does nothing, and says so.
    EXPECT_FALSE(held->quit());
    EXPECT_FALSE(held->hide());
    EXPECT_EQ(held->openWindow({.title = "Late"}), nullptr);
    EXPECT_TRUE(held->isTerminated());
}

TEST(DesktopRecords, TheProgramsOwnProcessIsFoundHoweverManyOthersEnd) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    const int32_t own = world.ownApplication().pid();
    for (size_t i = 0; i < 3 * Desktop::kKeptEndedProcesses; ++i) {
        world.application("com.example.Brief").launch().quit();
    }
    EXPECT_EQ(world.ownApplication().pid(), own);
    EXPECT_EQ(world.ownProcessIdentifier(), own);
    EXPECT_NE(world.process(own), nullptr);
}

}  // namespace
}  // namespace platform::desktop
