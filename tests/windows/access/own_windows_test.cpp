// The program's own windows: eligibility, miniaturizing, placing, hit testing and the
// wait for a trip into or out of the Dock.

#include "windows/access/own_windows.h"

#include "access_test_support.h"
#include "platform/appkit/application.h"
#include "platform/appkit/view.h"
#include "platform/notifications/notification_center.h"

namespace access_test {
namespace {

using platform::NotificationCenter;

class OwnWindows : public AccessTest {
protected:
    size_t observers() const { return NotificationCenter::defaultCenter().observerCount(); }
    platform::Application& app = platform::Application::shared();
};

TEST_F(OwnWindows, OnlyTitledStandardWindowsAndDialogsWithoutSheetsOrModalityAreEligible) {
    auto window = ownWindow({100, 100, 400, 300});
    EXPECT_TRUE(isEligibleOwnWindow(*window));
    window->setAccessibilitySubrole("AXDialog");
    EXPECT_TRUE(isEligibleOwnWindow(*window));
    window->setAccessibilitySubrole("AXFloatingWindow");
    EXPECT_FALSE(isEligibleOwnWindow(*window));
    window->setAccessibilitySubrole(std::nullopt);

    auto panel = ownWindow<platform::Panel>({600, 100, 200, 200}, platform::titledWindowMask);
    panel->setAccessibilitySubrole("AXStandardWindow");
    EXPECT_FALSE(isEligibleOwnWindow(*panel));
    EXPECT_FALSE(isEligibleOwnWindow(*ownWindow({100, 500, 100, 100}, platform::borderlessWindowMask)));

    app.beginModalSession(*window);
    EXPECT_FALSE(isEligibleOwnWindow(*window));
    app.endModalSession(*window);
    auto sheet = std::make_shared<platform::Window>(Rect{0, 0, 300, 100}, platform::titledWindowMask);
    window->beginSheet(sheet);
    EXPECT_FALSE(isEligibleOwnWindow(*window));
    EXPECT_FALSE(isEligibleOwnWindow(*sheet));
    window->endSheet(*sheet);
    loop.runUntilIdle();
    EXPECT_TRUE(isEligibleOwnWindow(*window));
    window->toggleFullScreen();
    loop.runUntilIdle();
    EXPECT_FALSE(isEligibleOwnWindow(*window));
}

TEST_F(OwnWindows, TheWorkAfterADockTripRunsOneTurnAfterTheNotificationAndOnlyOnce) {
    world.dockTrips().setDuration(0.3);
    auto window = ownWindow({100, 100, 400, 300});
    const size_t observersBefore = observers();
    int runs = 0;
    window->miniaturize();
    afterDockTrip(*window, DockTripDirection::miniaturizing, [&] { ++runs; });
    // Another observer of the same notification, told after ours, sees the work not yet run.
    std::optional<int> runsAtNotification;
    auto token = NotificationCenter::defaultCenter().addObserver(
        platform::notifications::kWindowDidMiniaturize, window->notificationObject(),
        [&](const auto&) { runsAtNotification = runs; });
    loop.advance(0.29);
    EXPECT_EQ(runs, 0);
    loop.advance(0.02);
    EXPECT_EQ(runsAtNotification, 0);
    EXPECT_EQ(runs, 1);
    NotificationCenter::defaultCenter().removeObserver(token);
    EXPECT_EQ(observers(), observersBefore);
    loop.advance(2);
    EXPECT_EQ(runs, 1);
}

TEST_F(OwnWindows, WithoutTheNotificationTheWorkRunsAfterOneAndAHalfSeconds) {
    world.dockTrips().setOwnWindowNotifications(platform::desktop::TripNotifications::never);
    auto window = ownWindow({100, 100, 400, 300});
    const size_t observersBefore = observers();
    int runs = 0;
    window->miniaturize();
    afterDockTrip(*window, DockTripDirection::miniaturizing, [&] { ++runs; });
    // The other direction's notification, or another window's, is not this trip's end.
    afterDockTrip(*window, DockTripDirection::deminiaturizing, [] {});
    loop.advance(1.49);
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(observers(), observersBefore + 2);
    loop.advance(0.01);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(observers(), observersBefore);
}

TEST_F(OwnWindows, AWindowWithoutTheMiniaturizableStyleTravelsWithItAndLosesItOnArrival) {
    auto window = ownWindow({100, 100, 400, 300}, platform::titledWindowMask | platform::closableWindowMask);
    EXPECT_TRUE(miniaturizeOwnWindow(*window));
    EXPECT_TRUE(window->isMiniaturized());
    EXPECT_TRUE(window->hasStyle(platform::miniaturizableWindowMask));
    loop.advance(0.5);  // the trip ends
    loop.runUntilIdle();
    EXPECT_EQ(window->styleMask(), platform::titledWindowMask | platform::closableWindowMask);
    // Already in the Dock, or not shown: nothing is done.
    EXPECT_FALSE(miniaturizeOwnWindow(*window));
    auto hidden = ownWindow({100, 100, 400, 300});
    hidden->orderOut();
    EXPECT_FALSE(miniaturizeOwnWindow(*hidden));
    EXPECT_FALSE(hidden->isMiniaturized());
}

TEST_F(OwnWindows, PlacingAndHitTestingGoThroughTopLeftPoints) {
    auto window = ownWindow({100, 100, 400, 300});
    window->setContentView(std::make_shared<platform::View>());
    setOwnWindowTopLeft(*window, {200, 150});
    EXPECT_EQ(window->topLeftFrame().origin, (Point{200, 150}));

    EXPECT_EQ(hitTestOwnWindow(*window, {300, 160}), (OwnWindowHit{"AXWindow", "AXStandardWindow"}));  // title bar
    const Rect close = window->standardWindowButton(platform::WindowButtonKind::close)->frame();
    // The button's frame is in the window's AppKit base coordinates, from its bottom-left.
    const Point onClose{200 + close.midX(), 150 + window->frame().height() - close.midY()};
    EXPECT_EQ(hitTestOwnWindow(*window, onClose), (OwnWindowHit{"AXButton", "AXCloseButton"}));
    // A view that answers no accessibility: a hit whose role and subrole are both missing.
    EXPECT_EQ(hitTestOwnWindow(*window, {300, 300}), (OwnWindowHit{std::nullopt, std::nullopt}));
    EXPECT_EQ(hitTestOwnWindow(*window, {50, 50}), std::nullopt);

    world.displays().set({});
    setOwnWindowTopLeft(*window, {20, 40});
    EXPECT_EQ(window->frame().maxY(), -40);  // without screens the height is 0
}

TEST_F(OwnWindows, BringingForwardActivatesTheProgramAndMakesTheWindowKey) {
    auto window = ownWindow({100, 100, 400, 300});
    auto other = ownWindow({200, 200, 400, 300});
    int completions = 0;
    bringOwnWindowForward(*window, [&] { ++completions; });
    EXPECT_EQ(completions, 1);
    loop.runUntilIdle();
    EXPECT_TRUE(app.isActive());
    EXPECT_TRUE(window->isKeyWindow());
    EXPECT_EQ(app.orderedWindows().front(), window);
    bringOwnWindowForward(*other);  // without a completion
    loop.runUntilIdle();
    EXPECT_TRUE(other->isKeyWindow());
}

}  // namespace
}  // namespace access_test
