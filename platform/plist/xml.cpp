#include "platform/plist/xml.h"

#include <fcntl.h>
#include <plist/plist.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

namespace platform::plist {

namespace {

struct NodeDeleter {
    void operator()(void* node) const { plist_free(node); }
};
using Node = std::unique_ptr<void, NodeDeleter>;

struct MallocDeleter {
    void operator()(char* p) const { std::free(p); }
};
using MallocString = std::unique_ptr<char, MallocDeleter>;

// ---- Checks made before libplist sees the text -------------------------------------

std::string_view skipLeadingSpace(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    while (!text.empty() && (text[0] == ' ' || text[0] == '\t' || text[0] == '\r' || text[0] == '\n')) {
        text.remove_prefix(1);
    }
    return text;
}

bool startsContainer(std::string_view rest, std::string_view name) {
    if (rest.substr(0, name.size()) != name) return false;
    const size_t after = name.size();
    return after < rest.size() && (rest[after] == '>' || rest[after] == '/' || rest[after] == ' ' ||
                                   rest[after] == '\t' || rest[after] == '\r' || rest[after] == '\n');
}

// Whether arrays and dictionaries nest deeper than libplist and our own recursion can
// take. Comments are skipped; a container tag inside a CDATA section would be counted,
// which can only make a pathological document look deeper than it is.
bool nestsTooDeep(std::string_view text) {
    int depth = 0;
    for (size_t i = text.find('<'); i != std::string_view::npos; i = text.find('<', i + 1)) {
        std::string_view rest = text.substr(i + 1);
        if (rest.substr(0, 3) == "!--") {
            const size_t end = text.find("-->", i + 4);
            if (end == std::string_view::npos) return false;
            i = end;
            continue;
        }
        const bool closing = !rest.empty() && rest[0] == '/';
        if (closing) rest.remove_prefix(1);
        if (!startsContainer(rest, "array") && !startsContainer(rest, "dict")) continue;
        if (closing) {
            --depth;
            continue;
        }
        const size_t close = rest.find('>');
        const bool selfClosing = close != std::string_view::npos && close > 0 && rest[close - 1] == '/';
        if (!selfClosing && ++depth > kMaxNesting) return true;
    }
    return false;
}

std::optional<ReadResult> precheck(std::string_view text) {
    if (text.size() > kMaxDocumentBytes) return ReadResult::failure(ReadError::tooLarge);
    const std::string_view body = skipLeadingSpace(text);
    if (body.substr(0, 6) == "bplist") return ReadResult::failure(ReadError::unsupportedFormat, "binary");
    if (body.empty() || body[0] != '<' || body.find("<plist") == std::string_view::npos) {
        return ReadResult::failure(ReadError::notAPlist);
    }
    if (nestsTooDeep(body)) return ReadResult::failure(ReadError::corrupt, "nested too deeply");
    return std::nullopt;
}

std::string withoutNul(const std::string& s) {
    if (s.find('\0') == std::string::npos) return s;
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        if (c != '\0') out.push_back(c);
    }
    return out;
}

// ---- libplist nodes to values --------------------------------------------------------

class Reader {
public:
    std::optional<Value> convert(void* node, int depth);
    bool exact = true;

private:
    Value integer(void* node);
    std::optional<Value> array(void* node, int depth);
    std::optional<Value> dictionary(void* node, int depth);
};

// libplist keeps every integer as 64 unsigned bits and remembers only in its private
// node whether a large one was written negative. Its own XML text tells the two apart.
bool writtenNegative(void* node) {
    Node copy(plist_copy(node));
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(copy.get(), &xml, &length);
    MallocString owned(xml);
    return xml && std::strstr(xml, "<integer>-") != nullptr;
}

Value Reader::integer(void* node) {
    uint64_t raw = 0;
    plist_get_uint_val(node, &raw);
    if (raw <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) || writtenNegative(node)) {
        return Value(static_cast<int64_t>(raw));
    }
    exact = false;
    return Value(static_cast<double>(raw));
}

