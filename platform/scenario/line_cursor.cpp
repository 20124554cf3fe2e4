#include "platform/scenario/line_cursor.h"

#include <charconv>
#include <cmath>
#include <sstream>

namespace platform::scenario {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t'; }
bool endsWord(char c) { return isSpace(c) || c == '"'; }
bool isPrintable(char c) { return c > ' ' && c < 0x7f; }

std::string quote(std::string_view text) {
    constexpr size_t kShown = 40;
    std::string shown(text.substr(0, kShown));
    if (text.size() > kShown) shown += "…";
    return "\"" + shown + "\"";
}

// Resolves one escape after a backslash; false for an unknown one.
bool unescape(char c, std::string& out) {
    switch (c) {
        case '"': out += '"'; return true;
        case '\\': out += '\\'; return true;
        case 'n': out += '\n'; return true;
        case 't': out += '\t'; return true;
        default: return false;
    }
}

std::string format(double value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

}  // namespace

bool readDecimal(std::string_view text, double& value) {
    if (text.empty()) return false;
    for (char c : text) {
        const bool allowed = (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
        if (!allowed) return false;
    }
    const char* first = text.data();
    if (*first == '+') ++first;
    const auto [end, problem] = std::from_chars(first, text.data() + text.size(), value);
    return problem == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

bool LineCursor::atEnd() {
    while (pos_ < text_.size() && isSpace(text_[pos_])) ++pos_;
    return pos_ >= text_.size() || text_[pos_] == '#';
}

char LineCursor::peek() { return atEnd() ? '\0' : text_[pos_]; }

std::string_view LineCursor::peekWord() {
    if (atEnd()) return {};
    size_t end = pos_;
    while (end < text_.size() && !endsWord(text_[end])) ++end;
    return text_.substr(pos_, end - pos_);
}

std::string_view LineCursor::word() {
    const std::string_view next = peekWord();
    pos_ += next.size();
    return next;
}

bool LineCursor::accept(std::string_view keyword) {
    if (peekWord() != keyword) return false;
    pos_ += keyword.size();
    return true;
}

Result<void, SyntaxError> LineCursor::expect(std::string_view keyword, std::string_view what) {
    if (accept(keyword)) return {};
    return missing(what);
}

SyntaxError LineCursor::missing(std::string_view what) {
    if (atEnd()) return error("the line ends where " + std::string(what) + " was expected");
    if (peek() == '"') return error("expected " + std::string(what) + ", found a text in quotes");
    return error("expected " + std::string(what) + ", found " + quote(peekWord()));
}

Result<std::string, SyntaxError> LineCursor::quoted(std::string_view what) {
    if (peek() != '"') {
        if (atEnd()) return error("the line ends where " + std::string(what) + " in quotes was expected");
        return error("expected " + std::string(what) + " in quotes, found " + quote(peekWord()));
    }
    const size_t opening = pos_++;
    std::string out;
    while (pos_ < text_.size()) {
        const char c = text_[pos_++];
        if (c == '"') return out;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (pos_ >= text_.size()) break;
        if (!unescape(text_[pos_], out)) return errorAt(pos_ - 1, "unknown escape \\" + std::string(1, text_[pos_]));
        ++pos_;
    }
    return errorAt(opening, "the quote that opens " + std::string(what) + " is never closed");
}

Result<std::string, SyntaxError> LineCursor::text(std::string_view what) {
    if (peek() == '"') return quoted(what);
    const size_t start = pos_;
    const std::string_view next = word();
    if (next.empty()) return error("the line ends where " + std::string(what) + " was expected");
    for (char c : next) {
        if (!isPrintable(c)) return errorAt(start, "a byte that is not printable text stands outside quotes");
    }
    return std::string(next);
}

Result<double, SyntaxError> LineCursor::number(std::string_view what, double min, double max) {
    atEnd();
    const size_t start = pos_;
    if (peekWord().empty()) return missing(what);
    const std::string_view next = word();
    double value = 0;
    if (!readDecimal(next, value)) return errorAt(start, std::string(what) + " is not a number: " + quote(next));
    if (value < min || value > max) {
        return errorAt(start, std::string(what) + " " + quote(next) + " lies outside " + format(min) + " to " +
                                  format(max));
    }
    return value;
}

Result<int, SyntaxError> LineCursor::integer(std::string_view what, int min, int max) {
    atEnd();
    const size_t start = pos_;
    auto value = number(what, min, max);
    if (!value) return value.error();
    if (*value != std::floor(*value)) return errorAt(start, std::string(what) + " is not a whole number");
    return static_cast<int>(*value);
}

Result<std::pair<double, double>, SyntaxError> LineCursor::pair(std::string_view what, char separator) {
    atEnd();
    const std::string form = separator == ',' ? "X,Y" : "WxH";
    if (peekWord().empty()) return missing(std::string(what) + " " + form);
    const size_t start = pos_;
    const std::string_view next = word();
    const size_t at = next.find(separator);
    double a = 0, b = 0;
    if (at == std::string_view::npos || !readDecimal(next.substr(0, at), a) || !readDecimal(next.substr(at + 1), b))
        return errorAt(start, "expected " + std::string(what) + " as " + form + ", found " + quote(next));
    return std::pair{a, b};
}

Result<Point, SyntaxError> LineCursor::point(std::string_view what) {
    atEnd();
    const size_t start = pos_;
    auto read = pair(what, ',');
    if (!read) return read.error();
    const auto [x, y] = *read;
    if (std::fabs(x) > kMaxCoordinate || std::fabs(y) > kMaxCoordinate)
        return errorAt(start, std::string(what) + " " + quote(text_.substr(start, pos_ - start)) +
                                  " lies beyond any screen");
    return Point{x, y};
}

Result<Size, SyntaxError> LineCursor::size(std::string_view what) {
    atEnd();
    const size_t start = pos_;
    auto read = pair(what, 'x');
    if (!read) return read.error();
    const auto [width, height] = *read;
    if (!(width > 0 && height > 0) || width > kMaxCoordinate || height > kMaxCoordinate)
        return errorAt(start, std::string(what) + " " + quote(text_.substr(start, pos_ - start)) +
                                  " is empty or larger than any screen");
    return Size{width, height};
}

Result<void, SyntaxError> LineCursor::end() {
    if (atEnd()) return {};
    return error("unexpected " + quote(peekWord()) + " at the end of the line");
}

SyntaxError LineCursor::errorAt(size_t position, std::string message) const {
    return SyntaxError{line_, static_cast<int>(position) + 1, std::move(message)};
}

}  // namespace platform::scenario
