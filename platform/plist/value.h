#pragma once

// Property-list values: the one value type for everything the program stores or
// announces. A value is a Boolean, an integer, a real, a string, data, a date, an
// array or a dictionary. Booleans stay distinct from integers. Dictionaries keep
// their keys unique and remember the order in which keys were first inserted, so a
// dictionary written out and read back comes back in the same order.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace platform::plist {

class Value;

struct Data {
    std::vector<uint8_t> bytes;
    friend bool operator==(const Data&, const Data&) = default;
};

// Seconds since 2001-01-01 00:00:00 UTC, as property lists count them.
struct Date {
    // Seconds from 1970-01-01 to 2001-01-01, both UTC.
    static constexpr double kReferenceToUnix = 978307200.0;

    double secondsSinceReferenceDate = 0;

    static Date fromSystemTime(std::chrono::system_clock::time_point time);
    // The same moment on the system clock; none for a date the clock cannot hold (not
    // finite, or centuries away), as a stored date may be.
    std::optional<std::chrono::system_clock::time_point> systemTime() const;

    friend bool operator==(const Date&, const Date&) = default;
};

class Array {
public:
    Array() = default;
    Array(std::initializer_list<Value> items);

    // Defined after Value, which must be complete for them (clang insists).
    size_t size() const;
    bool empty() const;
    const Value& operator[](size_t i) const;
    Value& operator[](size_t i);
    void push_back(const Value& v);
    void push_back(Value&& v);
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }
    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }
    void reserve(size_t n);

    friend bool operator==(const Array& a, const Array& b);

private:
    std::vector<Value> items_;
};

// Lookups are linear while a dictionary is small and go through an index once it
// grows, so that a stored dictionary with a huge number of keys (a hostile file)
// still loads in n log n time. The keys live one after another in one string, each
// entry naming its stretch of it: a dictionary costs two allocations however many keys
// it holds, which counts where many small dictionaries are built and dropped at a time
// (a window list holds one per window).
class Dictionary {
public:
    Dictionary() = default;
    Dictionary(std::initializer_list<std::pair<std::string_view, Value>> entries);
    Dictionary(const Dictionary& other);
    Dictionary(Dictionary&& other) noexcept;
    Dictionary& operator=(const Dictionary& other);
    Dictionary& operator=(Dictionary&& other) noexcept;
    ~Dictionary();

    // Defined after Value, which must be complete for them.
    size_t size() const;
    bool empty() const;
    bool contains(std::string_view key) const { return indexOf(key) != kAbsent; }
    // The value under `key`, or null when absent.
    const Value* find(std::string_view key) const;
    Value* find(std::string_view key);
    // Replaces the value of an existing key in place; a new key goes to the end.
    void set(std::string_view key, const Value& value);
    void set(std::string_view key, Value&& value);
    // Returns whether the key was there.
    bool erase(std::string_view key);
    // Removes every key whose entry the test names, in one pass, and returns how many
    // went: erasing them one at a time moves the keys after each one, which costs the
    // square of a large dictionary's size.
    using EntryTest = std::function<bool(std::string_view key, const Value& value)>;
    size_t eraseIf(const EntryTest& test);
    // The keys in order, copied; keyAt views one in place (good until the next change).
    std::vector<std::string> keys() const;
    std::string_view keyAt(size_t i) const;
    const Value& valueAt(size_t i) const;
    // Room for `count` keys of `keyBytes` characters in all, for a dictionary whose shape
    // is known before it is filled.
    void reserve(size_t count, size_t keyBytes = 0);

    // Order does not matter for equality: two dictionaries are equal when they hold the
    // same keys with equal values.
    friend bool operator==(const Dictionary& a, const Dictionary& b);

private:
    struct Entry;
    using Index = std::map<std::string, size_t, std::less<>>;
    static constexpr size_t kIndexThreshold = 16;
    // The position of a key, kAbsent for none (a plain number: g++ returns an optional
    // one through memory, which stalls every lookup).
    static constexpr size_t kAbsent = SIZE_MAX;
    size_t indexOf(std::string_view key) const;
    // One of 64 bits for a key, by its length and last character.
    static uint64_t keyBit(std::string_view key);
    void append(std::string_view key, Value&& value);
    void rebuildIndex();
    std::string keyText_;
    std::vector<Entry> entries_;
    // The bits of the keys held: a key whose bit is clear is absent without a look at the
    // keys, which is how most new keys are set.
    uint64_t keyBits_ = 0;
    // Key to position; kept only while the dictionary holds more than kIndexThreshold keys.
    std::unique_ptr<Index> index_;
};

