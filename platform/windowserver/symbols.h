#pragma once

// The process's default symbol namespace: private calls looked up by name at run time,
// as a program does with the dynamic linker. A lookup gives the call, or null when this
// system lacks it (the world removed it) or when it has another shape than asked for.
// The world counts every lookup by name.
//
//   auto getWindow = lookupSymbol<ElementWindowNumberCall>("_AXUIElementGetWindow");
//
// The calls this system has, by name and shape (each header states the contract):
//   "_AXUIElementGetWindow"            ElementWindowNumberCall   accessibility/window_number.h
//   "CGSMainConnectionID"              MainConnectionCall        private_window_server.h
//   "CGSGetWindowBounds"               WindowBoundsCall          private_window_server.h
//   "CGSHWCaptureWindowList"           HardwareCaptureCall       window_capture.h
//   "CGWindowListCreateImageFromArray" ImageFromArrayCall        window_capture.h
//   "CGSCopyManagedDisplaySpaces"      ManagedDisplaySpacesCall  private_spaces.h
//   "CGSCopySpacesForWindows"          SpacesForWindowsCall      private_spaces.h
//   "CGSGetGlobalHotKeyOperatingMode"  GetHotKeyOperatingModeCall   private_hot_keys.h
//   "CGSSetGlobalHotKeyOperatingMode"  SetHotKeyOperatingModeCall   private_hot_keys.h
//   "CGSGetSymbolicHotKeyValue"        GetSymbolicHotKeyValueCall   private_hot_keys.h
//   "CGSIsSymbolicHotKeyEnabled"       IsSymbolicHotKeyEnabledCall  private_hot_keys.h
//   "TCCAccessPreflight"               PrivacyPreflightCall      services/privacy.h
//
// A program looks each up once per process (ProcessOnce); the world counts every lookup
// (PrivateCalls::lookupCount) and removes a call with PrivateCalls::remove.

#include <any>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

namespace detail {
// The call of that name as the system has it, or null; counts the lookup.
const std::any* findSymbol(std::string_view name);
}  // namespace detail

// The names of every private call this system can have, in name order.
std::vector<std::string> knownSymbolNames();

template <class Fn>
Fn lookupSymbol(std::string_view name) {
    const std::any* symbol = detail::findSymbol(name);
    if (!symbol) return nullptr;
    const Fn* fn = std::any_cast<Fn>(symbol);
    return fn ? *fn : nullptr;
}

}  // namespace platform
