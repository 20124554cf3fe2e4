#pragma once

// The window server's private hot-key calls, found by name; a system may lack any of
// them. They read and set the world's SystemHotKeys (see desktop/hot_keys.h).
//
//   "CGSGetGlobalHotKeyOperatingMode" (connection, out mode) -> error
//   "CGSSetGlobalHotKeyOperatingMode" (connection, mode) -> error
//   "CGSGetSymbolicHotKeyValue" (number, out character, out key code, out modifiers) -> error
//   "CGSIsSymbolicHotKeyEnabled" (number) -> whether it is on
//
// Errors are WindowServerError codes (0 success): a wrong connection, a null output, a
// number outside 0...511 or without a value fail and leave the outputs alone. A hot key
// without a value is not enabled.
//
// Fault injection: FaultCall::hotKeyOperatingMode with the name "get" or "set", and
// FaultCall::symbolicHotKey with the hot key's number as its name: fail(code) makes the
// call fail with that code.

#include <cstdint>

namespace platform {

int32_t windowServerGetGlobalHotKeyOperatingMode(int32_t connection, uint32_t* mode);
int32_t windowServerSetGlobalHotKeyOperatingMode(int32_t connection, uint32_t mode);
int32_t windowServerGetSymbolicHotKeyValue(int32_t hotKey, uint16_t* character, uint16_t* keyCode,
                                           uint32_t* modifiers);
bool windowServerIsSymbolicHotKeyEnabled(int32_t hotKey);

using GetHotKeyOperatingModeCall = int32_t (*)(int32_t connection, uint32_t* mode);
using SetHotKeyOperatingModeCall = int32_t (*)(int32_t connection, uint32_t mode);
using GetSymbolicHotKeyValueCall = int32_t (*)(int32_t hotKey, uint16_t* character, uint16_t* keyCode,
                                               uint32_t* modifiers);
using IsSymbolicHotKeyEnabledCall = bool (*)(int32_t hotKey);

}  // namespace platform
