#include "platform/desktop/desktop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/events/event_router.h"
#include "platform/events/events.h"
#include "platform/runtime/main_loop.h"
#include "platform/services/workspace.h"

namespace platform::desktop {
namespace {

std::vector<std::string> titles(const std::vector<Window*>& windows) {
    std::vector<std::string> result;
    for (const Window* w : windows) result.push_back(w->title());
    return result;
}

// Records the world's events by kind.
struct EventLog {
    explicit EventLog(Desktop& world) : world(world) {
        id = world.addListener([this](const WorldEvent& e) { events.push_back(e); });
    }
    ~EventLog() { world.removeListener(id); }
    std::vector<WorldEventKind> kinds() const {
        std::vector<WorldEventKind> result;
        for (const auto& e : events) result.push_back(e.kind);
        return result;
    }
    Desktop& world;
    int id;
    std::vector<WorldEvent> events;
};

TEST(DesktopWorld, AFreshWorldHasTheProgramTheDockAndTheMenuBarButNoActiveApplication) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    EXPECT_EQ(&Desktop::current(), &world);
    const Application& own = world.ownApplication();
    EXPECT_TRUE(own.isOwnProcess());
    EXPECT_EQ(own.bundleIdentifier(), "com.brindlewick.FurlpaneNovan");
    EXPECT_EQ(own.activationPolicy(), ActivationPolicy::accessory);
    EXPECT_EQ(world.activeApplication(), nullptr);

    ASSERT_NE(world.dock().window(), nullptr);
    EXPECT_EQ(world.dock().window()->layer(), 20);
    EXPECT_EQ(world.dock().window()->frame(), (Rect{0, 830, 1440, 70}));
    EXPECT_EQ(world.dock().application()->localizedName(), "Dock");
    // Two running applications: the program and the Dock; the window server is no application.
    EXPECT_EQ(world.runningApplications().size(), 2u);
    const auto windows = world.windowsFrontToBack();
    ASSERT_EQ(windows.size(), 3u);  // the menu bar, the Dock, the desktop picture
    EXPECT_EQ(windows.front()->layer(), 24);
    EXPECT_EQ(windows.back()->title(), "Desktop Picture");
}

TEST(DesktopWorld, TheBuilderMakesAnActiveApplicationWithItsWindowsInFront) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    Application& other = world.application("com.example.Other").window("Behind").add();
    Application& editor = world.application("com.example.Editor").window("One").window("Two").add();

    EXPECT_EQ(editor.localizedName(), "Editor");
    EXPECT_TRUE(editor.isActive());
    EXPECT_FALSE(other.isActive());
    // The window opened last stands in front; the active application's windows lead.
    EXPECT_EQ(titles(editor.windows()), (std::vector<std::string>{"Two", "One"}));
    std::vector<std::string> normal;
    for (const Window* w : world.windowsFrontToBack()) {
        if (w->layer() == 0) normal.push_back(w->title());
    }
    EXPECT_EQ(normal, (std::vector<std::string>{"Two", "One", "Behind"}));
    EXPECT_EQ(editor.mainWindow()->title(), "Two");
    EXPECT_TRUE(editor.windows()[0]->isMinimizable());
    EXPECT_EQ(editor.menuItems().size(), 12u);

    Application& quiet = world.application("com.example.Quiet").window("Q").inBackground().add();
    EXPECT_TRUE(editor.isActive());
    EXPECT_FALSE(quiet.isActive());
}

// A click brings the window it lands on in front of every window, as a window server
// does, also when its application is active already.
TEST(DesktopWorld, AClickBringsTheWindowItLandsOnInFrontOfEveryWindow) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    Application& other = world.application("com.example.Other").window({.frame = Rect{300, 200, 300, 200}}).add();
    Application& editor = world.application("com.example.Editor")
                              .window({.title = "Back", .frame = Rect{100, 100, 300, 200}})
                              .window({.frame = Rect{500, 100, 300, 200}})
                              .add();
    other.windows()[0]->orderRelativeTo(WindowOrdering::above, 0);
    injectEvent(EventRecord::mouse(EventType::leftMouseDown, {150, 150}));
    EXPECT_TRUE(editor.isActive());
    EXPECT_EQ(world.windowAt({350, 250})->title(), "Back");
}

