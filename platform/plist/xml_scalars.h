#pragma once

// The text forms of the property list's scalar elements, shared by the XML reader and
// writer. Readings are lenient in the way files from other tools need (surrounding
// space, trailing junk) and report when a value had to be brought into range.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/plist/value.h"

namespace platform::plist::text {

// A value read from text, and whether it is the value the text wrote: an inexact reading
// is one that writing would not give back as the file had it (a fraction dropped, junk
// ignored, a date brought into range), so a caller that rewrites the file keeps the
// original.
struct Reading {
    Value value;
    bool exact = true;
};

// Decimal, or hexadecimal after "0x"; an optional sign. Junk after the digits is ignored
// and no digits at all read as 0, inexactly ("1.5" reads as 1, "abc" as 0). A number
// beyond the 64-bit range reads as a real of about its value (finite, at most the
// largest real), inexactly.
Reading integer(std::string_view text);
// As C reads a double in the "C" locale: "+infinity", "nan", hexadecimal reals. No
// digits read as 0 and junk after the number is ignored, both inexactly.
Reading real(std::string_view text);
// "YYYY-MM-DDTHH:MM:SSZ" in UTC, the Z optional. Empty text is the reference date and a
// malformed date is 1970-01-01, both inexactly. Fields past their end carry over (the
// 31st of February, hour 24, second 60) and a fraction of a second is dropped, inexactly
// unless it is zero; so is a year outside the 0001 to 9999 that the form can write. A
// year of more than nine digits is brought to the nearest nine-digit one.
Reading date(std::string_view text);
// Base64 in groups of four, skipping white space and anything outside the alphabet, as
// data elements are read leniently (base64.h has the strict form); anything but white
// space, the alphabet and final padding, or a lone last character, reads inexactly.
Reading base64(std::string_view text);

std::string integerText(int64_t value);
// The shortest text that reads back to the same double.
std::string realText(double value);
// Whole seconds, clamped to the years 0001 to 9999 that the form can write; NaN is the
// reference date.
std::string dateText(Date date);
// Lines of at most `lineLength` characters, each after `indent`, each ending in '\n'.
std::string base64Text(const std::vector<uint8_t>& bytes, std::string_view indent, size_t lineLength);

// XML white space at both ends removed.
std::string_view trimmed(std::string_view text);

}  // namespace platform::plist::text
