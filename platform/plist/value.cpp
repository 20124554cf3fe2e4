#include "platform/plist/value.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace platform::plist {

Array::Array(std::initializer_list<Value> items) : items_(items) {}

void Array::push_back(const Value& v) { items_.push_back(v); }

void Array::push_back(Value&& v) { items_.push_back(std::move(v)); }

bool operator==(const Array& a, const Array& b) { return a.items_ == b.items_; }

Dictionary::Dictionary(std::initializer_list<std::pair<std::string_view, Value>> entries) {
    size_t keyBytes = 0;
    for (const auto& entry : entries) keyBytes += entry.first.size();
    reserve(entries.size(), keyBytes);
    for (const auto& [key, value] : entries) set(key, value);
}

Dictionary::Dictionary(const Dictionary& other)
    : keyText_(other.keyText_),
      entries_(other.entries_),
      keyBits_(other.keyBits_),
      index_(other.index_ ? std::make_unique<Index>(*other.index_) : nullptr) {}

Dictionary::Dictionary(Dictionary&& other) noexcept = default;

Dictionary& Dictionary::operator=(const Dictionary& other) {
    if (this != &other) *this = Dictionary(other);
    return *this;
}

Dictionary& Dictionary::operator=(Dictionary&& other) noexcept = default;

Dictionary::~Dictionary() = default;

void Dictionary::reserve(size_t count, size_t keyBytes) {
    entries_.reserve(count);
    keyText_.reserve(keyBytes);
}

std::vector<std::string> Dictionary::keys() const {
    std::vector<std::string> keys;
    keys.reserve(entries_.size());
    for (size_t i = 0; i < entries_.size(); ++i) keys.emplace_back(keyAt(i));
    return keys;
}

namespace {

// Kept apart from the walk through a small dictionary, which is the common case and
// stays lean without it.
[[gnu::noinline]] size_t indexedPosition(const std::map<std::string, size_t, std::less<>>& index,
                                         std::string_view key, size_t absent) {
    auto it = index.find(key);
    return it == index.end() ? absent : it->second;
}

}  // namespace

size_t Dictionary::indexOf(std::string_view key) const {
    if (index_) return indexedPosition(*index_, key, kAbsent);
    if ((keyBits_ & keyBit(key)) == 0) return kAbsent;
    // Keys often share a prefix ("kCGWindow..."): their last characters tell most of
    // them apart before the whole is compared.
    for (size_t i = 0; i < entries_.size(); ++i) {
        const Entry& entry = entries_[i];
        if (entry.keyLength != key.size()) continue;
        if (key.empty()) return i;
        const char* text = keyText_.data() + entry.keyStart;
        if (text[key.size() - 1] == key.back() && std::memcmp(text, key.data(), key.size()) == 0) return i;
    }
    return kAbsent;
}

uint64_t Dictionary::keyBit(std::string_view key) {
    const size_t last = key.empty() ? 0 : static_cast<unsigned char>(key.back());
    return uint64_t{1} << ((key.size() * 7 + last) & 63);
}

void Dictionary::rebuildIndex() {
    index_.reset();
    if (entries_.size() <= kIndexThreshold) return;
    index_ = std::make_unique<Index>();
    for (size_t i = 0; i < entries_.size(); ++i) index_->emplace(keyAt(i), i);
}

// The key may view this dictionary's own key text: the append copies it before the old
// text goes.
void Dictionary::append(std::string_view key, Value&& value) {
    const size_t start = keyText_.size();
    keyText_.append(key);
    keyBits_ |= keyBit(key);
    entries_.emplace_back(start, key.size(), std::move(value));
}

const Value* Dictionary::find(std::string_view key) const {
    const size_t i = indexOf(key);
    return i == kAbsent ? nullptr : &entries_[i].value;
}

Value* Dictionary::find(std::string_view key) {
    const size_t i = indexOf(key);
    return i == kAbsent ? nullptr : &entries_[i].value;
}

void Dictionary::set(std::string_view key, const Value& value) { set(key, Value(value)); }

void Dictionary::set(std::string_view key, Value&& value) {
    if (index_) {
        // One search of the index both finds a present key and places a new one.
        auto [it, inserted] = index_->try_emplace(std::string(key), entries_.size());
        if (!inserted) {
            entries_[it->second].value = std::move(value);
            return;
        }
        append(key, std::move(value));
        return;
    }
    if (const size_t i = indexOf(key); i != kAbsent) {
        entries_[i].value = std::move(value);
        return;
    }
    append(key, std::move(value));
    if (entries_.size() > kIndexThreshold) rebuildIndex();
}

bool Dictionary::erase(std::string_view key) {
    const size_t i = indexOf(key);
    if (i == kAbsent) return false;
    // Out of the index first: `key` may view the very text that goes.
    if (index_) index_->erase(index_->find(key));
    const size_t start = entries_[i].keyStart, length = entries_[i].keyLength;
    keyText_.erase(start, length);
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
    // The later keys move up, in the text by the length of the key and in the entries by one.
    for (size_t j = i; j < entries_.size(); ++j) entries_[j].keyStart -= length;
    keyBits_ = 0;
    for (size_t j = 0; j < entries_.size(); ++j) keyBits_ |= keyBit(keyAt(j));
    if (entries_.size() <= kIndexThreshold) {
        index_.reset();
        return true;
    }
    for (auto& [name, position] : *index_) {
        if (position > i) --position;
    }
    return true;
}

// The keys before the first that goes stand where they stood; from it on, those that stay
// move up, in the text and in the entries.
size_t Dictionary::eraseIf(const EntryTest& test) {
    size_t kept = 0;
    while (kept < entries_.size() && !test(keyAt(kept), entries_[kept].value)) ++kept;
    if (kept == entries_.size()) return 0;
    std::string keyText = keyText_.substr(0, entries_[kept].keyStart);
    keyText.reserve(keyText_.size());
    for (size_t i = kept + 1; i < entries_.size(); ++i) {
        const std::string_view key = keyAt(i);
        if (test(key, entries_[i].value)) continue;
        const size_t start = keyText.size();
        keyText.append(key);
        entries_[kept] = std::move(entries_[i]);
        entries_[kept++].keyStart = start;
    }
    const size_t removed = entries_.size() - kept;
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(kept), entries_.end());
    keyText_ = std::move(keyText);
    keyBits_ = 0;
    for (size_t j = 0; j < entries_.size(); ++j) keyBits_ |= keyBit(keyAt(j));
    rebuildIndex();
    return removed;
}

bool operator==(const Dictionary& a, const Dictionary& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const Value* other = b.find(a.keyAt(i));
        if (!other || !(*other == a.valueAt(i))) return false;
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
        const Value* other = b.find(a.keyAt(i));
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
            out += d.keyAt(i);
            out += ": ";
            out += describe(d.valueAt(i));
        }
        return out + "}";
    }
    }
    return "?";
}

}  // namespace platform::plist
