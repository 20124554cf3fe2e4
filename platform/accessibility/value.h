#pragma once

// Values of accessibility attributes: Booleans, numbers, strings, elements, arrays, and
// the structured values (point, size, rectangle, range, error) the system wraps with a
// kind: 1 point, 2 size, 3 rectangle, 4 range, 5 error. Reads are exact: a value of
// another type gives nothing, so callers decide what a value of the wrong type means.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/accessibility/element.h"
#include "platform/accessibility/error.h"
#include "platform/geometry/geometry.h"

namespace platform {

struct AccessibilityRange {
    int64_t location = 0;
    int64_t length = 0;
    friend bool operator==(const AccessibilityRange&, const AccessibilityRange&) = default;
};

class AccessibilityValue {
public:
    enum class Type { boolean, integer, real, string, element, array, point, size, rect, range, error };

    AccessibilityValue(bool b) : v_(b) {}
    AccessibilityValue(int i) : v_(int64_t{i}) {}
    AccessibilityValue(int64_t i) : v_(i) {}
    AccessibilityValue(uint32_t i) : v_(int64_t{i}) {}
    AccessibilityValue(double d) : v_(d) {}
    AccessibilityValue(const char* s) : v_(std::string(s)) {}
    AccessibilityValue(std::string s) : v_(std::move(s)) {}
    AccessibilityValue(AccessibilityElement e) : v_(std::move(e)) {}
    AccessibilityValue(std::vector<AccessibilityValue> items);
    AccessibilityValue(Point p) : v_(p) {}
    AccessibilityValue(Size s) : v_(s) {}
    AccessibilityValue(Rect r) : v_(r) {}
    AccessibilityValue(AccessibilityRange r) : v_(r) {}
    // The structured value that carries an error (what a failed slot of a multiple
    // request holds).
    static AccessibilityValue fromError(AccessibilityError error);

    Type type() const { return static_cast<Type>(v_.index()); }
    // The structured kind (1 point, 2 size, 3 rectangle, 4 range, 5 error); 0 for values
    // that are not structured.
    int structuredKind() const;
    bool isStructured() const { return structuredKind() != 0; }

    std::optional<bool> boolean() const;
    std::optional<int64_t> integer() const;
    // An integer or a real.
    std::optional<double> number() const;
    const std::string* string() const { return std::get_if<std::string>(&v_); }
    const AccessibilityElement* element() const { return std::get_if<AccessibilityElement>(&v_); }
    const std::vector<AccessibilityValue>* array() const;
    std::optional<Point> point() const;
    std::optional<Size> size() const;
    std::optional<Rect> rect() const;
    std::optional<AccessibilityRange> range() const;
    std::optional<AccessibilityError> error() const;

    friend bool operator==(const AccessibilityValue& a, const AccessibilityValue& b) { return a.v_ == b.v_; }

private:
    struct ErrorValue {
        AccessibilityError code;
        friend bool operator==(const ErrorValue&, const ErrorValue&) = default;
    };
    // Arrays are shared and never change once made.
    struct ArrayValue {
        std::shared_ptr<const std::vector<AccessibilityValue>> items;
        bool operator==(const ArrayValue& other) const;
    };
    explicit AccessibilityValue(ErrorValue e) : v_(e) {}

    std::variant<bool, int64_t, double, std::string, AccessibilityElement, ArrayValue, Point, Size, Rect,
                 AccessibilityRange, ErrorValue>
        v_;
};

// A short readable rendering for messages and test output.
std::string describe(const AccessibilityValue& value);

}  // namespace platform