TEST(DesktopWorld, AddingIsSilentWhileLaunchingAnnouncesTheLaunchAndTheActivation) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    EventLog log(world);
    world.application("com.example.Quiet").window("One").add();
    EXPECT_TRUE(log.events.empty());
    const Application& app = world.application("com.example.Loud").window("One").launch();
    ASSERT_FALSE(log.events.empty());
    EXPECT_EQ(log.events.front().kind, WorldEventKind::applicationLaunched);
    EXPECT_EQ(log.events.front().pid, app.pid());
    const auto kinds = log.kinds();
    EXPECT_NE(std::find(kinds.begin(), kinds.end(), WorldEventKind::applicationDeactivated), kinds.end());
    EXPECT_EQ(kinds.back(), WorldEventKind::applicationActivated);
}

TEST(DesktopWorld, HidingOrQuittingTheActiveApplicationActivatesTheNextOneInFront) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    Application& back = world.application("com.example.Back").window("B").add();
    Application& front = world.application("com.example.Front").window("F").add();
    EventLog log(world);

    EXPECT_TRUE(front.hide());
    EXPECT_FALSE(front.hide());  // already hidden
    EXPECT_TRUE(back.isActive());
    EXPECT_FALSE(front.windows()[0]->isOnScreen());
    EXPECT_EQ(log.kinds(), (std::vector<WorldEventKind>{WorldEventKind::applicationDeactivated,
                                                        WorldEventKind::applicationActivated,
                                                        WorldEventKind::applicationHidden}));
    EXPECT_TRUE(front.activate());  // activating unhides
    EXPECT_FALSE(front.isHidden());
    EXPECT_TRUE(front.windows()[0]->isOnScreen());

    Window& f = *front.windows()[0];
    EXPECT_TRUE(front.quit());
    EXPECT_TRUE(front.isTerminated());
    EXPECT_TRUE(f.isClosed());
    EXPECT_TRUE(back.isActive());
    EXPECT_EQ(world.process(front.pid()), nullptr);
    EXPECT_NE(world.processRecord(front.pid()), nullptr);
    EXPECT_FALSE(front.quit());
    EXPECT_EQ(front.openWindow({.title = "Too late"}), nullptr);
    EXPECT_EQ(f.attachSheet({}), nullptr);
}

TEST(DesktopWorld, AWindowIsOnScreenOnlyWhenShownNotMinimizedAndOnAShownSpace) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    Application& app = world.application("com.example.App").window("W").add();
    Window& w = *app.windows()[0];
    EXPECT_TRUE(w.isOnScreen());
    EXPECT_TRUE(w.minimize());
    EXPECT_TRUE(w.isOnScreen());  // on its way into the Dock
    loop.advance(1);
    EXPECT_FALSE(w.isOnScreen());
    EXPECT_FALSE(w.minimize());
    EXPECT_TRUE(w.deminimize());
    EXPECT_TRUE(w.isOnScreen());  // on screen from the start of the way back
    w.orderOut();
    EXPECT_FALSE(w.isOnScreen());
    w.orderIn();
    const uint32_t display = world.displays().first()->number();
    const uint64_t first = *world.spaces().current(display);
    const uint64_t other = world.spaces().add(display);
    EXPECT_TRUE(w.moveToSpace(other));
    EXPECT_FALSE(w.isOnScreen());
    EXPECT_FALSE(w.moveToSpace(999));
    EXPECT_TRUE(world.spaces().switchTo(other));
    EXPECT_TRUE(w.isOnScreen());
    EXPECT_TRUE(w.moveToSpace(0));  // every Space
    EXPECT_TRUE(world.spaces().switchTo(first));
    EXPECT_TRUE(w.isOnScreen());
}

