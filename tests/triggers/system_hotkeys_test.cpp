// Pausing and restoring the system's shortcuts, and the list of those that are on.

#include "triggers/system_hotkeys.h"

#include <optional>
#include <string>

#include "platform/events/keyboard_layout.h"
#include "triggers_test_support.h"

namespace triggers_test {
namespace {

using desktop::FaultCall;
using furlpane::SystemHotkeys;
using Combination = SystemHotkeys::Combination;

class SystemHotkeysTest : public TriggersTest {};

struct PauseCase {
    std::string name;
    uint32_t modeBefore;
    std::string failingCall;  // "get" or "set" of the operating mode, or none
    bool paused;
    uint32_t modePaused;
    std::optional<uint32_t> saved;
    uint32_t modeRestored;
};

TEST_F(SystemHotkeysTest, PausingSavesTheModeInForceAndRestoringPutsItBack) {
    const PauseCase cases[] = {
        {"working shortcuts", 0, "", true, 2, 0, 0},
        {"switched off", 1, "", true, 2, 1, 1},
        {"a mode that cannot be read counts as 0", 1, "get", true, 2, 0, 0},
        {"a mode that cannot be set leaves all as it was", 1, "set", false, 1, std::nullopt, 1},
    };
    for (const PauseCase& c : cases) {
        SCOPED_TRACE(c.name);
        world.hotKeys().setOperatingMode(c.modeBefore, desktop::SystemHotKeys::kSystem);
        if (!c.failingCall.empty()) world.faults().on(FaultCall::hotKeyOperatingMode, c.failingCall).times(1).fail();
        EXPECT_EQ(SystemHotkeys::pauseSystemHotkeys(), c.paused);
        EXPECT_EQ(mode(), c.modePaused);
        EXPECT_EQ(SystemHotkeys::savedMode(), c.saved);
        SystemHotkeys::restoreSystemHotkeys();
        EXPECT_EQ(mode(), c.modeRestored);
        EXPECT_EQ(SystemHotkeys::savedMode(), std::nullopt);
    }
}

TEST_F(SystemHotkeysTest, TheFirstPauseKeepsItsModeAndOneRestoreEndsThePause) {
    world.hotKeys().setOperatingMode(1, desktop::SystemHotKeys::kSystem);
    EXPECT_TRUE(SystemHotkeys::pauseSystemHotkeys());
    EXPECT_TRUE(SystemHotkeys::pauseSystemHotkeys());
    EXPECT_EQ(SystemHotkeys::savedMode(), 1u);
    SystemHotkeys::restoreSystemHotkeys();
    EXPECT_EQ(mode(), 1u);
    // A second restore has nothing to put back, even when the mode changed meanwhile.
    world.hotKeys().setOperatingMode(0, desktop::SystemHotKeys::kSystem);
    const int changes = world.hotKeys().modeChanges();
    SystemHotkeys::restoreSystemHotkeys();
    EXPECT_EQ(world.hotKeys().modeChanges(), changes);
}

TEST_F(SystemHotkeysTest, ARefusedRestoreIsTriedAgainByTheNextOne) {
    ASSERT_TRUE(SystemHotkeys::pauseSystemHotkeys());
    world.faults().on(FaultCall::hotKeyOperatingMode, "set").times(1).fail();
    SystemHotkeys::restoreSystemHotkeys();
    EXPECT_EQ(mode(), 2u);
    EXPECT_EQ(SystemHotkeys::savedMode(), 0u);
    // Still paused as far as the window server goes, so a pause asks nothing of it.
    EXPECT_TRUE(SystemHotkeys::pauseSystemHotkeys());
    SystemHotkeys::restoreSystemHotkeys();
    EXPECT_EQ(mode(), 0u);
}

// Each case is a process of its own, which has not looked the calls up yet.
class MissingModeCallTest : public TriggersTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(MissingModeCallTest, NothingIsPausedAndTheCallsAreLookedUpOnce) {
    world.privateCalls().remove(GetParam());
    EXPECT_FALSE(SystemHotkeys::canPauseSystemHotkeys());
    EXPECT_FALSE(SystemHotkeys::pauseSystemHotkeys());
    SystemHotkeys::restoreSystemHotkeys();
    EXPECT_EQ(world.hotKeys().modeChanges(), 0);
    EXPECT_EQ(world.privateCalls().lookupCount("CGSGetGlobalHotKeyOperatingMode"), 1);
}

INSTANTIATE_TEST_SUITE_P(EachCall, MissingModeCallTest,
                         ::testing::Values("CGSMainConnectionID", "CGSGetGlobalHotKeyOperatingMode",
                                           "CGSSetGlobalHotKeyOperatingMode"));

TEST_F(SystemHotkeysTest, TheEnabledShortcutsLeaveOutThoseSwitchedOffOrWithoutAKey) {
    world.hotKeys().setEnabled(64, false);  // Spotlight switched off
    const desktop::SymbolicHotKey withCapsLock{'k', keys::k, flags::command | flags::capsLock, true};
    world.hotKeys().setSymbolicHotKey(300, withCapsLock);
    world.faults().on(FaultCall::symbolicHotKey, "65").fail();  // Finder search cannot be read
    const auto shortcuts = SystemHotkeys::enabledSystemShortcuts();
    const Combination listed[] = {
        {20, flags::shift | flags::command},
        {keys::upArrow, flags::control},  // the numeric-pad and function bits go
        {103, 0},                         // F11, with its function bit gone
        {keys::space, flags::control},
        {keys::k, flags::command},        // Caps Lock goes
    };
    for (const Combination& c : listed) EXPECT_EQ(shortcuts.count(c), 1u) << c.keyCode << " " << c.modifiers;
    const Combination absent[] = {
        {keys::space, flags::command},                   // switched off
        {keys::space, flags::option | flags::command},   // unreadable
        {keys::space, flags::control | flags::option},   // off in a fresh world
        {SystemHotkeys::kNoKey, 0},                      // on, but without a key
    };
    for (const Combination& c : absent) EXPECT_EQ(shortcuts.count(c), 0u) << c.keyCode << " " << c.modifiers;
}

}  // namespace
}  // namespace triggers_test
