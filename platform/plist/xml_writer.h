#pragma once

// The XML property-list writer behind toXml. It writes only what XML allows, so that
// any tool reads the file: text that is not UTF-8, and control characters that XML
// cannot carry even as references, become U+FFFD; a carriage return is written as a
// reference, so that it is not read back as a line feed; NUL is dropped. Each nested
// level is indented by a tab, as the property-list tools lay it out.

#include <cstddef>
#include <optional>
#include <string>

#include "platform/plist/value.h"

namespace platform::plist {

// None when the value nests deeper than kMaxNesting or its text would pass `maxBytes`.
std::optional<std::string> writeDocument(const Value& value, size_t maxBytes);

// What one entry of a root dictionary takes in its document, and what the document of a
// root dictionary takes besides its entries: a document is the frame plus its entries,
// so that a caller can tell which entries to leave out to make one fit without writing
// it again after each. None for a value that nests deeper than kMaxNesting.
std::optional<size_t> writtenEntrySize(std::string_view key, const Value& value);
size_t writtenDictionaryFrame();

// `text` as the writer puts it in a document, before escaping: what reading it back gives.
std::string writableText(std::string_view text);
// Whether the writer puts `text` in a document as it stands (writableText changes nothing).
bool isWritableText(std::string_view text);

// The value that reading the writer's text gives back: text made fit for XML (keys
// included), dates in whole seconds within the years the form holds. Only for values
// that nest no deeper than kMaxNesting (isWritable).
Value asWritten(const Value& value);

}  // namespace platform::plist
