#pragma once

// XML property lists, read and written through libplist.
//
// Reading never crashes and never touches the file: a document is either read, or
// reported with one error kind. A read can succeed and still be inexact (isExact()
// false) when part of the document had no faithful counterpart among our values; a
// caller that writes the document back should then keep the original somewhere.
//
// What reading gives for the odd corners of the format:
// - integers are 64-bit signed; one written beyond that range reads as a real of about
//   its value (beyond 2^64 libplist saturates), and the read is inexact;
// - libplist reads a malformed number, date or base64 block leniently: "abc" as the
//   integer 0, "1.5" as the integer 1, "0x10" as 16, a malformed date as 1970-01-01;
//   these are defined, if surprising, and count as exact;
// - a dictionary holding a key twice keeps the last value;
// - a raw NUL character in a string is dropped (the writer cannot write it), inexactly;
// - element kinds we do not hold (the archiver's <uid>) are left out, inexactly; libplist
//   refuses most of them outright, which makes the document corrupt;
// - binary property lists are not read (unsupportedFormat): nothing of ours writes
//   them, and libplist's binary reader recurses without a bound;
// - documents larger than kMaxDocumentBytes are not read (tooLarge), nor documents
//   whose arrays and dictionaries nest deeper than kMaxNesting (corrupt).
//
// What writing gives: libplist reads the text back to an equal value, except that
// dates keep whole seconds and are clamped to libplist's 32-bit range (about 1933 to
// 2069), NUL characters are dropped from strings and keys (a C string cannot hold
// them), and a real NaN reads back as a NaN (which equals nothing).

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/plist/value.h"
#include "platform/runtime/result.h"

namespace platform::plist {

inline constexpr size_t kMaxDocumentBytes = 32u * 1024 * 1024;
inline constexpr int kMaxNesting = 256;

enum class ReadError {
    missing,            // no file at the path
    unreadable,         // not a regular file, or it could not be opened or read
    tooLarge,           // over kMaxDocumentBytes
    notAPlist,          // empty, or no XML property list at all
    unsupportedFormat,  // a binary property list
    corrupt,            // an XML property list that is broken, truncated or too deep
    wrongRootType,      // a sound property list whose root is not of the asked type
};

const char* describe(ReadError error);

// The one result type of fallible calls, with two things a read carries besides: whether
// a success read everything as it stands, and a detail for logs that a failure may give.
class ReadResult : public Result<Value, ReadError> {
public:
    static ReadResult success(Value value, bool exact);
    static ReadResult failure(ReadError error, std::string detail = {});

    // Only when !ok().
    const std::string& detail() const { return detail_; }
    // Everything in the document was read as it stands.
    bool isExact() const { return exact_; }

private:
    explicit ReadResult(Value value) : Result(std::move(value)) {}
    explicit ReadResult(ReadError error) : Result(error) {}

    std::string detail_;
    bool exact_ = true;
};

// Any root type.
ReadResult parseXml(std::string_view text);
// The root must be a dictionary; another root gives wrongRootType.
ReadResult parseXmlDictionary(std::string_view text);
// Reads a file without following it into devices or pipes: a path that is not a
// regular file is unreadable.
ReadResult readXmlFile(const std::filesystem::path& path);
ReadResult readXmlDictionaryFile(const std::filesystem::path& path);

// The XML text of a value; none when it nests deeper than kMaxNesting.
std::optional<std::string> toXml(const Value& value);
// Whether toXml can write the value (it nests no deeper than kMaxNesting).
bool isWritable(const Value& value);

}  // namespace platform::plist
