#include "platform/plist/xml_scalars.h"

#include <locale.h>
#include <stdlib.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/plist/base64.h"

namespace platform::plist::text {

namespace {

constexpr int64_t kSecondsPerDay = 86400;
// 2001-01-01, the reference date, counted from 1970-01-01.
constexpr int64_t kReferenceDay = 11323;
constexpr double kMalformedDate = -Date::kReferenceToUnix;  // 1970-01-01
constexpr int64_t kMaxYearDigits = 9;

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

int digitValue(char c, int base) {
    int v = 99;
    if (c >= '0' && c <= '9') v = c - '0';
    if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    return v < base ? v : -1;
}

// Days from 1970-01-01 to a day of the proleptic Gregorian calendar; months and days
// past their end carry over, as the C library's timegm does.
int64_t daysFromCivil(int64_t year, int64_t month, int64_t day) {
    year += (month - 1) / 12;
    month = (month - 1) % 12 + 1;
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yoe = year - era * 400;
    const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

struct Civil {
    int64_t year, month, day;
};

Civil civilFromDays(int64_t days) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t doe = days - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    return {yoe + era * 400 + (month <= 2), month, day};
}

double secondsOf(int64_t year, int64_t month, int64_t day, int64_t daySeconds) {
    const int64_t days = daysFromCivil(year, month, day) - kReferenceDay;
    return static_cast<double>(days * kSecondsPerDay + daySeconds);
}

// Reads `count` digits at `at`; false when they are not all there.
bool fixedDigits(std::string_view text, size_t& at, size_t count, int64_t& out) {
    if (at + count > text.size()) return false;
    out = 0;
    for (size_t i = 0; i < count; ++i) {
        const int d = digitValue(text[at + i], 10);
        if (d < 0) return false;
        out = out * 10 + d;
    }
    at += count;
    return true;
}

bool expect(std::string_view text, size_t& at, char c) {
    if (at >= text.size() || text[at] != c) return false;
    ++at;
    return true;
}

struct YearReading {
    int64_t year = 0;
    bool exact = true;
};

std::optional<YearReading> readYear(std::string_view text, size_t& at) {
    const bool negative = at < text.size() && text[at] == '-';
    if (negative) ++at;
    const size_t start = at;
    YearReading r;
    while (at < text.size() && digitValue(text[at], 10) >= 0) {
        if (at - start < kMaxYearDigits) {
            r.year = r.year * 10 + digitValue(text[at], 10);
        } else {
            r.year = 999999999;
            r.exact = false;
        }
        ++at;
    }
    if (at - start < 4) return std::nullopt;
    if (negative) r.year = -r.year;
    return r;
}

struct DateFields {
    YearReading year;
    int64_t month = 0, day = 0, hour = 0, minute = 0, second = 0;
    bool wholeSecond = true;
};

// A fraction of a second, which the form cannot write: whether it was zero (or absent).
bool readFraction(std::string_view text, size_t& at) {
    bool zero = true;
    if (!expect(text, at, '.')) return zero;
    for (; at < text.size() && digitValue(text[at], 10) >= 0; ++at) zero = zero && text[at] == '0';
    return zero;
}

std::optional<DateFields> dateFields(std::string_view text) {
    size_t at = 0;
    auto year = readYear(text, at);
    DateFields f;
    if (!year || !expect(text, at, '-') || !fixedDigits(text, at, 2, f.month) || !expect(text, at, '-') ||
        !fixedDigits(text, at, 2, f.day) || !expect(text, at, 'T') || !fixedDigits(text, at, 2, f.hour) ||
        !expect(text, at, ':') || !fixedDigits(text, at, 2, f.minute) || !expect(text, at, ':') ||
        !fixedDigits(text, at, 2, f.second)) {
        return std::nullopt;
    }
    if (f.month < 1 || f.month > 12 || f.day < 1 || f.day > 31 || f.hour > 24 || f.minute > 59 || f.second > 60) {
        return std::nullopt;
    }
    f.year = *year;
    f.wholeSecond = readFraction(text, at);
    (void)expect(text, at, 'Z');
    if (at != text.size()) return std::nullopt;
    return f;
}

// Whether the writer gives the fields back as they stand: nothing carried over, no
// fraction lost, a year it can write.
bool writtenAsRead(const DateFields& f) {
    const int64_t monthDays = daysFromCivil(f.year.year, f.month + 1, 1) - daysFromCivil(f.year.year, f.month, 1);
    return f.year.exact && f.year.year >= 1 && f.year.year <= 9999 && f.day <= monthDays && f.hour < 24 &&
           f.second < 60 && f.wholeSecond;
}

locale_t cLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

struct CReal {
    double number = 0;
    bool whole = false;  // the text was a number and nothing else
};

CReal cReal(std::string_view text) {
    const std::string copy(trimmed(text));
    char* end = nullptr;
    const double number = strtod_l(copy.c_str(), &end, cLocale());
    return {number, !copy.empty() && end == copy.c_str() + copy.size()};
}

int base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return c == '=' ? 64 : -1;
}

// A group of four characters, '=' standing for the missing ones.
void decodeGroup(const int (&group)[4], size_t count, std::vector<uint8_t>& out) {
    int sextets = 0;
    uint32_t bits = 0;
    for (size_t i = 0; i < count && group[i] < 64; ++i, ++sextets) bits |= uint32_t(group[i]) << (18 - 6 * i);
    for (int i = 0; i < sextets - 1; ++i) out.push_back(static_cast<uint8_t>(bits >> (16 - 8 * i)));
}

}  // namespace

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

