#pragma once

// The typed reads of stored values, shared by the program's own defaults and by other
// domains' preferences, as the system's defaults convert:
// - Boolean: true for true, for a number other than 0 (a NaN is not a number here),
//   for "YES" and "true" in any case, and for a numeric string whose number is not 0
//   ("1", "1.0"); everything else is false.
// - Real: a number as it is, true as 1 and false as 0, a numeric string as its number
//   (decimal only, surrounding spaces allowed; "1e999" is infinity); everything else 0.
// - Integer: an integer as it is, a real truncated toward zero and clamped to the
//   64-bit range (a NaN gives 0), true as 1, a numeric string as above (integer strings
//   exactly, however long they are, clamped); everything else 0.

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/plist/value.h"

namespace platform::defaults {

bool booleanOf(const plist::Value& value);
double realOf(const plist::Value& value);
int64_t integerOf(const plist::Value& value);

// A decimal number written as a whole string (hexadecimal, "inf" and "nan" are not).
std::optional<double> parseDecimal(std::string_view text);

}  // namespace platform::defaults
