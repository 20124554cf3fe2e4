#include "appkit_support.h"

namespace appkit_test {
namespace {

using AnimationTest = AppKitTest;

TEST(Timing, CurvesRunFromZeroToOneAndEaseAsNamed) {
    for (auto t : {TimingFunction::linear, TimingFunction::easeIn, TimingFunction::easeOut,
                   TimingFunction::easeInEaseOut, TimingFunction::standard}) {
        EXPECT_EQ(evaluateTiming(t, 0), 0);
        EXPECT_EQ(evaluateTiming(t, 1), 1);
        EXPECT_EQ(evaluateTiming(t, -3), 0);
        EXPECT_EQ(evaluateTiming(t, 7), 1);
        EXPECT_EQ(evaluateTiming(t, std::nan("")), 0);
        double last = 0;
        for (int i = 1; i <= 20; ++i) {
            const double v = evaluateTiming(t, i / 20.0);
            EXPECT_GE(v, last);
            last = v;
        }
    }
    EXPECT_NEAR(evaluateTiming(TimingFunction::easeInEaseOut, 0.5), 0.5, 1e-9);
    EXPECT_LT(evaluateTiming(TimingFunction::easeIn, 0.25), 0.25);
    EXPECT_GT(evaluateTiming(TimingFunction::easeOut, 0.25), 0.25);
    EXPECT_NEAR(evaluateTiming(TimingFunction::easeInEaseOut, 0.25), 0.129, 0.002);
}

TEST_F(AnimationTest, AFrameMovesOnTheVirtualClockAndEndsExactlyOnTarget) {
    auto panel = probePanel({100, 100, 200, 100});
    Recorder moves({notifications::kWindowDidMove, notifications::kWindowDidResize});
    bool done = false;
    panel->animateFrame(appKit({300, 200, 100, 50}), 0.3, TimingFunction::linear, [&] { done = true; });
    EXPECT_TRUE(panel->isAnimatingFrame());
    EXPECT_TRUE(app.hasRunningAnimations());
    loop.runUntilIdle();
    EXPECT_EQ(panel->topLeftFrame(), (Rect{100, 100, 200, 100}));  // time stands still
    loop.advance(0.15);
    EXPECT_NEAR(panel->topLeftFrame().minX(), 200, 4);
    EXPECT_FALSE(done);
    loop.advance(0.2);
    EXPECT_EQ(panel->topLeftFrame(), (Rect{300, 200, 100, 50}));
    EXPECT_FALSE(panel->isAnimatingFrame());
    EXPECT_FALSE(app.hasRunningAnimations());
    loop.runUntilIdle();
    EXPECT_TRUE(done);
    EXPECT_GT(moves.count(notifications::kWindowDidMove), 5);
    // The content view follows every step.
    EXPECT_EQ(panel->contentView()->frame(), (Rect{0, 0, 100, 50}));
}

TEST_F(AnimationTest, ANewChangeCancelsTheRunningOneWhoseCompletionStillRuns) {
    auto panel = probePanel({100, 100, 200, 100});
    std::vector<std::string> completions;
    panel->animateFrame(appKit({500, 100, 200, 100}), 1, TimingFunction::linear, [&] { completions.push_back("first"); });
    loop.advance(0.5);
    panel->animateFrame(appKit({100, 400, 200, 100}), 0.5, TimingFunction::linear,
                        [&] { completions.push_back("second"); });
    loop.runUntilIdle();
    EXPECT_EQ(completions, (std::vector<std::string>{"first"}));
    // The new move starts where the old one stood (within a step of 1/60 s).
    loop.advance(0.25);
    EXPECT_NEAR(panel->topLeftFrame().minX(), 200, 7);
    EXPECT_NEAR(panel->topLeftFrame().minY(), 250, 11);
    loop.advance(0.3);
    loop.runUntilIdle();
    EXPECT_EQ(completions, (std::vector<std::string>{"first", "second"}));

    // A plain frame change cancels too.
    panel->animateFrame(appKit({0, 0, 10, 10}), 1, TimingFunction::linear, [&] { completions.push_back("third"); });
    panel->setFrame(appKit({50, 60, 70, 80}));
    loop.advance(2);
    EXPECT_EQ(panel->topLeftFrame(), (Rect{50, 60, 70, 80}));
    EXPECT_EQ(completions.back(), "third");
}

TEST_F(AnimationTest, AGroupCompletesOnceEveryAnimationInItHasEnded) {
    auto a = probePanel({0, 100, 50, 50});
    auto b = probePanel({0, 200, 50, 50});
    int completions = 0;
    AnimationContext::runAnimationGroup(
        [&](AnimationContext& c) {
            EXPECT_EQ(AnimationContext::current(), &c);
            c.setDuration(0.2);
            a->animator().setFrameOrigin(appKit({300, 100, 50, 50}).origin);
            c.setDuration(0.4);
            b->animator().setAlphaValue(0.2);
        },
        [&] { ++completions; });
    EXPECT_EQ(AnimationContext::current(), nullptr);
    loop.advance(0.3);
    EXPECT_EQ(a->topLeftFrame().origin, (Point{300, 100}));
    EXPECT_EQ(completions, 0);
    EXPECT_GT(b->alphaValue(), 0.2);
    loop.advance(0.2);
    EXPECT_DOUBLE_EQ(b->alphaValue(), 0.2);
    EXPECT_EQ(world.window(b->windowNumber())->alpha(), 0.2);
    EXPECT_EQ(completions, 1);

    // A group that animates nothing, or only with a duration of 0, completes on the next turn.
    AnimationContext::runAnimationGroup([](AnimationContext&) {}, [&] { ++completions; });
    AnimationContext::runAnimationGroup(
        [&](AnimationContext& c) {
            c.setDuration(0);
            a->animator().setFrame(appKit({1, 2, 3, 4}));
        },
        [&] { ++completions; });
    EXPECT_EQ(a->topLeftFrame(), (Rect{1, 2, 3, 4}));
    EXPECT_EQ(completions, 1);
    loop.runUntilIdle();
    EXPECT_EQ(completions, 3);
    // Outside a group the animator takes the standard quarter second.
    a->animator().setAlphaValue(0);
    loop.advance(0.2);
    EXPECT_GT(a->alphaValue(), 0);
    loop.advance(0.1);
    EXPECT_EQ(a->alphaValue(), 0);
}

TEST_F(AnimationTest, AWindowThatGoesAwayEndsItsAnimations) {
    int completions = 0;
    {
        auto panel = probePanel({0, 100, 50, 50});
        panel->animateFrame(appKit({300, 100, 50, 50}), 1, TimingFunction::linear, [&] { ++completions; });
        loop.advance(0.2);
    }
    loop.advance(1);
    EXPECT_EQ(completions, 1);
    EXPECT_FALSE(app.hasRunningAnimations());
    auto panel = probePanel({0, 100, 50, 50});
    panel->animateFrame(appKit({300, 100, 50, 50}), std::nan(""), TimingFunction::linear);
    EXPECT_EQ(panel->topLeftFrame().origin, (Point{300, 100}));
}

}  // namespace
}  // namespace appkit_test
