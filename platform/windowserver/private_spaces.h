#pragma once

// The window server's private Spaces calls, found by name ("CGSCopyManagedDisplaySpaces",
// "CGSCopySpacesForWindows"); a system may lack either.
//
// Managed display Spaces: an array with one dictionary per display, in display order:
//   "Display Identifier" (string: the display number in decimal),
//   "Current Space" (a Space dictionary), "Spaces" (an array of Space dictionaries),
// where a Space dictionary holds "ManagedSpaceID" and "id64" (the Space's 64-bit
// identifier, integers) and "type" (0 for a user Space, 4 for a full-screen Space).
//
// Spaces of windows: for the window numbers in the array (integers; other entries and
// unknown windows are passed over), the identifiers of the Spaces they lie on, each
// once, in order of first appearance. The selector chooses among them: 1 the Spaces
// shown now, 2 the others, 7 (1 + 2 + 4) every Space. A window on every Space lies on
// each shown Space.
//
// A wrong connection gives nothing. Fault injection: FaultCall::managedDisplaySpaces and
// FaultCall::spacesForWindows: fail() or missing() give nothing, wrongType() a string,
// answer(plist::Value) that value.

#include <cstdint>
#include <optional>

#include "platform/plist/value.h"

namespace platform {

namespace space_selectors {
inline constexpr int32_t current = 1;
inline constexpr int32_t others = 2;
inline constexpr int32_t all = 7;
}  // namespace space_selectors

std::optional<plist::Value> windowServerManagedDisplaySpaces(int32_t connection);
std::optional<plist::Value> windowServerSpacesForWindows(int32_t connection, int32_t selector,
                                                         const plist::Array& windows);

using ManagedDisplaySpacesCall = std::optional<plist::Value> (*)(int32_t connection);
using SpacesForWindowsCall = std::optional<plist::Value> (*)(int32_t connection, int32_t selector,
                                                             const plist::Array& windows);

}  // namespace platform
