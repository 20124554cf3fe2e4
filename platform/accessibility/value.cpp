#include "platform/accessibility/value.h"

#include <sstream>

namespace platform {

const char* describe(AccessibilityError error) {
    switch (error) {
    case AccessibilityError::success: return "success";
    case AccessibilityError::failure: return "failure";
    case AccessibilityError::illegalArgument: return "illegal argument";
    case AccessibilityError::invalidElement: return "invalid element";
    case AccessibilityError::invalidObserver: return "invalid observer";
    case AccessibilityError::cannotComplete: return "cannot complete";
    case AccessibilityError::attributeUnsupported: return "attribute unsupported";
    case AccessibilityError::actionUnsupported: return "action unsupported";
    case AccessibilityError::notificationUnsupported: return "notification unsupported";
    case AccessibilityError::notImplemented: return "not implemented";
    case AccessibilityError::notificationAlreadyRegistered: return "notification already registered";
    case AccessibilityError::notificationNotRegistered: return "notification not registered";
    case AccessibilityError::apiDisabled: return "accessibility disabled";
    case AccessibilityError::noValue: return "no value";
    case AccessibilityError::parameterizedAttributeUnsupported: return "parameterized attribute unsupported";
    case AccessibilityError::notEnoughPrecision: return "not enough precision";
    }
    return "unknown error";
}

AccessibilityValue::AccessibilityValue(std::vector<AccessibilityValue> items)
    : v_(ArrayValue{std::make_shared<const std::vector<AccessibilityValue>>(std::move(items))}) {}

bool AccessibilityValue::ArrayValue::operator==(const ArrayValue& other) const {
    return items == other.items || *items == *other.items;
}

const std::vector<AccessibilityValue>* AccessibilityValue::array() const {
    if (const ArrayValue* a = std::get_if<ArrayValue>(&v_)) return a->items.get();
    return nullptr;
}

AccessibilityValue AccessibilityValue::fromError(AccessibilityError error) { return AccessibilityValue(ErrorValue{error}); }

int AccessibilityValue::structuredKind() const {
    switch (type()) {
    case Type::point: return 1;
    case Type::size: return 2;
    case Type::rect: return 3;
    case Type::range: return 4;
    case Type::error: return 5;
    default: return 0;
    }
}

std::optional<bool> AccessibilityValue::boolean() const {
    if (const bool* b = std::get_if<bool>(&v_)) return *b;
    return std::nullopt;
}

std::optional<int64_t> AccessibilityValue::integer() const {
    if (const int64_t* i = std::get_if<int64_t>(&v_)) return *i;
    return std::nullopt;
}

std::optional<double> AccessibilityValue::number() const {
    if (const int64_t* i = std::get_if<int64_t>(&v_)) return static_cast<double>(*i);
    if (const double* d = std::get_if<double>(&v_)) return *d;
    return std::nullopt;
}

std::optional<Point> AccessibilityValue::point() const {
    if (const Point* p = std::get_if<Point>(&v_)) return *p;
    return std::nullopt;
}

std::optional<Size> AccessibilityValue::size() const {
    if (const Size* s = std::get_if<Size>(&v_)) return *s;
    return std::nullopt;
}

std::optional<Rect> AccessibilityValue::rect() const {
    if (const Rect* r = std::get_if<Rect>(&v_)) return *r;
    return std::nullopt;
}

std::optional<AccessibilityRange> AccessibilityValue::range() const {
    if (const AccessibilityRange* r = std::get_if<AccessibilityRange>(&v_)) return *r;
    return std::nullopt;
}

std::optional<AccessibilityError> AccessibilityValue::error() const {
    if (const ErrorValue* e = std::get_if<ErrorValue>(&v_)) return e->code;
    return std::nullopt;
}

std::string describe(const AccessibilityValue& value) {
    std::ostringstream out;
    switch (value.type()) {
    case AccessibilityValue::Type::boolean: out << (*value.boolean() ? "true" : "false"); break;
    case AccessibilityValue::Type::integer: out << *value.integer(); break;
    case AccessibilityValue::Type::real: out << *value.number(); break;
    case AccessibilityValue::Type::string: out << '"' << *value.string() << '"'; break;
    case AccessibilityValue::Type::element: {
        const AccessibilityElement& e = *value.element();
        out << "element(" << static_cast<int>(e.kind()) << ", pid " << e.pid() << ", " << e.objectId() << ")";
        break;
    }
    case AccessibilityValue::Type::array: {
        out << '[';
        const char* separator = "";
        for (const auto& item : *value.array()) {
            out << separator << describe(item);
            separator = ", ";
        }
        out << ']';
        break;
    }
    case AccessibilityValue::Type::point: out << describe(*value.point()); break;
    case AccessibilityValue::Type::size: out << "size(" << value.size()->width << ", " << value.size()->height << ")"; break;
    case AccessibilityValue::Type::rect: out << describe(*value.rect()); break;
    case AccessibilityValue::Type::range:
        out << "range(" << value.range()->location << ", " << value.range()->length << ")";
        break;
    case AccessibilityValue::Type::error: out << "error(" << describe(*value.error()) << ")"; break;
    }
    return out.str();
}

}  // namespace platform