class Value {
public:
    enum class Type { boolean, integer, real, string, data, date, array, dictionary };

    Value() : v_(false) {}
    Value(bool b) : v_(b) {}
    Value(int i) : v_(int64_t{i}) {}
    Value(int64_t i) : v_(i) {}
    Value(uint32_t i) : v_(int64_t{i}) {}
    Value(double d) : v_(d) {}
    Value(const char* s) : v_(std::string(s)) {}
    Value(std::string s) : v_(std::move(s)) {}
    Value(Data d) : v_(std::move(d)) {}
    Value(Date d) : v_(d) {}
    Value(Array a) : v_(std::move(a)) {}
    Value(Dictionary d) : v_(std::move(d)) {}

    Type type() const { return static_cast<Type>(v_.index()); }
    bool isBoolean() const { return type() == Type::boolean; }
    bool isInteger() const { return type() == Type::integer; }
    bool isReal() const { return type() == Type::real; }
    bool isNumber() const { return isInteger() || isReal(); }
    bool isString() const { return type() == Type::string; }
    bool isData() const { return type() == Type::data; }
    bool isDate() const { return type() == Type::date; }
    bool isArray() const { return type() == Type::array; }
    bool isDictionary() const { return type() == Type::dictionary; }

    // Exact reads: a value of another type gives nothing (no conversions).
    std::optional<bool> boolean() const;
    std::optional<int64_t> integer() const;
    std::optional<double> real() const;
    // An integer or a real as a double.
    std::optional<double> number() const;
    const std::string* string() const { return std::get_if<std::string>(&v_); }
    const Data* data() const { return std::get_if<Data>(&v_); }
    const Date* date() const { return std::get_if<Date>(&v_); }
    const Array* array() const { return std::get_if<Array>(&v_); }
    Array* array() { return std::get_if<Array>(&v_); }
    const Dictionary* dictionary() const { return std::get_if<Dictionary>(&v_); }
    Dictionary* dictionary() { return std::get_if<Dictionary>(&v_); }

    friend bool operator==(const Value& a, const Value& b) { return a.v_ == b.v_; }

private:
    std::variant<bool, int64_t, double, std::string, Data, Date, Array, Dictionary> v_;
};

inline size_t Array::size() const { return items_.size(); }
inline bool Array::empty() const { return items_.empty(); }
inline const Value& Array::operator[](size_t i) const { return items_[i]; }
inline Value& Array::operator[](size_t i) { return items_[i]; }
inline void Array::reserve(size_t n) { items_.reserve(n); }

// One key of a dictionary, as the stretch [keyStart, keyStart + keyLength) of its key
// text, with its value.
struct Dictionary::Entry {
    size_t keyStart = 0;
    size_t keyLength = 0;
    Value value;
};

inline size_t Dictionary::size() const { return entries_.size(); }
inline bool Dictionary::empty() const { return entries_.empty(); }
inline const Value& Dictionary::valueAt(size_t i) const { return entries_[i].value; }
inline std::string_view Dictionary::keyAt(size_t i) const {
    const Entry& entry = entries_[i];
    return std::string_view(keyText_.data() + entry.keyStart, entry.keyLength);
}

const char* typeName(Value::Type type);
// Equality as objects compare: numbers by value whatever their kind (a real 0 equals
// an integer 0, as a number stored in single precision may read back as either), with
// Booleans kept apart from numbers; arrays and dictionaries compare their members the
// same way. Everything else as ==.
bool isEqualObject(const Value& a, const Value& b);
// A short readable rendering for messages and test output (not a file format).
std::string describe(const Value& value);

}  // namespace platform::plist
