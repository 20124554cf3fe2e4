#include "platform/events/event_tap.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "platform/desktop/desktop.h"
#include "platform/events/event_router.h"
#include "platform/events/simulated_input.h"
#include "platform/runtime/main_loop.h"

namespace platform {
namespace {

using desktop::Application;
using desktop::Desktop;

// The mask of the program's trigger tap: left down and up, right down, key down and up,
// flags changed, other down.
constexpr EventMask kTriggerMask = 0x2001C0E;

struct TapWorld {
    MainLoop loop{ClockKind::simulated};
    Desktop world{loop};
    Application& editor =
        world.application("com.example.Editor").window({.title = "Doc", .frame = Rect{100, 100, 600, 400}}).add();
    std::vector<EventType> seen;
    // What the callback answers; by default the event as it came.
    std::function<std::optional<EventRecord>(EventType, const EventRecord&)> decide;

    std::shared_ptr<EventTap> makeTap(EventMask mask = kTriggerMask,
                                      EventTapLocation location = EventTapLocation::session,
                                      EventTapPlacement placement = EventTapPlacement::headInsert,
                                      EventTapOptions options = EventTapOptions::defaultTap) {
        return EventTap::create(location, placement, options, mask, &TapWorld::callback, this);
    }
    static std::optional<EventRecord> callback(EventTapProxy, EventType type, const EventRecord& event, void* info) {
        auto* self = static_cast<TapWorld*>(info);
        self->seen.push_back(type);
        return self->decide ? self->decide(type, event) : std::optional<EventRecord>(event);
    }
    const InjectedEvent& record(uint64_t id) { return *EventRouter::of(world).find(id); }
};

TEST(EventTap, CreationNeedsTrustAndMayFail) {
    TapWorld w;
    w.world.setAccessibilityTrusted(false);
    EXPECT_EQ(w.makeTap(), nullptr);
    w.world.setAccessibilityTrusted(true);
    w.world.faults().on(desktop::FaultCall::createEventTap).times(1).fail();
    EXPECT_EQ(w.makeTap(), nullptr);
    auto tap = w.makeTap();
    ASSERT_NE(tap, nullptr);
    EXPECT_TRUE(tap->isEnabled());
    EXPECT_EQ(tap->runLoopSource(), tap->runLoopSource());
    EXPECT_TRUE(tap->sees(EventType::flagsChanged));
    EXPECT_FALSE(tap->sees(EventType::mouseMoved));
}

TEST(EventTap, TheCallbackRunsOnlyInTheModesItsSourceWasAddedTo) {
    TapWorld w;
    auto tap = w.makeTap();
    const auto ids = injectEvents(input_sequences::click({300, 300}));
    w.loop.runUntilIdle();
    EXPECT_TRUE(w.seen.empty());
    EXPECT_EQ(w.record(ids[0]).fate, EventFate::pending);
    EXPECT_EQ(w.record(ids[1]).fate, EventFate::pending);  // held behind the first

    // In the Dock message mode only: the default mode does not run it, that mode does.
    w.loop.add(tap->runLoopSource(), modes::kDockMessage);
    w.loop.runUntilIdle();
    EXPECT_TRUE(w.seen.empty());
    w.loop.runInMode(modes::kDockMessage, 0.1, [&] { return w.seen.size() == 2; });
    EXPECT_EQ(w.seen, (std::vector<EventType>{EventType::leftMouseDown, EventType::leftMouseUp}));
    EXPECT_EQ(w.record(ids[1]).fate, EventFate::deliveredToApplication);
    EXPECT_EQ(w.record(ids[1]).pid, w.editor.pid());

    w.loop.add(tap->runLoopSource(), modes::kCommon);
    injectEvent(EventRecord::key(EventType::keyDown, key_codes::a));
    w.loop.runUntilIdle();
    EXPECT_EQ(w.seen.size(), 3u);
}

TEST(EventTap, VerdictsAreRecordedWithWhatReachedTheApplication) {
    TapWorld w;
    auto tap = w.makeTap();
    w.loop.add(tap->runLoopSource(), modes::kCommon);
    w.decide = [](EventType type, const EventRecord& e) -> std::optional<EventRecord> {
        if (type == EventType::leftMouseDown && e.clickState() == 2) return std::nullopt;
        if (type == EventType::keyDown && e.keyCode() == key_codes::a) {
            EventRecord changed = e;
            changed.setIntegerValueField(EventField::keyboardEventKeycode, key_codes::s);
            return changed;
        }
        return e;
    };
    const auto clicks = injectEvents(input_sequences::doubleClick({300, 300}));
    const uint64_t key = injectEvent(EventRecord::key(EventType::keyDown, key_codes::a));
    const uint64_t moved = injectEvent(EventRecord::mouse(EventType::mouseMoved, {310, 310}));
    w.loop.runUntilIdle();

    EXPECT_EQ(w.record(clicks[0]).verdictOf(tap->id()), TapVerdict::passed);
    EXPECT_EQ(w.record(clicks[2]).event.clickState(), 2);
    EXPECT_EQ(w.record(clicks[2]).verdictOf(tap->id()), TapVerdict::swallowed);
    EXPECT_EQ(w.record(clicks[2]).fate, EventFate::swallowed);
    EXPECT_EQ(w.record(clicks[2]).delivered, std::nullopt);
    EXPECT_EQ(w.record(clicks[3]).fate, EventFate::deliveredToApplication);
    EXPECT_EQ(w.record(key).verdictOf(tap->id()), TapVerdict::replaced);
    EXPECT_EQ(w.record(key).delivered->keyCode(), key_codes::s);
    EXPECT_EQ(w.record(moved).verdictOf(tap->id()), std::nullopt);  // not in the mask
    EXPECT_EQ(w.record(moved).fate, EventFate::deliveredToApplication);
}

TEST(EventTap, TheRecordKeepsTheNewestEventsEvenWhileOldOnesWaitOnATap) {
    TapWorld w;
    auto tap = w.makeTap();
    w.loop.add(tap->runLoopSource(), modes::kCommon);
    // The first events wait on the tap until the loop runs; far more come meanwhile.
    std::vector<uint64_t> ids;
    for (size_t i = 0; i < EventRouter::kKeptEvents + 10; ++i) {
        ids.push_back(injectEvent(EventRecord::key(i % 2 ? EventType::keyUp : EventType::keyDown, key_codes::a)));
    }
    w.loop.runUntilIdle();
    const EventRouter& router = EventRouter::of(w.world);
    EXPECT_EQ(router.pendingCount(), 0u);
    EXPECT_EQ(router.injected().size(), EventRouter::kKeptEvents);
    EXPECT_EQ(router.find(ids.front()), nullptr);
    EXPECT_EQ(router.find(ids[9]), nullptr);
    EXPECT_EQ(w.record(ids[10]).id, ids[10]);
    EXPECT_EQ(w.record(ids.back()).fate, EventFate::deliveredToApplication);
    EXPECT_EQ(w.record(ids.back()).verdictOf(tap->id()), TapVerdict::passed);
    EXPECT_EQ(w.seen.size(), ids.size());
}

TEST(EventTap, ACallbackThatDoesNotAnswerInTimeHasItsTapSwitchedOff) {
    TapWorld w;
    auto tap = w.makeTap();
    w.loop.add(tap->runLoopSource(), modes::kCommon);
    bool slow = true;
    w.decide = [&](EventType type, const EventRecord&) -> std::optional<EventRecord> {
        if (type == EventType::tapDisabledByTimeout) {
            tap->enable(true);  // as the program does
            return std::nullopt;
        }
        if (slow) w.loop.blockFor(1.5);
        return std::nullopt;
    };
    const uint64_t late = injectEvent(EventRecord::key(EventType::keyDown, key_codes::a));
    w.loop.runUntilIdle();
    EXPECT_EQ(w.record(late).verdictOf(tap->id()), TapVerdict::timedOut);
    EXPECT_EQ(w.record(late).fate, EventFate::deliveredToApplication);  // its swallow came too late
    EXPECT_EQ(w.seen.back(), EventType::tapDisabledByTimeout);
    EXPECT_TRUE(tap->isEnabled());
    ASSERT_EQ(EventRouter::of(w.world).notices().size(), 1u);

    // A source in no mode at all: the event goes on after the time-out.
    slow = false;
    w.loop.remove(tap->runLoopSource(), modes::kCommon);
    const uint64_t waiting = injectEvent(EventRecord::key(EventType::keyUp, key_codes::a));
    w.loop.advance(0.9);
    EXPECT_EQ(w.record(waiting).fate, EventFate::pending);
    w.loop.advance(0.2);
    EXPECT_EQ(w.record(waiting).verdictOf(tap->id()), TapVerdict::timedOut);
    EXPECT_FALSE(tap->isEnabled());
    EXPECT_DOUBLE_EQ(w.record(waiting).settledAt - w.record(waiting).injectedAt, 1.0);
}

TEST(EventTap, UserInputCanSwitchATapOffAndTheProgramTurnsItBackOn) {
    TapWorld w;
    auto tap = w.makeTap();
    w.loop.add(tap->runLoopSource(), modes::kCommon);
    EventRouter::of(w.world).disableByUserInput(*tap);
    EXPECT_FALSE(tap->isEnabled());
    const uint64_t unseen = injectEvent(EventRecord::key(EventType::keyDown, key_codes::a));
    w.loop.runUntilIdle();
    EXPECT_EQ(w.seen, std::vector<EventType>{EventType::tapDisabledByUserInput});
    EXPECT_TRUE(w.record(unseen).taps.empty());
    tap->enable(true);
    injectEvent(EventRecord::key(EventType::keyUp, key_codes::a));
    w.loop.runUntilIdle();
    EXPECT_EQ(w.seen.back(), EventType::keyUp);
}

TEST(EventTap, TapsSeeEventsInOrderAndListenOnlyTapsHoldNothing) {
    TapWorld w;
    std::vector<std::string> order;
    const auto make = [&](std::string name, EventTapLocation at, EventTapPlacement placement, EventTapOptions options) {
        auto tap = EventTap::create(
            at, placement, options, kTriggerMask,
            [&order, name](EventTapProxy, EventType, const EventRecord&, void*) -> std::optional<EventRecord> {
                order.push_back(name);
                return std::nullopt;  // a listen-only tap's answer counts for nothing
            },
            nullptr);
        w.loop.add(tap->runLoopSource(), modes::kCommon);
        return tap;
    };
    auto first = make("session head 1", EventTapLocation::session, EventTapPlacement::headInsert,
                      EventTapOptions::listenOnly);
    auto second = make("session head 2", EventTapLocation::session, EventTapPlacement::headInsert,
                       EventTapOptions::listenOnly);
    auto tail = make("session tail", EventTapLocation::session, EventTapPlacement::tailAppend,
                     EventTapOptions::listenOnly);
    auto hid = make("hid", EventTapLocation::hid, EventTapPlacement::tailAppend, EventTapOptions::listenOnly);
    const uint64_t id = injectEvent(EventRecord::key(EventType::keyDown, key_codes::a));
    w.loop.runUntilIdle();
    EXPECT_EQ(order, (std::vector<std::string>{"hid", "session head 2", "session head 1", "session tail"}));
    EXPECT_EQ(w.record(id).verdictOf(first->id()), TapVerdict::observed);
    EXPECT_EQ(w.record(id).fate, EventFate::deliveredToApplication);
    EXPECT_EQ(EventRouter::of(w.world).taps().size(), 4u);
    second->invalidate();
    EXPECT_EQ(EventRouter::of(w.world).taps().size(), 3u);
}

// An event a tap gives back after itself goes on unseen by it, one given back at itself is
// shown to it again; both come ahead of an event already on its way to the tap.
TEST(EventTap, ATapGivesEventsBackAtItsPlaceAheadOfWhatHasNotComePastIt) {
    TapWorld w;
    auto tap = w.makeTap();
    w.loop.add(tap->runLoopSource(), modes::kCommon);
    w.decide = [](EventType, const EventRecord&) { return std::optional<EventRecord>(); };
    const uint64_t swallowed = injectEvent(EventRecord::mouse(EventType::leftMouseDown, {300, 300}));
    w.loop.runUntilIdle();
    w.decide = nullptr;
    const EventRecord shown = w.record(swallowed).event;
    const uint64_t waiting = injectEvent(EventRecord::key(EventType::keyDown, key_codes::a));
    tap->post(shown);
    tap->post(shown, EventTapPosting::atTap);
    const InjectedEvent& after = w.record(waiting + 1);
    EXPECT_EQ(after.fate, EventFate::deliveredToApplication);
    EXPECT_EQ(after.postedBy, tap->id());
    EXPECT_EQ(after.event, shown);
    w.loop.runUntilIdle();
    EXPECT_EQ(w.seen, (std::vector<EventType>{EventType::leftMouseDown, EventType::leftMouseDown, EventType::keyDown}));
    EXPECT_EQ(w.record(waiting + 2).verdictOf(tap->id()), TapVerdict::passed);
    EXPECT_EQ(w.record(waiting).fate, EventFate::deliveredToApplication);
}

// Taps made while a press waits on a tap, the drag behind it already injected: one at the
// head, before that tap, sees the drag but not the press, which has come past its place;
// one at the tail sees both.
TEST(EventTap, ATapMadeWhileEventsAreOnTheirWaySeesThoseThatHaveNotComePastItsPlace) {
    TapWorld w;
    std::vector<std::string> seen;
    std::vector<std::shared_ptr<EventTap>> made;
    w.decide = [&](EventType, const EventRecord& e) {
        for (const auto& [name, placement] : {std::pair{"head", EventTapPlacement::headInsert},
                                               std::pair{"tail", EventTapPlacement::tailAppend}}) {
            if (made.size() == 2) break;
            made.push_back(EventTap::create(
                EventTapLocation::session, placement, EventTapOptions::defaultTap,
                eventMaskBit(EventType::leftMouseDown) | eventMaskBit(EventType::leftMouseDragged),
                [&seen, name](EventTapProxy, EventType type, const EventRecord& seenEvent, void*) {
                    seen.push_back(name + std::string(type == EventType::leftMouseDown ? " press" : " drag"));
                    return std::optional<EventRecord>(seenEvent);
                },
                nullptr));
            w.loop.add(made.back()->runLoopSource(), modes::kCommon);
        }
        return std::optional<EventRecord>(e);
    };
    auto tap = w.makeTap(eventMaskBit(EventType::leftMouseDown));
    w.loop.add(tap->runLoopSource(), modes::kCommon);
    injectEvents(input_sequences::drag({300, 300}, {400, 300}, 1));
    w.loop.runUntilIdle();
    EXPECT_EQ(seen, (std::vector<std::string>{"tail press", "head drag", "tail drag"}));
}

TEST(EventTap, SecureInputHidesKeysAndSwitchingATapOffLetsTheWaitingEventGo) {
    TapWorld w;
    auto tap = w.makeTap();
    SimulatedInput::of(w.world).setSecureInput(true);
    w.loop.add(tap->runLoopSource(), modes::kCommon);
    injectEvents(input_sequences::keyPress(key_codes::a, event_flags::command));
    injectEvent(EventRecord::flagsChanged(event_flags::command, key_codes::command));
    w.loop.runUntilIdle();
    EXPECT_EQ(w.seen, std::vector<EventType>{EventType::flagsChanged});

    w.loop.remove(tap->runLoopSource(), modes::kCommon);
    const uint64_t held = injectEvent(EventRecord::flagsChanged(0, key_codes::command));
    EXPECT_EQ(w.record(held).fate, EventFate::pending);
    tap->invalidate();
    EXPECT_EQ(w.record(held).verdictOf(tap->id()), TapVerdict::skipped);
    EXPECT_EQ(w.record(held).fate, EventFate::deliveredToApplication);
    EXPECT_TRUE(EventRouter::of(w.world).taps().empty());
}

}  // namespace
}  // namespace platform
