#include "platform/graphics/utf8.h"

namespace platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

std::u32string decodeUTF8(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
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
        if (length == 0 || taken < length) {
            out.push_back(kReplacement);
            i += size_t(taken);
            continue;
        }
        // Overlong forms, surrogates and values beyond Unicode: every byte is bad.
        const bool valid = value >= minimum && value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF);
        out.push_back(valid ? value : kReplacement);
        i += valid ? size_t(length) : 1;
    }
    return out;
}

}  // namespace platform
