// Keyboard triggers: which key press is which trigger in which application (Command-M,
// recorded shortcuts of the rule or of Default Settings, applications left alone,
// layouts whose M key types something else), and on the desktop: swallowed key-downs
// with their autorepeats and key-ups, busy applications, secure input, the shortcut
// recorder, modifier double taps and what interrupts them, and the order of quick
// presses on the engine's chain.

#include <gtest/gtest.h>

#include "platform/events/keyboard_layout.h"
#include "platform/events/simulated_input.h"
#include "triggers/hotkey_listener.h"
#include "tap_test_support.h"

namespace triggers_test {
namespace {

using furlpane::Hotkey;
using furlpane::HotkeyListener;
using Match = TriggerTap::KeyTriggerMatch;
using Scope = TriggerTap::Scope;
using platform::KeyboardLayout;

constexpr EventFlags kCommand = flags::command;
constexpr EventFlags kOption = flags::option;

class KeyboardTriggers : public TapTest {
protected:
    // Records a shortcut in an application's rule (Default Settings for none).
    void record(std::optional<std::string> application, uint16_t keyCode, EventFlags modifiers, WindowAction action) {
        rules->addHotkeyBinding(application);
        const auto& slots =
            application ? rules->ruleForBundleIdentifier(*application)->settings.hotkeys : rules->standard().hotkeys;
        auto slot = slots.back();
        slot.action = action;
        rules->modifySettings(application, ActionRules::updateHotkeyBinding(slot));
        rules->modifySettings(application, ActionRules::setHotkey(slot.id, Hotkey{keyCode, modifiers, "X"}));
    }
    // A key-down as the window server hands it to the tap, typing on the layout.
    static EventRecord keyDown(uint16_t keyCode, EventFlags held,
                               const KeyboardLayout& layout = KeyboardLayout::usANSI()) {
        auto event = EventRecord::key(EventType::keyDown, keyCode, held);
        const auto [characters, ignoringModifiers] = layout.characters(keyCode, held);
        event.setCharacters(characters, ignoringModifiers);
        return event;
    }
    std::optional<Match> match(std::optional<std::string> application, uint16_t keyCode, EventFlags held,
                               const KeyboardLayout& layout = KeyboardLayout::usANSI()) {
        return tap->matchHotkey(keyDown(keyCode, held, layout), keyCode, application);
    }
    // A key press on the desktop: its fates, and how many triggers it queued.
    std::pair<std::vector<EventFate>, int> press(const std::vector<EventRecord>& events, int32_t pid) {
        holdChain();
        auto fates = inject(events);
        const int queued = waiting(pid);
        releaseChain();
        return {fates, queued};
    }
    std::pair<std::vector<EventFate>, int> commandM(int32_t pid, EventFlags held = kCommand) {
        return press(platform::input_sequences::keyPress(keys::m, held), pid);
    }
    // The program in front with one of its windows key.
    std::shared_ptr<platform::Window> showOwnWindow() {
        auto own = std::make_shared<platform::Window>(
            platform::flipRect(Rect{200, 200, 500, 400}, world.displays().firstMaxY()),
            platform::titledWindowMask | platform::miniaturizableWindowMask);
        app.activate();
        own->makeKeyAndOrderFront();
        loop.runUntilIdle();
        return own;
    }
};

TEST_F(KeyboardTriggers, EachApplicationsShortcutsDecideAndCommandMComesFirst) {
    addRule("com.example.Mail");
    addRule("com.example.Notes");
    addRule("com.example.Paint");
    rules->setExcluded(true, "com.example.Paint");
    setTrigger(Trigger::commandM, WindowAction::furlpane);
    setTrigger(Trigger::commandM, WindowAction::minimizeInPlace, true, "com.example.Mail");
    setTrigger(Trigger::commandM, WindowAction::furlpane, false, "com.example.Notes");
    record(std::nullopt, keys::f5, 0, WindowAction::floatOnTop);
    record(std::nullopt, keys::x, flags::control | kOption, WindowAction::hideApplication);
    record("com.example.Mail", keys::m, kOption | kCommand, WindowAction::floatOnTop);
    record("com.example.Mail", keys::m, kCommand, WindowAction::hideApplication);
    const std::optional<std::string> editor = kEditor, mail = "com.example.Mail", notes = "com.example.Notes",
                                     paint = "com.example.Paint";
    const struct {
        std::optional<std::string> application;
        uint16_t key;
        EventFlags held;
        std::optional<Match> expected;
    } cases[] = {
        {editor, keys::m, kCommand, Match{WindowAction::furlpane, Scope::oneWindow}},
        {editor, keys::m, kCommand | kOption, Match{WindowAction::furlpane, Scope::everyWindow}},
        {editor, keys::m, kCommand | flags::capsLock, Match{WindowAction::furlpane, Scope::oneWindow}},
        {editor, keys::m, kCommand | flags::shift, std::nullopt},
        {editor, keys::m, kCommand | flags::control, std::nullopt},
        {editor, keys::m, kOption, std::nullopt},
        {editor, keys::f5, 0, Match{WindowAction::floatOnTop, Scope::oneWindow}},
        {editor, keys::f5, kCommand, std::nullopt},
        {editor, keys::f5, flags::shift, std::nullopt},
        {editor, keys::x, flags::control | kOption, Match{WindowAction::hideApplication, Scope::oneWindow}},
        {editor, keys::x, flags::control | kOption | flags::capsLock,
         Match{WindowAction::hideApplication, Scope::oneWindow}},
        {editor, keys::x, flags::control | kOption | flags::shift, std::nullopt},
        {std::nullopt, keys::f5, 0, Match{WindowAction::floatOnTop, Scope::oneWindow}},
        // A rule's own: its Command-M before its shortcut recorded as Command-M; its
        // Option-Command-M shortcut before Command-M for every window; never Default
        // Settings' shortcuts.
        {mail, keys::m, kCommand, Match{WindowAction::minimizeInPlace, Scope::oneWindow}},
        {mail, keys::m, kCommand | kOption, Match{WindowAction::floatOnTop, Scope::oneWindow}},
        {mail, keys::f5, 0, std::nullopt},
        {notes, keys::m, kCommand, std::nullopt},
        {notes, keys::f5, 0, std::nullopt},
        {paint, keys::m, kCommand, std::nullopt},
        {paint, keys::f5, 0, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(match(c.application, c.key, c.held), c.expected)
            << c.application.value_or("none") << " key " << c.key << " flags " << std::hex << c.held;
    }
    // Command-M with a Dock minimize is the system's own.
    setTrigger(Trigger::commandM, WindowAction::minimizeToDock);
    EXPECT_EQ(match(editor, keys::m, kCommand), std::nullopt);
}

TEST_F(KeyboardTriggers, TheMKeyIsTheOneTypingMOrTheMPositionTypingAnotherScript) {
    setTrigger(Trigger::commandM, WindowAction::furlpane);
    const Match fires{WindowAction::furlpane, Scope::oneWindow};
    // Cyrillic: the M position types "ь".
    EXPECT_EQ(match(kEditor, keys::m, kCommand, KeyboardLayout::russian()), fires);
    // A layout with a comma at the M position and M elsewhere.
    auto moved = KeyboardLayout::usANSI();
    moved.set(keys::m, {",", "<"});
    moved.set(43, {"m", "M"});
    EXPECT_EQ(match(kEditor, keys::m, kCommand, moved), std::nullopt);
    EXPECT_EQ(match(kEditor, 43, kCommand, moved), fires);
    // What a key types is read without modifiers, in either case.
    EXPECT_TRUE(furlpane::isMKey("M", 12));
    EXPECT_FALSE(furlpane::isMKey("", keys::m));
    EXPECT_FALSE(furlpane::isMKey("mm", 12));
}

// The tap reads what the rules watch at every key: a shortcut recorded or switched off
// takes effect at the next press, and while nothing is watched no application is asked.
TEST_F(KeyboardTriggers, ShortcutsRecordedOrSwitchedOffTakeEffectAtTheNextPress) {
    install();
    const auto& w = window();
    const auto f5 = [&] { return press(platform::input_sequences::keyPress(keys::f5, 0), w.pid()); };
    const uint64_t before = requests();
    EXPECT_EQ(f5(), std::make_pair(std::vector<EventFate>(2, kDelivered), 0));
    EXPECT_EQ(requests(), before);
    record(std::nullopt, keys::f5, 0, WindowAction::doNothing);
    EXPECT_EQ(f5(), std::make_pair(std::vector<EventFate>(2, kSwallowed), 1));
    auto slot = rules->standard().hotkeys.back();
    slot.isEnabled = false;
    rules->modifySettings(std::nullopt, ActionRules::updateHotkeyBinding(slot));
    ASSERT_FALSE(rules->hasHotkeys());
    EXPECT_EQ(f5(), std::make_pair(std::vector<EventFate>(2, kDelivered), 0));
}

// On the desktop, with the tap installed.
class KeysOnTheDesktop : public KeyboardTriggers {
protected:
    void SetUp() override {
        install();
        // What the engine does with a trigger plays no part here.
        setTrigger(Trigger::commandM, WindowAction::doNothing);
    }
};

TEST_F(KeysOnTheDesktop, ASwallowedKeyTakesItsAutorepeatsAndOneKeyUpWithIt) {
    const auto& w = window();
    const auto down = EventRecord::key(EventType::keyDown, keys::m, kCommand);
    const auto repeat = EventRecord::key(EventType::keyDown, keys::m, kCommand, true);
    const auto up = EventRecord::key(EventType::keyUp, keys::m, kCommand);
    const auto [fates, queued] = press({down, repeat, repeat, up, up}, w.pid());
    EXPECT_EQ(fates, (std::vector<EventFate>{kSwallowed, kSwallowed, kSwallowed, kSwallowed, kDelivered}));
    EXPECT_EQ(queued, 1);
    // Another key's autorepeats pass meanwhile; the system disabling the tap between a
    // key-down and its key-up lets the key-up through.
    const auto a = EventRecord::key(EventType::keyDown, keys::a, 0, true);
    const auto [mixed, alsoQueued] = press({down, a, a, repeat, up}, w.pid());
    EXPECT_EQ(mixed, (std::vector<EventFate>{kSwallowed, kDelivered, kDelivered, kSwallowed, kSwallowed}));
    EXPECT_EQ(alsoQueued, 1);
    inject({down});
    platform::EventRouter::of(world).disableByUserInput(*tap->tap());
    loop.runUntilIdle();
    EXPECT_EQ(inject({up}), std::vector<EventFate>{kDelivered});
}

TEST_F(KeysOnTheDesktop, KeysPassWithoutAWindowToActOnInSecureInputAndWhileAShortcutIsRecorded) {
    const auto fatesOf = [&](int32_t pid) { return commandM(pid); };
    // No focused window.
    auto& empty = application({}, "com.example.Empty");
    EXPECT_EQ(fatesOf(empty.pid()), std::make_pair(std::vector<EventFate>(2, kDelivered), 0));
    // Secure input: keys reach no tap at all (and the application minimizes its window).
    const auto& w = window();
    EXPECT_EQ(fatesOf(w.pid()).second, 1);
    platform::SimulatedInput::of(world).setSecureInput(true);
    EXPECT_EQ(fatesOf(w.pid()), std::make_pair(std::vector<EventFate>(2, kDelivered), 0));
    platform::SimulatedInput::of(world).setSecureInput(false);
    // The program in front: its own windows are matched like others', but every key
    // reaches the recorder while it listens.
    const auto own = showOwnWindow();
    const int32_t self = world.ownProcessIdentifier();
    EXPECT_EQ(fatesOf(self).second, 1);
    auto listener = HotkeyListener::create();
    listener->start();
    ASSERT_GT(HotkeyListener::listeningCount(), 0);
    EXPECT_EQ(fatesOf(self).second, 0);
    listener->stop();
}

// A trigger for an application with work pending is queued for whichever window has the
// focus once that work is done; every trigger is on the chain as soon as its key is.
TEST_F(KeysOnTheDesktop, QuickPressesAreQueuedInTheOrderTheyCameAndWaitForTheApplication) {
    const auto& w = window();
    holdChain();
    const auto twice = inject({EventRecord::key(EventType::keyDown, keys::m, kCommand),
                               EventRecord::key(EventType::keyUp, keys::m, kCommand),
                               EventRecord::key(EventType::keyDown, keys::m, kCommand),
                               EventRecord::key(EventType::keyUp, keys::m, kCommand)});
    EXPECT_EQ(twice, std::vector<EventFate>(4, kSwallowed));
    EXPECT_EQ(waiting(w.pid()), 2);
    std::optional<int> seen;
    engine->queueStep([&](WindowEffects&) { seen = waiting(w.pid()); });
    releaseChain();
    EXPECT_EQ(seen, 0);
    // An application with a window on its way to the Dock is busy too: even without a
    // focused window its trigger is taken and queued.
    auto& empty = application({}, "com.example.Empty");
    engine->markBusy(empty.pid());
    EXPECT_EQ(commandM(empty.pid()), std::make_pair(std::vector<EventFate>(2, kSwallowed), 1));
}

class ModifierDoubleTaps : public KeysOnTheDesktop {
protected:
    void SetUp() override {
        KeysOnTheDesktop::SetUp();
        setTrigger(Trigger::commandDoubleTap, WindowAction::doNothing);
        holdChain();
    }
    // Command pressed and released twice, each change `gap` seconds after the one
    // before, with `between` after the first release.
    std::vector<EventFate> tapTwice(double gap, std::vector<EventRecord> between = {}) {
        std::vector<EventRecord> events{EventRecord::flagsChanged(kCommand, keys::command),
                                        EventRecord::flagsChanged(0, keys::command)};
        events.insert(events.end(), between.begin(), between.end());
        events.push_back(EventRecord::flagsChanged(kCommand, keys::command));
        events.push_back(EventRecord::flagsChanged(0, keys::command));
        loop.advance(1.0);
        std::vector<uint64_t> ids;
        for (const auto& event : events) {
            loop.advance(event.type() == EventType::flagsChanged ? gap : 0);
            ids.push_back(platform::injectEvent(event));
            loop.runUntilIdle();
        }
        std::vector<EventFate> fates;
        for (uint64_t id : ids) fates.push_back(platform::EventRouter::of(world).find(id)->fate);
        return fates;
    }
};

TEST_F(ModifierDoubleTaps, TwoTapsWithinTheIntervalFireForTheFocusedWindowAndEveryChangePasses) {
    const auto& w = window();
    const double interval = tap->doubleTap().interval;
    ASSERT_EQ(interval, 0.25);  // half the double-click interval
    EXPECT_EQ(tapTwice(interval), std::vector<EventFate>(4, kDelivered));
    EXPECT_EQ(waiting(w.pid()), 1);
    tapTwice(interval - 1.0 / 128);
    EXPECT_EQ(waiting(w.pid()), 2);
    tapTwice(interval + 1.0 / 128);
    EXPECT_EQ(waiting(w.pid()), 2);
    // Off in the rules, a double tap does nothing.
    setTrigger(Trigger::commandDoubleTap, WindowAction::doNothing, false);
    tapTwice(0.125);
    EXPECT_EQ(waiting(w.pid()), 2);
}

TEST_F(ModifierDoubleTaps, KeysClicksAndOtherModifiersBetweenTheTapsBreakThemButALeftReleaseDoesNot) {
    const auto& w = window();
    const Point at = contentOf(w);
    const struct {
        std::vector<EventRecord> between;
        int fired;
        const char* what;
    } cases[] = {
        {{EventRecord::key(EventType::keyDown, keys::a), EventRecord::key(EventType::keyUp, keys::a)}, 0, "a key"},
        {{EventRecord::key(EventType::keyUp, keys::a)}, 0, "a key-up"},
        {{EventRecord::mouse(EventType::leftMouseDown, at)}, 0, "a left press"},
        {{EventRecord::mouse(EventType::rightMouseDown, at)}, 0, "a right click"},
        {{EventRecord::mouse(EventType::otherMouseDown, at)}, 0, "a middle click"},
        {{EventRecord::mouse(EventType::leftMouseUp, at)}, 1, "a left release"},
        {{EventRecord::flagsChanged(flags::shift, keys::shift), EventRecord::flagsChanged(0, keys::shift)}, 0,
         "Shift tapped"},
        {{EventRecord::flagsChanged(flags::capsLock, keys::capsLock)}, 0, "Caps Lock toggled"},
    };
    for (const auto& c : cases) {
        const int before = waiting(w.pid());
        tapTwice(0.0625, c.between);
        EXPECT_EQ(waiting(w.pid()) - before, c.fired) << c.what;
    }
}

TEST_F(ModifierDoubleTaps, NothingFiresInSecureInputOrWhileTheProgramRecordsAShortcut) {
    const auto& w = window();
    platform::SimulatedInput::of(world).setSecureInput(true);
    tapTwice(0.125);
    platform::SimulatedInput::of(world).setSecureInput(false);
    EXPECT_EQ(waiting(w.pid()), 0);
    const auto own = showOwnWindow();
    const int32_t self = world.ownProcessIdentifier();
    auto listener = HotkeyListener::create();
    listener->start();
    tapTwice(0.125);
    EXPECT_EQ(waiting(self), 0);
    listener->stop();
    tapTwice(0.125);
    EXPECT_EQ(waiting(self), 1);
}

}  // namespace
}  // namespace triggers_test
