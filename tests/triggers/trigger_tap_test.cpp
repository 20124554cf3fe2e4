// The event tap itself: installed while the program is on and trusted, the grant poll,
// the master switch followed through observation, the tap switched off by the system
// and on again, routing that never swallows what is no trigger, and the order in which
// triggers reach the engine's chain.

#include <gtest/gtest.h>

#include "platform/desktop/faults.h"
#include "platform/events/event_tap.h"
#include "platform/runtime/task.h"
#include "tap_test_support.h"

namespace triggers_test {
namespace {

using platform::desktop::FaultCall;

// What the engine does with a trigger plays no part here.
class TriggerTapTest : public TapTest {
protected:
    TriggerTapTest() { setTrigger(Trigger::titleBarDoubleClick, WindowAction::doNothing); }
};

TEST_F(TriggerTapTest, InstallsOneActiveSessionTapAtTheHeadThatKeepsAnsweringDuringDockTrips) {
    install();
    const auto& made = *tap->tap();
    EXPECT_EQ(made.location(), platform::EventTapLocation::session);
    EXPECT_EQ(made.placement(), platform::EventTapPlacement::headInsert);
    EXPECT_EQ(made.options(), platform::EventTapOptions::defaultTap);
    EXPECT_EQ(made.mask(), 0x2001C0Eu);
    EXPECT_TRUE(made.isEnabled());
    EXPECT_FALSE(tap->isPollingForGrant());
    // While the program waits in the private mode on a window's trip, double-clicks are
    // still recognised.
    const auto& w = window();
    const auto ids = platform::injectEvents(platform::input_sequences::doubleClick(titleBarOf(w)));
    const auto& router = platform::EventRouter::of(world);
    loop.runInMode(platform::modes::kDockMessage, 1.0, [&] { return router.pendingCount() == 0; });
    EXPECT_EQ(router.find(ids[2])->fate, kSwallowed);
    // Another update with the tap there changes nothing.
    const auto before = tap->tap();
    tap->update();
    EXPECT_EQ(tap->tap(), before);
}

TEST_F(TriggerTapTest, WithoutTheGrantItPollsEveryTwoSecondsUntilATapIsMade) {
    world.setAccessibilityTrusted(false);
    tap->update();
    EXPECT_FALSE(tap->isInstalled());
    EXPECT_TRUE(tap->isPollingForGrant());
    loop.advance(2.1);
    EXPECT_FALSE(tap->isInstalled());
    // Granted: the next tick makes the tap and the poll ends.
    world.setAccessibilityTrusted(true);
    loop.advance(2.0);
    EXPECT_TRUE(tap->isInstalled());
    EXPECT_FALSE(tap->isPollingForGrant());
    // A tap that cannot be made, though trusted, is retried the same way.
    tap->stop();
    world.faults().on(FaultCall::createEventTap).times(1).fail();
    tap->update();
    EXPECT_FALSE(tap->isInstalled());
    loop.advance(2.0);
    EXPECT_TRUE(tap->isInstalled());
}

TEST_F(TriggerTapTest, FollowsTheMasterSwitchInBothDirections) {
    const auto& w = window();
    tap->observePreferences();
    install();
    preferences->setIsEnabled(false);
    loop.runUntilIdle();
    EXPECT_FALSE(tap->isInstalled());
    EXPECT_FALSE(tap->isPollingForGrant());
    // Off, no tap sees anything.
    EXPECT_EQ(doubleClick(titleBarOf(w)), std::vector<EventFate>(4, kDelivered));
    EXPECT_TRUE(platform::EventRouter::of(world).injected().back().taps.empty());
    preferences->setIsEnabled(true);
    loop.runUntilIdle();
    EXPECT_TRUE(tap->isInstalled());
    // Off while waiting for the grant ends the poll; on again with the grant installs
    // at once, without a poll.
    world.setAccessibilityTrusted(false);
    tap->stop();
    tap->update();
    ASSERT_TRUE(tap->isPollingForGrant());
    preferences->setIsEnabled(false);
    loop.runUntilIdle();
    EXPECT_FALSE(tap->isPollingForGrant());
    world.setAccessibilityTrusted(true);
    preferences->setIsEnabled(true);
    loop.runUntilIdle();
    EXPECT_TRUE(tap->isInstalled());
    EXPECT_FALSE(tap->isPollingForGrant());
}

TEST_F(TriggerTapTest, ATapSwitchedOffByTheSystemIsSwitchedOnAgainAtOnce) {
    const auto& w = window();
    install();
    // By the user's input.
    platform::EventRouter::of(world).disableByUserInput(*tap->tap());
    loop.runUntilIdle();
    EXPECT_TRUE(tap->tap()->isEnabled());
    EXPECT_EQ(doubleClick(titleBarOf(w))[2], kSwallowed);
    // By a time-out: an application that does not answer holds the callback for the
    // messaging timeout, longer than the window server waits.
    platform::EventRouter::of(world).setTapTimeout(0.1);
    w.owner().stopAnswering(5);
    const auto slow = doubleClick(titleBarOf(w));
    EXPECT_EQ(slow[2], kDelivered);
    ASSERT_FALSE(platform::EventRouter::of(world).notices().empty());
    EXPECT_EQ(platform::EventRouter::of(world).notices().back().type, EventType::tapDisabledByTimeout);
    EXPECT_TRUE(tap->tap()->isEnabled());
    w.owner().answerAgain();
    EXPECT_EQ(doubleClick(titleBarOf(w))[2], kSwallowed);
}

TEST_F(TriggerTapTest, EventsThatAreNoTriggerPassUntouchedWithoutAnAccessibilityRequest) {
    const auto& w = window();
    install();
    const uint64_t before = requests();
    const std::vector<EventRecord> events = {
        EventRecord::mouse(EventType::leftMouseDown, contentOf(w)),
        EventRecord::mouse(EventType::leftMouseUp, contentOf(w)),
        EventRecord::mouse(EventType::rightMouseDown, titleBarOf(w)),
        EventRecord::mouse(EventType::otherMouseDown, titleBarOf(w)),
        EventRecord::key(EventType::keyDown, keys::a),
        EventRecord::key(EventType::keyUp, keys::a),
        EventRecord::flagsChanged(flags::command, keys::command),
        EventRecord::flagsChanged(0, keys::command),
    };
    const auto ids = platform::injectEvents(events);
    loop.runUntilIdle();
    for (uint64_t id : ids) {
        const auto* record = platform::EventRouter::of(world).find(id);
        ASSERT_EQ(record->taps.size(), 1u) << describe(record->event.type());
        EXPECT_EQ(record->taps[0].verdict, platform::TapVerdict::passed) << describe(record->event.type());
    }
    EXPECT_EQ(requests(), before);
    // The mouse never moves through the tap.
    platform::injectEvent(EventRecord::mouse(EventType::mouseMoved, contentOf(w)));
    loop.runUntilIdle();
    EXPECT_TRUE(platform::EventRouter::of(world).injected().back().taps.empty());
}

TEST_F(TriggerTapTest, ACallbackWithoutItsObjectLetsTheEventThrough) {
    const auto event = EventRecord::mouse(EventType::leftMouseDown, {10, 10}, 0, 2);
    EXPECT_EQ(TriggerTap::eventCallback(nullptr, event.type(), event, nullptr), event);
}

// The jobs of a trigger are on the engine's chain as soon as the callback has answered:
// work queued after the event runs after the trigger and its release.
TEST_F(TriggerTapTest, TriggersReachTheEnginesChainInTheCallbackAndReleaseTheirCountBehindThem) {
    const auto& w = window();
    install();
    holdChain();
    const auto down = EventRecord::mouse(EventType::leftMouseDown, titleBarOf(w), 0, 2);
    EXPECT_TRUE(tap->handleEvent(down.type(), down));
    EXPECT_TRUE(tap->handleEvent(down.type(), down));
    EXPECT_EQ(waiting(w.pid()), 2);
    std::optional<int> seen;
    engine->queueStep([&](WindowEffects&) { seen = waiting(w.pid()); });
    loop.runUntilIdle();
    EXPECT_EQ(waiting(w.pid()), 2);  // nothing ran past the change under way
    releaseChain();
    EXPECT_EQ(seen, 0);
    EXPECT_TRUE(tap->changesWaiting().empty());
}

// Each release takes one off the count: after the first of two triggers the application
// still has one waiting, and only after the second none (a release that dropped the
// entry outright would let a third trigger act at once, ahead of the second).
TEST_F(TriggerTapTest, EachReleaseTakesOneTriggerOffTheCount) {
    const auto& w = window();
    install();
    holdChain();
    const auto down = EventRecord::mouse(EventType::leftMouseDown, titleBarOf(w), 0, 2);
    std::vector<int> seen;
    std::vector<bool> listed;
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(tap->handleEvent(down.type(), down));
        engine->queueStep([&](WindowEffects&) {
            seen.push_back(waiting(w.pid()));
            listed.push_back(tap->changesWaiting().contains(w.pid()));
        });
    }
    loop.runUntilIdle();
    EXPECT_EQ(waiting(w.pid()), 2);
    EXPECT_TRUE(seen.empty());
    releaseChain();
    EXPECT_EQ(seen, (std::vector<int>{1, 0}));
    EXPECT_EQ(listed, (std::vector<bool>{true, false}));
}

}  // namespace
}  // namespace triggers_test
