#include "platform/plist/value.h"

#include <cmath>
#include <cstdio>

namespace platform::plist {

Array::Array(std::initializer_list<Value> items) : items_(items) {}

void Array::push_back(Value v) { items_.push_back(std::move(v)); }

bool operator==(const Array& a, const Array& b) { return a.items_ == b.items_; }

Dictionary::Dictionary(std::initializer_list<std::pair<std::string, Value>> entries) {
    for (const auto& [key, value] : entries) set(key, value);
}

std::optional<size_t> Dictionary::indexOf(std::string_view key) const {
    if (!index_.empty()) {
        auto it = index_.find(key);
        if (it == index_.end()) return std::nullopt;
        return it->second;
    }
    for (size_t i = 0; i < keys_.size(); ++i) {
        if (keys_[i] == key) return i;
    }
    return std::nullopt;
}

void Dictionary::rebuildIndex() {
    index_.clear();
    if (keys_.size() <= kIndexThreshold) return;
    for (size_t i = 0; i < keys_.size(); ++i) index_.emplace(keys_[i], i);
}

const Value* Dictionary::find(std::string_view key) const {
    auto i = indexOf(key);
    return i ? &values_[*i] : nullptr;
}

Value* Dictionary::find(std::string_view key) {
    auto i = indexOf(key);
    return i ? &values_[*i] : nullptr;
}

void Dictionary::set(std::string key, Value value) {
    if (!index_.empty()) {
        // One search of the index both finds a present key and places a new one.
        auto [it, inserted] = index_.try_emplace(key, keys_.size());
        if (!inserted) {
            values_[it->second] = std::move(value);
            return;
        }
        keys_.push_back(std::move(key));
        values_.push_back(std::move(value));
        return;
    }
    if (auto i = indexOf(key)) {
        values_[*i] = std::move(value);
        return;
    }
    keys_.push_back(std::move(key));
    values_.push_back(std::move(value));
    if (keys_.size() > kIndexThreshold) rebuildIndex();
}

bool Dictionary::erase(std::string_view key) {
    auto i = indexOf(key);
    if (!i) return false;
    // Out of the index first: `key` may view the very string that goes.
    if (!index_.empty()) index_.erase(index_.find(key));
    keys_.erase(keys_.begin() + static_cast<std::ptrdiff_t>(*i));
    values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(*i));
    if (keys_.size() <= kIndexThreshold) {
        index_.clear();
        return true;
    }
    // The later keys move up by one; adjusting them is cheaper than a new index.
    for (auto& [name, position] : index_) {
        if (position > *i) --position;
    }
    return true;
}

bool operator==(const Dictionary& a, const Dictionary& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.keys_.size(); ++i) {
        const Value* other = b.find(a.keys_[i]);
        if (!other || !(*other == a.values_[i])) return false;
    }
    return true;
}

std::optional<bool> Value::boolean() const {
    if (auto b = std::get_if<bool>(&v_)) return *b;
    return std::nullopt;
}

std::optional<int64_t> Value::integer() const {
    if (auto i = std::get_if<int64_t>(&v_)) return *i;
    return std::nullopt;
}

std::optional<double> Value::real() const {
    if (auto d = std::get_if<double>(&v_)) return *d;
    return std::nullopt;
}

std::optional<double> Value::number() const {
    if (auto i = std::get_if<int64_t>(&v_)) return static_cast<double>(*i);
    return real();
}

Date Date::fromSystemTime(std::chrono::system_clock::time_point time) {
    const std::chrono::duration<double> sinceUnix = time.time_since_epoch();
    return Date{sinceUnix.count() - kReferenceToUnix};
}

std::optional<std::chrono::system_clock::time_point> Date::systemTime() const {
    // The system clock counts nanoseconds in 64 bits: about 292 years either side of 1970.
    constexpr double kLimit = 9.0e9;
    const double sinceUnix = secondsSinceReferenceDate + kReferenceToUnix;
    if (!std::isfinite(sinceUnix) || std::fabs(sinceUnix) > kLimit) return std::nullopt;
    const auto duration = std::chrono::duration_cast<std::chrono::system_clock::duration>(
        std::chrono::duration<double>(sinceUnix));
    return std::chrono::system_clock::time_point(duration);
}

namespace {

bool equalNumbers(const Value& a, const Value& b) {
    if (a.isInteger() && b.isInteger()) return *a.integer() == *b.integer();
    if (a.isReal() && b.isReal()) return *a.real() == *b.real();
    const int64_t i = a.isInteger() ? *a.integer() : *b.integer();
    const double d = a.isReal() ? *a.real() : *b.real();
    // 2^63 is the first real beyond the 64-bit range; a real outside it, or with a
    // fraction, equals no integer.
    constexpr double kLimit = 9223372036854775808.0;
    if (!(d >= -kLimit && d < kLimit) || d != std::trunc(d)) return false;
    return static_cast<int64_t>(d) == i;
}

bool equalArrays(const Array& a, const Array& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (!isEqualObject(a[i], b[i])) return false;
    }
    return true;
}

bool equalDictionaries(const Dictionary& a, const Dictionary& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const Value* other = b.find(a.keys()[i]);
        if (!other || !isEqualObject(a.valueAt(i), *other)) return false;
    }
    return true;
}

}  // namespace

bool isEqualObject(const Value& a, const Value& b) {
    if (a.isNumber() && b.isNumber()) return equalNumbers(a, b);
    if (a.isArray() && b.isArray()) return equalArrays(*a.array(), *b.array());
    if (a.isDictionary() && b.isDictionary()) return equalDictionaries(*a.dictionary(), *b.dictionary());
    return a == b;
}

const char* typeName(Value::Type type) {
    switch (type) {
    case Value::Type::boolean: return "boolean";
    case Value::Type::integer: return "integer";
    case Value::Type::real: return "real";
    case Value::Type::string: return "string";
    case Value::Type::data: return "data";
    case Value::Type::date: return "date";
    case Value::Type::array: return "array";
    case Value::Type::dictionary: return "dictionary";
    }
    return "?";
}

std::string describe(const Value& value) {
    char buf[64];
    switch (value.type()) {
    case Value::Type::boolean: return *value.boolean() ? "true" : "false";
    case Value::Type::integer: return std::to_string(*value.integer());
    case Value::Type::real:
        std::snprintf(buf, sizeof buf, "%.17g", *value.real());
        return buf;
    case Value::Type::string: return "\"" + *value.string() + "\"";
    case Value::Type::data: {
        // Appended piece by piece: g++ 12 warns falsely on "literal" + std::string&&.
        std::string out = "<";
        out += std::to_string(value.data()->bytes.size());
        out += " bytes>";
        return out;
    }
    case Value::Type::date:
        std::snprintf(buf, sizeof buf, "@%.3f", value.date()->secondsSinceReferenceDate);
        return buf;
    case Value::Type::array: {
        std::string out = "[";
        for (size_t i = 0; i < value.array()->size(); ++i) {
            if (i) out += ", ";
            out += describe((*value.array())[i]);
        }
        return out + "]";
    }
    case Value::Type::dictionary: {
        const Dictionary& d = *value.dictionary();
        std::string out = "{";
        for (size_t i = 0; i < d.size(); ++i) {
            if (i) out += ", ";
            out += d.keys()[i] + ": " + describe(d.valueAt(i));
        }
        return out + "}";
    }
    }
    return "?";
}

}  // namespace platform::plist
