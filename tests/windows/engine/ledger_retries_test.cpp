// The engine's passes over what earlier runs left changed: what a pass keeps because its
// application is busy or Accessibility is not granted comes back once that is over,
// without waiting for a change of Space; an application that never answers is given
// up on after a few tries, and a later pass of its own still finds it.

#include <gtest/gtest.h>

#include "recovery_test_support.h"

namespace engine_test {
namespace {

Dictionary owner(const std::string& key, Array list) { return Dictionary{{key, Value(std::move(list))}}; }

// Both windows of the application left in the Dock by a run that ended.
void leaveBothInDock(Scene& scene) {
    scene.inDock(scene.window(0));
    scene.inDock(scene.window(1));
    scene.store(owner("999", {minimizedEntry(scene.window(0)), minimizedEntry(scene.window(1))}));
}

// The moment the condition first holds, looked at every 50 ms for at most `limit` seconds.
std::optional<double> whenHolds(Scene& scene, double limit, const std::function<bool()>& holds) {
    const double start = scene.loop.now();
    while (scene.loop.now() - start <= limit) {
        if (holds()) return scene.loop.now() - start;
        scene.loop.advance(0.05);
    }
    return std::nullopt;
}

TEST(LedgerRetries, ABusyApplicationsWindowsComeBackOnceItAnswers) {
    for (const double silence : {2.0, 3.0, 12.0}) {
        SCOPED_TRACE(silence);
        Scene scene(2);
        leaveBothInDock(scene);
        scene.editor.stopAnswering(silence);

        scene.engine->recoverLedger(Waiting::yes);
        EXPECT_TRUE(scene.window(0).isMinimized());
        const auto back = whenHolds(scene, silence + 5, [&scene] {
            return !scene.window(0).isMinimized() && !scene.window(1).isMinimized();
        });

        ASSERT_TRUE(back.has_value());
        // The second comes out once the first stands in place and the application answers.
        EXPECT_LE(*back, silence + desktop::DockTrips::kDefaultDuration + 1.0);
        scene.settle();
        EXPECT_EQ(scene.stored(), Dictionary{});
    }
}

// Retries are bounded: the application is no longer asked after them, and a pass of its
// own (a change of Space, a launch) finds it again.
TEST(LedgerRetries, AnApplicationThatNeverAnswersIsLeftToTheNextPass) {
    Scene scene(2);
    leaveBothInDock(scene);
    scene.editor.stopAnswering();

    scene.engine->recoverLedger(Waiting::yes);
    const double limit = (WindowEffects::kLedgerRetries + 1) * (WindowEffects::kLedgerRetryWait + 1);
    scene.settle(limit);
    const auto requests = scene.world.accessibilityRequestCount();
    scene.settle(60);
    EXPECT_EQ(scene.world.accessibilityRequestCount(), requests);
    EXPECT_TRUE(scene.window(0).isMinimized());

    scene.editor.answerAgain();
    scene.engine->recoverLedger(Waiting::no);
    scene.settle();
    EXPECT_FALSE(scene.window(0).isMinimized());
    EXPECT_FALSE(scene.window(1).isMinimized());
    EXPECT_EQ(scene.stored(), Dictionary{});
}

TEST(LedgerRetries, WindowsComeBackOnceAccessibilityIsGranted) {
    Scene scene(2);
    leaveBothInDock(scene);
    scene.world.setAccessibilityTrusted(false);

    scene.engine->recoverLedger(Waiting::yes);
    scene.settle(10);
    EXPECT_TRUE(scene.window(0).isMinimized());

    scene.world.setAccessibilityTrusted(true);
    const auto back = whenHolds(scene, 5, [&scene] { return !scene.window(1).isMinimized(); });
    ASSERT_TRUE(back.has_value());
    EXPECT_LE(*back, WindowEffects::kGrantPoll + desktop::DockTrips::kDefaultDuration + 1.0);
    scene.settle();
    EXPECT_EQ(scene.stored(), Dictionary{});
}

}  // namespace
}  // namespace engine_test