TEST(DesktopWorld, ASheetStandsInFrontOfItsWindowTakesTheFocusAndGoesWithIt) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    Application& app = world.application("com.example.App").window({.title = "Doc", .frame = Rect{100, 100, 600, 400}}).add();
    Window& doc = *app.windows()[0];
    Window& sheet = *doc.attachSheet({.title = "Save"});
    EXPECT_TRUE(sheet.isSheet());
    EXPECT_EQ(sheet.role(), "AXSheet");
    EXPECT_EQ(sheet.frame(), (Rect{200, 128, 400, 200}));
    EXPECT_EQ(app.mainWindow(), &doc);
    EXPECT_EQ(app.focusedWindow(), &sheet);
    EXPECT_EQ(app.windows().size(), 1u);  // sheets are not the application's windows
    EXPECT_EQ(world.windowAt({300, 200}), &sheet);

    doc.moveTo({0, 50});
    EXPECT_EQ(sheet.frame().origin, (Point{100, 78}));
    doc.close();
    EXPECT_TRUE(sheet.isClosed());
    EXPECT_EQ(app.focusedWindow(), nullptr);
}

TEST(DesktopWorld, WorldEventsAreScheduledOnTheLoopClockInAnyModeAndDroppedWithTheWorld) {
    MainLoop loop(ClockKind::simulated);
    std::vector<double> ran;
    {
        Desktop world(loop);
        world.schedule(0.5, [&] { ran.push_back(loop.now()); });
        loop.runInMode(modes::kDockMessage, 1.0, [&] { return !ran.empty(); });
        ASSERT_EQ(ran.size(), 1u);
        EXPECT_DOUBLE_EQ(ran[0], 0.5);
        world.schedule(1.0, [&] { ran.push_back(loop.now()); });
        world.postToMainQueue([&] { ran.push_back(-1); });
    }
    loop.advance(2);
    EXPECT_EQ(ran.size(), 1u);
    EXPECT_EQ(desktop::Desktop::currentOrNull(), nullptr);
}

TEST(DesktopWorld, ApplicationRecordsOutliveTheWorldButDoNothing) {
    MainLoop loop(ClockKind::simulated);
    std::optional<RunningApplication> kept;
    {
        Desktop world(loop);
        Application& app = world.application("com.example.App").window("W").add();
        kept = RunningApplication::withProcessIdentifier(app.pid());
        ASSERT_TRUE(kept);
    }
    EXPECT_EQ(kept->bundleIdentifier(), "com.example.App");
    EXPECT_FALSE(kept->hide());
    EXPECT_FALSE(kept->terminate());
    EXPECT_FALSE(kept->isActive());
    Desktop next(loop);  // a new world may follow the old one
    EXPECT_FALSE(RunningApplication::withProcessIdentifier(kept->processIdentifier() + 1000));
}

TEST(DesktopWorld, ZoomAndFullScreenFillTheDisplayAndComeBack) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    Application& app = world.application("com.example.App").window({.title = "W", .frame = Rect{10, 40, 300, 200}}).add();
    Window& w = *app.windows()[0];
    EXPECT_TRUE(w.zoom());
    EXPECT_EQ(w.frame(), (Rect{0, 25, 1440, 805}));  // below the menu bar, above the Dock
    EXPECT_TRUE(w.zoom());
    EXPECT_EQ(w.frame(), (Rect{10, 40, 300, 200}));
    EXPECT_TRUE(w.setFullScreen(true));
    EXPECT_EQ(w.frame(), (Rect{0, 0, 1440, 900}));
    EXPECT_FALSE(w.minimize());
    EXPECT_TRUE(w.setFullScreen(false));
    EXPECT_EQ(w.frame(), (Rect{10, 40, 300, 200}));
    EXPECT_TRUE(w.setFrame({0, 0, 5, 5}));
    const Window& small = *app.openWindow({.title = "S", .frame = Rect{0, 0, 10, 10}, .minimumSize = {100, 50}});
    EXPECT_EQ(small.frame().size, (Size{100, 50}));
}

}  // namespace
}  // namespace platform::desktop
