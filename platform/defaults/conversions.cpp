#include "platform/defaults/conversions.h"

#include <strings.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace platform::defaults {

namespace {

std::string_view trimmed(std::string_view s) {
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!s.empty() && space(s.front())) s.remove_prefix(1);
    while (!s.empty() && space(s.back())) s.remove_suffix(1);
    return s;
}

size_t digitsAt(std::string_view s, size_t i) {
    size_t n = 0;
    while (i + n < s.size() && s[i + n] >= '0' && s[i + n] <= '9') ++n;
    return n;
}

enum class Shape { none, integer, decimal };

// [+-]? digits (. digits?)? | [+-]? . digits, then an optional exponent.
Shape shapeOf(std::string_view s) {
    size_t i = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
    const size_t whole = digitsAt(s, i);
    i += whole;
    size_t fraction = 0;
    bool point = false;
    if (i < s.size() && s[i] == '.') {
        point = true;
        fraction = digitsAt(s, ++i);
        i += fraction;
    }
    if (whole + fraction == 0) return Shape::none;
    bool exponent = false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        const size_t n = digitsAt(s, j);
        if (n == 0) return Shape::none;
        i = j + n;
        exponent = true;
    }
    if (i != s.size()) return Shape::none;
    return point || exponent ? Shape::decimal : Shape::integer;
}

int64_t clampedInteger(double d) {
    if (std::isnan(d)) return 0;
    if (d >= 9223372036854775807.0) return std::numeric_limits<int64_t>::max();
    if (d <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(d);
}

std::optional<int64_t> parseInteger(std::string_view s) {
    const bool negative = !s.empty() && s[0] == '-';
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) s.remove_prefix(1);
    uint64_t magnitude = 0;
    const auto res = std::from_chars(s.data(), s.data() + s.size(), magnitude);
    constexpr uint64_t kMaxPositive = 9223372036854775807ull;
    if (res.ec == std::errc::result_out_of_range || magnitude > kMaxPositive + (negative ? 1 : 0)) {
        return negative ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
    }
    if (res.ec != std::errc()) return std::nullopt;
    if (negative) return magnitude == kMaxPositive + 1 ? std::numeric_limits<int64_t>::min()
                                                     : -static_cast<int64_t>(magnitude);
    return static_cast<int64_t>(magnitude);
}

std::optional<int64_t> integerOfString(std::string_view text) {
    const std::string_view s = trimmed(text);
    switch (shapeOf(s)) {
    case Shape::integer: return parseInteger(s);
    case Shape::decimal: return clampedInteger(*parseDecimal(s));
    case Shape::none: return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

std::optional<double> parseDecimal(std::string_view text) {
    const std::string_view s = trimmed(text);
    if (shapeOf(s) == Shape::none) return std::nullopt;
    // The shape check leaves strtod nothing of its own to interpret (no hexadecimal,
    // no "inf"), and the program never changes the C locale's decimal point.
    const std::string copy(s);
    return std::strtod(copy.c_str(), nullptr);
}

bool booleanOf(const plist::Value& value) {
    if (auto b = value.boolean()) return *b;
    if (auto n = value.number()) return *n != 0 && !std::isnan(*n);
    if (const std::string* s = value.string()) {
        const std::string t(trimmed(*s));
        if (strcasecmp(t.c_str(), "yes") == 0 || strcasecmp(t.c_str(), "true") == 0) return true;
        const auto n = parseDecimal(t);
        return n && *n != 0;
    }
    return false;
}

double realOf(const plist::Value& value) {
    if (auto b = value.boolean()) return *b ? 1 : 0;
    if (auto n = value.number()) return *n;
    if (const std::string* s = value.string()) return parseDecimal(*s).value_or(0);
    return 0;
}

int64_t integerOf(const plist::Value& value) {
    if (auto i = value.integer()) return *i;
    if (auto b = value.boolean()) return *b ? 1 : 0;
    if (auto d = value.real()) return clampedInteger(*d);
    if (const std::string* s = value.string()) return integerOfString(*s).value_or(0);
    return 0;
}

}  // namespace platform::defaults
