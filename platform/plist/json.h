#pragma once

// Property-list values as JSON text, for what the program announces to readers
// outside it (one JSON object per line).
//
// Types stay apart as JSON readers tell them: an integer is written without a point
// or exponent (12), a real always with one (12.0, 1e+300), a Boolean as true or false.
// JSON has no room for the rest, so: a real that is not finite is written as null; data
// as a base64 string; a date as an ISO 8601 UTC string ("2001-01-01T00:00:00Z", with
// milliseconds when it has a fraction); text that is not valid UTF-8 has each bad byte
// replaced by U+FFFD, so that the output is always valid JSON. Dictionaries keep their
// key order.

#include <string>
#include <string_view>

#include "platform/plist/value.h"

namespace platform::plist {

std::string toJson(const Value& value);
// Appends `text` as a quoted JSON string.
void appendJsonString(std::string& out, std::string_view text);

}  // namespace platform::plist
