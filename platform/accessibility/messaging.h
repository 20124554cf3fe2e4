#pragma once

// How a request reaches an application (internal to the accessibility stand-in): the
// trust check, what the element refers to, the wait for an application that does not
// answer, and the faults the world injects.

#include <optional>
#include <string_view>

#include "platform/accessibility/value.h"
#include "platform/desktop/desktop.h"

namespace platform::accessibility_detail {

// What a request is about in the world.
struct Target {
    int32_t pid = 0;
    uint32_t window = 0;
    uint64_t control = 0;
};

// Finds what an element refers to: cannotComplete when its process has gone,
// invalidElement when its object has. Call with the world locked.
AccessibilityError resolve(const desktop::Desktop& world, const AccessibilityElement& element, Target& target);

// One request: made with the world unlocked, it waits (on the loop's clock) for an
// application that does not answer and for a fault that hangs, and takes the fault the
// world has for it.
class Request {
public:
    // Counts one request of the world (Desktop::accessibilityRequestCount).
    Request(desktop::Desktop& world, const AccessibilityElement& element, desktop::FaultCall call,
            std::string_view name);
    // A request to a target found otherwise (the element under a point, a slot of a
    // multiple request); the caller counts it when it is a request of its own.
    Request(desktop::Desktop& world, const Target& target, double timeout, desktop::FaultCall call,
            std::string_view name);

    // success when the request goes on.
    AccessibilityError error() const { return error_; }
    // The application did not answer in time.
    bool timedOut() const { return timedOut_; }
    const Target& target() const { return target_; }
    // A fault that changes the answer (wrong type, missing, a given answer); errors and
    // hangs are already in error().
    const std::optional<desktop::Fault>& fault() const { return fault_; }

private:
    void send(desktop::Desktop& world, double timeout, desktop::FaultCall call, std::string_view name);

    Target target_;
    AccessibilityError error_ = AccessibilityError::success;
    bool timedOut_ = false;
    std::optional<desktop::Fault> fault_;
};

// Applies a fault that changes an answer to a read. `missing` stands for an attribute
// the element does not have.
Result<AccessibilityValue, AccessibilityError> shapeAnswer(const std::optional<desktop::Fault>& fault,
                                                           Result<AccessibilityValue, AccessibilityError> answer);
// A value of another type than `value`.
AccessibilityValue wrongTypeOf(const AccessibilityValue& value);

}  // namespace platform::accessibility_detail
