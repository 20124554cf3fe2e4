#include "settings/model/hotkey.h"

#include <utility>

namespace furlpane {

namespace {

// Function keys in the order of their numbers: F1 is 122, F19 is 80.
constexpr std::array<uint16_t, 19> kFunctionKeys{122, 120, 99, 118, 96, 97, 98, 100, 101, 109,
                                                 103, 111, 105, 107, 113, 106, 64, 79, 80};

constexpr std::array<KeyName, 15> kKeyNames{{
    {36, "\u21A9"},   // Return
    {76, "\u2324"},   // keypad Enter
    {48, "\u21E5"},   // Tab
    {49, "Space"},    // Space
    {51, "\u232B"},   // Delete
    {117, "\u2326"},  // forward Delete
    {53, "\u238B"},   // Escape
    {123, "\u2190"},  // Left Arrow
    {124, "\u2192"},  // Right Arrow
    {125, "\u2193"},  // Down Arrow
    {126, "\u2191"},  // Up Arrow
    {115, "\u2196"},  // Home
    {119, "\u2198"},  // End
    {116, "\u21DE"},  // Page Up
    {121, "\u21DF"},  // Page Down
}};

struct ModifierKey {
    EventFlags bit;
    const char* storedKey;
};
constexpr std::array<ModifierKey, 4> kStoredModifiers{{
    {modifier::command, "Command"},
    {modifier::control, "Control"},
    {modifier::option, "Option"},
    {modifier::shift, "Shift"},
}};

}  // namespace

std::string Hotkey::modifierSymbols(EventFlags flags) {
    std::string symbols;
    if (flags & modifier::control) symbols += "\u2303";
    if (flags & modifier::option) symbols += "\u2325";
    if (flags & modifier::shift) symbols += "\u21E7";
    if (flags & modifier::command) symbols += "\u2318";
    return symbols;
}

std::optional<std::string> Hotkey::keyLabel(uint16_t keyCode) {
    for (size_t i = 0; i < kFunctionKeys.size(); ++i) {
        // Appended rather than "F" + to_string(...): g++ 12 warns falsely on that form.
        if (kFunctionKeys[i] == keyCode) return std::string("F").append(std::to_string(i + 1));
    }
    for (const KeyName& key : kKeyNames) {
        if (key.keyCode == keyCode) return std::string(key.name);
    }
    return std::nullopt;
}

std::string Hotkey::displayText() const { return modifierSymbols(modifiers) + label; }

bool Hotkey::isSameShortcut(uint16_t otherKeyCode, EventFlags flags) const {
    return keyCode == otherKeyCode && (modifiers & modifier::all) == (flags & modifier::all);
}

plist::Dictionary Hotkey::encode() const {
    plist::Dictionary stored;
    encodeInto(stored);
    return stored;
}

void Hotkey::encodeInto(plist::Dictionary& slot) const {
    slot.set("KeyCode", plist::Value(int64_t{keyCode}));
    slot.set("Label", plist::Value(label));
    for (const ModifierKey& m : kStoredModifiers) slot.set(m.storedKey, plist::Value((modifiers & m.bit) != 0));
}

std::optional<Hotkey> Hotkey::decode(const plist::Dictionary& stored) {
    const plist::Value* keyCode = stored.find("KeyCode");
    const plist::Value* label = stored.find("Label");
    if (!keyCode || !keyCode->integer() || !label || !label->string()) return std::nullopt;
    const int64_t code = *keyCode->integer();
    if (code < 0 || code > 65535) return std::nullopt;
    Hotkey hotkey{static_cast<uint16_t>(code), 0, *label->string()};
    for (const ModifierKey& m : kStoredModifiers) {
        const plist::Value* held = stored.find(m.storedKey);
        if (held && held->boolean().value_or(false)) hotkey.modifiers |= m.bit;
    }
    return hotkey;
}

const std::set<uint16_t>& functionKeyCodes() {
    static const std::set<uint16_t> codes(kFunctionKeys.begin(), kFunctionKeys.end());
    return codes;
}

const std::array<KeyName, 15>& keyNameTable() { return kKeyNames; }

HotkeyBinding HotkeyBinding::newSlot() { return newSlot(Uuid::random()); }

HotkeyBinding HotkeyBinding::newSlot(Uuid id) { return HotkeyBinding{id, std::nullopt, WindowAction::furlpane, true}; }

bool HotkeyBinding::matches(uint16_t keyCode, EventFlags flags) const {
    return isEnabled && hotkey && hotkey->isSameShortcut(keyCode, flags);
}

plist::Dictionary HotkeyBinding::encode() const {
    plist::Dictionary stored;
    stored.set("Action", plist::Value(std::string(rawValue(action))));
    stored.set("Enabled", plist::Value(isEnabled));
    if (hotkey) hotkey->encodeInto(stored);
    return stored;
}

HotkeyBinding HotkeyBinding::decode(const plist::Dictionary& stored) {
    HotkeyBinding slot = newSlot();
    slot.hotkey = Hotkey::decode(stored);
    if (const plist::Value* action = stored.find("Action"); action && action->string()) {
        slot.action = fromRawValue<WindowAction>(std::string_view(*action->string())).value_or(WindowAction::furlpane);
    }
    if (const plist::Value* enabled = stored.find("Enabled"); enabled && enabled->boolean()) {
        slot.isEnabled = *enabled->boolean();
    }
    return slot;
}

}  // namespace furlpane
