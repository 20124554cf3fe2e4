#pragma once

// XML property lists, read and written by our own bounded reader and writer
// (xml_reader.h, xml_writer.h).
//
// Reading never crashes and never touches the file: a document is either read, or
// reported with one error kind. A read can succeed and still be inexact (isExact()
// false) when part of the document had no faithful counterpart among our values; a
// caller that writes the document back should then keep the original somewhere.
//
// What reading gives for the odd corners of the format:
// - integers are 64-bit signed; one written beyond that range, either way, reads as a
//   real of about its value (at most the largest finite real), and the read is inexact;
// - a malformed number, date or base64 block reads leniently: "abc" as the integer 0,
//   "1.5" as the integer 1, a malformed date as 1970-01-01, base64 skipping what is not
//   of its alphabet; these are defined, if surprising, and since writing gives back the
//   value read rather than the text, inexact ("0x10" reads as 16, exactly: the same
//   number);
// - dates read over their whole range, whole seconds; a fraction of a second, a year
//   outside 0001 to 9999 or fields that carry over (February 31st) read inexactly, and a
//   year of more than nine digits reads as the nearest nine-digit one;
// - a dictionary holding a key twice keeps the last value, and a key without a value is
//   dropped, both inexactly;
// - a raw NUL character in a string is dropped (the writer cannot write it), inexactly,
//   and a character reference to a surrogate reads as U+FFFD, inexactly;
// - text that is not UTF-8 reads byte for byte, as older files may hold it, and so does
//   text holding control characters that XML cannot carry; since writing replaces them
//   (see below), such a read is inexact;
// - element kinds we do not hold (the archiver's <uid>) make the document corrupt;
// - a document type's declarations are skipped: no entity of its own is expanded;
// - binary property lists are not read (unsupportedFormat): nothing of ours writes them;
// - documents larger than kMaxDocumentBytes are not read (tooLarge), nor documents
//   whose arrays and dictionaries nest deeper than kMaxNesting (corrupt).
//
// What writing gives: XML that any property-list tool reads, and that reads back to an
// equal value, except that dates keep whole seconds and are clamped to the years 0001 to
// 9999, a real NaN reads back as a NaN (which equals nothing), and text is made fit for
// XML (writableText in xml_writer.h): NUL characters are dropped, and text that is not
// UTF-8 or holds control characters other than tab, line feed and carriage return gets
// U+FFFD in their place. Nothing is written that reading would refuse: no document
// nests deeper than kMaxNesting or is larger than kMaxDocumentBytes.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
    static ReadResult success(Value value, bool exact, std::vector<std::string> inexactKeys = {});
    static ReadResult failure(ReadError error, std::string detail = {});

    // Only when !ok().
    const std::string& detail() const { return detail_; }
    // Everything in the document was read as it stands.
    bool isExact() const { return exact_; }
    // Of a dictionary's top level, the keys whose entries did not read as they stand: a
    // caller short of room when writing the document back may leave these out once the
    // original is kept elsewhere.
    const std::vector<std::string>& inexactKeys() const { return inexactKeys_; }

private:
    explicit ReadResult(Value value) : Result(std::move(value)) {}
    explicit ReadResult(ReadError error) : Result(error) {}

    std::string detail_;
    bool exact_ = true;
    std::vector<std::string> inexactKeys_;
};

// Any root type.
ReadResult parseXml(std::string_view text);
// The root must be a dictionary; another root gives wrongRootType.
ReadResult parseXmlDictionary(std::string_view text);
// Reads a file without following it into devices or pipes: a path that is not a
// regular file is unreadable.
ReadResult readXmlFile(const std::filesystem::path& path);
ReadResult readXmlDictionaryFile(const std::filesystem::path& path);
// The text of a file as the two above read it, for a caller that wants to see whether
// it changed before parsing it again; on failure, the result they would give.
struct DocumentText {
    std::string text;
    std::optional<ReadResult> failure;
};
DocumentText readDocumentText(const std::filesystem::path& path);

// The XML text of a value; none when it nests deeper than kMaxNesting or its text would
// be larger than kMaxDocumentBytes.
std::optional<std::string> toXml(const Value& value);
// Whether the value nests shallowly enough for toXml, as an element inside
// `enclosingLevels` arrays or dictionaries (a setting sits inside the domain's one).
bool isWritable(const Value& value, int enclosingLevels = 0);

}  // namespace platform::plist
