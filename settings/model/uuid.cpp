#include "settings/model/uuid.h"

#include <cstring>

namespace furlpane {

Uuid Uuid::random(RandomSource& source) {
    Uuid id;
    const uint64_t words[2] = {source.nextWord(), source.nextWord()};
    std::memcpy(id.bytes_.data(), words, sizeof words);
    id.bytes_[6] = static_cast<uint8_t>((id.bytes_[6] & 0x0F) | 0x40);
    id.bytes_[8] = static_cast<uint8_t>((id.bytes_[8] & 0x3F) | 0x80);
    return id;
}

Uuid Uuid::random() {
    SystemRandom source;
    return random(source);
}

std::string Uuid::toString() const {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(36);
    for (size_t i = 0; i < bytes_.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text.push_back('-');
        text.push_back(kDigits[bytes_[i] >> 4]);
        text.push_back(kDigits[bytes_[i] & 0x0F]);
    }
    return text;
}

}  // namespace furlpane

size_t std::hash<furlpane::Uuid>::operator()(const furlpane::Uuid& id) const noexcept {
    uint64_t words[2];
    std::memcpy(words, id.bytes().data(), sizeof words);
    return std::hash<uint64_t>{}(words[0] ^ (words[1] * 0x9E3779B97F4A7C15ull));
}
