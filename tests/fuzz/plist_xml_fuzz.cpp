// libFuzzer target for the property-list reader: whatever the input, reading must not
// crash, and what it reads must write out and read back to the same value (as the
// writer makes it fit for XML).
//
// Built only on request, with clang (see CMakeLists.txt beside this file). Built with
// FUZZ_LARGE_DOCUMENTS, an input is a recipe rather than the document: two bytes of
// repeat count, then head, unit, middle, unit and tail separated by NUL bytes; the
// document is the head, the first unit repeated, the middle, the second unit repeated
// and the tail. "<array>" and "</array>" as units nest a hundred thousand deep from an
// input of thirty bytes.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/plist/json.h"
#include "platform/plist/xml.h"
#include "platform/plist/xml_writer.h"

namespace {

using platform::plist::Value;

// Equality in which a NaN equals a NaN, as a written NaN reads back as one.
bool same(const Value& a, const Value& b) {
    if (a.type() != b.type()) return false;
    if (a.isReal()) return *a.real() == *b.real() || (std::isnan(*a.real()) && std::isnan(*b.real()));
    if (const auto* x = a.array()) {
        const auto* y = b.array();
        if (x->size() != y->size()) return false;
        for (size_t i = 0; i < x->size(); ++i) {
            if (!same((*x)[i], (*y)[i])) return false;
        }
        return true;
    }
    if (const auto* x = a.dictionary()) {
        const auto* y = b.dictionary();
        if (x->size() != y->size()) return false;
        for (size_t i = 0; i < x->size(); ++i) {
            const Value* other = y->find(x->keys()[i]);
            if (!other || !same(x->valueAt(i), *other)) return false;
        }
        return true;
    }
    return a == b;
}

#ifdef FUZZ_LARGE_DOCUMENTS
// At most this much text comes out of a recipe: beyond the reader's limit, so that
// the refusal of large documents is reached too, yet quick to read.
constexpr size_t kMaxExpanded = 8u << 20;

std::string expanded(std::string_view recipe) {
    if (recipe.size() < 2) return std::string(recipe);
    const size_t count = static_cast<unsigned char>(recipe[0]) << 8 | static_cast<unsigned char>(recipe[1]);
    recipe.remove_prefix(2);
    std::string_view parts[5];
    for (auto& part : parts) {
        const size_t end = std::min(recipe.find('\0'), recipe.size());
        part = recipe.substr(0, end);
        recipe.remove_prefix(std::min(end + 1, recipe.size()));
    }
    const size_t unitBytes = parts[1].size() + parts[3].size();
    const size_t repeats = unitBytes == 0 ? 0 : std::min(count * 16, kMaxExpanded / unitBytes);
    std::string out(parts[0]);
    for (size_t i = 0; i < repeats; ++i) out += parts[1];
    out += parts[2];
    for (size_t i = 0; i < repeats; ++i) out += parts[3];
    out += parts[4];
    return out;
}
#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
#ifdef FUZZ_LARGE_DOCUMENTS
    const std::string document = expanded(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::string_view text(document);
#else
    const std::string_view text(reinterpret_cast<const char*>(data), size);
#endif
    auto read = platform::plist::parseXml(text);
    if (!read.ok()) return 0;
    (void)platform::plist::toJson(read.value());
    auto xml = platform::plist::toXml(read.value());
    if (!xml) std::abort();
    auto again = platform::plist::parseXml(*xml);
    if (!again.ok() || !again.isExact() || !same(platform::plist::asWritten(read.value()), again.value())) {
        std::abort();
    }
    return 0;
}
