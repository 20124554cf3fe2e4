// Recording a shortcut as a user does: the field opens the sheet, keys are injected while
// the sheet is the key window, the sheet shows what was pressed and why a key is refused
// or what setting it would mean, and "Set Shortcut" stores the slot, read back from the
// defaults file.

#include <gtest/gtest.h>

#include "actions_test_support.h"
#include "platform/events/keyboard_layout.h"
#include "settings/window/hotkey_list.h"
#include "settings/window/hotkey_recorder.h"
#include "settings/window/hotkey_recorder_sheet.h"
#include "triggers/system_hotkeys.h"

namespace furlpane {
namespace {

using namespace platform;
using platform::ui::ControlKind;
namespace keys = platform::key_codes;
namespace flags = platform::event_flags;

constexpr const char* kWarning = "exclamationmark.triangle.fill";
constexpr const char* kInformation = "info.circle";

class HotkeyRecorderTest : public testing::ActionsTabTest {
protected:
    // Default Settings with one slot, the sheet open on it.
    void openSheet(const std::string& field = "None") {
        if (!scene.host()) openActions();
        clickOn(control(ControlKind::button, field));
        ASSERT_EQ(host().sheetWindows().size(), 1u) << host().outline();
    }
    Uuid addSlot(const std::optional<std::string>& application = std::nullopt,
                 std::optional<Hotkey> hotkey = std::nullopt, WindowAction action = WindowAction::furlpane,
                 bool enabled = true) {
        rules->addHotkeyBinding(settingsOf(application));
        const auto& slots = application ? rules->ruleForBundleIdentifier(*application)->settings.hotkeys
                                        : rules->standard().hotkeys;
        HotkeyBinding slot = slots.back();
        slot.hotkey = hotkey;
        slot.action = action;
        slot.isEnabled = enabled;
        rules->modifySettings(settingsOf(application), ActionRules::updateHotkeyBinding(slot));
        return slot.id;
    }
    static ActionRules::BundleIdentifier settingsOf(const std::optional<std::string>& application) {
        return application ? ActionRules::BundleIdentifier(*application) : std::nullopt;
    }
    void type(uint16_t keyCode, EventFlags held = 0) {
        injectEvents({EventRecord::key(EventType::keyDown, keyCode, held), EventRecord::key(EventType::keyUp, keyCode, held)});
        settle();
    }
    void hold(EventFlags held, uint16_t modifierKey) {
        injectEvent(EventRecord::flagsChanged(held, modifierKey));
        settle();
    }
    std::string field() { return control(ControlKind::text, HotkeyRecorderSheet::kFieldLabel).value(); }
    bool fieldIsPlaceholder() {
        return host().outline().find("Text \"" + field() + "\" title2 monospaced secondary") != std::string::npos;
    }
    bool canSet() { return control(ControlKind::button, "Set Shortcut").isEnabled(); }
    // The notices shown, each as its icon and its text.
    std::vector<std::pair<std::string, std::string>> notices() {
        std::vector<std::string> icons;
        for (const ui::Control& image : host().findAll(ControlKind::image)) {
            if (image.label() == kWarning || image.label() == kInformation) icons.push_back(image.label());
        }
        std::vector<std::pair<std::string, std::string>> shown;
        for (const ui::Control& label : host().findAll(ControlKind::label)) {
            if (label.label() != "Default Settings") shown.emplace_back(icons.at(shown.size()), label.label());
        }
        return shown;
    }
    std::optional<Hotkey> storedHotkey(const Uuid& id) {
        const auto read = storedRules();
        // Slot ids are not stored: the slot is found by its place.
        const auto& slots = read->standard().hotkeys;
        for (size_t i = 0; i < rules->standard().hotkeys.size(); ++i) {
            if (rules->standard().hotkeys[i].id == id) return slots.at(i).hotkey;
        }
        return std::nullopt;
    }
    uint32_t systemMode() { return world.hotKeys().operatingMode(); }
};

TEST_F(HotkeyRecorderTest, TheFieldShowsTheHeldModifiersWhileACombinationIsBuilt) {
    addSlot();
    openSheet();
    EXPECT_EQ(systemMode(), SystemHotkeys::kPausedMode);
    struct Step {
        const char* name;
        std::function<void()> act;
        const char* shown;
        bool placeholder;
    };
    const Step steps[] = {
        {"nothing yet", [] {}, "Press keys…", true},
        {"Option and Command held", [&] { hold(flags::option | flags::command, keys::command); }, "⌥⌘", false},
        {"released", [&] { hold(0, keys::command); }, "Press keys…", true},
        {"⌥⌘K pressed", [&] {
             hold(flags::option | flags::command, keys::command);
             type(keys::k, flags::option | flags::command);
         }, "⌥⌘K", false},
        {"only Control held", [&] { hold(flags::control, keys::control); }, "⌃", false},
        {"Option and Command again", [&] { hold(flags::option | flags::command, keys::command); }, "⌥⌘K", false},
        {"all released", [&] { hold(0, keys::command); }, "⌥⌘K", false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.act();
        EXPECT_EQ(field(), step.shown);
        EXPECT_EQ(fieldIsPlaceholder(), step.placeholder);
    }
    EXPECT_TRUE(has(ControlKind::text, "Keyboard Shortcut for “Furlpane”"));
    EXPECT_TRUE(has(ControlKind::text, "No shortcut yet"));
    EXPECT_TRUE(has(ControlKind::text, HotkeyRecorderSheet::kPausedNote));
    snapshot("recording-sheet");
}

TEST_F(HotkeyRecorderTest, RefusedKeysExplainWhyAndNeverReplaceTheAcceptedCombination) {
    const Uuid slot = addSlot();
    openSheet();
    type(keys::k);
    EXPECT_EQ(notices(), (std::vector<std::pair<std::string, std::string>>{
                             {kWarning, "Add Command, Option, or Control. On its own, K would stop typing in every "
                                        "application that uses Default Settings."}}));
    EXPECT_FALSE(canSet());
    type(keys::f5, flags::shift);
    EXPECT_EQ(notices(), (std::vector<std::pair<std::string, std::string>>{
                             {kWarning, "A function key can be a shortcut on its own, or with Command, Option, or "
                                        "Control, but not with Shift alone."}}));
    type(keys::f5);
    EXPECT_EQ(field(), "F5");
    EXPECT_TRUE(notices().empty());
    EXPECT_TRUE(canSet());
    type(keys::k, flags::shift);
    EXPECT_EQ(notices().at(0).second,
              "Add Command, Option, or Control. On its own, ⇧K would stop typing in every application that uses "
              "Default Settings.");
    EXPECT_EQ(field(), "F5");
    snapshot("recording-refusal");
    // Return sets what was accepted, refusal or not; the system's shortcuts come back.
    type(keys::returnKey);
    EXPECT_TRUE(host().sheetWindows().empty());
    EXPECT_EQ(systemMode(), 0u);
    EXPECT_EQ(storedHotkey(slot), (Hotkey{keys::f5, 0, "F5"}));
    EXPECT_TRUE(has(ControlKind::button, "F5"));
}

TEST_F(HotkeyRecorderTest, TheSheetsOwnKeysReachItAndEscapeCancelsWithNothingStored) {
    const Hotkey current{keys::k, flags::option | flags::command, "K"};
    const Uuid slot = addSlot(std::nullopt, current);
    openSheet("⌥⌘K");
    EXPECT_TRUE(has(ControlKind::text, "Current shortcut: ⌥⌘K"));
    // Tab and Space are the sheet's; they record nothing and refuse nothing.
    type(keys::tab);
    type(keys::space);
    EXPECT_EQ(field(), "Press keys…");
    EXPECT_TRUE(notices().empty());
    // The slot's own combination again: nothing to set, and Return does nothing.
    type(keys::k, flags::option | flags::command);
    EXPECT_FALSE(canSet());
    type(keys::returnKey);
    EXPECT_EQ(host().sheetWindows().size(), 1u);
    type(keys::q, flags::command);
    EXPECT_TRUE(canSet());
    type(keys::escape);
    EXPECT_TRUE(host().sheetWindows().empty());
    EXPECT_EQ(systemMode(), 0u);
    EXPECT_EQ(HotkeyListener::listeningCount(), 0);
    EXPECT_EQ(storedHotkey(slot), current);
    EXPECT_TRUE(has(ControlKind::button, "⌥⌘K"));
    // A new sheet starts empty.
    openSheet("⌥⌘K");
    EXPECT_EQ(field(), "Press keys…");
    clickOn(control(ControlKind::button, "Cancel"));
    EXPECT_TRUE(host().sheetWindows().empty());
}

TEST_F(HotkeyRecorderTest, SettingTakesTheCombinationAwayFromTheOtherSlotsThatHaveIt) {
    const Hotkey commandK{keys::k, flags::command, "K"};
    const Uuid first = addSlot(std::nullopt, commandK, WindowAction::floatOnTop);
    const Uuid second = addSlot(std::nullopt, commandK, WindowAction::hideApplication, false);
    const Uuid third = addSlot(std::nullopt, Hotkey{keys::q, flags::command | flags::control, "Q"});
    const Uuid recorded = addSlot();
    openSheet();
    type(keys::k, flags::command);
    EXPECT_EQ(notices(), (std::vector<std::pair<std::string, std::string>>{
                             {kInformation, "Other shortcuts have this combination now. Setting it here takes it away "
                                            "from them."},
                             {kInformation, "Applications often use Command with a single key for their own commands. "
                                            "While ⌘K is set here, the application in front won’t receive it."}}));
    type(keys::q, flags::command | flags::control);
    EXPECT_EQ(notices().at(0).second,
              "Another shortcut, for “Furlpane”, has this combination now. Setting it here takes it away from that one.");
    type(keys::k, flags::command);
    clickOn(control(ControlKind::button, "Set Shortcut"));
    EXPECT_EQ(storedHotkey(recorded), commandK);
    EXPECT_EQ(storedHotkey(first), std::nullopt);
    EXPECT_EQ(storedHotkey(second), std::nullopt);
    EXPECT_EQ(storedHotkey(third), (Hotkey{keys::q, flags::command | flags::control, "Q"}));
    // The fields show it: one has the combination now, the two that lost it "None".
    std::vector<std::string> fields;
    for (const ui::Control& b : host().findAll(ControlKind::button)) {
        if (b.help() == HotkeyRecorder::kHelp) fields.push_back(b.label());
    }
    EXPECT_EQ(fields, (std::vector<std::string>{"None", "None", "⌃⌘Q", "⌘K"}));
}

TEST_F(HotkeyRecorderTest, ASystemShortcutIsRecordedWhileTheSystemsShortcutsArePaused) {
    addSlot();
    openSheet();
    // Command-Space is the system's Spotlight shortcut: paused, it reaches the sheet.
    type(keys::space, flags::command);
    EXPECT_EQ(field(), "⌘Space");
    EXPECT_EQ(notices(), (std::vector<std::pair<std::string, std::string>>{
                             {kInformation, "macOS uses this combination for one of its own shortcuts. Setting it here "
                                            "means that shortcut won’t work while an application that uses Default "
                                            "Settings is in front."},
                             {kInformation, "Applications often use Command with a single key for their own commands. "
                                            "While ⌘Space is set here, the application in front won’t receive it."}}));
    snapshot("recording-system-shortcut");
}

TEST_F(HotkeyRecorderTest, RecordingStopsWhileTheSheetIsNotInFrontAndResumesOnReturn) {
    const Uuid slot = addSlot();
    openSheet();
    type(keys::k, flags::command);
    EXPECT_EQ(systemMode(), SystemHotkeys::kPausedMode);
    world.application("com.example.Editor").window("Document").launch();
    settle();
    EXPECT_EQ(systemMode(), 0u);
    EXPECT_EQ(HotkeyListener::listeningCount(), 0);
    // Keys typed meanwhile go to the other application, not into the sheet.
    type(keys::x, flags::command);
    EXPECT_EQ(field(), "⌘K");
    app.activate();
    settle();
    EXPECT_EQ(systemMode(), SystemHotkeys::kPausedMode);
    type(keys::x, flags::command);
    EXPECT_EQ(field(), "⌘X");
    clickOn(control(ControlKind::button, "Set Shortcut"));
    EXPECT_EQ(systemMode(), 0u);
    EXPECT_EQ(storedHotkey(slot), (Hotkey{keys::x, flags::command, "X"}));
}

TEST_F(HotkeyRecorderTest, ASlotRemovedWhileRecordingTakesItsSheetAwayWithNothingStored) {
    const Uuid slot = addSlot();
    const Uuid other = addSlot(std::nullopt, Hotkey{keys::k, flags::command, "K"});
    openSheet();
    type(keys::k, flags::command);
    // Removed elsewhere: its row goes, and the sheet with it.
    rules->modifySettings(std::nullopt, ActionRules::removeHotkeyBinding(slot));
    settle();
    EXPECT_TRUE(host().sheetWindows().empty());
    EXPECT_EQ(systemMode(), 0u);
    type(keys::returnKey);
    EXPECT_EQ(storedRules()->standard().hotkeys.size(), 1u);
    EXPECT_EQ(storedHotkey(other), (Hotkey{keys::k, flags::command, "K"}));
}

TEST_F(HotkeyRecorderTest, ClosingTheSettingsWindowWithTheSheetOpenPutsTheSystemsShortcutsBack) {
    addSlot();
    openSheet();
    EXPECT_EQ(systemMode(), SystemHotkeys::kPausedMode);
    host().window()->close();
    settle();
    EXPECT_EQ(systemMode(), 0u);
    EXPECT_EQ(HotkeyListener::listeningCount(), 0);
}

TEST_F(HotkeyRecorderTest, WithoutThePrivateCallsNothingIsPausedAndTheNoteIsLeftOut) {
    world.privateCalls().remove("CGSSetGlobalHotKeyOperatingMode");
    const Uuid slot = addSlot();
    openSheet();
    EXPECT_FALSE(has(ControlKind::text, HotkeyRecorderSheet::kPausedNote));
    type(keys::k, flags::command | flags::option);
    EXPECT_EQ(field(), "⌥⌘K");
    type(keys::returnKey);
    EXPECT_EQ(storedHotkey(slot), (Hotkey{keys::k, flags::option | flags::command, "K"}));
    EXPECT_EQ(world.hotKeys().modeChanges(), 0);
}

}  // namespace
}  // namespace furlpane
