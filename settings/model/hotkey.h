#pragma once

// Recorded keyboard shortcuts (Hotkey), shortcut slots (HotkeyBinding), and the fixed
// tables from which a shortcut's text is made.
//
// A Hotkey's label is the key's own text ("K", "F5", "Space"), fixed when the shortcut
// is recorded and shown unchanged afterwards; it carries no modifier symbols. What a
// shortcut shows is displayText(): the modifier symbols followed by the label.
//
// Two shortcuts are the same shortcut when their key codes are equal and their
// modifier masks, each limited to the four modifier bits, are equal. Event flags handed
// in with a key press carry other bits too (Caps Lock, the numeric pad); those never
// take part in a comparison.

#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "platform/plist/value.h"
#include "settings/model/triggers.h"
#include "settings/model/uuid.h"

namespace furlpane {

namespace plist = platform::plist;

// Event flags as the event tap hands them in.
using EventFlags = uint64_t;

namespace modifier {
inline constexpr EventFlags shift = 0x20000;
inline constexpr EventFlags control = 0x40000;
inline constexpr EventFlags option = 0x80000;
inline constexpr EventFlags command = 0x100000;
// The only bits a Hotkey's modifiers ever hold.
inline constexpr EventFlags all = shift | control | option | command;
}  // namespace modifier

struct Hotkey {
    uint16_t keyCode = 0;
    EventFlags modifiers = 0;
    std::string label;

    // The symbols of the modifiers in `flags`, in the order Control, Option, Shift,
    // Command ("⌃⌥⇧⌘"); other bits are ignored; empty when none is held.
    static std::string modifierSymbols(EventFlags flags);
    // "F1" ... "F19" for the function keys, the name of a key in keyNameTable(), else
    // nothing.
    static std::optional<std::string> keyLabel(uint16_t keyCode);

    // The text shown for the shortcut: its modifier symbols, then its label.
    std::string displayText() const;
    // Whether a key press with this key code and these flags is this shortcut.
    bool isSameShortcut(uint16_t otherKeyCode, EventFlags flags) const;

    // The stored form: "KeyCode", "Label", "Command", "Control", "Option", "Shift".
    plist::Dictionary encode() const;
    // Adds the stored form's six keys to a slot's dictionary.
    void encodeInto(plist::Dictionary& slot) const;
    // Nothing unless "KeyCode" is an integer from 0 to 65535 and "Label" a string; a
    // modifier key that is missing or not a Boolean adds nothing to the mask.
    static std::optional<Hotkey> decode(const plist::Dictionary& stored);

    friend bool operator==(const Hotkey&, const Hotkey&) = default;
};

// The virtual key codes of F1 ... F19.
const std::set<uint16_t>& functionKeyCodes();

struct KeyName {
    uint16_t keyCode;
    std::string_view name;
};
// The fifteen keys with a name of their own (Return, Tab, Space, the arrows, ...).
const std::array<KeyName, 15>& keyNameTable();

// One shortcut slot of a settings collection.
struct HotkeyBinding {
    // Identity of the slot while the program runs; never stored, so every load gives
    // each slot a fresh one.
    Uuid id;
    // Absent while nothing is recorded, or after another slot took the shortcut.
    std::optional<Hotkey> hotkey;
    WindowAction action = WindowAction::furlpane;
    bool isEnabled = true;

    // A new slot: a fresh id, no shortcut, furlpane, enabled.
    static HotkeyBinding newSlot();
    static HotkeyBinding newSlot(Uuid id);

    // Enabled, recorded, and the recorded shortcut is this key press.
    bool matches(uint16_t keyCode, EventFlags flags) const;

    // "Action" and "Enabled", plus the hotkey's six keys when one is recorded.
    plist::Dictionary encode() const;
    // Never fails: a bad shortcut gives a slot without one, an unknown action
    // furlpane, a missing or non-Boolean "Enabled" true; the id is fresh.
    static HotkeyBinding decode(const plist::Dictionary& stored);

    friend bool operator==(const HotkeyBinding&, const HotkeyBinding&) = default;
};

}  // namespace furlpane
