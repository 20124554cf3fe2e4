#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/desktop/desktop.h"
#include "platform/events/event_monitors.h"
#include "platform/events/event_router.h"
#include "platform/events/events.h"
#include "platform/events/simulated_input.h"
#include "platform/runtime/main_loop.h"

namespace platform {
namespace {

using desktop::Application;
using desktop::Desktop;
using desktop::TitleBarButton;
using desktop::Window;

struct InputWorld {
    MainLoop loop{ClockKind::simulated};
    Desktop world{loop};
    Application& editor = world.application("com.example.Editor")
                              .window({.title = "One", .frame = Rect{100, 100, 600, 400}})
                              .window({.title = "Two", .frame = Rect{400, 300, 600, 400}})
                              .add();
    Window& two = *editor.windows()[0];
    Window& one = *editor.windows()[1];

    const InjectedEvent& record(uint64_t id) { return *EventRouter::of(world).find(id); }
    const InjectedEvent& inject(EventRecord e) { return record(injectEvent(std::move(e))); }
    Point buttonCentre(const Window& w, TitleBarButton which) const { return w.button(which)->screenFrame()->mid(); }
};

TEST(Input, ClickStatesCountPressesWithinTheDoubleClickInterval) {
    InputWorld w;
    const Point p{300, 300};
    std::vector<int64_t> states;
    for (double gap : {0.0, 0.3, 0.3, 0.6}) {
        w.loop.advance(gap);
        const auto ids = injectEvents(input_sequences::click(p));
        states.push_back(w.record(ids[0]).event.clickState());
        states.push_back(w.record(ids[1]).event.clickState());
    }
    EXPECT_EQ(states, (std::vector<int64_t>{1, 1, 2, 2, 3, 3, 1, 1}));
    EXPECT_EQ(w.inject(EventRecord::mouse(EventType::leftMouseDown, {350, 300})).event.clickState(), 1);  // moved
    EXPECT_EQ(InputState::pressedMouseButtons(), 1u);
    EXPECT_EQ(InputState::mouseLocation(), (Point{350, 300}));
    w.inject(EventRecord::mouse(EventType::leftMouseUp, {350, 300}));
    EXPECT_EQ(InputState::pressedMouseButtons(), 0u);
    EXPECT_EQ(w.inject(EventRecord::mouse(EventType::leftMouseDown, p, 0, 0)).event.clickState(), 0);  // as given
    SimulatedInput::of(w.world).setDoubleClickInterval(0.2);
    EXPECT_DOUBLE_EQ(InputState::doubleClickInterval(), 0.2);
    EXPECT_EQ(w.inject(EventRecord::mouse(EventType::otherMouseDown, p)).event.integerValueField(
                  EventField::mouseEventButtonNumber),
              2);
    EXPECT_EQ(InputState::pressedMouseButtons(), 5u);
}

TEST(Input, KeyEventsCarryTheLayoutsCharactersTheFlagsAndTheTargetProcess) {
    InputWorld w;
    const auto chars = [&](uint16_t key, EventFlags flags) {
        const InjectedEvent& e = w.inject(EventRecord::key(EventType::keyUp, key, flags));
        return std::pair{*e.event.characters(), *e.event.charactersIgnoringModifiers()};
    };
    EXPECT_EQ(chars(key_codes::m, event_flags::command), (std::pair<std::string, std::string>{"m", "m"}));
    EXPECT_EQ(chars(key_codes::a, event_flags::shift), (std::pair<std::string, std::string>{"A", "A"}));
    EXPECT_EQ(chars(key_codes::a, event_flags::control), (std::pair<std::string, std::string>{"\x01", "a"}));
    EXPECT_EQ(chars(key_codes::a, event_flags::capsLock), (std::pair<std::string, std::string>{"A", "a"}));
    EXPECT_EQ(chars(key_codes::f5, 0).first, "\xEF\x9C\x88");  // U+F708
    EXPECT_EQ(chars(key_codes::command, event_flags::command).first, "");
    EXPECT_EQ(chars(10, 0).first, "");  // a key the layout does not know
    // What a key types with other modifiers than its own, on the layout in use.
    const EventRecord shiftedOne = EventRecord::key(EventType::keyDown, 18, event_flags::shift);
    EXPECT_EQ(charactersByApplyingModifiers(shiftedOne, 0), "1");
    EXPECT_EQ(charactersByApplyingModifiers(shiftedOne, event_flags::shift), "!");
    EXPECT_EQ(charactersByApplyingModifiers(EventRecord::key(EventType::keyDown, 10), 0), "");
    EXPECT_EQ(charactersByApplyingModifiers(EventRecord::flagsChanged(event_flags::shift), 0), std::nullopt);
    SimulatedInput::of(w.world).setKeyboardLayout(KeyboardLayout::russian());
    EXPECT_EQ(chars(key_codes::m, event_flags::command).second, "ь");
    EXPECT_EQ(charactersByApplyingModifiers(EventRecord::key(EventType::keyUp, key_codes::m, event_flags::shift), 0),
              "ь");

    const InjectedEvent& down = w.inject(EventRecord::key(EventType::keyDown, key_codes::k, 0, true));
    EXPECT_TRUE(down.event.isAutorepeat());
    EXPECT_EQ(down.event.targetProcess(), w.editor.pid());
    w.inject(EventRecord::flagsChanged(event_flags::command | event_flags::capsLock, key_codes::command));
    EXPECT_EQ(InputState::currentModifierFlags(), event_flags::command | event_flags::capsLock);
    EXPECT_EQ(eventMaskBit(EventType::keyDown) | eventMaskBit(EventType::keyUp) | eventMaskBit(EventType::flagsChanged),
              0x1C00u);
    EXPECT_EQ(eventMaskBit(EventType::tapDisabledByTimeout), 0u);
}

TEST(Input, AClickOnAMinimizeButtonSendsTheWindowToTheDockUnlessTheTapSwallowedThePress) {
    InputWorld w;
    bool swallowPress = true;
    auto tap = EventTap::create(
        EventTapLocation::session, EventTapPlacement::headInsert, EventTapOptions::defaultTap,
        eventMaskBit(EventType::leftMouseDown),
        [&](EventTapProxy, EventType, const EventRecord& e, void*) -> std::optional<EventRecord> {
            if (swallowPress) return std::nullopt;
            return e;
        },
        nullptr);
    w.loop.add(tap->runLoopSource(), modes::kCommon);
    const Point button = w.buttonCentre(w.two, TitleBarButton::minimize);
    auto ids = injectEvents(input_sequences::click(button));
    w.loop.runUntilIdle();
    EXPECT_EQ(w.record(ids[0]).fate, EventFate::swallowed);
    EXPECT_EQ(w.record(ids[1]).fate, EventFate::deliveredToApplication);
    EXPECT_EQ(w.two.button(TitleBarButton::minimize)->pressCount(), 0);
    EXPECT_FALSE(w.two.isMinimized());

    // Released away from the button: nothing; released on it: the window goes.
    swallowPress = false;
    injectEvent(EventRecord::mouse(EventType::leftMouseDown, button));
    injectEvent(EventRecord::mouse(EventType::leftMouseUp, {button.x + 40, button.y}));
    w.loop.runUntilIdle();
    EXPECT_FALSE(w.two.isMinimized());
    ids = injectEvents(input_sequences::click(button));
    w.loop.runUntilIdle();
    EXPECT_EQ(w.record(ids[1]).pressedControl, w.two.button(TitleBarButton::minimize)->id());
    EXPECT_EQ(w.two.dockTravel(), desktop::DockTravel::intoDock);
}

TEST(Input, AClickBringsAWindowForwardAndActivatesItsApplication) {
    InputWorld w;
    Application& other = w.world.application("com.example.Other")
                             .window({.title = "Other", .frame = Rect{900, 100, 300, 200}})
                             .inBackground()
                             .add();
    ASSERT_TRUE(w.editor.isActive());
    const auto& press = w.inject(EventRecord::mouse(EventType::leftMouseDown, {1000, 150}));
    EXPECT_EQ(press.pid, other.pid());
    EXPECT_TRUE(other.isActive());
    w.inject(EventRecord::mouse(EventType::leftMouseUp, {1000, 150}));
    w.inject(EventRecord::mouse(EventType::leftMouseDown, {150, 150}));  // the back window of the editor
    EXPECT_TRUE(w.editor.isActive());
    EXPECT_EQ(w.editor.mainWindow(), &w.one);
    // A release goes to the window that had the press, wherever it happens.
    EXPECT_EQ(w.inject(EventRecord::mouse(EventType::leftMouseUp, {1000, 150})).window, w.one.number());
    EXPECT_EQ(w.inject(EventRecord::mouse(EventType::leftMouseDown, {2000, 2000})).fate, EventFate::noReceiver);
}

// A click that names the window that can handle it reaches that window wherever it
// stands (here beneath the other), or nobody when it names none or one that has gone;
// its release follows it.
TEST(Input, AClickThatNamesItsWindowReachesItOrNobody) {
    InputWorld w;
    const Point overlap{500, 350};
    const uint32_t beneath = w.world.windowAt(overlap) == &w.one ? w.two.number() : w.one.number();
    Window& gone = *w.editor.openWindow({.title = "Gone"});
    const uint32_t goneNumber = gone.number();
    gone.close();
    for (const auto& [named, reached] : {std::pair<int64_t, uint32_t>{beneath, beneath}, {goneNumber, 0}, {0, 0}}) {
        std::vector<uint32_t> receivers;
        for (EventRecord e : input_sequences::click(overlap)) {
            e.setIntegerValueField(EventField::mouseEventWindowUnderMousePointerThatCanHandleThisEvent, named);
            receivers.push_back(w.inject(e).window);
        }
        EXPECT_EQ(receivers, std::vector<uint32_t>(2, reached)) << named;
    }
}

TEST(Input, KeyEquivalentsReachTheActiveApplicationUnlessASystemHotKeyTakesThem) {
    InputWorld w;
    w.world.dockTrips().setDuration(0);
    auto ids = injectEvents(input_sequences::keyPress(key_codes::m, event_flags::command));
    EXPECT_TRUE(w.two.isMinimized());
    EXPECT_FALSE(w.one.isMinimized());
    EXPECT_NE(w.record(ids[0]).pressedControl, 0u);
    EXPECT_TRUE(injectEvents(input_sequences::keyPress(key_codes::m, event_flags::command | event_flags::shift)).size());
    EXPECT_FALSE(w.one.isMinimized());  // Shift-Command-M is no menu's
    injectEvents(input_sequences::keyPress(key_codes::m, event_flags::command | event_flags::option));
    EXPECT_TRUE(w.one.isMinimized());  // Minimize All

    ids = injectEvents(input_sequences::keyPress(key_codes::space, event_flags::command));
    EXPECT_EQ(w.record(ids[0]).fate, EventFate::takenBySystemHotKey);
    EXPECT_EQ(w.record(ids[0]).hotKey, 64);
    EXPECT_EQ(w.record(ids[1]).fate, EventFate::takenBySystemHotKey);
    w.world.hotKeys().setOperatingMode(desktop::SystemHotKeys::kModeDisabledExceptUniversalAccess,
                                       desktop::SystemHotKeys::kSystem);
    ids = injectEvents(input_sequences::keyPress(key_codes::space, event_flags::command | event_flags::capsLock));
    EXPECT_EQ(w.record(ids[0]).fate, EventFate::deliveredToApplication);
    w.world.hotKeys().setOperatingMode(desktop::SystemHotKeys::kModeEnabled, desktop::SystemHotKeys::kSystem);
    // Caps Lock is not a modifier of a hot key: Command-Space with it is still Spotlight's.
    ids = injectEvents(input_sequences::keyPress(key_codes::space, event_flags::command | event_flags::capsLock));
    EXPECT_EQ(w.record(ids[0]).fate, EventFate::takenBySystemHotKey);
}

TEST(Input, TheProgramsOwnEventsGoThroughItsLocalMonitorsToItsSink) {
    InputWorld w;
    Window& settings =
        *w.world.ownApplication().openWindow({.title = "Settings", .frame = Rect{800, 500, 400, 300}});
    w.world.ownApplication().activate();
    std::vector<EventRecord> dispatched;
    SimulatedInput::of(w.world).setOwnProcessEventSink([&](const EventRecord& e) { dispatched.push_back(e); });
    auto monitor = EventMonitor::addLocalMonitor(0x1C00, [](const EventRecord& e) -> std::optional<EventRecord> {
        if (e.type() == EventType::keyDown && e.keyCode() == key_codes::k) return std::nullopt;
        return e;
    });
    std::vector<EventType> elsewhere;
    auto global = EventMonitor::addGlobalMonitor(~EventMask{0}, [&](const EventRecord& e) { elsewhere.push_back(e.type()); });
    ASSERT_TRUE(monitor && global);

    const auto keys = injectEvents(input_sequences::keyPress(key_codes::k, event_flags::command));
    const auto& click = w.inject(EventRecord::mouse(EventType::leftMouseDown, settings.frame().mid()));
    EXPECT_EQ(click.fate, EventFate::deliveredToOwnProcess);
    EXPECT_TRUE(dispatched.empty());  // on the main queue
    w.loop.runUntilIdle();
    EXPECT_EQ(w.record(keys[0]).fate, EventFate::consumedByLocalMonitor);
    ASSERT_EQ(dispatched.size(), 2u);
    EXPECT_EQ(dispatched[0].type(), EventType::keyUp);
    EXPECT_EQ(dispatched[1].type(), EventType::leftMouseDown);
    EXPECT_TRUE(elsewhere.empty());

    // Events of other applications reach the global monitors; keys only while trusted.
    w.inject(EventRecord::mouse(EventType::leftMouseUp, settings.frame().mid()));
    w.inject(EventRecord::mouse(EventType::rightMouseDown, {150, 150}));
    w.editor.activate();
    w.inject(EventRecord::key(EventType::keyDown, key_codes::a));
    w.world.setAccessibilityTrusted(false);
    w.inject(EventRecord::key(EventType::keyUp, key_codes::a));
    w.loop.runUntilIdle();
    EXPECT_EQ(elsewhere, (std::vector<EventType>{EventType::rightMouseDown, EventType::keyDown}));
    EventMonitor::removeMonitor(monitor);
    EXPECT_EQ(EventMonitors::of(w.world).localCount(), 0u);
}

}  // namespace
}  // namespace platform
