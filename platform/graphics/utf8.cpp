#include "platform/graphics/utf8.h"

#include <locale.h>
#include <wctype.h>

#include <cstdio>

namespace platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

void append(std::string& out, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The C library's case tables for all of Unicode, whatever locale the process runs in;
// null where the C.UTF-8 locale is missing, and then only ASCII letters change.
locale_t unicodeCaseLocale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return locale;
}

char32_t upper(char32_t c) {
    if (const locale_t locale = unicodeCaseLocale()) return static_cast<char32_t>(towupper_l(wint_t(c), locale));
    return c >= U'a' && c <= U'z' ? c - 0x20 : c;
}

// One character at `i`, or a bad one and the bytes it takes.
struct Decoded {
    char32_t value = 0;
    size_t length = 1;
    bool valid = false;
};

Decoded decodeAt(std::string_view text, size_t i) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    int length = 0;
    char32_t value = 0, minimum = 0;
    if (lead < 0x80) length = 1, value = lead;
    else if ((lead & 0xE0) == 0xC0) length = 2, value = lead & 0x1F, minimum = 0x80;
    else if ((lead & 0xF0) == 0xE0) length = 3, value = lead & 0x0F, minimum = 0x800;
    else if ((lead & 0xF8) == 0xF0) length = 4, value = lead & 0x07, minimum = 0x10000;
    // A sequence cut short counts as one bad character, lead and continuations.
    int taken = 1;
    while (taken < length && i + size_t(taken) < text.size() &&
           isContinuation(static_cast<unsigned char>(text[i + size_t(taken)]))) {
        value = (value << 6) | (static_cast<unsigned char>(text[i + size_t(taken)]) & 0x3F);
        ++taken;
    }
    if (length == 0 || taken < length) return {0, size_t(taken), false};
    // Overlong forms, surrogates and values beyond Unicode: every byte is bad.
    const bool valid = value >= minimum && value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF);
    return {value, valid ? size_t(length) : 1, valid};
}

}  // namespace

std::u32string decodeUTF8(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const Decoded d = decodeAt(text, i);
        out.push_back(d.valid ? d.value : kReplacement);
        i += d.length;
    }
    return out;
}

bool isUTF8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        const Decoded d = decodeAt(text, i);
        if (!d.valid) return false;
        i += d.length;
    }
    return true;
}

std::string encodeUTF8(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text) append(out, c);
    return out;
}

std::string uppercased(std::string_view text) {
    std::u32string characters = decodeUTF8(text);
    for (char32_t& c : characters) c = upper(c);
    return encodeUTF8(characters);
}

std::string printable(std::string_view text) {
    std::string out;
    for (const char32_t c : decodeUTF8(text)) {
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || (c >= 0x7f && c < 0xa0)) {
            char escape[8];
            std::snprintf(escape, sizeof escape, c < 0x80 ? "\\x%02x" : "\\u%04x", static_cast<unsigned>(c));
            out += escape;
        } else {
            append(out, c);
        }
    }
    return out;
}

}  // namespace platform
