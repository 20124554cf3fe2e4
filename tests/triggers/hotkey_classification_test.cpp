// How the shortcut listener classifies a key-down: accepted presses with their labels,
// refusals with their texts, and the keys it leaves to the sheet.

#include <string>
#include <variant>

#include "platform/events/keyboard_layout.h"
#include "platform/events/simulated_input.h"
#include "triggers/hotkey_listener.h"
#include "triggers_test_support.h"

namespace triggers_test {
namespace {

using furlpane::HotkeyListener;
using Reason = HotkeyListener::Refusal::Reason;

constexpr platform::EventFlags kShift = flags::shift, kControl = flags::control, kOption = flags::option,
                               kCommand = flags::command;

// A classification as one line: "press ⇧⌘ K", "needsModifier ⇧A", "shiftedFunctionKey ⇧F5" or "sheet".
std::string describe(const HotkeyListener::Classification& c) {
    if (const auto* press = std::get_if<HotkeyListener::Press>(&c)) {
        return "press " + furlpane::Hotkey::modifierSymbols(press->hotkey.modifiers) + " " + press->hotkey.label;
    }
    if (const auto* refusal = std::get_if<HotkeyListener::Refusal>(&c)) {
        return (refusal->reason == Reason::needsModifier ? "needsModifier " : "shiftedFunctionKey ") + refusal->text;
    }
    return "sheet";
}

std::string classify(uint16_t keyCode, platform::EventFlags flags) {
    return describe(HotkeyListener::classify(EventRecord::key(EventType::keyDown, keyCode, flags)));
}

class HotkeyClassificationTest : public TriggersTest {};

struct KeyCase {
    uint16_t keyCode;
    platform::EventFlags flags;
    std::string expected;
};

TEST_F(HotkeyClassificationTest, KeysAreAcceptedRefusedOrLeftToTheSheet) {
    const KeyCase cases[] = {
        {keys::a, kCommand | flags::capsLock, "press ⌘ A"},  // Caps Lock is no modifier of a shortcut
        {18, kShift | kCommand, "press ⇧⌘ 1"},              // the key's own text, not "!"
        {keys::f5, flags::function, "press  F5"},           // as a real keyboard sends it
        {keys::f19, kShift | flags::function, "shiftedFunctionKey ⇧F19"},
        {keys::escape, 0, "sheet"},
        {keys::returnKey, kShift, "sheet"},
        {keys::enter, 0, "sheet"},
        {keys::tab, kShift, "sheet"},
        {keys::space, 0, "sheet"},
        {keys::returnKey, kCommand, "press ⌘ ↩"},
        {keys::space, kOption, "press ⌥ Space"},
        {keys::escape, kControl | kShift, "press ⌃⇧ ⎋"},
        {keys::leftArrow, flags::numericPad | flags::function, "needsModifier ←"},
        {keys::deleteKey, kShift, "needsModifier ⇧⌫"},
        {10, kCommand, "press ⌘ #10"},   // no character and no name
        {110, 0, "needsModifier #110"},
    };
    for (const KeyCase& c : cases) EXPECT_EQ(classify(c.keyCode, c.flags), c.expected) << c.keyCode << " " << c.flags;
}

TEST_F(HotkeyClassificationTest, EveryModifierCombinationOfALetterAndAFunctionKey) {
    for (platform::EventFlags bits = 0; bits < 16; ++bits) {
        const platform::EventFlags held = (bits & 1 ? kShift : 0) | (bits & 2 ? kControl : 0) |
                                          (bits & 4 ? kOption : 0) | (bits & 8 ? kCommand : 0);
        const std::string symbols = furlpane::Hotkey::modifierSymbols(held);
        const bool strong = (held & (kControl | kOption | kCommand)) != 0;
        SCOPED_TRACE(symbols);
        EXPECT_EQ(classify(keys::x, held), strong ? "press " + symbols + " X" : "needsModifier " + symbols + "X");
        const std::string functionKey = strong || held == 0 ? "press " + symbols + " F1"
                                                             : "shiftedFunctionKey " + symbols + "F1";
        EXPECT_EQ(classify(keys::f1, held), functionKey);
    }
}

TEST_F(HotkeyClassificationTest, LabelsFollowTheKeyboardLayout) {
    platform::SimulatedInput::of(world).setKeyboardLayout(platform::KeyboardLayout::russian());
    EXPECT_EQ(classify(keys::m, kCommand), "press ⌘ Ь");
    EXPECT_EQ(classify(keys::k, kOption | kShift), "press ⌥⇧ Л");
    EXPECT_EQ(classify(keys::q, kShift), "needsModifier ⇧Й");
    EXPECT_EQ(classify(44, kControl), "press ⌃ .");  // the plain character, not the shifted ","

    auto layout = platform::KeyboardLayout::usANSI();
    layout.remove(keys::x);
    platform::SimulatedInput::of(world).setKeyboardLayout(layout);
    EXPECT_EQ(classify(keys::x, kCommand), "press ⌘ #7");
}

}  // namespace
}  // namespace triggers_test
