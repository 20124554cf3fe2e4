// What the shortcut listener makes of the keys it sees: accepted presses, refusals, and
// the keys it leaves to the sheet.

#include <algorithm>
#include <string>

#include "platform/events/keyboard_layout.h"
#include "platform/graphics/utf8.h"
#include "triggers/hotkey_listener.h"
#include "windows/access/main_thread.h"

namespace furlpane {

namespace {

constexpr EventFlags kStrongModifiers = modifier::command | modifier::control | modifier::option;

bool isSheetKey(uint16_t keyCode) {
    const auto& codes = HotkeyListener::kSheetKeyCodes;
    return std::find(codes.begin(), codes.end(), keyCode) != codes.end();
}

// The key's own text: its name when it has one, else what it types with no modifiers
// (or, unknown that, ignoring them) upper-cased, else "#" and its key code.
std::string keyText(const platform::EventRecord& event) {
    const uint16_t keyCode = event.keyCode();
    if (auto name = Hotkey::keyLabel(keyCode)) return *name;
    std::optional<std::string> typed = platform::charactersByApplyingModifiers(event, 0);
    if (!typed) typed = event.charactersIgnoringModifiers();
    std::string text = platform::uppercased(typed.value_or(std::string()));
    if (text.empty()) return std::string("#").append(std::to_string(keyCode));
    return text;
}

}  // namespace

bool isMKey(std::string_view typed, int64_t keyCode) {
    constexpr int64_t kMPosition = 46;
    if (typed.size() == 1 && (typed[0] == 'm' || typed[0] == 'M')) return true;
    return keyCode == kMPosition && containsNonASCII(typed);
}

HotkeyListener::Classification HotkeyListener::classify(const platform::EventRecord& event) {
    const EventFlags held = event.flags() & modifier::all;
    const bool strong = (held & kStrongModifiers) != 0;
    const uint16_t keyCode = event.keyCode();
    if (!strong && isSheetKey(keyCode)) return std::monostate{};
    std::string label = keyText(event);
    const bool functionKey = functionKeyCodes().count(keyCode) != 0;
    // Function keys may be shortcuts on their own.
    if (strong || (held == 0 && functionKey)) return Press{Hotkey{keyCode, held, std::move(label)}, false};
    std::string text = Hotkey::modifierSymbols(held) + label;
    return functionKey ? Refusal::shiftedFunctionKey(std::move(text)) : Refusal::needsModifier(std::move(text));
}


bool HotkeyListener::handleEvent(const platform::EventRecord& event) {
    requireMainThread("HotkeyListener.handleEvent");
    switch (event.type()) {
        case platform::EventType::flagsChanged:
            // Modifier changes always pass.
            heldModifiers_.set(event.flags() & modifier::all);
            return false;
        case platform::EventType::keyUp:
            return keyUp(event);
        case platform::EventType::keyDown:
            return keyDown(event);
        default:
            return false;
    }
}

bool HotkeyListener::keyUp(const platform::EventRecord& event) {
    if (heldKeyCode_ != event.keyCode()) return false;
    heldKeyCode_.reset();
    return true;
}

bool HotkeyListener::keyDown(const platform::EventRecord& event) {
    // An autorepeat of the accepted key.
    if (heldKeyCode_ == event.keyCode()) return true;
    Classification classification = classify(event);
    if (Press* press = std::get_if<Press>(&classification)) {
        const SystemHotkeys::Combination combination{event.keyCode(), event.flags() & SystemHotkeys::kModifierMask};
        press->isSystemShortcut = systemShortcuts_.count(combination) != 0;
        pressed_.set(std::move(*press));
        refusal_.set(std::nullopt);
        heldKeyCode_ = event.keyCode();
        return true;
    }
    // A refused key goes on to the sheet, which explains the refusal; the earlier press
    // stays the one the sheet would set.
    if (Refusal* refused = std::get_if<Refusal>(&classification)) refusal_.set(std::move(*refused));
    return false;
}

}  // namespace furlpane
