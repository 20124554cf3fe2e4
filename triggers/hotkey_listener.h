#pragma once

// Records one key combination for a shortcut slot while the recording sheet is in front.
//
// The listener listens exactly while the sheet wants it (isWanted) and the sheet's
// window is the key window of the active application (isInFront). It follows the
// application becoming active or not and the window becoming key or not, once the
// sheet has asked it to (observeFocus). While it listens, a local event monitor sees
// the program's key-downs, key-ups and modifier changes, the system's own shortcuts are
// paused (see system_hotkeys.h), and listeningCount() counts it, so that the event tap
// lets every key reach the program meanwhile.
//
// Each key-down is classified: a key that belongs to the sheet (Escape, Return, Enter,
// Tab or Space without Command, Control or Option) passes to the sheet untouched; a
// key with Command, Control or Option, or a function key on its own, is an accepted
// press, which the monitor consumes together with its autorepeats and its key-up; any
// other key is refused with the reason and passes on to the sheet. `pressed`,
// `refusal`, `heldModifiers` and `isListening` are observable; each changes (and tells
// its observers) only when its value really changes. `pressed` and `refusal` survive a
// stop; the held key and modifiers do not.
//
// A listener released while it listens removes its monitor and observations and puts
// the system's shortcuts back. Main thread only: every operation and handler checks.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/events/event_monitor.h"
#include "platform/events/event_record.h"
#include "platform/notifications/notification_center.h"
#include "platform/runtime/observation.h"
#include "settings/model/hotkey.h"
#include "triggers/system_hotkeys.h"

namespace platform {
class Window;
}

namespace furlpane {

// Whether the text holds a character above U+007F (in UTF-8, any byte from 0x80 up; a
// malformed byte counts too). A key label such as "µ" tells that the key does not type
// an ASCII letter on the user's layout.
inline bool containsNonASCII(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    }
    return false;
}

// Whether a key is M for Command-M, from what it types (without modifiers) and its key
// code: it types "m" in either case, or it is the key at the M position of an ANSI
// keyboard (46) typing a letter of a script other than Latin. At the M position a
// layout that types ASCII ("," or another Latin letter) has its M elsewhere.
bool isMKey(std::string_view typed, int64_t keyCode);

class HotkeyListener : public std::enable_shared_from_this<HotkeyListener> {
public:
    // Key down, key up and flags changed.
    static constexpr platform::EventMask kMonitorMask = 0x1C00;
    // Escape, Return, Enter, Tab and Space: left to the sheet unless Command, Control or
    // Option is held.
    static constexpr std::array<uint16_t, 5> kSheetKeyCodes{53, 36, 76, 48, 49};

    // An accepted key press. The hotkey's label is the key's own text, without modifier
    // symbols, as recorded shortcuts keep it.
    struct Press {
        Hotkey hotkey;
        // The key code and modifiers are one of the system's enabled shortcuts.
        bool isSystemShortcut = false;

        friend bool operator==(const Press&, const Press&) = default;
    };

    // Why a key press was refused; the text is the held modifiers' symbols followed by
    // the key's label ("⇧F5", "A").
    struct Refusal {
        enum class Reason {
            needsModifier,       // not a function key, and no Command, Control or Option
            shiftedFunctionKey,  // a function key with Shift as its only modifier
        };
        Reason reason = Reason::needsModifier;
        std::string text;

        static Refusal needsModifier(std::string text) { return {Reason::needsModifier, std::move(text)}; }
        static Refusal shiftedFunctionKey(std::string text) { return {Reason::shiftedFunctionKey, std::move(text)}; }
        friend bool operator==(const Refusal&, const Refusal&) = default;
    };

    // What a key-down is to the recorder: a key of the sheet (monostate), an accepted
    // press or a refusal.
    using Classification = std::variant<std::monostate, Press, Refusal>;
    // Whether the sheet's window (null for none) is in front.
    using InFrontTest = std::function<bool(platform::Window* window)>;

    static std::shared_ptr<HotkeyListener> create();
    ~HotkeyListener();
    HotkeyListener(const HotkeyListener&) = delete;
    HotkeyListener& operator=(const HotkeyListener&) = delete;

    // ---- Observable state
    const std::optional<Press>& pressed() const { return pressed_.get(); }
    const std::optional<Refusal>& refusal() const { return refusal_.get(); }
    // Only the Shift, Control, Option and Command bits.
    EventFlags heldModifiers() const { return heldModifiers_.get(); }
    bool isListening() const { return isListening_.get(); }

    // ---- Set by the sheet and its anchor
    bool isWanted() const { return isWanted_; }
    void setIsWanted(bool wanted) { isWanted_ = wanted; }
    std::shared_ptr<platform::Window> window() const { return window_.lock(); }
    // Keeps the window weakly (a window not held by a std::shared_ptr counts as none);
    // when that changes which window is kept, refreshes the focus observations and
    // starts or stops listening.
    void setWindow(platform::Window* window);
    // Replaces the in-front test; an empty one restores the default.
    void setIsInFront(InFrontTest test);
    // The program is active and the window exists and is its key window.
    static bool defaultIsInFront(platform::Window* window);

    // ---- Operations
    // Drops the focus observations and, while wanted, observes the application becoming
    // active or not and the window (when known) becoming key or not.
    void observeFocus();
    // Starts or stops listening as isWanted and isInFront ask; nothing when it already
    // does what they ask.
    void updateListening();
    // Installs the key monitor, counts the listener and pauses the system's shortcuts;
    // when no monitor can be installed nothing changes.
    void start();
    // Removes the key monitor, forgets the held key and modifiers and puts the system's
    // shortcuts back.
    void stop();
    // The monitor's decision for one event: true consumes it.
    bool handleEvent(const platform::EventRecord& event);
    static Classification classify(const platform::EventRecord& event);

    // The listeners whose monitor is installed, in this process.
    static int listeningCount();
    // The focus observations in place (none, two or four).
    size_t observationCount() const { return observations_.size(); }

private:
    struct Key {};

public:
    explicit HotkeyListener(const Key&);

private:
    void removeObservations();
    void observe(const std::string& name, const void* object);
    void removeMonitor();
    bool keyDown(const platform::EventRecord& event);
    bool keyUp(const platform::EventRecord& event);

    platform::ObservationRegistrar registrar_;
    platform::Observed<std::optional<Press>> pressed_{registrar_, std::nullopt};
    platform::Observed<std::optional<Refusal>> refusal_{registrar_, std::nullopt};
    platform::Observed<EventFlags> heldModifiers_{registrar_, 0};
    platform::Observed<bool> isListening_{registrar_, false};
    std::weak_ptr<platform::Window> window_;
    InFrontTest isInFront_ = &HotkeyListener::defaultIsInFront;
    bool isWanted_ = false;
    platform::EventMonitor::Token monitor_;
    // The count this listener added itself to while its monitor is installed.
    std::shared_ptr<int> countedIn_;
    std::vector<platform::NotificationCenter::Token> observations_;
    std::optional<uint16_t> heldKeyCode_;
    std::set<SystemHotkeys::Combination> systemShortcuts_;
};

}  // namespace furlpane
