// The wait for a window's trip to or from the Dock, and the survey of the display a
// transition plays on.

#include <functional>
#include <string>

#include "driver_test_support.h"
#include "platform/appkit/window.h"
#include "transitions/driver/renderer_warm_up.h"

namespace driver_test {
namespace {

// When the wait for the window's trip returns, on the loop's clock.
double waitEnds(MainLoop& loop, uint32_t window, DockTripDirection way, Speed speed) {
    const double start = loop.now();
    auto ended = std::make_shared<double>(-1);
    platform::spawnMain([ended, window, way, speed]() -> platform::Task<void> {
        auto wait = StandInTransition::dockIsDone(window, way, speed);
        co_await wait;
        *ended = MainLoop::main().now();
    });
    while (*ended < 0 && loop.now() - start < 20) loop.advance(0.005);
    return *ended - start;
}

TEST_F(DriverTest, TheDockPartEndsWithTheTripOrAtItsLimit) {
    struct Case {
        std::string what;
        std::function<void(desktop::Window&)> before;
        DockTripDirection way;
        Speed speed;
        double ends;
    };
    const auto in = DockTripDirection::miniaturizing, out = DockTripDirection::deminiaturizing;
    const Case cases[] = {
        {"into the Dock", [](desktop::Window& w) { w.minimize(); }, in, Speed::normal, 0.5},
        {"out of the Dock", [](desktop::Window& w) { w.minimize(), MainLoop::main().advance(1), w.deminimize(); }, out,
         Speed::normal, 0.5},
        {"a window that stays", [](desktop::Window&) {}, in, Speed::normal, 1.5},
        {"a window that stays, slowly", [](desktop::Window&) {}, in, Speed::slowMotion, 15},
        {"a window that never comes back", [](desktop::Window& w) { w.minimize(), MainLoop::main().advance(1); }, out,
         Speed::normal, 1.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        desktop::Window& window = editorWindow();
        c.before(window);
        EXPECT_NEAR(waitEnds(loop, window.number(), c.way, c.speed), c.ends, 0.03);
    }
    world.dockTrips().setDuration(0.5);
    auto own = std::make_shared<platform::Window>(Rect{20, 20, 100, 80},
                                                  platform::titledWindowMask | platform::miniaturizableWindowMask);
    own->orderFront();
    own->miniaturize();
    EXPECT_NEAR(waitEnds(loop, own->windowNumber(), in, Speed::normal), 0.5, 0.03);
}

// The program's own windows keep the same limits: slow motion gives a long trip time to
// end, and a window that never travels is waited for no longer than the limit.
TEST_F(DriverTest, TheDockPartOfAnOwnWindowEndsAtTheSameLimits) {
    const struct {
        const char* what;
        double trip;
        bool travels;
        Speed speed;
        double ends;
    } cases[] = {
        {"a long trip, slowly", 4, true, Speed::slowMotion, 4},
        {"a long trip", 4, true, Speed::normal, 1.5},
        {"no trip, slowly", 0.5, false, Speed::slowMotion, 15},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        world.dockTrips().setDuration(c.trip);
        auto own = std::make_shared<platform::Window>(Rect{20, 20, 100, 80},
                                                      platform::titledWindowMask | platform::miniaturizableWindowMask);
        own->orderFront();
        if (c.travels) own->miniaturize();
        EXPECT_NEAR(waitEnds(loop, own->windowNumber(), DockTripDirection::miniaturizing, c.speed), c.ends, 0.03);
        own->close();
    }
}

TEST_F(DriverTest, TheSurveyFindsTheWindowsDisplayAndTheOthersBelowTheirMenuBars) {
    EXPECT_EQ(StandInTransition::surveyDisplay({10, 10, 100, 100})->elsewhere.size(), 0u);
    const uint32_t right = world.displays().add({.frame = {320, 0, 200, 100}, .backingScaleFactor = 2});
    world.spaces().setDisplaysHaveSeparateSpaces(false);
    struct Case {
        Rect frame;
        uint32_t display;
    };
    const uint32_t main = world.displays().first()->number();
    // The display holding the frame's midpoint, else the one it overlaps most.
    for (const Case& c : {Case{{10, 10, 100, 100}, main}, Case{{330, 110, 50, 50}, right},
                          Case{{250, 120, 100, 40}, main}, Case{{290, 0, 120, 110}, main},
                          Case{{310, 10, 150, 150}, right}}) {
        SCOPED_TRACE(platform::describe(c.frame));
        const auto d = StandInTransition::surveyDisplay(c.frame);
        ASSERT_TRUE(d);
        EXPECT_EQ(d->number, c.display);
        EXPECT_EQ(d->screens.size(), 2u);
        EXPECT_EQ(d->scale, c.display == main ? 1 : 2);
        EXPECT_FALSE(d->hasSeparateSpaces);
        ASSERT_EQ(d->elsewhere.size(), 1u);
        // The other screen, without the menu bar its visible frame leaves out.
        EXPECT_EQ(d->elsewhere[0], c.display == main ? Rect(320, 125, 200, 75) : Rect(0, 25, 320, 175));
    }
    world.displays().set({});
    EXPECT_FALSE(StandInTransition::surveyDisplay({10, 10, 100, 100}));
}

TEST_F(DriverTest, TheOverlayCoversTheDisplayAndReachesTheStandInOnlyWhereSpacesAreShared) {
    const Rect screen{0, 0, 320, 200}, beside{320, 0, 200, 100};
    const TransitionDisplay shared{.frame = screen, .visible = {0, 25, 320, 105}, .screens = {screen, beside},
                                   .hasSeparateSpaces = false};
    TransitionDisplay separate = shared;
    separate.hasSeparateSpaces = true;
    struct Case {
        Rect standIn;
        const TransitionDisplay& display;
        std::optional<Rect> area;
    };
    const double nan = std::nan("");
    const Case cases[] = {
        {{200, 100, 60, 45}, separate, Rect{0, 25, 320, 175}},
        {{300, 60, 60, 45}, separate, Rect{0, 25, 320, 175}},   // cut at the display's edge
        {{300, 60, 60, 45}, shared, Rect{0, 25, 360, 175}},     // reaches onto the other screen
        {{600, 60, 60, 45}, shared, std::nullopt},              // on no screen
        {{400, 300, 60, 45}, separate, std::nullopt},           // off the display
        {{200, 100, 0, 45}, separate, std::nullopt},
        {{nan, 100, 60, 45}, separate, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(platform::describe(c.standIn));
        EXPECT_EQ(StandInTransition::overlayArea({.frame = c.standIn}, c.display), c.area);
    }
}

}  // namespace
}  // namespace driver_test

namespace driver_test {

TEST_F(DriverTest, WarmUpPreparesTheFramesOfTheMainDisplaysOverlay) {
    struct Case {
        const char* what;
        std::vector<desktop::DisplayDescription> displays;
        std::optional<std::pair<int, int>> pixels;
    };
    const Case cases[] = {
        {"one display", {{.frame = {0, 0, 320, 200}, .backingScaleFactor = 1}}, std::pair{320, 175}},
        {"twice the pixels", {{.frame = {0, 0, 320, 200}, .backingScaleFactor = 2}}, std::pair{640, 350}},
        {"the main one of two",
         {{.frame = {0, 0, 300, 180}, .backingScaleFactor = 1}, {.frame = {300, 0, 640, 400}, .backingScaleFactor = 2}},
         std::pair{300, 155}},
        {"no display", {}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        world.displays().set(c.displays);
        EXPECT_EQ(StandInTransition::mainOverlayPixels(), c.pixels);
    }
    // Warmed up, a transition finds its frame targets made and leaves them for the next.
    world.displays().set(cases[0].displays);
    ASSERT_TRUE(platform::runToCompletion(loop, StandInTransition::warmUpRenderer(), 1));
    EXPECT_EQ(renderer->frameTargets().freeOfSize(320, 175), 2u);
    desktop::Window& window = editorWindow();
    for (int round = 0; round < 2; ++round) {
        auto t = StandInTransition::create(setup(window));
        ASSERT_TRUE(t);
        EXPECT_EQ(renderer->frameTargets().freeOfSize(320, 175), 0u);
        t->start();
        play(0.1);
        t->finish(StandInTransition::Completion::cutShort);
        t.reset();
        loop.runUntilIdle();
        EXPECT_EQ(renderer->frameTargets().kept(), 2u);
    }
}

// The renderer follows the screens: each change prepares it for the main display as it is
// then, once no transition plays, and while it waits a later change takes its place.
TEST_F(DriverTest, TheWarmUpFollowsTheScreensBetweenTransitions) {
    const auto mainDisplay = [](double width, double height, double scale) {
        return std::vector<desktop::DisplayDescription>{
            {.frame = {0, 0, width, height}, .backingScaleFactor = scale, .name = "Main"}};
    };
    const auto freeTargets = [&](int width, int height) { return renderer->frameTargets().freeOfSize(width, height); };
    RendererWarmUp warmUp;
    loop.runUntilIdle();
    EXPECT_EQ(freeTargets(320, 175), 2u);
    const int started = warmUp.started();  // the fixture's own display change may count

    world.displays().set(mainDisplay(400, 240, 1));
    loop.runUntilIdle();
    EXPECT_EQ(warmUp.started(), started + 1);
    EXPECT_EQ(freeTargets(400, 215), 2u);

    desktop::Window& window = editorWindow();
    auto t = StandInTransition::create(setup(window));
    ASSERT_TRUE(t);
    t->start();
    world.displays().set(mainDisplay(300, 200, 1));
    world.displays().set(mainDisplay(300, 200, 2));
    play(0.05);
    EXPECT_EQ(warmUp.started(), started + 3);
    EXPECT_EQ(freeTargets(300, 175) + freeTargets(600, 350), 0u);  // waiting for the transition
    EXPECT_GT(t->framesRendered(), 1);
    t->finish(StandInTransition::Completion::cutShort);
    t.reset();
    loop.runUntilIdle();
    EXPECT_EQ(freeTargets(300, 175), 0u);  // given way to the later change
    EXPECT_EQ(freeTargets(600, 350), 2u);
}

}  // namespace driver_test
