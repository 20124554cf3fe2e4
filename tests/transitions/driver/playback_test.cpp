// A transition played on the simulated clock from its making to its end.

#include <algorithm>
#include <string>
#include <vector>

#include "platform/appkit/desktop_picture.h"

#include "driver_test_support.h"

namespace driver_test {
namespace {

// The progress of every frame drawn while the transition plays.
std::vector<float> progressOfFrames(MainLoop& loop, const StandInTransition& t, double seconds) {
    std::vector<float> seen;
    int drawn = t.framesRendered();
    for (double s = 0; s < seconds; s += kFrame) {
        loop.advance(kFrame);
        if (t.scene() && t.framesRendered() != drawn) seen.push_back(t.scene()->uniforms.progress);
        drawn = t.framesRendered();
    }
    return seen;
}

TEST_F(DriverTest, FramesFollowTheDisplayRateAndTurnRoundWhenRestoring) {
    struct Case {
        Direction direction;
        Speed speed;
        double refresh;
        double seconds;  // how long the frames take
        float first, last;
    };
    const Case cases[] = {
        {Direction::minimizing, Speed::normal, 120, 0.3, 0, 1},
        {Direction::restoring, Speed::normal, 120, 0.3, 1, 0},
        {Direction::minimizing, Speed::normal, 60, 0.3, 0, 1},
        {Direction::minimizing, Speed::slowMotion, 20, 3.0, 0, 1},
    };
    desktop::Window& window = editorWindow();
    for (const Case& c : cases) {
        world.displays().setRefreshRate(world.displays().first()->number(), c.refresh);
        auto s = setup(window, c.direction);
        s.speed = c.speed;
        auto t = StandInTransition::create(std::move(s));
        ASSERT_TRUE(t);
        t->start();
        const auto seen = progressOfFrames(loop, *t, c.seconds + 0.1);
        SCOPED_TRACE(c.refresh);
        EXPECT_NEAR(double(seen.size()), c.seconds * c.refresh, 1.5);
        EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()) || std::is_sorted(seen.rbegin(), seen.rend()));
        EXPECT_NEAR(seen.front(), c.first, 2.0 / (c.seconds * c.refresh));
        EXPECT_EQ(seen.back(), c.last);
        EXPECT_TRUE(t->framesAreDone());
        t->finish(StandInTransition::Completion::cutShort);
    }
}

// The uniforms in the overlay's points (the overlay starts below the menu bar), with the
// strip's share of the window and the grid fixed for the whole transition.
TEST_F(DriverTest, UniformsPlaceTheWindowAndItsTitleStripInTheOverlay) {
    desktop::Window& window = editorWindow();
    auto first = StandInTransition::create(setup(window, Direction::minimizing, Effect::blinds,
                                                 titleStrip({40, 40, 120, 28})));
    auto second = StandInTransition::create(setup(window));
    const TransitionUniforms& u = first->scene()->uniforms;
    EXPECT_EQ(first->area(), Rect(0, 25, 320, 175));
    EXPECT_EQ(u.window, (platform::simd::float4{40, 15, 120, 90}));
    EXPECT_EQ(u.standIn, (platform::simd::float4{40, 15, 120, 28}));
    EXPECT_FLOAT_EQ(u.standInCrop, 28.0f / 90);
    EXPECT_EQ(u.grid, effectGrid(Effect::blinds, 120, gridHeight(Effect::blinds, 90, StandInKind::titleStrip, 28)));
    EXPECT_EQ(second->scene()->uniforms.standInCrop, 1);
    EXPECT_NE(u.seed, second->scene()->uniforms.seed);
    first->start();
    play(0.2);
    EXPECT_EQ(first->scene()->uniforms.grid, u.grid);
}

