#pragma once

// Reading the entries of window lists (platform WindowList::copyWindowInfo): one
// dictionary per window, front to back. Each read gives nothing for a missing key or a
// value of another type, so that callers skip what they cannot use.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/geometry/geometry.h"
#include "platform/plist/value.h"

namespace furlpane::window_info {

// "kCGWindowNumber" as a 32-bit unsigned number.
std::optional<uint32_t> number(const platform::plist::Dictionary& entry);
// "kCGWindowOwnerPID" as a 32-bit signed number.
std::optional<int32_t> owner(const platform::plist::Dictionary& entry);
// "kCGWindowLayer" as an integer.
std::optional<int64_t> layer(const platform::plist::Dictionary& entry);
// "kCGWindowBounds" as a rectangle (top-left global coordinates).
std::optional<platform::Rect> bounds(const platform::plist::Dictionary& entry);
// "kCGWindowAlpha" as a number.
std::optional<double> alpha(const platform::plist::Dictionary& entry);
// "kCGWindowIsOnscreen" as a Boolean.
std::optional<bool> isOnScreen(const platform::plist::Dictionary& entry);
// "kCGWindowOwnerName" as a string.
const std::string* ownerName(const platform::plist::Dictionary& entry);

// The window list with these options, relative to a window; nothing when the list fails
// or holds anything but dictionaries (so every entry of an answer is a dictionary).
std::optional<platform::plist::Array> copyDictionaries(uint32_t options, uint32_t relativeTo);

}  // namespace furlpane::window_info
