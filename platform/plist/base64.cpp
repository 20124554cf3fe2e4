#include "platform/plist/base64.h"

namespace platform::plist {

namespace {

constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The six bits a character stands for; none outside the alphabet.
std::optional<uint32_t> sextet(char c) {
    const size_t at = kAlphabet.find(c);
    if (at == std::string_view::npos) return std::nullopt;
    return static_cast<uint32_t>(at);
}

}  // namespace

std::string base64Encoded(const std::vector<uint8_t>& bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const uint32_t chunk = (uint32_t{bytes[i]} << 16) | (i + 1 < bytes.size() ? uint32_t{bytes[i + 1]} << 8 : 0) |
                               (i + 2 < bytes.size() ? uint32_t{bytes[i + 2]} : 0);
        out += kAlphabet[(chunk >> 18) & 63];
        out += kAlphabet[(chunk >> 12) & 63];
        out += i + 1 < bytes.size() ? kAlphabet[(chunk >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kAlphabet[chunk & 63] : '=';
    }
    return out;
}

std::optional<std::vector<uint8_t>> base64Decoded(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    size_t padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=') ++padding;
    std::vector<uint8_t> out;
    out.reserve(text.size() / 4 * 3);
    uint32_t bits = 0;
    int held = 0;
    for (size_t i = 0; i < text.size() - padding; ++i) {
        const std::optional<uint32_t> value = sextet(text[i]);
        if (!value) return std::nullopt;
        bits = (bits << 6) | *value;
        held += 6;
        if (held >= 8) {
            held -= 8;
            out.push_back(static_cast<uint8_t>((bits >> held) & 0xff));
        }
    }
    // Bits left over past the last whole byte must be zero, or the text was not written
    // by an encoder.
    if ((bits & ((1u << held) - 1)) != 0) return std::nullopt;
    return out;
}

}  // namespace platform::plist
