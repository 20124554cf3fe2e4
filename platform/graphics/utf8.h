#pragma once

// UTF-8 text: decoding for text lines, encoding, upper-casing, and text fit for a
// terminal. Malformed input becomes U+FFFD: a sequence cut short (a lead byte and the
// continuation bytes that follow it, fewer than it announces) is one replacement
// character; a stray continuation byte is one; in an overlong form, a surrogate or a
// value beyond U+10FFFF every byte is one.

#include <string>
#include <string_view>

namespace platform {

std::u32string decodeUTF8(std::string_view text);
// Whether the text is UTF-8 throughout: decodeUTF8 replaces nothing in it.
bool isUTF8(std::string_view text);
// A surrogate or a value beyond U+10FFFF is written as U+FFFD.
std::string encodeUTF8(std::u32string_view text);
// The text with every letter in its upper-case form, one character for one (Unicode's
// simple mapping: "ь" gives "Ь", "ß" stays); malformed input as above.
std::string uppercased(std::string_view text);
// Text as a message may show it on a terminal: what a file name or a line of input holds
// reaches it only as text, never as a control sequence. Control characters (C0, DEL and
// C1) are written as escapes (\n, \t, \r, \xNN, \u0085), malformed input as U+FFFD.
// Every message that shows such text goes through this one function, so that the same
// path reads the same in all of them.
std::string printable(std::string_view text);

}  // namespace platform
