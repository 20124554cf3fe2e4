#include "platform/appkit/screen.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/desktop/desktop.h"
#include "platform/notifications/notification_center.h"
#include "platform/runtime/main_loop.h"
#include "platform/services/workspace.h"
#include "platform/windowserver/window_list.h"

namespace platform {
namespace {

using desktop::Desktop;
using desktop::DisplayDescription;
using desktop::DockEdge;

// Counts the screen-parameters notifications of the default centre.
struct ScreenChanges {
    ScreenChanges() {
        token = NotificationCenter::defaultCenter().addObserver(notifications::kScreenParametersChanged, nullptr,
                                                                [this](const Notification&) { ++count; });
    }
    ~ScreenChanges() { NotificationCenter::defaultCenter().removeObserver(token); }
    NotificationCenter::Token token;
    int count = 0;
};

TEST(Screens, FramesVisibleFramesAndDisplayNumbersAsAppKitReportsThem) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop,
                  {.displays = {DisplayDescription{.frame = Rect{0, 0, 1920, 1080}, .displayNumber = 69733378},
                                DisplayDescription{.frame = Rect{1920, 200, 1280, 1024}, .backingScaleFactor = 1}}});
    const auto screens = Screen::screens();
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(screens[0].frame(), (Rect{0, 0, 1920, 1080}));
    EXPECT_EQ(screens[0].visibleFrame(), (Rect{0, 70, 1920, 985}));  // the Dock below, the menu bar above
    EXPECT_EQ(screens[1].visibleFrame(), (Rect{1920, 200, 1280, 999}));
    EXPECT_EQ(screens[0].deviceDescription().find("NSScreenNumber")->integer(), 69733378);
    EXPECT_EQ(screens[1].backingScaleFactor(), 1);
    // The second screen stands higher: in top-left coordinates its top is above 0.
    EXPECT_EQ(world.displays().topLeftFrame(*world.displays().all()[1]), (Rect{1920, -144, 1280, 1024}));

    world.displays().setDeviceDescriptionValue(screens[1].deviceDescription().find("NSScreenNumber")->integer().value(),
                                               "NSScreenNumber", plist::Value("two"));
    EXPECT_FALSE(screens[1].deviceDescription().find("NSScreenNumber")->integer());
}

TEST(Screens, ChangesArePostedOnTheMainQueueAndMoveTheWorldsOwnWindows) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    ScreenChanges changes;
    const uint32_t second = world.displays().add({.frame = Rect{-1280, 0, 1280, 800}});
    EXPECT_EQ(changes.count, 0);
    loop.runUntilIdle();
    EXPECT_EQ(changes.count, 1);
    EXPECT_EQ(world.spaces().currentSpaces().size(), 2u);

    const desktop::Window& w =
        *world.application("com.example.App").window({.title = "W", .frame = Rect{-1000, 100, 400, 300}}).add().windows()[0];
    const uint64_t secondSpace = *world.spaces().current(second);
    EXPECT_EQ(w.space(), secondSpace);  // the Space shown on the display beneath it
    EXPECT_TRUE(w.isOnScreen());
    EXPECT_TRUE(world.displays().remove(second));
    EXPECT_EQ(world.spaces().find(secondSpace)->display, world.displays().first()->number());
    // What the display showed comes to the first one: the window joins the Space shown
    // there and stands where it stood on the display that went, below the menu bar.
    EXPECT_EQ(w.space(), *world.spaces().current(world.displays().first()->number()));
    EXPECT_EQ(w.frame(), (Rect{280, 25, 400, 300}));
    EXPECT_TRUE(w.isOnScreen());

    world.displays().set({});
    loop.runUntilIdle();
    EXPECT_EQ(changes.count, 3);
    EXPECT_TRUE(Screen::screens().empty());
    EXPECT_EQ(world.displays().firstMaxY(), 0);
}

TEST(Screens, UnpluggingAScreenBringsItsWindowsOntoTheFirstOneAndWhatItShowedInSight) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    const uint32_t second = world.displays().add({.frame = Rect{1440, 0, 1920, 1200}});
    const uint64_t shown = *world.spaces().current(second);
    const uint64_t other = world.spaces().add(second);
    desktop::Application& app = world.application("com.example.App")
                                    .window({.title = "Shown", .frame = Rect{3000, 700, 400, 300}})
                                    .window({.title = "Away", .frame = Rect{1500, 200, 300, 200}, .space = other})
                                    .window({.title = "Docked", .frame = Rect{1500, 300, 300, 200}, .minimized = true})
                                    .window({.title = "Across", .frame = Rect{1300, 400, 300, 200}})
                                    .add();
    std::vector<uint32_t> moved;
    world.addListener([&](const desktop::WorldEvent& e) {
        if (e.kind == desktop::WorldEventKind::windowSpaceChanged) moved.push_back(e.window);
    });
    const auto titled = [&](const char* title) {
        for (desktop::Window* w : app.windows()) {
            if (w->title() == title) return w;
        }
        return static_cast<desktop::Window*>(nullptr);
    };
    ASSERT_TRUE(world.displays().remove(second));
    const uint64_t first = *world.spaces().current(world.displays().first()->number());
    // Kept inside the first screen's visible frame however far out it stood.
    EXPECT_EQ(titled("Shown")->frame(), (Rect{1040, 530, 400, 300}));
    EXPECT_EQ(titled("Shown")->space(), first);
    EXPECT_EQ(titled("Away")->space(), other);
    EXPECT_EQ(titled("Away")->frame(), (Rect{60, 525, 300, 200}));
    EXPECT_FALSE(titled("Away")->isOnScreen());
    EXPECT_EQ(titled("Docked")->frame(), (Rect{1500, 300, 300, 200}));
    EXPECT_EQ(titled("Across")->frame(), (Rect{1300, 400, 300, 200}));  // partly on the first screen still
    EXPECT_NE(std::find(moved.begin(), moved.end(), titled("Shown")->number()), moved.end());
    EXPECT_EQ(std::find(moved.begin(), moved.end(), titled("Away")->number()), moved.end());
    EXPECT_EQ(world.spaces().find(shown)->display, world.displays().first()->number());
}

