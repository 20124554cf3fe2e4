#include <algorithm>

#include "appkit_support.h"
#include "platform/desktop/window_pictures.h"
#include "platform/events/event_monitor.h"
#include "platform/events/event_router.h"

namespace appkit_test {
namespace {

using WorldBridgeTest = AppKitTest;

TEST_F(WorldBridgeTest, InjectedInputOverAPanelReachesItsViewAsADoubleClick) {
    auto panel = probePanel({100, 100, 200, 100});
    injectEvents(input_sequences::doubleClick({150, 150}, AppEvent::option));
    loop.runUntilIdle();
    ProbeView& view = probe(*panel);
    ASSERT_EQ(view.events.size(), 4u);
    EXPECT_EQ(view.clickCounts, (std::vector<int>{1, 1, 2, 2}));
    EXPECT_EQ(view.modifiers[2], AppEvent::option);
    EXPECT_EQ(view.locations[0], (Point{50, 50}));
}

TEST_F(WorldBridgeTest, CapturesOfOwnWindowsShowTheirLayers) {
    auto panel = probePanel({100, 100, 40, 30});
    panel->contentView()->layer()->setBackgroundColor(Color::rgb(1, 0, 0, 1));
    loop.runUntilIdle();
    desktop::Window* w = world.window(panel->windowNumber());
    ASSERT_NE(w, nullptr);
    auto picture = world.pictures().windowPicture(*w, 1, desktop::PictureFraming::plain);
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->width(), 40);
    const Pixel middle = picture->pixel(20, 15);
    EXPECT_EQ(middle.r, 255);
    EXPECT_EQ(middle.g, 0);
}

}  // namespace
}  // namespace appkit_test

namespace appkit_test {
namespace {

TEST_F(WorldBridgeTest, TrackingAreasHearThePointerLeaveOntoAnotherApplicationsWindow) {
    auto panel = probePanel({100, 100, 200, 100});
    world.application("com.example.Editor").window({.title = "Beside", .frame = Rect{400, 100, 300, 300}}).add();
    loop.runUntilIdle();
    injectEvent(EventRecord::mouse(EventType::mouseMoved, {150, 150}));
    loop.runUntilIdle();
    EXPECT_EQ(probe(*panel).entered, 1);
    injectEvent(EventRecord::mouse(EventType::mouseMoved, {500, 200}));
    loop.runUntilIdle();
    EXPECT_EQ(probe(*panel).exited, 1);
}

}  // namespace
}  // namespace appkit_test

namespace appkit_test {
namespace {

TEST_F(WorldBridgeTest, LocalMonitorsSeeTheProgramsEventsBeforeItsWindows) {
    auto panel = probePanel({100, 100, 200, 100});
    std::vector<EventType> seen;
    auto presses = EventMonitor::addLocalMonitor(eventMaskBit(EventType::leftMouseDown),
                                                 [&](const EventRecord& e) -> std::optional<EventRecord> {
                                                     seen.push_back(e.type());
                                                     return std::nullopt;  // consumed
                                                 });
    injectEvents(input_sequences::click({150, 150}));
    loop.runUntilIdle();
    // The press never reached the panel; its release went nowhere.
    EXPECT_TRUE(std::find(probe(*panel).events.begin(), probe(*panel).events.end(), AppEventType::leftMouseDown) ==
                probe(*panel).events.end());
    EXPECT_EQ(seen, (std::vector<EventType>{EventType::leftMouseDown}));
    EventMonitor::removeMonitor(presses);
    injectEvents(input_sequences::click({150, 150}));
    loop.runUntilIdle();
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_EQ(probe(*panel).events.back(), AppEventType::leftMouseUp);
}

}  // namespace
}  // namespace appkit_test
