#pragma once

// The system's own keyboard shortcuts: the window server's global hot-key operating mode
// and the symbolic hot keys (numbers 0 to 511), each with the character it types, its key
// code, its modifier flags (the event flag bits) and whether it is on.
//
// A fresh world has the shortcuts of a standard system: screenshots (28 to 31, 184),
// Mission Control and its neighbours (32, 33, 79, 81, with the function and numeric-pad
// bits a real keyboard sets on arrow keys), Show Desktop (36, F11), input sources (60,
// 61 switched off), Spotlight (64, 65), the help menu (98) and one without a key (175).
// Other numbers have no value: reading them fails.
//
// Operating modes: 0 lets the hot keys work, 1 switches them all off, 2 all but the
// universal-access ones. While they work, a key-down that is an enabled hot key is taken
// by the system and reaches no application (see Input).
//
// The window server puts back what a dead connection set, whether its process quit or
// crashed. Each setter's latest setting lies over what it found, the latest set on top:
// a process that sets the mode again moves to the top, and one that sets it back to what
// it found is done with it and leaves nothing to put back. A process that ends takes its
// setting away: while it is the one in effect the mode goes back to what that setting
// found; otherwise the mode stays, and the setting above it finds what it had found.
// So two processes that pause the shortcuts and put them back in nested order leave
// them on, whichever of them ends first.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/desktop/world_lock.h"

namespace platform::desktop {

class Desktop;

struct SymbolicHotKey {
    uint16_t character = 0xFFFF;  // 0xFFFF: none
    uint16_t keyCode = 0xFFFF;    // 0xFFFF: the hot key has no key
    uint32_t modifiers = 0;
    bool enabled = true;

    friend bool operator==(const SymbolicHotKey&, const SymbolicHotKey&) = default;
};

class SystemHotKeys {
public:
    static constexpr int kCount = 512;
    static constexpr uint32_t kModeEnabled = 0;
    static constexpr uint32_t kModeDisabled = 1;
    static constexpr uint32_t kModeDisabledExceptUniversalAccess = 2;

    explicit SystemHotKeys(Desktop& world);

    // Who sets the mode when no process does: the system itself (the user, or a setting
    // made before any process ran). It never ends, so its setting never goes back.
    static constexpr int32_t kSystem = 0;

    uint32_t operatingMode() const { return readLocked(world_, mode_); }
    // Sets the mode for the process `pid` (its connection's call), or for kSystem.
    void setOperatingMode(uint32_t mode, int32_t pid);
    // A process ended: its setting goes (see above).
    void processEnded(int32_t pid);
    // Times the mode was set (by anyone).
    int modeChanges() const { return readLocked(world_, modeChanges_); }

    // The hot key of a number; none for a number without a value or outside 0...511.
    std::optional<SymbolicHotKey> symbolicHotKey(int number) const;
    // Gives a number a value, or takes it away; numbers outside 0...511 are ignored.
    void setSymbolicHotKey(int number, std::optional<SymbolicHotKey> value);
    void setEnabled(int number, bool enabled);

    // The hot key a key-down with these flags fires now: an enabled one whose key code
    // matches and whose Shift, Control, Option and Command are those held, while the
    // mode lets hot keys work. None otherwise.
    std::optional<int> firedBy(uint16_t keyCode, uint64_t flags) const;

private:
    // A setting: who made it (a process, or kSystem) and the mode it found.
    struct Setter {
        int32_t pid;
        uint32_t before;
    };
    using Setters = std::vector<Setter>;

    Setters::iterator setter(int32_t pid);
    // Takes a setting away; called with the world's lock held.
    void withdraw(Setters::iterator setting);

    Desktop& world_;
    uint32_t mode_ = kModeEnabled;
    // Bottom to top: the last one's setting is in effect.
    Setters setters_;
    int modeChanges_ = 0;
    std::array<std::optional<SymbolicHotKey>, kCount> keys_{};
};

}  // namespace platform::desktop
