// The vocabulary of the rules: stored strings, shortcut texts and slot identities.

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

TEST(HotkeyText, ModifierSymbolsInFixedOrderThenTheKeysOwnLabel) {
    EXPECT_EQ(Hotkey::modifierSymbols(modifier::command | modifier::shift), "\u21E7\u2318");
    EXPECT_EQ(Hotkey::modifierSymbols(modifier::all), "\u2303\u2325\u21E7\u2318");
    EXPECT_EQ(Hotkey::modifierSymbols(0x10000 | 0x800000), "");  // Caps Lock and others ignored
    EXPECT_EQ((Hotkey{40, modifier::command | modifier::shift, "K"}).displayText(), "\u21E7\u2318K");
    EXPECT_EQ((Hotkey{96, 0, "F5"}).displayText(), "F5");
}

TEST(HotkeyText, KeyLabelsOfNamedAndFunctionKeys) {
    const std::pair<uint16_t, std::optional<std::string>> labels[] = {
        {122, "F1"}, {64, "F17"}, {80, "F19"}, {49, "Space"}, {36, "\u21A9"}, {121, "\u21DF"}, {0, std::nullopt}};
    for (const auto& [key, label] : labels) EXPECT_EQ(Hotkey::keyLabel(key), label) << key;
    EXPECT_EQ(functionKeyCodes().size(), 19u);
    EXPECT_FALSE(functionKeyCodes().contains(49));
}

TEST(HotkeySlots, EachSlotHasAFreshVersionFourIdentifier) {
    const HotkeyBinding a = HotkeyBinding::newSlot();
    const HotkeyBinding b = HotkeyBinding::newSlot();
    EXPECT_NE(a.id, b.id);
    EXPECT_NE(a, b);  // same content, different slots
    const std::string text = a.id.toString();
    ASSERT_EQ(text.size(), 36u);
    EXPECT_EQ(text[14], '4');
    EXPECT_NE(std::string("89ab").find(text[19]), std::string::npos);  // variant 1
    for (size_t dash : {8u, 13u, 18u, 23u}) EXPECT_EQ(text[dash], '-');
}

}  // namespace
}  // namespace furlpane
