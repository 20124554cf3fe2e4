#pragma once

// Reading one line of a scenario: words, quoted texts, numbers, points and sizes, each
// failing with the column where the bad piece begins. A word is a run of bytes up to a
// space, a quote or the end of the line; `#` at the start of a word begins a comment,
// which ends the line. Only printable ASCII may stand outside quotes.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "platform/geometry/geometry.h"
#include "platform/runtime/result.h"
#include "platform/scenario/script.h"

namespace platform::scenario {

class LineCursor {
public:
    LineCursor(std::string_view text, int line) : text_(text), line_(line) {}

    int line() const { return line_; }
    // 1-based column of the next byte.
    int column() const { return static_cast<int>(pos_) + 1; }
    size_t position() const { return pos_; }
    std::string_view text() const { return text_; }

    // Skips spaces and tabs; true when nothing but a comment is left.
    bool atEnd();
    // The byte at the cursor after spaces; 0 at the end.
    char peek();
    void advance(size_t count = 1) { pos_ += count; }
    void moveTo(size_t position) { pos_ = position; }

    // The next word (empty at the end), consumed or only looked at.
    std::string_view word();
    std::string_view peekWord();
    // Consumes the next word when it is `keyword`.
    bool accept(std::string_view keyword);
    Result<void, SyntaxError> expect(std::string_view keyword, std::string_view what);
    // The error for a line that does not go on with `what` here.
    SyntaxError missing(std::string_view what);
    // A quoted text, its escapes resolved.
    Result<std::string, SyntaxError> quoted(std::string_view what);
    // A quoted text or a single word.
    Result<std::string, SyntaxError> text(std::string_view what);

    // A number in [min, max], written as a plain decimal (no hex, no infinities).
    Result<double, SyntaxError> number(std::string_view what, double min, double max);
    Result<int, SyntaxError> integer(std::string_view what, int min, int max);
    // "X,Y" with both in ±kMaxCoordinate.
    Result<Point, SyntaxError> point(std::string_view what);
    // "WxH", both above 0 and at most kMaxCoordinate.
    Result<Size, SyntaxError> size(std::string_view what);
    // The line must end here.
    Result<void, SyntaxError> end();

    // Two decimals joined by the separator: "X,Y" (',') or "WxH" ('x').
    Result<std::pair<double, double>, SyntaxError> pair(std::string_view what, char separator);

    SyntaxError error(std::string message) const { return errorAt(pos_, std::move(message)); }
    SyntaxError errorAt(size_t position, std::string message) const;

private:
    std::string_view text_;
    int line_;
    size_t pos_ = 0;
};

// Reads a number written as plain decimal text; false for anything else (empty, hex,
// "inf", "nan", trailing bytes, out of the double's range).
bool readDecimal(std::string_view text, double& value);

}  // namespace platform::scenario
