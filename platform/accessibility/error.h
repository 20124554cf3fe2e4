#pragma once

// Errors of accessibility requests, with the codes the system gives them. A request
// answers Result<T, AccessibilityError>; error() of a successful one is success.

#include <cstdint>

#include "platform/runtime/result.h"

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

// A result never holds "success" as its error: one made from it holds "failure".
constexpr AccessibilityError resultError(AccessibilityError error) {
    return error == AccessibilityError::success ? AccessibilityError::failure : error;
}

}  // namespace platform
