#pragma once

// Accessibility elements: the system-wide element, an application, a window, and the
// controls inside applications (buttons, title, toolbars, menu bar, menus, menu items
// and any other role). An element is a reference: copies are the same element, and two
// elements are equal when they stand for the same user-interface object.
//
// Every request goes to the application that owns the element and waits for its answer
// at most the messaging timeout: the element's own when one was set, otherwise the one
// set on the system-wide element (which is thus every element's default), otherwise
// the system's 6 seconds. An application that does not answer costs that time and the
// request fails with cannotComplete. Requests fail with apiDisabled while the process is
// not trusted for accessibility, with cannotComplete when the process has gone, with
// invalidElement when the object has gone, with attributeUnsupported or noValue for an
// attribute the element lacks or has no value for.
//
// The world counts every request (Desktop::accessibilityRequestCount): one per call that
// asks an application, a multiple-attribute request counting one.
//
// Requests may be made from any thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/accessibility/error.h"

namespace platform {

class AccessibilityValue;

namespace accessibility_detail {
struct ElementFactory;
}

enum class MultipleAttributeOptions : uint32_t {
    none = 0,
    // The first attribute that fails fails the whole request.
    stopOnError = 1,
};

class AccessibilityElement {
public:
    enum class Kind { systemWide, application, window, control };

    static AccessibilityElement systemWide();
    static AccessibilityElement application(int32_t pid);

    Kind kind() const { return ref_->kind; }
    // The owning process as the element records it (0 for the system-wide element); it
    // stays readable after the process has gone.
    Result<int32_t, AccessibilityError> processIdentifier() const;

    Result<AccessibilityValue, AccessibilityError> copyAttributeValue(const std::string& attribute) const;
    // One request for several attributes: the answer holds one value per attribute, in
    // order, an attribute that failed holding its error as a value.
    Result<std::vector<AccessibilityValue>, AccessibilityError> copyAttributeValues(
        const std::vector<std::string>& attributes,
        MultipleAttributeOptions options = MultipleAttributeOptions::none) const;
    Result<AccessibilityValue, AccessibilityError> copyParameterizedAttributeValue(
        const std::string& attribute, const AccessibilityValue& parameter) const;
    Result<std::vector<std::string>, AccessibilityError> copyAttributeNames() const;
    Result<std::vector<std::string>, AccessibilityError> copyParameterizedAttributeNames() const;
    Result<bool, AccessibilityError> isAttributeSettable(const std::string& attribute) const;
    AccessibilityError setAttributeValue(const std::string& attribute, const AccessibilityValue& value) const;
    Result<std::vector<std::string>, AccessibilityError> copyActionNames() const;
    AccessibilityError performAction(const std::string& action) const;
    // The element at a top-left screen point: on the system-wide element among every
    // application's windows, on an application's element among its own.
    Result<AccessibilityElement, AccessibilityError> copyElementAtPosition(float x, float y) const;
    // Seconds to wait for answers to this element's requests; 0 goes back to the default.
    // Set on the system-wide element it is the default of every element of the process.
    AccessibilityError setMessagingTimeout(float seconds) const;

    // What the element refers to, for the stand-ins: the process and the object (a window
    // number or a control's identifier; 0 for applications and the system-wide element).
    int32_t pid() const { return ref_->pid; }
    uint64_t objectId() const { return ref_->id; }
    // The timeout requests to this element wait for, in seconds.
    double messagingTimeout() const;

    friend bool operator==(const AccessibilityElement& a, const AccessibilityElement& b) {
        return a.ref_->kind == b.ref_->kind && a.ref_->pid == b.ref_->pid && a.ref_->id == b.ref_->id;
    }
    size_t hash() const;

private:
    // The stand-in makes the elements of the world's windows and controls.
    friend struct accessibility_detail::ElementFactory;

    struct Ref {
        Kind kind;
        int32_t pid;
        uint64_t id;
        std::optional<double> timeout;
    };
    AccessibilityElement(Kind kind, int32_t pid, uint64_t id);

    std::shared_ptr<Ref> ref_;
};

}  // namespace platform

template <>
struct std::hash<platform::AccessibilityElement> {
    size_t operator()(const platform::AccessibilityElement& e) const noexcept { return e.hash(); }
};
