// The vocabulary of the rules: stored strings, factory settings, shortcut texts and
// how a key press matches a slot.

#include "settings/model/hotkey.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/model/triggers.h"

namespace furlpane {
namespace {

TEST(Vocabulary, StoredStringsAndCaseOrder) {
    std::vector<std::string_view> triggers;
    for (Trigger t : allCases<Trigger>()) triggers.push_back(rawValue(t));
    EXPECT_EQ(triggers, (std::vector<std::string_view>{"DoubleClick", "MinimizeButton", "ControlDoubleClick",
                                                       "CommandDoubleClick", "CmdM", "DoubleCmd", "DoubleControl"}));
    std::vector<std::string_view> actions;
    for (WindowAction a : allCases<WindowAction>()) actions.push_back(rawValue(a));
    EXPECT_EQ(actions, (std::vector<std::string_view>{"Furlpane", "MIP", "HideApplication", "FOT", "Minimize",
                                                      "DoNothing"}));
    EXPECT_EQ(fromRawValue<Trigger>(std::string_view("DoubleCmd")), Trigger::commandDoubleTap);
    EXPECT_EQ(fromRawValue<WindowAction>(std::string_view("FOT")), WindowAction::floatOnTop);
    EXPECT_EQ(fromRawValue<WindowAction>(std::string_view("fot")), std::nullopt);  // case-sensitive
    EXPECT_EQ(fromRawValue<WindowAction>(std::string_view("FOT ")), std::nullopt);  // whole string
}

TEST(Vocabulary, FactorySettings) {
    const std::vector<TriggerSetting> expected{
        {WindowAction::furlpane, true},        {WindowAction::minimizeToDock, true},
        {WindowAction::floatOnTop, true},      {WindowAction::minimizeInPlace, false},
        {WindowAction::minimizeToDock, true},  {WindowAction::floatOnTop, false},
        {WindowAction::minimizeInPlace, false}};
    std::vector<TriggerSetting> factory;
    for (Trigger t : allCases<Trigger>()) factory.push_back(factorySetting(t));
    EXPECT_EQ(factory, expected);
}

TEST(HotkeyText, ModifierSymbolsInFixedOrder) {
    EXPECT_EQ(Hotkey::modifierSymbols(modifier::command | modifier::shift), "\u21E7\u2318");
    EXPECT_EQ(Hotkey::modifierSymbols(modifier::all), "\u2303\u2325\u21E7\u2318");
    EXPECT_EQ(Hotkey::modifierSymbols(0), "");
    EXPECT_EQ(Hotkey::modifierSymbols(0x10000 | 0x800000), "");  // Caps Lock and others ignored
}

TEST(HotkeyText, KeyLabelsOfNamedAndFunctionKeys) {
    EXPECT_EQ(Hotkey::keyLabel(122), "F1");
    EXPECT_EQ(Hotkey::keyLabel(64), "F17");
    EXPECT_EQ(Hotkey::keyLabel(80), "F19");
    EXPECT_EQ(Hotkey::keyLabel(49), "Space");
    EXPECT_EQ(Hotkey::keyLabel(36), "\u21A9");
    EXPECT_EQ(Hotkey::keyLabel(121), "\u21DF");
    EXPECT_EQ(Hotkey::keyLabel(0), std::nullopt);
    EXPECT_EQ(functionKeyCodes().size(), 19u);
    EXPECT_TRUE(functionKeyCodes().contains(79));
    EXPECT_FALSE(functionKeyCodes().contains(49));
    EXPECT_EQ(keyNameTable().front().keyCode, 36);
}

TEST(HotkeyText, DisplayTextIsSymbolsThenTheKeysOwnLabel) {
    const Hotkey commandShiftK{40, modifier::command | modifier::shift, "K"};
    EXPECT_EQ(commandShiftK.displayText(), "\u21E7\u2318K");
    const Hotkey f5{96, 0, "F5"};
    EXPECT_EQ(f5.displayText(), "F5");
}

TEST(HotkeySlots, NewSlotsAndIdentity) {
    const HotkeyBinding a = HotkeyBinding::newSlot();
    const HotkeyBinding b = HotkeyBinding::newSlot();
    EXPECT_EQ(a.action, WindowAction::furlpane);
    EXPECT_TRUE(a.isEnabled);
    EXPECT_FALSE(a.hotkey);
    EXPECT_NE(a.id, b.id);
    EXPECT_NE(a, b);  // same content, different slots
    HotkeyBinding copy = a;
    EXPECT_EQ(copy, a);
    EXPECT_EQ(a.id.toString().size(), 36u);
    EXPECT_EQ(a.id.toString()[14], '4');  // version 4
}

TEST(HotkeySlots, KeyPressMatching) {
    HotkeyBinding slot = HotkeyBinding::newSlot();
    EXPECT_FALSE(slot.matches(40, modifier::command)) << "an unrecorded slot never matches";
    slot.hotkey = Hotkey{40, modifier::command, "K"};
    EXPECT_TRUE(slot.matches(40, modifier::command | 0x10000 | 0x100)) << "Caps Lock and device bits are ignored";
    EXPECT_FALSE(slot.matches(40, modifier::command | modifier::shift));
    EXPECT_FALSE(slot.matches(41, modifier::command));
    slot.isEnabled = false;
    EXPECT_FALSE(slot.matches(40, modifier::command));
}

}  // namespace
}  // namespace furlpane
