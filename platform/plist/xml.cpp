#include "platform/plist/xml.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/plist/xml_reader.h"
#include "platform/plist/xml_writer.h"

namespace platform::plist {

namespace {

std::string_view skipLeadingSpace(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    while (!text.empty() && (text[0] == ' ' || text[0] == '\t' || text[0] == '\r' || text[0] == '\n')) {
        text.remove_prefix(1);
    }
    return text;
}

std::optional<ReadResult> precheck(std::string_view body, size_t size) {
    if (size > kMaxDocumentBytes) return ReadResult::failure(ReadError::tooLarge);
    if (body.substr(0, 6) == "bplist") return ReadResult::failure(ReadError::unsupportedFormat, "binary");
    if (body.empty() || body[0] != '<' || body.find("<plist") == std::string_view::npos) {
        return ReadResult::failure(ReadError::notAPlist);
    }
    return std::nullopt;
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

// Counts no deeper than the limit, so a value built deeper still costs bounded stack.
bool nestsWithin(const Value& value, int depth) {
    if (!value.isArray() && !value.isDictionary()) return true;
    if (depth >= kMaxNesting) return false;
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

ReadResult ReadResult::success(Value value, bool exact, std::vector<std::string> inexactKeys) {
    ReadResult r(std::move(value));
    r.exact_ = exact;
    r.inexactKeys_ = std::move(inexactKeys);
    return r;
}

ReadResult ReadResult::failure(ReadError error, std::string detail) {
    ReadResult r(error);
    r.detail_ = std::move(detail);
    r.exact_ = false;
    return r;
}

ReadResult parseXml(std::string_view text) {
    const std::string_view body = skipLeadingSpace(text);
    if (auto refused = precheck(body, text.size())) return std::move(*refused);
    DocumentReading read = readDocument(body);
    if (!read.value) return ReadResult::failure(read.error, read.detail);
    return ReadResult::success(std::move(*read.value), read.exact, std::move(read.inexactKeys));
}

ReadResult parseXmlDictionary(std::string_view text) {
    ReadResult result = parseXml(text);
    if (result.ok() && !result.value().isDictionary()) {
        return ReadResult::failure(ReadError::wrongRootType, typeName(result.value().type()));
    }
    return result;
}

DocumentText readDocumentText(const std::filesystem::path& path) {
    DocumentText document;
    document.failure = readBounded(path, document.text);
    return document;
}

ReadResult readXmlFile(const std::filesystem::path& path) {
    DocumentText document = readDocumentText(path);
    if (document.failure) return std::move(*document.failure);
    return parseXml(document.text);
}

ReadResult readXmlDictionaryFile(const std::filesystem::path& path) {
    DocumentText document = readDocumentText(path);
    if (document.failure) return std::move(*document.failure);
    return parseXmlDictionary(document.text);
}

bool isWritable(const Value& value, int enclosingLevels) { return nestsWithin(value, enclosingLevels); }

std::optional<std::string> toXml(const Value& value) { return writeDocument(value, kMaxDocumentBytes); }

}  // namespace platform::plist
