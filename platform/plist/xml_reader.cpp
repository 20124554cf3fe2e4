#include "platform/plist/xml_reader.h"

#include <string>
#include <vector>

#include "platform/graphics/utf8.h"
#include "platform/plist/xml_scalars.h"
#include "platform/plist/xml_writer.h"

namespace platform::plist {

namespace {

enum class Container { array, dictionary };

struct Frame {
    Container kind;
    Array array;
    Dictionary dictionary;
    std::optional<std::string> key;
};

struct Tag {
    std::string_view name;
    bool closing = false;
    bool empty = false;  // written <name/>
};

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::optional<uint32_t> characterReference(std::string_view body) {
    int base = 10;
    if (!body.empty() && (body[0] == 'x' || body[0] == 'X')) {
        base = 16;
        body.remove_prefix(1);
    }
    if (body.empty() || body.size() > 8) return std::nullopt;
    uint32_t cp = 0;
    for (char c : body) {
        int d = -1;
        if (c >= '0' && c <= '9') d = c - '0';
        if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        if (d < 0) return std::nullopt;
        cp = cp * base + d;
    }
    if (cp == 0 || cp > 0x10FFFF) return std::nullopt;
    return cp;
}

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}
    DocumentReading read();

private:
    bool atEnd() const { return pos_ >= text_.size(); }
    bool startsWith(std::string_view s) const { return text_.substr(pos_, s.size()) == s; }
    bool fail(const char* detail);
    bool skipPast(std::string_view terminator);
    bool skipMisc();
    bool skipDoctype();
    bool skipProlog();
    std::optional<Tag> tag();
    bool content(std::string_view element, std::string& out);
    bool entity(std::string& out);
    void appendText(std::string_view raw, std::string& out);
    bool body();
    bool step();
    bool open(const Tag& tag);
    bool leaf(const Tag& tag);
    bool close(const Tag& tag);
    bool attach(Value value);
    bool attachToDictionary(Frame& top, Value value);
    bool scalar(std::string_view name, std::string_view raw);
    void markInexact();

    std::string_view text_;
    size_t pos_ = 0;
    bool exact_ = true;
    // Whether the root dictionary's entry being read is read as it stands so far.
    bool entryExact_ = true;
    std::vector<std::string> inexactKeys_;
    const char* detail_ = "";
    std::vector<Frame> stack_;
    std::optional<Value> root_;
};

bool Reader::fail(const char* detail) {
    detail_ = detail;
    return false;
}

void Reader::markInexact() {
    exact_ = false;
    entryExact_ = false;
}

bool Reader::skipPast(std::string_view terminator) {
    const size_t end = text_.find(terminator, pos_);
    if (end == std::string_view::npos) return fail("unterminated markup");
    pos_ = end + terminator.size();
    return true;
}

// White space, comments and processing instructions between elements.
bool Reader::skipMisc() {
    for (;;) {
        while (!atEnd() && isSpace(text_[pos_])) ++pos_;
        if (startsWith("<!--")) {
            if (!skipPast("-->")) return false;
        } else if (startsWith("<?")) {
            if (!skipPast("?>")) return false;
        } else {
            return true;
        }
    }
}

// A document type and its internal subset, quoted strings and comments included, so
// that nothing inside it is taken for an element.
bool Reader::skipDoctype() {
    int brackets = 0;
    while (!atEnd()) {
        const char c = text_[pos_];
        if (brackets > 0 && startsWith("<!--")) {
            if (!skipPast("-->")) return false;
            continue;
        }
        if (c == '"' || c == '\'') {
            const size_t end = text_.find(c, pos_ + 1);
            if (end == std::string_view::npos) return fail("unterminated document type");
            pos_ = end + 1;
            continue;
        }
        ++pos_;
        if (c == '[') ++brackets;
        if (c == ']' && brackets > 0) --brackets;
        if (c == '>' && brackets == 0) return true;
    }
    return fail("unterminated document type");
}

