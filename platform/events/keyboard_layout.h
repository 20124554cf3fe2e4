#pragma once

// Keyboard layouts: which characters each key (by virtual key code, ANSI positions)
// types, alone and with Shift. The world fills a keyboard event's characters from its
// current layout.
//
// Rules, as the system's keyboard events read:
// - charactersIgnoringModifiers: the shifted characters with Shift held, else the plain
//   ones (every other modifier ignored).
// - characters: with Control and without Command, a letter gives its control character
//   (Control-A is U+0001); otherwise the shifted characters with Shift held (or with
//   Caps Lock for a letter), else the plain ones. Option's special characters are not
//   modelled: Option types as no modifier does.
// - Function keys, arrows and the other special keys type the system's private-use
//   characters (F1 is U+F704, up arrow U+F700); modifier keys type nothing; a key the
//   layout does not know types nothing.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "platform/events/event_record.h"

namespace platform {

namespace key_codes {
inline constexpr uint16_t a = 0, s = 1, m = 46, k = 40, x = 7, q = 12;
inline constexpr uint16_t returnKey = 36, tab = 48, space = 49, deleteKey = 51, escape = 53, enter = 76;
inline constexpr uint16_t command = 55, shift = 56, capsLock = 57, option = 58, control = 59, rightShift = 60,
                          rightOption = 61, rightControl = 62, function = 63, rightCommand = 54;
inline constexpr uint16_t f1 = 122, f2 = 120, f3 = 99, f4 = 118, f5 = 96, f6 = 97, f7 = 98, f8 = 100, f9 = 101,
                          f10 = 109, f11 = 103, f12 = 111, f13 = 105, f14 = 107, f15 = 113, f16 = 106,
                          f17 = 64, f18 = 79, f19 = 80;
inline constexpr uint16_t leftArrow = 123, rightArrow = 124, downArrow = 125, upArrow = 126;
}  // namespace key_codes

class KeyboardLayout {
public:
    struct Key {
        std::string plain;
        std::string shifted;
    };

    // The US layout of an ANSI keyboard.
    static KeyboardLayout usANSI();
    // The Russian layout: Cyrillic letters on the letter keys (the M key types "ь"),
    // digits and special keys as on the US layout.
    static KeyboardLayout russian();

    const std::string& name() const { return name_; }
    // The entry of a key; null when the layout does not know it.
    const Key* key(uint16_t keyCode) const;
    void set(uint16_t keyCode, Key key) { keys_[keyCode] = std::move(key); }
    void remove(uint16_t keyCode) { keys_.erase(keyCode); }

    // (characters, charactersIgnoringModifiers) of a key typed with these flags.
    std::pair<std::string, std::string> characters(uint16_t keyCode, EventFlags flags) const;

private:
    explicit KeyboardLayout(std::string name) : name_(std::move(name)) {}
    void addSpecialKeys();

    std::string name_;
    std::map<uint16_t, Key> keys_;
};

// What the key of a key-down or key-up types on the layout in use now, with `modifiers`
// in place of the ones the event carries (none: the key's plain characters); empty for
// a key the layout does not know. Nothing for other events, and without a world.
std::optional<std::string> charactersByApplyingModifiers(const EventRecord& event, EventFlags modifiers);

}  // namespace platform
