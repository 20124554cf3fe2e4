#include "platform/plist/json.h"

#include "platform/plist/base64.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace platform::plist {

namespace {

// Length of the valid UTF-8 sequence at the start of `s`, or 0 when it is not one
// (overlong forms, surrogates and code points past U+10FFFF are not valid).
size_t utf8SequenceLength(std::string_view s) {
    const auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char c = b(0);
    if (c < 0x80) return 1;
    size_t n;
    uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2, cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3, cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4, cp = c & 0x07;
    } else {
        return 0;
    }
    if (s.size() < n) return 0;
    for (size_t i = 1; i < n; ++i) {
        if ((b(i) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b(i) & 0x3F);
    }
    const uint32_t minimum = n == 2 ? 0x80 : n == 3 ? 0x800 : 0x10000;
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

void appendReal(std::string& out, double d) {
    if (!std::isfinite(d)) {
        out += "null";
        return;
    }
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, d);
    const std::string_view text(buf, static_cast<size_t>(res.ptr - buf));
    out += text;
    if (text.find_first_of(".e") == std::string_view::npos) out += ".0";
}

void appendBase64(std::string& out, const std::vector<uint8_t>& bytes) {
    out += '"';
    out += base64Encoded(bytes);
    out += '"';
}

void appendDate(std::string& out, const Date& date) {
    const double unixSeconds = date.secondsSinceReferenceDate + Date::kReferenceToUnix;
    // Beyond what a calendar date in four digits can say, a date is no date.
    if (!std::isfinite(unixSeconds) || unixSeconds < -62135596800.0 || unixSeconds >= 253402300800.0) {
        out += "null";
        return;
    }
    const double whole = std::floor(unixSeconds);
    const int millis = static_cast<int>(std::lround((unixSeconds - whole) * 1000));
    const time_t t = static_cast<time_t>(whole) + (millis == 1000 ? 1 : 0);
    struct tm tm {};
    gmtime_r(&t, &tm);
    char buf[48];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &tm);
    out += '"';
    out += buf;
    if (millis % 1000 != 0) {
        std::snprintf(buf, sizeof buf, ".%03d", millis);
        out += buf;
    }
    out += "Z\"";
}

void append(std::string& out, const Value& value);

void appendArray(std::string& out, const Array& array) {
    out += '[';
    for (size_t i = 0; i < array.size(); ++i) {
        if (i) out += ',';
        append(out, array[i]);
    }
    out += ']';
}

void appendDictionary(std::string& out, const Dictionary& dict) {
    out += '{';
    for (size_t i = 0; i < dict.size(); ++i) {
        if (i) out += ',';
        appendJsonString(out, dict.keyAt(i));
        out += ':';
        append(out, dict.valueAt(i));
    }
    out += '}';
}

void append(std::string& out, const Value& value) {
    switch (value.type()) {
    case Value::Type::boolean: out += *value.boolean() ? "true" : "false"; return;
    case Value::Type::integer: out += std::to_string(*value.integer()); return;
    case Value::Type::real: appendReal(out, *value.real()); return;
    case Value::Type::string: appendJsonString(out, *value.string()); return;
    case Value::Type::data: appendBase64(out, value.data()->bytes); return;
    case Value::Type::date: appendDate(out, *value.date()); return;
    case Value::Type::array: appendArray(out, *value.array()); return;
    case Value::Type::dictionary: appendDictionary(out, *value.dictionary()); return;
    }
}

}  // namespace

void appendJsonString(std::string& out, std::string_view text) {
    out += '"';
    while (!text.empty()) {
        const unsigned char c = static_cast<unsigned char>(text[0]);
        const size_t n = utf8SequenceLength(text);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            text.remove_prefix(1);
            continue;
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out.append(text.substr(0, n));
        }
        text.remove_prefix(n);
    }
    out += '"';
}

std::string toJson(const Value& value) {
    std::string out;
    append(out, value);
    return out;
}

}  // namespace platform::plist
