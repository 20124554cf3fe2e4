#pragma once

// UTF-8 decoding for text lines. Malformed input becomes U+FFFD: a sequence cut short
// (a lead byte and the continuation bytes that follow it, fewer than it announces) is
// one replacement character; a stray continuation byte is one; in an overlong form, a
// surrogate or a value beyond U+10FFFF every byte is one.

#include <string>
#include <string_view>

namespace platform {

std::u32string decodeUTF8(std::string_view text);

}  // namespace platform
