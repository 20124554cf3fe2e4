// The shortcut listener on the desktop: recording keys through the program's event
// monitor, listening only while the sheet is in front, pausing the system's shortcuts
// meanwhile, and putting them back however listening ends.

#include "triggers/hotkey_listener.h"

#include <memory>
#include <utility>
#include <vector>

#include "platform/appkit/window.h"
#include "platform/events/event_monitors.h"
#include "platform/events/event_router.h"
#include "platform/events/keyboard_layout.h"
#include "platform/runtime/observation.h"
#include "triggers/hotkey_listener_anchor.h"
#include "triggers_test_support.h"

namespace triggers_test {
namespace {

using furlpane::HotkeyListener;
using furlpane::Hotkey;
using furlpane::SystemHotkeys;
using platform::EventFate;

// The settings window with the recording sheet on it, key in the active program.
class HotkeyListenerTest : public TriggersTest {
protected:
    std::shared_ptr<platform::Window> settings = std::make_shared<platform::Window>(
        platform::Rect{100, 100, 600, 400}, platform::titledWindowMask);
    std::shared_ptr<platform::Window> sheet = std::make_shared<platform::Window>(
        platform::Rect{0, 0, 400, 200}, platform::titledWindowMask);
    std::shared_ptr<HotkeyListener> listener = HotkeyListener::create();

