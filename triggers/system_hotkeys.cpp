#include "triggers/system_hotkeys.h"

#include <memory>

#include "platform/runtime/process_once.h"
#include "platform/windowserver/symbols.h"

namespace furlpane {

using platform::lookupSymbol;

namespace {

// The mode saved by the pause in force; one per process, like the pause itself.
std::optional<uint32_t>& savedModeSlot() {
    static platform::ProcessOnce<std::shared_ptr<std::optional<uint32_t>>> slot;
    return *slot.get([] { return std::make_shared<std::optional<uint32_t>>(); });
}

}  // namespace

std::optional<SystemHotkeys::HotKeyModeFunctions> SystemHotkeys::hotKeyModeFunctions() {
    static platform::ProcessOnce<std::optional<HotKeyModeFunctions>> functions;
    return functions.get([]() -> std::optional<HotKeyModeFunctions> {
        const auto connect = lookupSymbol<platform::MainConnectionCall>("CGSMainConnectionID");
        const auto get = lookupSymbol<platform::GetHotKeyOperatingModeCall>("CGSGetGlobalHotKeyOperatingMode");
        const auto set = lookupSymbol<platform::SetHotKeyOperatingModeCall>("CGSSetGlobalHotKeyOperatingMode");
        if (!connect || !get || !set) return std::nullopt;
        return HotKeyModeFunctions{connect(), get, set};
    });
}

std::optional<SystemHotkeys::SymbolicHotKeyFunctions> SystemHotkeys::symbolicHotKeyFunctions() {
    static platform::ProcessOnce<std::optional<SymbolicHotKeyFunctions>> functions;
    return functions.get([]() -> std::optional<SymbolicHotKeyFunctions> {
        const auto value = lookupSymbol<platform::GetSymbolicHotKeyValueCall>("CGSGetSymbolicHotKeyValue");
        const auto enabled = lookupSymbol<platform::IsSymbolicHotKeyEnabledCall>("CGSIsSymbolicHotKeyEnabled");
        if (!value || !enabled) return std::nullopt;
        return SymbolicHotKeyFunctions{value, enabled};
    });
}

bool SystemHotkeys::pauseSystemHotkeys() {
    std::optional<uint32_t>& saved = savedModeSlot();
    if (saved) return true;
    const auto functions = hotKeyModeFunctions();
    if (!functions) return false;
    uint32_t mode = 0;
    if (functions->getMode(functions->connection, &mode) != 0) mode = 0;
    if (functions->setMode(functions->connection, kPausedMode) != 0) return false;
    saved = mode;
    return true;
}

void SystemHotkeys::restoreSystemHotkeys() {
    std::optional<uint32_t>& saved = savedModeSlot();
    if (!saved) return;
    const auto functions = hotKeyModeFunctions();
    if (!functions) return;
    if (functions->setMode(functions->connection, *saved) == 0) saved.reset();
}

std::set<SystemHotkeys::Combination> SystemHotkeys::enabledSystemShortcuts() {
    std::set<Combination> shortcuts;
    const auto functions = symbolicHotKeyFunctions();
    if (!functions) return shortcuts;
    for (int32_t number = 0; number < kSymbolicHotKeyCount; ++number) {
        uint16_t character = 0, keyCode = 0;
        uint32_t modifiers = 0;
        if (functions->getValue(number, &character, &keyCode, &modifiers) != 0) continue;
        if (keyCode == kNoKey || !functions->isEnabled(number)) continue;
        shortcuts.insert({keyCode, modifiers & kModifierMask});
    }
    return shortcuts;
}

bool SystemHotkeys::canPauseSystemHotkeys() { return hotKeyModeFunctions().has_value(); }

std::optional<uint32_t> SystemHotkeys::savedMode() { return savedModeSlot(); }

}  // namespace furlpane
