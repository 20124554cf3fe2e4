#include "platform/plist/xml_writer.h"

#include <cstdint>

#include "platform/graphics/utf8.h"
#include "platform/plist/xml.h"
#include "platform/plist/xml_scalars.h"

namespace platform::plist {

namespace {

constexpr std::string_view kHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n";
constexpr std::string_view kFooter = "</plist>\n";
constexpr size_t kBase64LineLength = 68;

// Characters XML 1.0 does not allow, even written as references.
bool forbiddenInXml(char32_t c) {
    return (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0xFFFE || c == 0xFFFF;
}

bool plainAscii(std::string_view text) {
    for (char c : text) {
        if (c < 0x20 || c > 0x7E) return false;
    }
    return true;
}

bool keysWritable(const Dictionary& dictionary) {
    for (size_t i = 0; i < dictionary.size(); ++i) {
        if (!isWritableText(dictionary.keyAt(i))) return false;
    }
    return true;
}

// Two keys that differ only where the writer replaces text would be written as one key
// twice, and a reader keeps only the last: they are merged here as reading merges them
// (asWritten), so that the document says once what it holds. Only the keys are
// rewritten, not the values below them, which the writer meets one level at a time.
Dictionary withWritableKeys(const Dictionary& dictionary) {
    Dictionary out;
    for (size_t i = 0; i < dictionary.size(); ++i) out.set(writableText(dictionary.keyAt(i)), dictionary.valueAt(i));
    return out;
}

void appendEscaped(std::string_view text, std::string& out) {
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '\r': out += "&#13;"; break;
        default: out.push_back(c);
        }
    }
}

class Writer {
public:
    explicit Writer(size_t maxBytes) : maxBytes_(maxBytes) {}
    bool document(const Value& value);
    bool rootEntry(std::string_view key, const Value& value);
    std::string take() { return std::move(out_); }
    size_t written() const { return out_.size(); }

private:
    bool value(const Value& value, int depth);
    bool array(const Array& array, int depth);
    bool dictionary(const Dictionary& dictionary, int depth);
    void line(int depth, std::string_view text);
    void element(int depth, std::string_view name, std::string_view text);
    void textElement(int depth, std::string_view name, std::string_view text);
    void data(int depth, const Data& data);
    bool fits() const { return out_.size() <= maxBytes_; }

    size_t maxBytes_;
    std::string out_;
};

void Writer::line(int depth, std::string_view text) {
    out_.append(static_cast<size_t>(depth), '\t');
    out_ += text;
    out_ += '\n';
}

void Writer::element(int depth, std::string_view name, std::string_view text) {
    out_.append(static_cast<size_t>(depth), '\t');
    out_ += '<';
    out_ += name;
    out_ += '>';
    out_ += text;
    out_ += "</";
    out_ += name;
    out_ += ">\n";
}

void Writer::textElement(int depth, std::string_view name, std::string_view text) {
    std::string escaped;
    appendEscaped(writableText(text), escaped);
    element(depth, name, escaped);
}

void Writer::data(int depth, const Data& data) {
    line(depth, "<data>");
    out_ += text::base64Text(data.bytes, std::string(static_cast<size_t>(depth), '\t'), kBase64LineLength);
    line(depth, "</data>");
}

bool Writer::array(const Array& array, int depth) {
    if (array.empty()) {
        line(depth, "<array/>");
        return true;
    }
    line(depth, "<array>");
    for (const Value& item : array) {
        if (!value(item, depth + 1)) return false;
    }
    line(depth, "</array>");
    return true;
}

bool Writer::dictionary(const Dictionary& dictionary, int depth) {
    if (!keysWritable(dictionary)) return this->dictionary(withWritableKeys(dictionary), depth);
    if (dictionary.empty()) {
        line(depth, "<dict/>");
        return true;
    }
    line(depth, "<dict>");
    for (size_t i = 0; i < dictionary.size(); ++i) {
        textElement(depth + 1, "key", dictionary.keyAt(i));
        if (!value(dictionary.valueAt(i), depth + 1)) return false;
    }
    line(depth, "</dict>");
    return true;
}

bool Writer::rootEntry(std::string_view key, const Value& v) {
    textElement(1, "key", key);
    return value(v, 1);
}

bool Writer::value(const Value& v, int depth) {
    if (!fits()) return false;
    switch (v.type()) {
    case Value::Type::boolean: line(depth, *v.boolean() ? "<true/>" : "<false/>"); return true;
    case Value::Type::integer: element(depth, "integer", text::integerText(*v.integer())); return true;
    case Value::Type::real: element(depth, "real", text::realText(*v.real())); return true;
    case Value::Type::string: textElement(depth, "string", *v.string()); return true;
    case Value::Type::data: data(depth, *v.data()); return true;
    case Value::Type::date: element(depth, "date", text::dateText(*v.date())); return true;
    case Value::Type::array: return depth < kMaxNesting && array(*v.array(), depth);
    case Value::Type::dictionary: return depth < kMaxNesting && dictionary(*v.dictionary(), depth);
    }
    return false;
}

bool Writer::document(const Value& v) {
    out_ += kHeader;
    if (!value(v, 0)) return false;
    out_ += kFooter;
    return fits();
}

}  // namespace

std::optional<size_t> writtenEntrySize(std::string_view key, const Value& value) {
    Writer writer(SIZE_MAX);
    if (!writer.rootEntry(key, value)) return std::nullopt;
    return writer.written();
}

size_t writtenDictionaryFrame() {
    return kHeader.size() + std::string_view("<dict>\n</dict>\n").size() + kFooter.size();
}

std::string writableText(std::string_view text) {
    if (plainAscii(text)) return std::string(text);
    std::u32string characters;
    for (char32_t c : decodeUTF8(text)) {
        // NUL is dropped rather than replaced: a C string never held it.
        if (c != 0) characters.push_back(forbiddenInXml(c) ? 0xFFFD : c);
    }
    return encodeUTF8(characters);
}

// Without building the written text: at the size limit that is a third of a second, and
// every string of a file read is looked at.
bool isWritableText(std::string_view text) {
    if (plainAscii(text)) return true;
    for (char c : text) {
        if (forbiddenInXml(static_cast<unsigned char>(c))) return false;
    }
    // U+FFFE and U+FFFF, the two characters outside ASCII that XML forbids.
    return isUTF8(text) && text.find("\xEF\xBF\xBE") == std::string_view::npos &&
           text.find("\xEF\xBF\xBF") == std::string_view::npos;
}

Value asWritten(const Value& value) {
    switch (value.type()) {
    case Value::Type::string: return writableText(*value.string());
    case Value::Type::date: return text::date(text::dateText(*value.date())).value;
    case Value::Type::array: {
        Array out;
        out.reserve(value.array()->size());
        for (const Value& item : *value.array()) out.push_back(asWritten(item));
        return out;
    }
    case Value::Type::dictionary: {
        const Dictionary& in = *value.dictionary();
        Dictionary out;
        for (size_t i = 0; i < in.size(); ++i) out.set(writableText(in.keyAt(i)), asWritten(in.valueAt(i)));
        return out;
    }
    default: return value;
    }
}

std::optional<std::string> writeDocument(const Value& value, size_t maxBytes) {
    Writer writer(maxBytes);
    if (!writer.document(value)) return std::nullopt;
    return writer.take();
}

}  // namespace platform::plist
