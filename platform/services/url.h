#pragma once

// Whether a text forms a URL: not empty, and made only of the characters a URL may
// hold (letters, digits, "-._~:/?#[]@!$&'()*+,;=" and "%" followed by two hexadecimal
// digits). Spaces, quotes, angle brackets and non-ASCII characters do not form one.

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

bool formsURL(std::string_view text);

// The file URL of an absolute path ("file:///Applications/Read%20Me.rtfd"): every byte
// other than letters, digits, "-._~" and "/" percent-encoded, so the URL always forms.
std::string fileURL(const std::filesystem::path& path);

}  // namespace platform