std::optional<Value> Reader::array(void* node, int depth) {
    Array out;
    const uint32_t n = plist_array_get_size(node);
    out.reserve(n);
    for (uint32_t i = 0; i < n; ++i) {
        if (auto v = convert(plist_array_get_item(node, i), depth + 1)) {
            out.push_back(std::move(*v));
        } else {
            exact = false;
        }
    }
    return Value(std::move(out));
}

std::optional<Value> Reader::dictionary(void* node, int depth) {
    Dictionary out;
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(node, &it);
    if (!it) return Value(std::move(out));
    for (;;) {
        char* rawKey = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(node, it, &rawKey, &item);
        MallocString key(rawKey);
        if (!item) break;
        auto v = key ? convert(item, depth + 1) : std::nullopt;
        if (v) {
            out.set(key.get(), std::move(*v));
        } else {
            exact = false;
        }
    }
    std::free(it);
    return Value(std::move(out));
}

std::optional<Value> Reader::convert(void* node, int depth) {
    if (!node || depth > kMaxNesting) return std::nullopt;
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        return Value(b != 0);
    }
    case PLIST_UINT: return integer(node);
    case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(node, &d);
        return Value(d);
    }
    case PLIST_STRING: {
        uint64_t length = 0;
        const char* p = plist_get_string_ptr(node, &length);
        std::string text = p ? std::string(p, length) : std::string();
        // A raw NUL in the document: dropped, as the writer drops it.
        if (text.find('\0') != std::string::npos) {
            exact = false;
            text = withoutNul(text);
        }
        return Value(std::move(text));
    }
    case PLIST_DATE: {
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        return Value(Date{sec + usec / 1e6});
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        const char* p = plist_get_data_ptr(node, &length);
        Data data;
        if (p) data.bytes.assign(p, p + length);
        return Value(std::move(data));
    }
    case PLIST_ARRAY: return array(node, depth);
    case PLIST_DICT: return dictionary(node, depth);
    default: return std::nullopt;
    }
}

// ---- Values to libplist nodes --------------------------------------------------------


// The XML form holds whole seconds, and libplist counts them in 32 bits.
void* dateNode(const Date& date) {
    double seconds = date.secondsSinceReferenceDate;
    if (std::isnan(seconds)) seconds = 0;
    seconds = std::clamp(std::round(seconds), double(INT32_MIN), double(INT32_MAX));
    return plist_new_date(static_cast<int32_t>(seconds), 0);
}

void* build(const Value& value, int depth);

void* buildArray(const Array& array, int depth) {
    Node node(plist_new_array());
    for (const Value& item : array) {
        void* child = build(item, depth + 1);
        if (!child) return nullptr;
        plist_array_append_item(node.get(), child);
    }
    return node.release();
}

void* buildDictionary(const Dictionary& dict, int depth) {
    Node node(plist_new_dict());
    for (size_t i = 0; i < dict.size(); ++i) {
        void* child = build(dict.valueAt(i), depth + 1);
        if (!child) return nullptr;
        plist_dict_set_item(node.get(), withoutNul(dict.keys()[i]).c_str(), child);
    }
    return node.release();
}

