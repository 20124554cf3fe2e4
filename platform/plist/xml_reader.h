#pragma once

// The XML property-list reader behind parseXml. It makes one pass over the text with an
// explicit stack, so the depth of a document costs no stack, and adds each dictionary
// key through the dictionary's index, so a huge dictionary costs n log n. Entities are
// the five predefined ones and character references; a document type's declarations
// are skipped, never expanded.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/plist/value.h"
#include "platform/plist/xml.h"

namespace platform::plist {

struct DocumentReading {
    std::optional<Value> value;
    bool exact = true;
    // The root dictionary's keys whose entries did not read as they stand, in the order read.
    std::vector<std::string> inexactKeys;
    ReadError error = ReadError::corrupt;  // when there is no value
    const char* detail = "";
};

// `text` starts at the document's first markup (no byte order mark, no leading space).
DocumentReading readDocument(std::string_view text);

}  // namespace platform::plist