    void SetUp() override {
        app.activate();
        loop.runUntilIdle();
        settings->makeKeyAndOrderFront();
        settings->beginSheet(sheet);
    }
    // What the sheet does when it appears.
    void showSheet() {
        listener->setIsWanted(true);
        listener->setWindow(sheet.get());
        listener->observeFocus();
        listener->updateListening();
    }
    // What the sheet does when it goes away.
    void closeSheet() {
        listener->setIsWanted(false);
        listener->updateListening();
        listener->observeFocus();
    }
    // Injects the events and says what became of each.
    std::vector<EventFate> type(const std::vector<EventRecord>& events) {
        const auto ids = platform::injectEvents(events);
        loop.runUntilIdle();
        std::vector<EventFate> fates;
        for (uint64_t id : ids) fates.push_back(platform::EventRouter::of(world).find(id)->fate);
        return fates;
    }
    EventFate press(uint16_t keyCode, platform::EventFlags flags = 0) {
        return type({EventRecord::key(EventType::keyDown, keyCode, flags)})[0];
    }
    void switchToAnotherApplication() {
        world.application("com.example.Editor").window("One").launch();
        loop.runUntilIdle();
    }
    void comeBack() {
        app.activate();
        loop.runUntilIdle();
    }
    // Listening, with the monitor, the count and the pause that go with it.
    void expectListening(bool listening) {
        EXPECT_EQ(listener->isListening(), listening);
        EXPECT_EQ(HotkeyListener::listeningCount(), listening ? 1 : 0);
        EXPECT_EQ(platform::EventMonitors::of(world).localCount(), listening ? 1u : 0u);
        EXPECT_EQ(mode(), listening ? SystemHotkeys::kPausedMode : 0u);
    }
    static HotkeyListener::Press pressOf(uint16_t keyCode, platform::EventFlags modifiers, std::string label,
                                         bool isSystemShortcut = false) {
        return {Hotkey{keyCode, modifiers, std::move(label)}, isSystemShortcut};
    }
};

constexpr auto kConsumed = EventFate::consumedByLocalMonitor;
constexpr auto kToSheet = EventFate::deliveredToOwnProcess;

TEST_F(HotkeyListenerTest, AcceptedKeysAreConsumedRefusedOnesAndTheSheetsOwnGoToTheSheet) {
    showSheet();
    expectListening(true);
    // The modifiers may go up before the key: its autorepeats are still the accepted key.
    const auto fates = type({EventRecord::key(EventType::keyDown, keys::k, flags::command | flags::shift),
                             EventRecord::key(EventType::keyDown, keys::k, flags::command | flags::shift, true),
                             EventRecord::flagsChanged(0, keys::command),
                             EventRecord::key(EventType::keyDown, keys::k, 0, true),
                             EventRecord::key(EventType::keyUp, keys::k),
                             EventRecord::key(EventType::keyUp, keys::k)});
    EXPECT_EQ(fates, (std::vector{kConsumed, kConsumed, kToSheet, kConsumed, kConsumed, kToSheet}));
    EXPECT_EQ(listener->pressed(), pressOf(keys::k, flags::command | flags::shift, "K"));
    // A refusal keeps the earlier press until the next one.
    EXPECT_EQ(press(keys::a), kToSheet);
    EXPECT_EQ(listener->refusal(), HotkeyListener::Refusal::needsModifier("A"));
    EXPECT_EQ(press(keys::f5, flags::shift), kToSheet);
    EXPECT_EQ(listener->refusal(), HotkeyListener::Refusal::shiftedFunctionKey("⇧F5"));
    EXPECT_EQ(listener->pressed(), pressOf(keys::k, flags::command | flags::shift, "K"));
    EXPECT_EQ(press(keys::f5), kConsumed);
    EXPECT_EQ(listener->refusal(), std::nullopt);
    EXPECT_EQ(press(keys::escape), kToSheet);
    EXPECT_EQ(press(keys::returnKey, flags::shift), kToSheet);
    EXPECT_EQ(listener->pressed(), pressOf(keys::f5, 0, "F5"));
    EXPECT_EQ(press(keys::returnKey, flags::command), kConsumed);
}

TEST_F(HotkeyListenerTest, HeldModifiersFollowModifierChangesWhichAlwaysPass) {
    showSheet();
    const platform::EventFlags held = flags::option | flags::command;
    const auto fates = type({EventRecord::flagsChanged(flags::option | flags::capsLock, keys::option),
                             EventRecord::flagsChanged(held | flags::capsLock, keys::command)});
    EXPECT_EQ(fates, (std::vector{kToSheet, kToSheet}));
    EXPECT_EQ(listener->heldModifiers(), held);
    // Stopping forgets them and the held key, whose key-up then passes.
    EXPECT_EQ(press(keys::k, held), kConsumed);
    switchToAnotherApplication();
    EXPECT_EQ(listener->heldModifiers(), 0u);
    comeBack();
    EXPECT_EQ(type({EventRecord::key(EventType::keyUp, keys::k)})[0], kToSheet);
    EXPECT_EQ(listener->pressed(), pressOf(keys::k, held, "K"));
}

TEST_F(HotkeyListenerTest, ObservedStateChangesOnlyOnRealChanges) {
    showSheet();
    press(keys::k, flags::command);
    type({EventRecord::key(EventType::keyUp, keys::k)});
    int changes = 0;
    platform::withObservationTracking([&] { (void)listener->pressed(); }, [&] { ++changes; });
    press(keys::k, flags::command);  // the same press again
    EXPECT_EQ(changes, 0);
    press(keys::q, flags::command);
    EXPECT_EQ(changes, 1);
}

TEST_F(HotkeyListenerTest, APressTellsWhetherItIsOneOfTheSystemsShortcutsReadAtEachStart) {
    showSheet();
    // Spotlight's Command-Space is not taken by the system while it is paused.
    EXPECT_EQ(press(keys::space, flags::command), kConsumed);
    EXPECT_EQ(listener->pressed(), pressOf(keys::space, flags::command, "Space", true));
    EXPECT_EQ(press(20, flags::command | flags::shift | flags::capsLock), kConsumed);
    EXPECT_EQ(listener->pressed(), pressOf(20, flags::command | flags::shift, "3", true));

    switchToAnotherApplication();
    world.hotKeys().setEnabled(28, false);
    comeBack();
    press(20, flags::command | flags::shift);
    EXPECT_EQ(listener->pressed(), pressOf(20, flags::command | flags::shift, "3", false));
}

TEST_F(HotkeyListenerTest, LeavingTheSheetStopsListeningAndComingBackResumes) {
    showSheet();
    EXPECT_EQ(listener->observationCount(), 4u);
    switchToAnotherApplication();
    expectListening(false);
    // The other application's shortcuts work again: Spotlight takes Command-Space.
    EXPECT_EQ(press(keys::space, flags::command), EventFate::takenBySystemHotKey);
    comeBack();
    expectListening(true);

    // Another window of the program taking key stops it as well.
    auto other = std::make_shared<platform::Window>(platform::Rect{700, 100, 200, 200}, platform::titledWindowMask);
    other->makeKeyAndOrderFront();
    loop.runUntilIdle();
    expectListening(false);
    sheet->makeKeyWindow();
    loop.runUntilIdle();
    expectListening(true);
}

TEST_F(HotkeyListenerTest, OnlyAWantedListenerListensAndObserves) {
    listener->setWindow(sheet.get());
    listener->observeFocus();
    listener->updateListening();
    expectListening(false);
    EXPECT_EQ(listener->observationCount(), 0u);
    showSheet();
    expectListening(true);
    closeSheet();
    expectListening(false);
    EXPECT_EQ(listener->observationCount(), 0u);
    // Without a window only the application is followed, and nothing is in front.
    listener->setIsWanted(true);
    listener->setWindow(nullptr);
    EXPECT_EQ(listener->observationCount(), 2u);
    expectListening(false);
}

TEST_F(HotkeyListenerTest, TheShortcutsComeBackWhenTheListenerGoesOrTheProgramQuits) {
    showSheet();
    std::weak_ptr<HotkeyListener> weak = std::exchange(listener, nullptr);
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(HotkeyListener::listeningCount(), 0);
    EXPECT_EQ(platform::EventMonitors::of(world).localCount(), 0u);
    EXPECT_EQ(mode(), 0u);
    EXPECT_EQ(press(keys::k, flags::command), kToSheet);
    switchToAnotherApplication();  // its observations went with it

    // A restore from elsewhere while a sheet listens (the shell makes one when the program
    // ends; the shell's tests end the program): the sheet closing later changes nothing.
    world.hotKeys().setOperatingMode(1, desktop::SystemHotKeys::kSystem);
    comeBack();
    listener = HotkeyListener::create();
    showSheet();
    EXPECT_EQ(mode(), SystemHotkeys::kPausedMode);
    SystemHotkeys::restoreSystemHotkeys();
    EXPECT_EQ(mode(), 1u);
    const int changes = world.hotKeys().modeChanges();
    closeSheet();
    EXPECT_EQ(world.hotKeys().modeChanges(), changes);
}

TEST_F(HotkeyListenerTest, WithoutThePrivateCallsRecordingStillWorks) {
    world.privateCalls().remove("CGSSetGlobalHotKeyOperatingMode");
    world.privateCalls().remove("CGSIsSymbolicHotKeyEnabled");
    EXPECT_TRUE(SystemHotkeys::enabledSystemShortcuts().empty());
    showSheet();
    EXPECT_TRUE(listener->isListening());
    EXPECT_EQ(mode(), 0u);
    EXPECT_EQ(press(keys::k, flags::command), kConsumed);
    EXPECT_EQ(listener->pressed(), pressOf(keys::k, flags::command, "K"));
    // The system took its own shortcut before the recorder could see it.
    EXPECT_EQ(press(keys::space, flags::command), EventFate::takenBySystemHotKey);
    closeSheet();
    EXPECT_EQ(world.hotKeys().modeChanges(), 0);
}

TEST_F(HotkeyListenerTest, StartingTwiceLeavesOneMonitorCountedOnce) {
    listener->start();
    listener->start();
    EXPECT_EQ(HotkeyListener::listeningCount(), 1);
    EXPECT_EQ(platform::EventMonitors::of(world).localCount(), 1u);
    listener->stop();
    EXPECT_EQ(HotkeyListener::listeningCount(), 0);
    EXPECT_EQ(platform::EventMonitors::of(world).localCount(), 0u);
}

TEST_F(HotkeyListenerTest, TheAnchorHandsTheSheetsWindowToTheListener) {
    const furlpane::HotkeyListenerAnchor anchor{listener};
    const auto view = anchor.makeView();
    EXPECT_EQ(view->listener(), nullptr);
    anchor.updateView(*view);
    EXPECT_EQ(view->listener(), listener);
    EXPECT_EQ(listener->window(), nullptr);

    listener->setIsWanted(true);
    sheet->setContentView(std::make_shared<platform::View>());
    sheet->contentView()->addSubview(view);
    EXPECT_EQ(listener->window(), sheet);
    expectListening(true);
    EXPECT_EQ(listener->observationCount(), 4u);
    EXPECT_EQ(view->hitTest({10, 10}), nullptr);

    view->removeFromSuperview();
    EXPECT_EQ(listener->window(), nullptr);
    expectListening(false);
    sheet->contentView()->addSubview(view);
    expectListening(true);
    furlpane::HotkeyListenerAnchor::dismantle(*view);
    EXPECT_FALSE(listener->isWanted());
    expectListening(false);
    EXPECT_EQ(listener->observationCount(), 0u);
}

TEST(HotkeyListenerWithoutWorld, NoMonitorMeansNoListening) {
    platform::MainLoop loop(platform::ClockKind::simulated);
    const auto listener = HotkeyListener::create();
    listener->setIsInFront([](platform::Window*) { return true; });
    listener->setIsWanted(true);
    listener->updateListening();
    EXPECT_FALSE(listener->isListening());
    EXPECT_EQ(HotkeyListener::listeningCount(), 0);
}

}  // namespace
}  // namespace triggers_test
