#pragma once

// Whether a text forms a URL: not empty, and made only of the characters a URL may
// hold (letters, digits, "-._~:/?#[]@!$&'()*+,;=" and "%" followed by two hexadecimal
// digits). Spaces, quotes, angle brackets and non-ASCII characters do not form one.

#include <string_view>

namespace platform {

bool formsURL(std::string_view text);

}  // namespace platform