Reading integer(std::string_view text) {
    text = trimmed(text);
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) text.remove_prefix(1);
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    uint64_t magnitude = 0;
    bool overflow = false;
    size_t digits = 0;
    for (; digits < text.size(); ++digits) {
        const int d = digitValue(text[digits], base);
        if (d < 0) break;
        overflow = overflow || magnitude > (std::numeric_limits<uint64_t>::max() - d) / base;
        magnitude = magnitude * base + d;
    }
    const bool whole = digits > 0 && digits == text.size();
    const uint64_t limit = uint64_t(std::numeric_limits<int64_t>::max()) + (negative ? 1 : 0);
    if (!overflow && magnitude <= limit) {
        return {Value(negative ? int64_t(0 - magnitude) : int64_t(magnitude)), whole};
    }
    // The nearest double, as the C library rounds the digits.
    const std::string digitText = (base == 16 ? "0x" : "") + std::string(text.substr(0, digits));
    const double approximate = std::min(cReal(digitText).number, std::numeric_limits<double>::max());
    return {Value(negative ? -approximate : approximate), false};
}

Reading real(std::string_view text) {
    const CReal read = cReal(text);
    return {Value(read.number), read.whole};
}

Reading date(std::string_view text) {
    text = trimmed(text);
    if (text.empty()) return {Value(Date{0}), false};
    const auto f = dateFields(text);
    if (!f) return {Value(Date{kMalformedDate}), false};
    const Date date{secondsOf(f->year.year, f->month, f->day, f->hour * 3600 + f->minute * 60 + f->second)};
    return {Value(date), writtenAsRead(*f)};
}

Reading base64(std::string_view text) {
    std::vector<uint8_t> out;
    out.reserve(text.size() / 4 * 3);
    int group[4];
    size_t count = 0, characters = 0;
    bool padded = false, junk = false;
    for (char c : text) {
        const int v = base64Value(c);
        junk = junk || (v < 0 && !isSpace(c)) || (padded && v >= 0 && v < 64);
        if (v < 0) continue;
        padded = padded || v == 64;
        characters += v < 64;
        group[count++] = v;
        if (count == 4) {
            decodeGroup(group, count, out);
            count = 0;
        }
    }
    decodeGroup(group, count, out);
    return {Value(Data{std::move(out)}), !junk && characters % 4 != 1};
}

std::string integerText(int64_t value) { return std::to_string(value); }

std::string realText(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "+infinity" : "-infinity";
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string dateText(Date date) {
    static const double earliest = secondsOf(1, 1, 1, 0);
    static const double latest = secondsOf(9999, 12, 31, kSecondsPerDay - 1);
    double seconds = date.secondsSinceReferenceDate;
    if (std::isnan(seconds)) seconds = 0;
    const auto whole = static_cast<int64_t>(std::clamp(std::round(seconds), earliest, latest));
    const int64_t fromEpoch = whole + kReferenceDay * kSecondsPerDay;
    int64_t days = fromEpoch / kSecondsPerDay;
    int64_t daySeconds = fromEpoch % kSecondsPerDay;
    if (daySeconds < 0) {
        daySeconds += kSecondsPerDay;
        --days;
    }
    const Civil c = civilFromDays(days);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lldZ", static_cast<long long>(c.year),
                  static_cast<long long>(c.month), static_cast<long long>(c.day),
                  static_cast<long long>(daySeconds / 3600), static_cast<long long>(daySeconds / 60 % 60),
                  static_cast<long long>(daySeconds % 60));
    return buffer;
}

std::string base64Text(const std::vector<uint8_t>& bytes, std::string_view indent, size_t lineLength) {
    const std::string encoded = base64Encoded(bytes);
    std::string out;
    for (size_t i = 0; i < encoded.size(); i += lineLength) {
        out += indent;
        out.append(encoded, i, lineLength);
        out += '\n';
    }
    return out;
}

}  // namespace platform::plist::text
