#include "platform/windowserver/symbols.h"

#include <map>
#include <string>

#include "platform/accessibility/window_number.h"
#include "platform/desktop/desktop.h"
#include "platform/services/privacy.h"
#include "platform/windowserver/private_hot_keys.h"
#include "platform/windowserver/private_spaces.h"
#include "platform/windowserver/private_window_server.h"
#include "platform/windowserver/window_capture.h"

namespace platform::detail {

namespace {

// Every private call this system can have; constant for the life of the process.
const std::map<std::string, std::any, std::less<>>& systemSymbols() {
    static const std::map<std::string, std::any, std::less<>> table{
        {"_AXUIElementGetWindow", ElementWindowNumberCall{&copyElementWindowNumber}},
        {"CGSMainConnectionID", MainConnectionCall{&windowServerMainConnection}},
        {"CGSGetWindowBounds", WindowBoundsCall{&windowServerWindowBounds}},
        {"CGSHWCaptureWindowList", HardwareCaptureCall{&windowServerHardwareCapture}},
        {"CGSCopyManagedDisplaySpaces", ManagedDisplaySpacesCall{&windowServerManagedDisplaySpaces}},
        {"CGSCopySpacesForWindows", SpacesForWindowsCall{&windowServerSpacesForWindows}},
        {"CGSGetGlobalHotKeyOperatingMode", GetHotKeyOperatingModeCall{&windowServerGetGlobalHotKeyOperatingMode}},
        {"CGSSetGlobalHotKeyOperatingMode", SetHotKeyOperatingModeCall{&windowServerSetGlobalHotKeyOperatingMode}},
        {"CGSGetSymbolicHotKeyValue", GetSymbolicHotKeyValueCall{&windowServerGetSymbolicHotKeyValue}},
        {"CGSIsSymbolicHotKeyEnabled", IsSymbolicHotKeyEnabledCall{&windowServerIsSymbolicHotKeyEnabled}},
        {"TCCAccessPreflight", PrivacyPreflightCall{&privacyAccessPreflight}},
        {"CGWindowListCreateImageFromArray", ImageFromArrayCall{&windowListCreateImageFromArray}},
    };
    return table;
}

}  // namespace

const std::any* findSymbol(std::string_view name) {
    if (desktop::Desktop* world = desktop::Desktop::currentOrNull()) {
        auto guard = world->lock();
        world->privateCalls().recordLookup(name);
        if (!world->privateCalls().isPresent(name)) return nullptr;
    }
    const auto& table = systemSymbols();
    auto it = table.find(name);
    return it == table.end() ? nullptr : &it->second;
}

}  // namespace platform::detail

namespace platform {

std::vector<std::string> knownSymbolNames() {
    std::vector<std::string> names;
    for (const auto& [name, call] : detail::systemSymbols()) names.push_back(name);
    return names;
}

}  // namespace platform
