#pragma once

// Property-list values written on one line of a scenario:
//
//   true  false  3  -2  0.5  "text"  [1, "two", [3]]  {"Key": 1, Other: [true]}
//
// A whole number that fits 64 bits is an integer, any other finite decimal a real.
// Dictionary keys are quoted texts or bare words; a key given twice keeps its last
// value. Nesting deeper than kMaxLiteralDepth is refused, so a hostile line cannot
// exhaust the stack.

#include <string>

#include "platform/plist/value.h"
#include "platform/scenario/line_cursor.h"

namespace platform::scenario {

inline constexpr int kMaxLiteralDepth = 32;

Result<plist::Value, SyntaxError> readLiteral(LineCursor& cursor);

// The literal as a scenario writes it (strings quoted with escapes); data and dates,
// which a literal cannot hold, as their types' names.
std::string literalText(const plist::Value& value);

}  // namespace platform::scenario
