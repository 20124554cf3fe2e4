#include "platform/services/url.h"

#include <cctype>

namespace platform {

namespace {

bool isHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

bool isURLCharacter(char c) {
    static constexpr std::string_view kMarks = "-._~:/?#[]@!$&'()*+,;=";
    const auto u = static_cast<unsigned char>(c);
    return u < 0x80 && (std::isalnum(u) || kMarks.find(c) != std::string_view::npos);
}

}  // namespace

std::string fileURL(const std::filesystem::path& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const char c : path.string()) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80 && (std::isalnum(u) || std::string_view("-._~/").find(c) != std::string_view::npos)) {
            url += c;
        } else {
            url += '%';
            url += kHex[u >> 4];
            url += kHex[u & 0xF];
        }
    }
    return url;
}

bool formsURL(std::string_view text) {
    if (text.empty()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%') {
            if (i + 2 >= text.size() || !isHexDigit(text[i + 1]) || !isHexDigit(text[i + 2])) return false;
            i += 2;
        } else if (!isURLCharacter(text[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace platform