bool Reader::skipProlog() {
    for (;;) {
        if (!skipMisc()) return false;
        if (!startsWith("<!DOCTYPE")) return true;
        if (!skipDoctype()) return false;
    }
}

// A start or end tag at '<'; attributes are read past (quoted values may hold '>').
std::optional<Tag> Reader::tag() {
    Tag t;
    ++pos_;
    t.closing = !atEnd() && text_[pos_] == '/';
    if (t.closing) ++pos_;
    const size_t nameStart = pos_;
    while (!atEnd() && !isSpace(text_[pos_]) && text_[pos_] != '/' && text_[pos_] != '>') ++pos_;
    t.name = text_.substr(nameStart, pos_ - nameStart);
    while (!atEnd()) {
        const char c = text_[pos_];
        if (c == '>') {
            ++pos_;
            if (t.name.empty() || (t.closing && t.empty)) break;
            return t;
        }
        if (c == '"' || c == '\'') {
            const size_t end = text_.find(c, pos_ + 1);
            if (end == std::string_view::npos) break;
            pos_ = end + 1;
            continue;
        }
        t.empty = c == '/';
        ++pos_;
    }
    fail("broken tag");
    return std::nullopt;
}

// A raw NUL cannot be written back (a C string cannot hold it): it is dropped.
void Reader::appendText(std::string_view raw, std::string& out) {
    for (size_t nul = raw.find('\0'); nul != std::string_view::npos; nul = raw.find('\0')) {
        markInexact();
        out.append(raw.substr(0, nul));
        raw.remove_prefix(nul + 1);
    }
    out.append(raw);
}