void* build(const Value& value, int depth) {
    if (depth > kMaxNesting) return nullptr;
    switch (value.type()) {
    case Value::Type::boolean: return plist_new_bool(*value.boolean() ? 1 : 0);
    case Value::Type::integer: return plist_new_uint(static_cast<uint64_t>(*value.integer()));
    case Value::Type::real: return plist_new_real(*value.real());
    case Value::Type::string: return plist_new_string(withoutNul(*value.string()).c_str());
    case Value::Type::data: {
        const auto& bytes = value.data()->bytes;
        return plist_new_data(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    case Value::Type::date: return dateNode(*value.date());
    case Value::Type::array: return buildArray(*value.array(), depth);
    case Value::Type::dictionary: return buildDictionary(*value.dictionary(), depth);
    }
    return nullptr;
}

// ---- Files ---------------------------------------------------------------------------

struct FileDescriptor {
    int fd = -1;
    ~FileDescriptor() {
        if (fd >= 0) ::close(fd);
    }
};

// Reads at most kMaxDocumentBytes + 1 bytes of a regular file.
std::optional<ReadResult> readBounded(const std::filesystem::path& path, std::string& out) {
    FileDescriptor file;
    // Non-blocking, so that a pipe put in the file's place cannot hang the reader.
    file.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (file.fd < 0) {
        if (errno == ENOENT) return ReadResult::failure(ReadError::missing);
        return ReadResult::failure(ReadError::unreadable, std::strerror(errno));
    }
    struct stat st {};
    if (::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        return ReadResult::failure(ReadError::unreadable, "not a regular file");
    }
    if (static_cast<uint64_t>(st.st_size) > kMaxDocumentBytes) return ReadResult::failure(ReadError::tooLarge);
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(file.fd, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            return ReadResult::failure(ReadError::unreadable, std::strerror(errno));
        }
        out.append(buffer, static_cast<size_t>(n));
        if (out.size() > kMaxDocumentBytes) return ReadResult::failure(ReadError::tooLarge);
    }
    return std::nullopt;
}

bool nestsWithin(const Value& value, int depth) {
    if (depth > kMaxNesting) return false;
    if (const Array* a = value.array()) {
        for (const Value& item : *a) {
            if (!nestsWithin(item, depth + 1)) return false;
        }
    } else if (const Dictionary* d = value.dictionary()) {
        for (size_t i = 0; i < d->size(); ++i) {
            if (!nestsWithin(d->valueAt(i), depth + 1)) return false;
        }
    }
    return true;
}

}  // namespace

const char* describe(ReadError error) {
    switch (error) {
    case ReadError::missing: return "missing";
    case ReadError::unreadable: return "unreadable";
    case ReadError::tooLarge: return "too large";
    case ReadError::notAPlist: return "not a property list";
    case ReadError::unsupportedFormat: return "unsupported format";
    case ReadError::corrupt: return "corrupt";
    case ReadError::wrongRootType: return "wrong root type";
    }
    return "?";
}

ReadResult ReadResult::success(Value value, bool exact) {
    ReadResult r(std::move(value));
    r.exact_ = exact;
    return r;
}

ReadResult ReadResult::failure(ReadError error, std::string detail) {
    ReadResult r(error);
    r.detail_ = std::move(detail);
    r.exact_ = false;
    return r;
}

ReadResult parseXml(std::string_view text) {
    if (auto refused = precheck(text)) return std::move(*refused);
    // libplist wants a terminated buffer (a view need not be one) and no byte order mark.
    const std::string copy(skipLeadingSpace(text));
    plist_t raw = nullptr;
    plist_from_xml(copy.c_str(), static_cast<uint32_t>(copy.size()), &raw);
    Node root(raw);
    if (!root) return ReadResult::failure(ReadError::corrupt);
    Reader reader;
    auto value = reader.convert(root.get(), 0);
    if (!value) return ReadResult::failure(ReadError::corrupt, "unknown root element");
    return ReadResult::success(std::move(*value), reader.exact);
}

ReadResult parseXmlDictionary(std::string_view text) {
    ReadResult result = parseXml(text);
    if (result.ok() && !result.value().isDictionary()) {
        return ReadResult::failure(ReadError::wrongRootType, typeName(result.value().type()));
    }
    return result;
}

ReadResult readXmlFile(const std::filesystem::path& path) {
    std::string text;
    if (auto failed = readBounded(path, text)) return std::move(*failed);
    return parseXml(text);
}

ReadResult readXmlDictionaryFile(const std::filesystem::path& path) {
    std::string text;
    if (auto failed = readBounded(path, text)) return std::move(*failed);
    return parseXmlDictionary(text);
}

bool isWritable(const Value& value) { return nestsWithin(value, 0); }

std::optional<std::string> toXml(const Value& value) {
    Node root(build(value, 0));
    if (!root) return std::nullopt;
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root.get(), &xml, &length);
    MallocString owned(xml);
    if (!xml) return std::nullopt;
    return std::string(xml, length);
}

}  // namespace platform::plist
