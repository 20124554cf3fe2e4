#include "platform/windowserver/private_hot_keys.h"

#include <string>

#include "platform/desktop/desktop.h"
#include "platform/windowserver/private_window_server.h"

namespace platform {

namespace {

using desktop::FaultCall;
using desktop::FaultEffect;

int32_t code(WindowServerError e) { return static_cast<int32_t>(e); }

// The error a fault makes the call fail with; 0 when it goes on.
int32_t faultCode(desktop::Desktop& world, FaultCall call, const std::string& name) {
    auto fault = world.faults().take({call, name, 0, 0, 0});
    if (!fault) return 0;
    if (fault->effect == FaultEffect::error && fault->code != 0) return fault->code;
    return code(WindowServerError::failure);
}

}  // namespace

int32_t windowServerGetGlobalHotKeyOperatingMode(int32_t connection, uint32_t* mode) {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world) return code(WindowServerError::failure);
    if (connection != windowServerMainConnection()) return code(WindowServerError::invalidConnection);
    if (!mode) return code(WindowServerError::illegalArgument);
    auto guard = world->lock();
    if (int32_t e = faultCode(*world, FaultCall::hotKeyOperatingMode, "get")) return e;
    *mode = world->hotKeys().operatingMode();
    return code(WindowServerError::success);
}

int32_t windowServerSetGlobalHotKeyOperatingMode(int32_t connection, uint32_t mode) {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world) return code(WindowServerError::failure);
    if (connection != windowServerMainConnection()) return code(WindowServerError::invalidConnection);
    auto guard = world->lock();
    if (int32_t e = faultCode(*world, FaultCall::hotKeyOperatingMode, "set")) return e;
    // Set for the caller's connection: the window server puts it back when the caller's
    // process ends.
    world->hotKeys().setOperatingMode(mode, world->ownProcessIdentifier());
    return code(WindowServerError::success);
}

int32_t windowServerGetSymbolicHotKeyValue(int32_t hotKey, uint16_t* character, uint16_t* keyCode,
                                           uint32_t* modifiers) {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world) return code(WindowServerError::failure);
    if (!character || !keyCode || !modifiers) return code(WindowServerError::illegalArgument);
    auto guard = world->lock();
    if (int32_t e = faultCode(*world, FaultCall::symbolicHotKey, std::to_string(hotKey))) return e;
    const auto key = world->hotKeys().symbolicHotKey(hotKey);
    if (!key) return code(WindowServerError::illegalArgument);
    *character = key->character;
    *keyCode = key->keyCode;
    *modifiers = key->modifiers;
    return code(WindowServerError::success);
}

bool windowServerIsSymbolicHotKeyEnabled(int32_t hotKey) {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world) return false;
    auto guard = world->lock();
    const auto key = world->hotKeys().symbolicHotKey(hotKey);
    return key && key->enabled;
}

}  // namespace platform
