// What goes wrong around a transition: it is made without what it needs, draws less, or
// ends by another road, but never crashes and never stays running.

#include <cmath>
#include <functional>
#include <string>

#include "driver_test_support.h"
#include "transitions/driver/dock_wait.h"

namespace driver_test {
namespace {

using platform::gpu::Resource;

// Every look at the window server for the Dock's part takes this long.
void dockQueueCost(double seconds) { dockQueue().setJobCost(seconds); }

TEST_F(DriverTest, NoTransitionIsMadeWithoutWhatItNeeds) {
    struct Case {
        std::string what;
        std::function<void(StandInTransition::Setup&, DriverTest&)> spoil;
    };
    const double nan = std::nan("");
    const Case cases[] = {
        {"no renderer", [](auto&, DriverTest&) { furlpane::testing::replaceSharedRenderer(nullptr); }},
        {"no display", [](auto& s, DriverTest&) { s.display.reset(); }},
        {"no window picture", [](auto& s, DriverTest&) { s.makings.picture.texture.reset(); }},
        {"a frame not a number", [nan](auto& s, DriverTest&) { s.frame.origin.x = nan; }},
        {"a stand-in off the display", [](auto& s, DriverTest&) { s.standIn.frame = {900, 900, 10, 10}; }},
        {"a target too large", [](auto& s, DriverTest&) { s.display->scale = 100; }},
        {"a texture that fails", [](auto&, DriverTest& d) { d.renderer->device()->failNext(Resource::texture); }},
    };
    desktop::Window& window = editorWindow();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto s = setup(window);
        c.spoil(s, *this);
        EXPECT_FALSE(StandInTransition::create(std::move(s)));
        EXPECT_TRUE(StandInTransition::running().empty());
        furlpane::testing::replaceSharedRenderer(renderer);
    }
    // Values that make no sense are taken as the defaults they stand in for.
    auto s = setup(window);
    s.titleBarHeight = nan;
    s.dockTimeLimit = nan;
    s.standIn.opacity = nan;
    auto t = StandInTransition::create(std::move(s));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->dockLimit(), kDockTripLimit);
    EXPECT_EQ(t->scene()->uniforms.titleBarHeight, 0);
    EXPECT_EQ(t->scene()->uniforms.opacity, 1);
}

// Every fault leaves the transition to end on time, its waiters run once.
TEST_F(DriverTest, FaultsUnderARunningTransitionEndItOnTime) {
    struct Case {
        std::string what;
        std::function<void(StandInTransition&, DriverTest&)> fault;
        bool draws;  // frames keep coming after the fault
    };
    const Case cases[] = {
        {"frames that fail", [](auto&, DriverTest& d) { d.renderer->device()->failNext(Resource::commandBuffer, 10); },
         true},
        {"a display removed", [](auto&, DriverTest& d) { d.world.displays().set({{.frame = {0, 0, 320, 200}, .backingScaleFactor = 1}}); },
         true},
        {"the overlay closed", [](StandInTransition& t, DriverTest&) { t.overlay()->close(); }, true},
        {"a Dock look that hangs", [](auto&, DriverTest&) { dockQueueCost(5); }, true},
        {"a fresh picture that fails",
         [](StandInTransition& t, DriverTest& d) {
             d.world.faults().on(desktop::FaultCall::hardwareCapture).fail();
             t.refreshPicture(t.windowNumber());
         },
         true},
        {"a fresh picture that comes too late",
         [](StandInTransition& t, DriverTest& d) {
             d.world.pictures().setCaptureCost(1.5);
             t.refreshPicture(t.windowNumber());
         },
         true},
    };
    desktop::Window& window = editorWindow();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto t = StandInTransition::create(setup(window, Direction::restoring));
        ASSERT_TRUE(t);
        int waited = 0, completed = 0;
        StandInTransition::addIdleWaiter([&] { ++waited; });
        t->start();
        play(0.1);
        c.fault(*t, *this);
        const int before = t->framesRendered();
        t->beginEnding({}, [&] { ++completed; });
        play(0.1);
        EXPECT_EQ(t->framesRendered() > before, c.draws);
        loop.advance(2);
        EXPECT_TRUE(t->isOver());
        EXPECT_TRUE(StandInTransition::running().empty());
        EXPECT_EQ(waited, 1);
        EXPECT_EQ(completed, 1);
        world.faults().clear();
        world.pictures().setCaptureCost(0);
        dockQueueCost(0);
    }
}

}  // namespace
}  // namespace driver_test