// A window server keeps titled windows within reach when their screen goes, the
// program's own as much as other applications'; a borderless panel stays where it was,
// for its program to place.
TEST(Screens, UnpluggingAScreenMovesTitledWindowsAndLeavesBorderlessPanelsToTheirProgram) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    const uint32_t second = world.displays().add({.frame = Rect{1440, 100, 1280, 800}});  // level with the first
    desktop::Application& own = *world.process(world.ownProcessIdentifier());
    desktop::Application& other = world.application("com.example.App").add();
    const Rect there{1974, 200, 64, 64};
    desktop::Window* titled[] = {other.openWindow({.frame = there}), own.openWindow({.frame = there})};
    desktop::Window* panel = own.openWindow({.frame = there, .titleBarHeight = 0});
    ASSERT_TRUE(world.displays().remove(second));
    for (desktop::Window* w : titled) EXPECT_EQ(w->frame(), (Rect{534, 225, 64, 64}));
    EXPECT_EQ(panel->frame(), there);
}

TEST(Dock, ItsSettingsLiveInItsDomainAndItsWindowFollowsThem) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop);
    ForeignPreferences& prefs = ForeignPreferences::current();
    EXPECT_EQ(&prefs, &world.preferences());
    EXPECT_FALSE(prefs.copyValue("orientation", "com.apple.dock"));

    world.dock().setEdge(DockEdge::left);
    EXPECT_EQ(*prefs.copyValue("orientation", "com.apple.dock")->string(), "left");
    EXPECT_EQ(world.dock().window()->frame(), (Rect{0, 25, 70, 875}));
    EXPECT_EQ(Screen::screens()[0].visibleFrame(), (Rect{70, 0, 1370, 875}));
    world.dock().setAutohides(true);
    EXPECT_EQ(prefs.copyValue("autohide", "com.apple.dock")->boolean(), true);
    EXPECT_EQ(Screen::screens()[0].visibleFrame(), (Rect{4, 0, 1436, 875}));

    // Written by someone else, the settings take effect once they are synchronized and
    // the Dock starts again, with a new process and a new window.
    prefs.setValue("orientation", plist::Value("Right"), "com.apple.dock");
    prefs.setValue("autohide", std::nullopt, "com.apple.dock");
    world.dock().restart();
    EXPECT_EQ(world.dock().edge(), DockEdge::left);  // not yet published
    ASSERT_TRUE(prefs.synchronize("com.apple.dock"));
    const uint32_t oldWindow = world.dock().window()->number();
    const int32_t oldPid = world.dock().application()->pid();
    EXPECT_EQ(world.dock().edge(), DockEdge::left);
    world.dock().restart();
    EXPECT_EQ(world.dock().edge(), DockEdge::bottom);  // "Right" is not "right"
    EXPECT_FALSE(world.dock().autohides());
    EXPECT_NE(world.dock().window()->number(), oldWindow);
    EXPECT_EQ(world.window(oldWindow), nullptr);
    EXPECT_NE(world.dock().application()->pid(), oldPid);
    EXPECT_EQ(RunningApplication::withBundleIdentifier("com.apple.dock").size(), 1u);
}

TEST(Dock, ItMovesToAnotherDisplay) {
    MainLoop loop(ClockKind::simulated);
    Desktop world(loop, {.displays = {DisplayDescription{}, DisplayDescription{.frame = Rect{1440, 0, 1000, 800}}}});
    const uint32_t second = world.displays().all()[1]->number();
    EXPECT_TRUE(world.dock().moveToDisplay(second));
    EXPECT_FALSE(world.dock().moveToDisplay(77));
    EXPECT_EQ(world.dock().window()->frame(), (Rect{1440, 830, 1000, 70}));
    EXPECT_EQ(Screen::screens()[0].visibleFrame(), (Rect{0, 0, 1440, 875}));
    EXPECT_EQ(world.dock().desktopPictureWindows().size(), 2u);
}

}  // namespace
}  // namespace platform
