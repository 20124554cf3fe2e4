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

// A number read from text, and whether it is the value the text wrote.
struct Reading {
    Value value;
    bool exact = true;
};

// Decimal, or hexadecimal after "0x"; an optional sign; junk after the digits is ignored
// and no digits at all read as 0. A number beyond the 64-bit range reads as a real of
// about its value (finite, at most the largest real), inexactly.
Reading integer(std::string_view text);
// As C reads a double in the "C" locale: "+infinity", "nan", hexadecimal reals; no
// digits read as 0.
double real(std::string_view text);
// "YYYY-MM-DDTHH:MM:SSZ" in UTC, fraction of a second dropped, the Z optional. Empty
// text is the reference date; a malformed date is 1970-01-01. A year of more than nine
// digits is brought to the nearest nine-digit one, inexactly.
Reading date(std::string_view text);
// Base64 in groups of four, skipping white space and anything outside the alphabet, as
// data elements are read leniently (base64.h has the strict form).
std::vector<uint8_t> base64(std::string_view text);

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
