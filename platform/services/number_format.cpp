#include "platform/services/number_format.h"

#include <cmath>
#include <cstdio>
#include <string_view>

namespace platform {

namespace {

std::string_view percentSuffix(const std::string& language) {
    if (language == "de") return "\u00A0%";
    if (language == "fr") return "\u202F%";
    return "%";
}

}  // namespace

std::string formatPercent(double fraction, const Locale& locale) {
    const double percent = fraction * 100;
    if (!std::isfinite(percent)) return "—";
    // printf rounds a tie to even under the default rounding mode, and prints any
    // magnitude without overflowing an integer.
    char digits[400];
    std::snprintf(digits, sizeof digits, "%.0f", percent);
    std::string text = std::string_view(digits) == "-0" ? "0" : digits;
    return text + std::string(percentSuffix(locale.languageCode()));
}

}  // namespace platform
