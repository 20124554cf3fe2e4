#include "windows/access/accessibility_elements.h"

#include "platform/accessibility/value.h"
#include "platform/runtime/main_loop.h"
#include "platform/runtime/process_once.h"
#include "platform/windowserver/symbols.h"
#include "windows/access/main_thread.h"

namespace furlpane {

using platform::AccessibilityElement;
using platform::AccessibilityError;
using platform::AccessibilityValue;
using platform::Rect;
using platform::Result;

namespace {

// The kinds of structured value, as the accessibility interface numbers them.
constexpr int kPointKind = 1;
constexpr int kSizeKind = 2;
constexpr int kErrorKind = 5;

std::optional<AccessibilityValue> read(const std::string& attribute, const AccessibilityElement& element) {
    auto value = element.copyAttributeValue(attribute);
    if (!value.ok()) return std::nullopt;
    return std::move(value).value();
}

// The error a structured error value carries; failure when it cannot be read out.
AccessibilityError errorOf(const AccessibilityValue& value) {
    return value.error().value_or(AccessibilityError::failure);
}

// The number of characters of an element's text, as the accessibility interface counts
// them (UTF-16 code units); nothing when it cannot be told.
std::optional<int64_t> characterCount(const AccessibilityElement& element) {
    if (auto count = read(ax::attribute::numberOfCharacters, element)) {
        if (auto n = count->integer()) return *n;
    }
    auto text = stringAttribute(ax::attribute::value, element);
    if (!text) return std::nullopt;
    int64_t units = 0;
    for (unsigned char byte : *text) {
        if ((byte & 0xC0) == 0x80) continue;  // a continuation byte
        units += byte >= 0xF0 ? 2 : 1;        // four bytes: outside the Basic Multilingual Plane
    }
    return units;
}

}  // namespace

AccessibilityElement systemWideElement() {
    static platform::ProcessOnce<AccessibilityElement> element;
    return element.get([] { return AccessibilityElement::systemWide(); });
}

platform::DispatchQueue& accessibilityQueue() { return platform::MainLoop::main().queue(kAccessibilityQueueLabel); }

platform::ElementWindowNumberCall windowNumberCall() {
    static platform::ProcessOnce<platform::ElementWindowNumberCall> call;
    return call.get([] { return platform::lookupSymbol<platform::ElementWindowNumberCall>("_AXUIElementGetWindow"); });
}

std::optional<uint32_t> windowNumber(const AccessibilityElement& element) {
    const auto call = windowNumberCall();
    if (!call) return std::nullopt;
    uint32_t number = 0;
    if (call(element, &number) != AccessibilityError::success || number == 0) return std::nullopt;
    return number;
}

std::vector<AccessibilityElement> applicationWindows(int32_t pid) {
    auto windows = readApplicationWindows(pid);
    if (!windows.ok()) return {};
    return std::move(windows).value();
}

Result<std::vector<AccessibilityElement>, AccessibilityError> readApplicationWindows(int32_t pid) {
    auto value = AccessibilityElement::application(pid).copyAttributeValue(ax::attribute::windows);
    if (!value.ok()) return value.error();
    const auto* items = value.value().array();
    if (!items) return AccessibilityError::failure;
    std::vector<AccessibilityElement> windows;
    windows.reserve(items->size());
    for (const auto& item : *items) {
        // Anything but elements makes the whole answer unusable.
        if (!item.element()) return AccessibilityError::failure;
        windows.push_back(*item.element());
    }
    return windows;
}

std::optional<bool> boolAttribute(const std::string& attribute, const AccessibilityElement& element) {
    auto value = read(attribute, element);
    return value ? value->boolean() : std::nullopt;
}

std::optional<std::string> stringAttribute(const std::string& attribute, const AccessibilityElement& element) {
    auto value = read(attribute, element);
    if (!value || !value->string()) return std::nullopt;
    return *value->string();
}

std::optional<AccessibilityElement> elementAttribute(const std::string& attribute, const AccessibilityElement& element) {
    auto value = read(attribute, element);
    if (!value || !value->element()) return std::nullopt;
    return *value->element();
}

Result<Rect, AccessibilityError> elementFrame(const AccessibilityElement& element) {
    requireMainThread("elementFrame");
    auto answer = element.copyAttributeValues({ax::attribute::position, ax::attribute::size});
    if (!answer.ok()) return answer.error();
    const auto& values = answer.value();
    if (values.size() != 2 || !values[0].isStructured() || !values[1].isStructured()) {
        return AccessibilityError::failure;
    }
    if (values[0].structuredKind() == kErrorKind) return errorOf(values[0]);
    if (values[1].structuredKind() == kErrorKind) return errorOf(values[1]);
    const auto position = values[0].structuredKind() == kPointKind ? values[0].point() : std::nullopt;
    const auto size = values[1].structuredKind() == kSizeKind ? values[1].size() : std::nullopt;
    if (!position || !size) return AccessibilityError::failure;
    return Rect{*position, *size};
}

std::optional<Rect> textBounds(const AccessibilityElement& element) {
    const auto count = characterCount(element);
    if (!count || *count <= 0) return std::nullopt;
    const AccessibilityValue range(platform::AccessibilityRange{0, *count});
    auto answer = element.copyParameterizedAttributeValue(ax::parameterized::boundsForRange, range);
    if (!answer.ok() || !answer->isStructured()) return std::nullopt;
    const auto bounds = answer->rect();
    if (!bounds || !(bounds->width() > 0)) return std::nullopt;
    return bounds;
}

std::optional<AccessibilityElement> focusedWindow(int32_t pid) {
    auto focused = elementAttribute(ax::attribute::focusedWindow, AccessibilityElement::application(pid));
    if (!focused) return std::nullopt;
    const auto role = stringAttribute(ax::attribute::role, *focused);
    if (!role || *role != ax::role::sheet) return focused;
    auto parent = elementAttribute(ax::attribute::parent, *focused);
    return parent ? parent : focused;
}

// A refusal comes back at once and a request that went unanswered only once its timeout
// has run out; half of it tells them apart whatever the clock's grain.
Answer timedRequest(const AccessibilityElement& element, const std::function<platform::AccessibilityError()>& request) {
    const auto& loop = platform::MainLoop::main();
    const double start = loop.now();
    const auto error = request();
    const bool waitedOut = loop.now() - start >= element.messagingTimeout() / 2;
    return {error, error == platform::AccessibilityError::cannotComplete && waitedOut};
}

std::optional<AccessibilityElement> windowElement(uint32_t number, int32_t pid) {
    requireMainThread("windowElement");
    for (const auto& window : applicationWindows(pid)) {
        if (windowNumber(window) == number) return window;
    }
    return std::nullopt;
}

}  // namespace furlpane
