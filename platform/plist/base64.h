#pragma once

// Base64 text of data (the standard alphabet, "=" padding), as property lists and
// information dictionaries carry keys and other bytes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::plist {

std::string base64Encoded(const std::vector<uint8_t>& bytes);

// Strict decoding: only the alphabet, whole groups of four characters and padding at
// the very end; whitespace or any other character makes the text invalid (none).
std::optional<std::vector<uint8_t>> base64Decoded(std::string_view text);

}  // namespace platform::plist
