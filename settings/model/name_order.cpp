#include "settings/model/name_order.h"

#include <cstdint>
#include <vector>

namespace furlpane {

namespace {

// Where a code point sorts before its own value is looked at.
enum class Group : uint8_t { space, symbol, digits, latinLetter, other };

struct Token {
    Group group;
    uint32_t value;            // the weight of a single character
    std::string_view digits;   // a run of decimal digits, without leading zeros
};

enum class Strength { primary, secondary };

// Decodes one code point; a broken sequence yields its first byte as a code point of
// its own in a range no valid text uses, so it still compares deterministically.
uint32_t decode(std::string_view s, size_t& i) {
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
    const uint8_t b0 = byte(i);
    int length = b0 < 0x80 ? 1 : (b0 >> 5) == 0x6 ? 2 : (b0 >> 4) == 0xE ? 3 : (b0 >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || i + static_cast<size_t>(length) > s.size()) {
        ++i;
        return 0xDC00u + b0;
    }
    uint32_t cp = length == 1 ? b0 : b0 & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
        const uint8_t b = byte(i + static_cast<size_t>(k));
        if ((b & 0xC0) != 0x80) {
            ++i;
            return 0xDC00u + b0;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    i += static_cast<size_t>(length);
    return cp;
}

// Lower case for Latin, Latin-1, Greek and Cyrillic capitals.
uint32_t foldCase(uint32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 0x20;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    return c;
}

// The base letter of a lower-case Latin-1 letter (0xDF ... 0xFF), accents removed.
uint32_t latinBase(uint32_t c) {
    static constexpr char kBase[] = "saaaaaaaceeeeiiiidnooooo_ouuuuyty";
    return static_cast<uint32_t>(static_cast<unsigned char>(kBase[c - 0xDF]));
}

Token classify(uint32_t c, Strength strength) {
    const uint32_t folded = foldCase(c);
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == 0xA0) return {Group::space, c, {}};
    if (folded >= 'a' && folded <= 'z') return {Group::latinLetter, folded, {}};
    if (folded >= 0xDF && folded <= 0xFF && folded != 0xF7) {
        const uint32_t weight = strength == Strength::primary ? latinBase(folded) : 'z' + 1 + folded;
        return {Group::latinLetter, weight, {}};
    }
    if (c < 0xC0 || c == 0xD7 || c == 0xF7) return {Group::symbol, c, {}};
    return {Group::other, folded, {}};
}

std::vector<Token> tokenize(std::string_view s, Strength strength) {
    std::vector<Token> tokens;
    size_t i = 0;
    while (i < s.size()) {
        if (s[i] >= '0' && s[i] <= '9') {
            size_t end = i;
            while (end < s.size() && s[end] >= '0' && s[end] <= '9') ++end;
            size_t first = i;
            while (first + 1 < end && s[first] == '0') ++first;
            tokens.push_back({Group::digits, 0, s.substr(first, end - first)});
            i = end;
            continue;
        }
        tokens.push_back(classify(decode(s, i), strength));
    }
    return tokens;
}

std::weak_ordering compareTokens(const Token& a, const Token& b) {
    if (a.group != b.group) return a.group <=> b.group;
    if (a.group != Group::digits) return a.value <=> b.value;
    if (a.digits.size() != b.digits.size()) return a.digits.size() <=> b.digits.size();
    const int c = a.digits.compare(b.digits);
    return c < 0 ? std::weak_ordering::less : c > 0 ? std::weak_ordering::greater : std::weak_ordering::equivalent;
}

std::weak_ordering compareAt(std::string_view a, std::string_view b, Strength strength) {
    const std::vector<Token> ta = tokenize(a, strength);
    const std::vector<Token> tb = tokenize(b, strength);
    for (size_t i = 0; i < ta.size() && i < tb.size(); ++i) {
        const auto order = compareTokens(ta[i], tb[i]);
        if (order != 0) return order;
    }
    return ta.size() <=> tb.size();
}

}  // namespace

std::weak_ordering localizedStandardCompare(std::string_view a, std::string_view b) {
    const auto primary = compareAt(a, b, Strength::primary);
    if (primary != 0) return primary;
    return compareAt(a, b, Strength::secondary);
}

}  // namespace furlpane
