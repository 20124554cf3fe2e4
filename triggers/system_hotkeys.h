#pragma once

// The system's own keyboard shortcuts while the user records one of ours.
//
// Pausing switches the window server's global hot-key operating mode to 2, so that no
// shortcut of the system or of another application fires and every combination reaches
// the recorder; restoring puts back the mode that was in force before the first pause.
// The pause is process-wide and not counted: pausing again while paused keeps the first
// saved mode, and one restore ends the pause for everyone.
//
// The window server's calls are private and looked up by name once per process; a
// system that lacks them gets no pause (pauseSystemHotkeys answers false, restoring does
// nothing) and an empty list of shortcuts, and recording works all the same.
//
// The shell calls restoreSystemHotkeys when the program ends (quit and the termination
// signals), so that quitting with the recorder open never leaves the system's shortcuts
// switched off.
//
// Main thread only.

#include <cstdint>
#include <optional>
#include <set>

#include "platform/windowserver/private_hot_keys.h"
#include "platform/windowserver/private_window_server.h"

namespace furlpane {

class SystemHotkeys {
public:
    SystemHotkeys() = delete;

    // The mode that pauses every shortcut but those of universal access.
    static constexpr uint32_t kPausedMode = 2;
    // Symbolic hot keys are numbered 0 to 511.
    static constexpr int32_t kSymbolicHotKeyCount = 512;
    // The key code of a symbolic hot key that has no key.
    static constexpr uint16_t kNoKey = 0xFFFF;
    // Shift, Control, Option and Command, as in event flags.
    static constexpr uint64_t kModifierMask = 0x1E0000;

    // One enabled shortcut of the system: a key code and only the four modifier bits.
    struct Combination {
        uint16_t keyCode = 0;
        uint64_t modifiers = 0;

        friend auto operator<=>(const Combination&, const Combination&) = default;
    };

    // The operating-mode calls: all three found, or none.
    struct HotKeyModeFunctions {
        int32_t connection = 0;
        platform::GetHotKeyOperatingModeCall getMode = nullptr;
        platform::SetHotKeyOperatingModeCall setMode = nullptr;
    };
    // The symbolic hot-key calls: both found, or none.
    struct SymbolicHotKeyFunctions {
        platform::GetSymbolicHotKeyValueCall getValue = nullptr;
        platform::IsSymbolicHotKeyEnabledCall isEnabled = nullptr;
    };

    static std::optional<HotKeyModeFunctions> hotKeyModeFunctions();
    static std::optional<SymbolicHotKeyFunctions> symbolicHotKeyFunctions();

    // Pauses the system's shortcuts; true when they are paused after the call (also when
    // they already were). A mode that cannot be read counts as 0; a mode that cannot be
    // set leaves everything as it was and answers false.
    static bool pauseSystemHotkeys();
    // Puts the saved mode back; nothing when none is saved. When the window server
    // refuses, the mode stays saved, so that the next restore (the next stop of the
    // recorder, or the one at quit) tries again instead of leaving the shortcuts off
    // for good.
    static void restoreSystemHotkeys();
    // The system's shortcuts that are on now, without those that have no key.
    static std::set<Combination> enabledSystemShortcuts();
    // Whether this system can pause its shortcuts at all.
    static bool canPauseSystemHotkeys();

    // The mode saved by the pause in force; none while not paused.
    static std::optional<uint32_t> savedMode();
};

}  // namespace furlpane
