#include "platform/scenario/plist_literal.h"

#include <charconv>
#include <sstream>

namespace platform::scenario {

namespace {

bool isBare(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' || c == '+' ||
           c == '.' || c == '_';
}

// A run of bare bytes at the cursor.
std::string_view bare(LineCursor& cursor) {
    cursor.atEnd();
    const std::string_view text = cursor.text();
    size_t end = cursor.position();
    while (end < text.size() && isBare(text[end])) ++end;
    const std::string_view run = text.substr(cursor.position(), end - cursor.position());
    cursor.moveTo(end);
    return run;
}

Result<plist::Value, SyntaxError> scalar(LineCursor& cursor) {
    const size_t start = cursor.position();
    const std::string_view run = bare(cursor);
    if (run == "true") return plist::Value(true);
    if (run == "false") return plist::Value(false);
    int64_t whole = 0;
    const auto [end, problem] = std::from_chars(run.data(), run.data() + run.size(), whole);
    if (!run.empty() && problem == std::errc() && end == run.data() + run.size()) return plist::Value(whole);
    double real = 0;
    if (readDecimal(run, real)) return plist::Value(real);
    if (run.empty()) return cursor.errorAt(start, "expected a value: true, false, a number, \"text\", [..] or {..}");
    return cursor.errorAt(start, "\"" + std::string(run) + "\" is not a value (texts are quoted)");
}

Result<plist::Value, SyntaxError> value(LineCursor& cursor, int depth);

// Reads the items of a list up to `close`, each with `item`.
template <class ReadItem>
Result<void, SyntaxError> items(LineCursor& cursor, char close, ReadItem item) {
    cursor.advance();
    if (cursor.peek() == close) {
        cursor.advance();
        return {};
    }
    for (;;) {
        auto read = item();
        if (!read) return read.error();
        const char next = cursor.peek();
        if (next != ',' && next != close) return cursor.error(std::string("expected , or ") + close);
        cursor.advance();
        if (next == close) return {};
    }
}

Result<plist::Value, SyntaxError> array(LineCursor& cursor, int depth) {
    plist::Array out;
    auto read = items(cursor, ']', [&]() -> Result<void, SyntaxError> {
        auto item = value(cursor, depth + 1);
        if (!item) return item.error();
        out.push_back(std::move(*item));
        return {};
    });
    if (!read) return read.error();
    return plist::Value(std::move(out));
}

Result<std::string, SyntaxError> key(LineCursor& cursor) {
    if (cursor.peek() == '"') return cursor.quoted("a key");
    const size_t start = cursor.position();
    const std::string_view run = bare(cursor);
    if (run.empty()) return cursor.errorAt(start, "expected a key");
    return std::string(run);
}

Result<plist::Value, SyntaxError> dictionary(LineCursor& cursor, int depth) {
    plist::Dictionary out;
    auto read = items(cursor, '}', [&]() -> Result<void, SyntaxError> {
        auto name = key(cursor);
        if (!name) return name.error();
        if (cursor.peek() != ':') return cursor.error("expected : after the key");
        cursor.advance();
        auto item = value(cursor, depth + 1);
        if (!item) return item.error();
        out.set(std::move(*name), std::move(*item));
        return {};
    });
    if (!read) return read.error();
    return plist::Value(std::move(out));
}

Result<plist::Value, SyntaxError> value(LineCursor& cursor, int depth) {
    if (depth > kMaxLiteralDepth) return cursor.error("values nest deeper than 32 levels");
    const char next = cursor.peek();
    if (next == '[') return array(cursor, depth);
    if (next == '{') return dictionary(cursor, depth);
    if (next == '"') {
        auto text = cursor.quoted("a text");
        if (!text) return text.error();
        return plist::Value(std::move(*text));
    }
    return scalar(cursor);
}

void appendQuoted(std::string& out, const std::string& text) {
    out += '"';
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else {
            out += c;
        }
    }
    out += '"';
}

void appendLiteral(std::string& out, const plist::Value& v) {
    if (auto b = v.boolean()) {
        out += *b ? "true" : "false";
    } else if (auto i = v.integer()) {
        out += std::to_string(*i);
    } else if (auto r = v.real()) {
        std::ostringstream text;
        text.precision(17);
        text << *r;
        out += text.str();
    } else if (const auto* s = v.string()) {
        appendQuoted(out, *s);
    } else if (const auto* a = v.array()) {
        out += '[';
        for (size_t i = 0; i < a->size(); ++i) {
            if (i) out += ", ";
            appendLiteral(out, (*a)[i]);
        }
        out += ']';
    } else if (const auto* d = v.dictionary()) {
        out += '{';
        for (size_t i = 0; i < d->size(); ++i) {
            if (i) out += ", ";
            appendQuoted(out, d->keys()[i]);
            out += ": ";
            appendLiteral(out, d->valueAt(i));
        }
        out += '}';
    } else {
        out += v.isData() ? "data" : "date";
    }
}

}  // namespace

Result<plist::Value, SyntaxError> readLiteral(LineCursor& cursor) {
    if (cursor.atEnd()) return cursor.error("the line ends where a value was expected");
    return value(cursor, 0);
}

std::string literalText(const plist::Value& v) {
    std::string out;
    appendLiteral(out, v);
    return out;
}

}  // namespace platform::scenario