// Into the Dock: the window really travels, and the transition waits for it before it
// hands over; the hand-off, the finish and the completion come once each, in order.
TEST_F(DriverTest, ConcludesOnceFramesAndTheDockTripAreOverHandingOffBeforeTheCompletion) {
    world.dockTrips().setDuration(0.8);
    desktop::Window& window = editorWindow();
    auto t = StandInTransition::create(setup(window));
    ASSERT_TRUE(t);
    std::vector<std::string> order;
    const auto overlay = t->overlay();
    window.minimize();
    t->start();
    t->beginEnding([&] { order.push_back(overlay->isVisible() ? "hand-off over the overlay" : "hand-off late"); },
                   [&] { order.push_back(StandInTransition::running().empty() ? "completion" : "completion early"); });
    play(0.5);
    EXPECT_TRUE(t->framesAreDone());
    EXPECT_FALSE(t->dockIsDone());  // the window is still on its way
    EXPECT_TRUE(order.empty());
    play(0.4);
    EXPECT_TRUE(t->dockIsDone());
    EXPECT_EQ(order, (std::vector<std::string>{"hand-off over the overlay", "completion"}));
    EXPECT_TRUE(t->isOver());
    EXPECT_FALSE(overlay->isVisible());
    t->conclude();
    t->beginEnding([&] { order.push_back("again"); }, nullptr);
    EXPECT_EQ(order.size(), 2u);
}

// Nobody ends a transition whose window never came back: it ends by itself, rather than
// keep its overlay over the screen.
TEST_F(DriverTest, ATransitionNobodyEndsEndsByItselfAfterItsFramesAndDockPart) {
    desktop::Window& window = editorWindow();
    auto t = StandInTransition::create(setup(window));
    t->start();
    play(1.6);  // the window never leaves the screen: the Dock part ends at its limit
    EXPECT_TRUE(t->framesAreDone() && t->dockIsDone());
    EXPECT_FALSE(t->isOver());
    play(1.0);
    EXPECT_TRUE(t->isOver());
    EXPECT_TRUE(StandInTransition::running().empty());
}

// A picture of the desktop taken halfway shows the effect over the windows as they were,
// the window itself gone from its place; afterwards nothing of the transition is left.
TEST_F(DriverTest, TheDesktopPictureShowsTheEffectOverTheRealWindowsHalfway) {
    desktop::Window& other = *world.application("com.example.Other").window({.title = "Other", .frame = Rect{180, 30, 130, 60}}).add().windows()[0];
    desktop::Window& window = editorWindow();
    auto s = setup(window);
    s.makings.picture = *makePicture(*renderer, solid(120, 90, Color::rgb(1, 0, 1)), std::nullopt, std::nullopt);
    const auto display = *s.display;
    s.makings.backdrop = StandInTransition::backdropPicture({belowMenuBar(display.frame, display.visible)}, {window.number()})[0];
    // Other applications' windows as the window server pictures them.
    platform::DesktopPictureOptions look;
    look.windowPicture = [this](const desktop::Window& w, double scale) {
        return world.pictures().windowPicture(w, scale, desktop::PictureFraming::plain);
    };
    const auto before = platform::renderDesktop(look);
    auto t = StandInTransition::create(std::move(s));
    window.minimize();
    t->start();
    // Magenta: the window's picture, and nothing else on this desktop.
    const auto isMagenta = [](uint32_t w) { return ((w >> 16) & 0xFF) > 200 && ((w >> 8) & 0xFF) < 40 && (w & 0xFF) > 200; };
    for (int i = 1; i <= 6; ++i) {
        play(0.05);
        const auto shot = platform::renderDesktop(look);
        furlpane::testing::keepFrame({shot->width(), shot->height(), {shot->bytes().begin(), shot->bytes().end()}},
                                     "driver_scale_" + std::to_string(i));
        if (i != 3) continue;
        EXPECT_GT(std::count_if(shot->words().begin(), shot->words().end(), isMagenta), 500);
        const int x = 300, y = 75;  // inside the other window, far from the effect's way
        EXPECT_EQ(shot->words()[size_t(y * shot->width() + x)], before->words()[size_t(y * before->width() + x)]);
        EXPECT_TRUE(other.isOnScreen());
    }
    finishAll();
    play(0.3);  // the window arrives in the Dock
    const auto after = platform::renderDesktop(look);
    EXPECT_EQ(std::count_if(after->words().begin(), after->words().end(), isMagenta), 0);
}

// Restoring, the returning window's newer picture fades into the frames.
TEST_F(DriverTest, AFreshPictureOfTheReturningWindowFadesIn) {
    desktop::Window& window = editorWindow();
    auto t = StandInTransition::create(setup(window, Direction::restoring));
    t->start();
    t->refreshPicture(window.number());
    play(0.05);
    ASSERT_TRUE(t->scene()->fresh);
    const float early = t->scene()->uniforms.freshness;
    play(0.2);
    EXPECT_LT(early, 1.0f);
    EXPECT_EQ(t->scene()->uniforms.freshness, 1.0f);
}

}  // namespace
}  // namespace driver_test
