#pragma once

// Numbers as the user reads them, in a locale's conventions (see Locale in
// date_format.h).

#include <string>

#include "platform/services/date_format.h"

namespace platform {

// A fraction written as a whole percentage: 1.0 reads "100%" in English and Japanese,
// "100 %" in German (a no-break space) and French (a narrow no-break space); a locale
// of another language writes as English does. Halves round to the even neighbour, as
// the system's number formatter does; a value that is no number reads as a dash.
std::string formatPercent(double fraction, const Locale& locale = Locale::autoupdatingCurrent());

}  // namespace platform
