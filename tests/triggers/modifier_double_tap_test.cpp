// The count of a modifier double tap, step by step: what fires, the gaps at, under and
// over the interval, and everything that breaks a count.

#include "triggers/modifier_double_tap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/events/event_record.h"

namespace triggers_test {
namespace {

using furlpane::ModifierDoubleTap;
using furlpane::Trigger;
using platform::EventFlags;
namespace flags = platform::event_flags;

constexpr double kInterval = 0.25;
constexpr EventFlags kCommand = flags::command;
constexpr EventFlags kControl = flags::control;

// One modifier change: the flags after it and the time since the one before.
struct Change {
    EventFlags flags;
    double gap = 0.125;
};

// The triggers a run of changes fires, in order; the recogniser starts idle at 10 s.
std::vector<Trigger> fired(const std::vector<Change>& changes,
                           ModifierDoubleTap::SecureInput secure = ModifierDoubleTap::SecureInput::off) {
    ModifierDoubleTap tap;
    tap.interval = kInterval;
    double now = 10;
    std::vector<Trigger> triggers;
    for (const Change& change : changes) {
        now += change.gap;
        if (auto trigger = tap.step(change.flags, secure, now)) triggers.push_back(*trigger);
    }
    return triggers;
}

const std::vector<Trigger> kNone;
const std::vector<Trigger> kCommandTap{Trigger::commandDoubleTap};

TEST(ModifierDoubleTap, PressReleasePressReleaseOfOneModifierFiresOnTheSecondRelease) {
    const struct {
        std::vector<Change> changes;
        std::vector<Trigger> triggers;
        const char* what;
    } cases[] = {
        {{{kCommand}, {0}, {kCommand}, {0}}, kCommandTap, "Command twice"},
        {{{kControl}, {0}, {kControl}, {0}}, {Trigger::controlDoubleTap}, "Control twice"},
        {{{kCommand}, {0}, {kCommand}}, kNone, "not yet released"},
        {{{kCommand}, {0}, {kCommand}, {0}, {kCommand}, {0}}, kCommandTap, "three taps fire once"},
        {{{kCommand}, {0}, {kCommand}, {0}, {kCommand}, {0}, {kCommand}, {0}},
         {Trigger::commandDoubleTap, Trigger::commandDoubleTap},
         "four taps fire twice"},
        {{{kCommand}, {0}, {kControl}, {0}}, kNone, "Command, then Control"},
        {{{kCommand}, {0}, {kControl}, {0}, {kControl}, {0}}, {Trigger::controlDoubleTap}, "Control starts afresh"},
        // The first press is never too late.
        {{{kCommand, 100}, {0}, {kCommand}, {0}}, kCommandTap, "a first press long after anything"},
    };
    for (const auto& c : cases) EXPECT_EQ(fired(c.changes), c.triggers) << c.what;
}

TEST(ModifierDoubleTap, EachGapMayBeTheIntervalAndNoMore) {
    constexpr double under = 0.2421875, over = 0.2578125;  // exact in binary, like the interval
    const struct {
        std::vector<Change> changes;
        std::vector<Trigger> triggers;
        const char* what;
    } cases[] = {
        {{{kCommand}, {0, kInterval}, {kCommand, kInterval}, {0, kInterval}}, kCommandTap, "every gap at the interval"},
        {{{kCommand}, {0, under}, {kCommand, under}, {0, under}}, kCommandTap, "every gap just under"},
        {{{kCommand}, {0, over}, {kCommand}, {0}}, kNone, "held just over the interval"},
        {{{kCommand}, {0}, {kCommand, over}, {0}}, kNone, "the second press just late"},
        {{{kCommand}, {0}, {kCommand}, {0, over}}, kNone, "the second release just late"},
        // A late second press begins a new count, which the next tap completes.
        {{{kCommand}, {0}, {kCommand, over}, {0}, {kCommand}, {0}}, kCommandTap, "late, then in time"},
    };
    for (const auto& c : cases) EXPECT_EQ(fired(c.changes), c.triggers) << c.what;
}

TEST(ModifierDoubleTap, ShiftOptionASecondModifierOrSecureInputBreakTheCount) {
    const struct {
        std::vector<Change> changes;
        const char* what;
    } cases[] = {
        {{{kCommand | flags::shift}, {flags::shift}, {kCommand | flags::shift}, {flags::shift}}, "Shift held"},
        {{{kCommand}, {0}, {kCommand | flags::option}, {kCommand}, {0}}, "Option at the second press"},
        {{{kCommand}, {kCommand | kControl}, {kCommand}, {0}, {kCommand}, {0}}, "Control added to a held Command"},
        {{{kControl}, {kControl | kCommand}, {kCommand}, {0}, {kCommand}, {0}},
         "Command pressed while Control is held"},
        {{{kCommand}, {0}, {kCommand | kControl}, {0}}, "both at once"},
    };
    for (const auto& c : cases) EXPECT_EQ(fired(c.changes), kNone) << c.what;
    EXPECT_EQ(fired({{kCommand}, {0}, {kCommand}, {0}}, ModifierDoubleTap::SecureInput::on), kNone);
}

// Caps Lock is no modifier here: left on throughout it changes nothing, but a toggle is a
// modifier change with nothing held, which ends the count as any release without a
// counted press does; toggled while Command is held, the next change sees Command held
// already and starts over.
TEST(ModifierDoubleTap, CapsLockLeftOnIsIgnoredButAToggleBetweenTheTapsResetsTheCount) {
    const EventFlags caps = flags::capsLock;
    EXPECT_EQ(fired({{caps | kCommand}, {caps}, {caps | kCommand}, {caps}}), kCommandTap);
    EXPECT_EQ(fired({{kCommand}, {0}, {caps}, {caps | kCommand}, {caps}}), kNone);
    EXPECT_EQ(fired({{kCommand}, {caps | kCommand}, {caps}, {caps | kCommand}, {caps}}), kNone);
    // The numeric-pad and Fn bits take no part either.
    EXPECT_EQ(fired({{kCommand | flags::function}, {flags::numericPad}, {kCommand}, {0}}), kCommandTap);
}

TEST(ModifierDoubleTap, ResetForgetsTheCountButKeepsTheHeldModifiersAndTheInterval) {
    ModifierDoubleTap tap;
    tap.interval = kInterval;
    tap.step(kCommand, ModifierDoubleTap::SecureInput::off, 1.0);
    tap.reset();
    EXPECT_EQ(tap.steps, 0);
    EXPECT_EQ(tap.modifier, 0u);
    EXPECT_EQ(tap.previousHeld, kCommand);
    EXPECT_EQ(tap.interval, kInterval);
    // So a change that finds Command already down counts no press.
    EXPECT_EQ(tap.step(kCommand, ModifierDoubleTap::SecureInput::off, 1.1), std::nullopt);
    EXPECT_EQ(tap.steps, 0);
}

}  // namespace
}  // namespace triggers_test
