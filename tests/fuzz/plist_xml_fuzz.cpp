// libFuzzer target for the property-list reader: whatever the input, reading must not
// crash, and what it reads must write out and read back to the same value.
//
// Built only on request, with clang (see CMakeLists.txt beside this file).

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/plist/json.h"
#include "platform/plist/xml.h"

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto read = platform::plist::parseXml(text);
    if (!read.ok()) return 0;
    (void)platform::plist::toJson(read.value());
    auto xml = platform::plist::toXml(read.value());
    if (!xml) std::abort();
    auto again = platform::plist::parseXml(*xml);
    if (!again.ok() || !same(read.value(), again.value())) std::abort();
    return 0;
}
