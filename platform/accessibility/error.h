#pragma once

// Errors of accessibility requests, with the codes the system gives them.

#include <cstdint>
#include <optional>
#include <utility>

namespace platform {

enum class AccessibilityError : int32_t {
    success = 0,
    failure = -25200,
    illegalArgument = -25201,
    invalidElement = -25202,
    invalidObserver = -25203,
    cannotComplete = -25204,
    attributeUnsupported = -25205,
    actionUnsupported = -25206,
    notificationUnsupported = -25207,
    notImplemented = -25208,
    notificationAlreadyRegistered = -25209,
    notificationNotRegistered = -25210,
    apiDisabled = -25211,
    noValue = -25212,
    parameterizedAttributeUnsupported = -25213,
    notEnoughPrecision = -25214,
};

const char* describe(AccessibilityError error);

// A value or the error that kept it from coming; never both, and never the error
// "success" (a result made from it holds "failure").
template <class T>
class AccessibilityResult {
public:
    AccessibilityResult(T value) : value_(std::move(value)) {}
    AccessibilityResult(AccessibilityError error)
        : error_(error == AccessibilityError::success ? AccessibilityError::failure : error) {}

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    AccessibilityError error() const { return ok() ? AccessibilityError::success : error_; }
    // Only on a result that is ok().
    const T& value() const& { return *value_; }
    T&& value() && { return std::move(*value_); }
    const T& operator*() const& { return *value_; }
    const T* operator->() const { return &*value_; }
    const std::optional<T>& optional() const { return value_; }

private:
    std::optional<T> value_;
    AccessibilityError error_ = AccessibilityError::success;
};

}  // namespace platform
