#pragma once

// The order in which the Finder lists names, used wherever the settings sort
// application names.
//
// Names are compared case-insensitively, and a run of decimal digits compares as the
// number it writes, so "App 9" comes before "App 10". Accented Latin letters sort with
// their base letter and only an otherwise equal pair is decided by the accents. Spaces
// come before punctuation, punctuation before digits, digits before letters, and Latin
// letters before other scripts. Names that differ only in case, or in leading zeros of
// a number, compare equal, so a stable sort keeps them in their earlier order. Text that
// is not valid UTF-8 is compared byte by byte where it is broken, never read past.

#include <compare>
#include <string_view>

namespace furlpane {

std::weak_ordering localizedStandardCompare(std::string_view a, std::string_view b);

// For sorting: a's name comes strictly before b's.
inline bool precedesInFinderOrder(std::string_view a, std::string_view b) {
    return localizedStandardCompare(a, b) < 0;
}

}  // namespace furlpane