bool Reader::entity(std::string& out) {
    const size_t end = text_.find(';', pos_);
    if (end == std::string_view::npos || end - pos_ > 12) return fail("broken entity");
    const std::string_view name = text_.substr(pos_ + 1, end - pos_ - 1);
    pos_ = end + 1;
    static constexpr std::pair<std::string_view, char> kPredefined[] = {
        {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& [known, c] : kPredefined) {
        if (name == known) {
            out.push_back(c);
            return true;
        }
    }
    if (name.empty() || name[0] != '#') return fail("unknown entity");
    auto cp = characterReference(name.substr(1));
    if (!cp) return fail("bad character reference");
    // A surrogate cannot stand alone in UTF-8: it becomes U+FFFD.
    if (*cp >= 0xD800 && *cp <= 0xDFFF) markInexact();
    out += encodeUTF8(std::u32string(1, static_cast<char32_t>(*cp)));
    return true;
}

// The text of a leaf element up to its end tag.
bool Reader::content(std::string_view element, std::string& out) {
    for (;;) {
        size_t next = pos_;
        while (next < text_.size() && text_[next] != '<' && text_[next] != '&') ++next;
        if (next == text_.size()) return fail("truncated");
        appendText(text_.substr(pos_, next - pos_), out);
        pos_ = next;
        if (text_[pos_] == '&') {
            if (!entity(out)) return false;
        } else if (startsWith("<![CDATA[")) {
            const size_t start = pos_ + 9;
            if (!skipPast("]]>")) return false;
            appendText(text_.substr(start, pos_ - 3 - start), out);
        } else if (startsWith("<!--")) {
            if (!skipPast("-->")) return false;
        } else {
            auto t = tag();
            if (!t) return false;
            if (!t->closing || t->name != element) return fail("element inside a value");
            return true;
        }
    }
}

bool Reader::attach(Value value) {
    if (stack_.empty()) {
        root_ = std::move(value);
        return true;
    }
    Frame& top = stack_.back();
    if (top.kind == Container::dictionary) return attachToDictionary(top, std::move(value));
    top.array.push_back(std::move(value));
    return true;
}

// A key given twice keeps its last value: writing drops the first.
bool Reader::attachToDictionary(Frame& top, Value value) {
    if (!top.key) return fail("dictionary value without a key");
    if (top.dictionary.contains(*top.key)) markInexact();
    if (stack_.size() == 1) {
        if (!entryExact_) inexactKeys_.push_back(*top.key);
        entryExact_ = true;
    }
    top.dictionary.set(std::move(*top.key), std::move(value));
    top.key.reset();
    return true;
}

bool Reader::open(const Tag& tag) {
    const Container kind = tag.name == "array" ? Container::array : Container::dictionary;
    // An empty container counts as a level too, as the writer counts it.
    if (stack_.size() >= static_cast<size_t>(kMaxNesting)) return fail("nested too deeply");
    if (tag.empty) return kind == Container::array ? attach(Array{}) : attach(Dictionary{});
    stack_.push_back(Frame{kind, {}, {}, std::nullopt});
    return true;
}

bool Reader::close(const Tag& tag) {
    if (stack_.empty()) return fail("unexpected end tag");
    Frame& top = stack_.back();
    if (tag.name != (top.kind == Container::array ? "array" : "dict")) return fail("mismatched end tag");
    // A key left without a value is dropped, and writing cannot give it back.
    if (top.key) markInexact();
    Value value = top.kind == Container::array ? Value(std::move(top.array)) : Value(std::move(top.dictionary));
    stack_.pop_back();
    return attach(std::move(value));
}

bool Reader::leaf(const Tag& tag) {
    std::string raw;
    if (!tag.empty && !content(tag.name, raw)) return false;
    const std::string_view name = tag.name;
    // Text the writer cannot carry (bytes that are not UTF-8, control characters) reads
    // as it stands, but would not be written back so: a caller that writes the document
    // again keeps the original.
    if ((name == "key" || name == "string") && !isWritableText(raw)) markInexact();
    if (name == "key" && !stack_.empty() && stack_.back().kind == Container::dictionary) {
        if (stack_.back().key) return fail("key without a value");
        stack_.back().key = std::move(raw);
        return true;
    }
    if (name == "key" || name == "string") return attach(Value(std::move(raw)));
    return scalar(name, raw);
}

// A value that reads leniently (a fraction in an integer, a malformed date) reads
// inexactly: what writing gives back is not what the file held.
bool Reader::scalar(std::string_view name, std::string_view raw) {
    text::Reading r;
    if (name == "true" || name == "false") {
        r = {Value(name == "true"), text::trimmed(raw).empty()};
    } else if (name == "integer") {
        r = text::integer(raw);
    } else if (name == "real") {
        r = text::real(raw);
    } else if (name == "date") {
        r = text::date(raw);
    } else if (name == "data") {
        r = text::base64(raw);
    } else {
        return fail("unknown element");
    }
    if (!r.exact) markInexact();
    return attach(std::move(r.value));
}

bool Reader::step() {
    if (!skipMisc()) return false;
    if (atEnd()) return fail("truncated");
    if (text_[pos_] != '<') return fail("text between elements");
    auto t = tag();
    if (!t) return false;
    if (t->closing) return close(*t);
    if (t->name == "array" || t->name == "dict") return open(*t);
    return leaf(*t);
}

// After the root value only </plist> may follow; what comes after that is not read.
bool Reader::body() {
    while (!root_) {
        if (!step()) return false;
    }
    if (!skipMisc()) return false;
    if (atEnd()) return true;
    auto t = tag();
    if (!t || !t->closing || t->name != "plist") return fail("more than one value");
    return true;
}

DocumentReading Reader::read() {
    DocumentReading r;
    if (!skipProlog()) {
        r.detail = detail_;
        return r;
    }
    if (atEnd() || text_[pos_] != '<') {
        r.error = ReadError::notAPlist;
        return r;
    }
    auto t = tag();
    if (!t || t->closing || t->name != "plist") {
        r.error = t ? ReadError::notAPlist : ReadError::corrupt;
        return r;
    }
    if (t->empty || !body()) {
        r.detail = t->empty ? "no value" : detail_;
        return r;
    }
    r.value = std::move(root_);
    r.exact = exact_;
    r.inexactKeys = std::move(inexactKeys_);
    return r;
}

}  // namespace

DocumentReading readDocument(std::string_view text) { return Reader(text).read(); }

}  // namespace platform::plist
