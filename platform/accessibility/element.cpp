#include "platform/accessibility/element.h"

#include <cmath>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/accessibility/element_model.h"
#include "platform/accessibility/messaging.h"
#include "platform/accessibility/value.h"
#include "platform/desktop/desktop.h"

namespace platform {

using accessibility_detail::Request;
using desktop::Desktop;
using desktop::FaultCall;

namespace {

// With no world there is nothing to talk to.
constexpr AccessibilityError kNoWorld = AccessibilityError::cannotComplete;

// Refuses nothing: the request goes on to the object.
constexpr auto kNoRefusal = [](const Request&) -> std::optional<AccessibilityError> { return std::nullopt; };

// Sends one message about `element` and, when it gets through, answers it with
// `answer(world, request)` under the world's lock. The message may fail or time out on the
// way, `refusal` may turn a fault into an error before the object is looked at, and the
// object may have gone while the message waited; each comes back as its error.
template <typename Answer, typename Refusal = decltype(kNoRefusal)>
auto ask(const AccessibilityElement& element, FaultCall call, std::string_view name, Answer answer,
         Refusal refusal = kNoRefusal) -> decltype(answer(std::declval<Desktop&>(), std::declval<const Request&>())) {
    Desktop* world = Desktop::currentOrNull();
    if (!world) return kNoWorld;
    Request request(*world, element, call, name);
    if (request.error() != AccessibilityError::success) return request.error();
    if (auto refused = refusal(request)) return *refused;
    auto guard = world->lock();
    accessibility_detail::Target target;
    if (auto gone = accessibility_detail::resolve(*world, element, target); gone != AccessibilityError::success) {
        return gone;
    }
    return answer(*world, request);
}

}  // namespace

AccessibilityElement::AccessibilityElement(Kind kind, int32_t pid, uint64_t id)
    : ref_(std::make_shared<Ref>(Ref{kind, pid, id, std::nullopt})) {}

AccessibilityElement AccessibilityElement::systemWide() { return AccessibilityElement(Kind::systemWide, 0, 0); }

AccessibilityElement AccessibilityElement::application(int32_t pid) {
    return AccessibilityElement(Kind::application, pid, 0);
}

size_t AccessibilityElement::hash() const {
    const size_t h = std::hash<uint64_t>()(ref_->id) ^ (std::hash<int32_t>()(ref_->pid) << 1);
    return h ^ (static_cast<size_t>(ref_->kind) << 3);
}

// Copies of an element share its timeout, and copies travel to other threads: the
// timeout is read and set under the world's lock.
double AccessibilityElement::messagingTimeout() const {
    const Desktop* world = Desktop::currentOrNull();
    if (!world) return ref_->timeout.value_or(Desktop::kDefaultMessagingTimeout);
    auto guard = world->lock();
    return ref_->timeout ? *ref_->timeout : world->messagingTimeout();
}

AccessibilityError AccessibilityElement::setMessagingTimeout(float seconds) const {
    // A wait without end would stop the clock for good.
    if (!(seconds >= 0) || !std::isfinite(seconds)) return AccessibilityError::illegalArgument;
    if (kind() == Kind::systemWide) {
        Desktop* world = Desktop::currentOrNull();
        if (!world) return kNoWorld;
        world->setMessagingTimeout(seconds);
        return AccessibilityError::success;
    }
    std::unique_lock<std::recursive_mutex> guard;
    if (const Desktop* world = Desktop::currentOrNull()) guard = world->lock();
    if (seconds == 0) {
        ref_->timeout.reset();
    } else {
        ref_->timeout = seconds;
    }
    return AccessibilityError::success;
}

Result<int32_t, AccessibilityError> AccessibilityElement::processIdentifier() const { return ref_->pid; }

Result<AccessibilityValue, AccessibilityError> AccessibilityElement::copyAttributeValue(
    const std::string& attribute) const {
    return ask(*this, FaultCall::readAttribute, attribute, [&](Desktop& world, const Request& request) {
        return accessibility_detail::shapeAnswer(request.fault(),
                                                 accessibility_detail::readAttribute(world, *this, attribute));
    });
}

Result<std::vector<AccessibilityValue>, AccessibilityError> AccessibilityElement::copyAttributeValues(
    const std::vector<std::string>& attributes, MultipleAttributeOptions options) const {
    Desktop* world = Desktop::currentOrNull();
    if (!world) return kNoWorld;
    Request request(*world, *this, FaultCall::readAttributes, "");
    if (request.error() != AccessibilityError::success) return request.error();
    if (const auto& fault = request.fault()) {
        if (const auto* answer = std::any_cast<std::vector<AccessibilityValue>>(&fault->payload)) return *answer;
        return AccessibilityError::failure;
    }
    std::vector<AccessibilityValue> values;
    for (const auto& name : attributes) {
        // Each slot is answered like a single read of its attribute, in the same message.
        Request slot(*world, accessibility_detail::Target{request.target()}, messagingTimeout(), FaultCall::readAttribute,
                     name);
        Result<AccessibilityValue, AccessibilityError> value = slot.error();
        if (slot.timedOut()) return AccessibilityError::cannotComplete;
        if (slot.error() == AccessibilityError::success) {
            auto guard = world->lock();
            accessibility_detail::Target target;
            if (auto gone = accessibility_detail::resolve(*world, *this, target); gone != AccessibilityError::success) {
                return gone;
            }
            value = accessibility_detail::shapeAnswer(slot.fault(), accessibility_detail::readAttribute(*world, *this, name));
        }
        if (!value.ok() && options == MultipleAttributeOptions::stopOnError) return value.error();
        values.push_back(value.ok() ? value.value() : AccessibilityValue::fromError(value.error()));
    }
    return values;
}

Result<AccessibilityValue, AccessibilityError> AccessibilityElement::copyParameterizedAttributeValue(
    const std::string& attribute, const AccessibilityValue& parameter) const {
    return ask(*this, FaultCall::readParameterized, attribute,
               [&](Desktop& world, const Request& request) -> Result<AccessibilityValue, AccessibilityError> {
                   auto answer = accessibility_detail::readParameterized(world, *this, attribute, parameter);
                   if (request.fault() && request.fault()->effect == desktop::FaultEffect::missing) {
                       return AccessibilityError::parameterizedAttributeUnsupported;
                   }
                   return accessibility_detail::shapeAnswer(request.fault(), std::move(answer));
               });
}

Result<std::vector<std::string>, AccessibilityError> AccessibilityElement::copyAttributeNames() const {
    return ask(*this, FaultCall::readAttribute, "", [&](Desktop& world, const Request&) {
        return Result<std::vector<std::string>, AccessibilityError>(accessibility_detail::attributeNames(world, *this));
    });
}

Result<std::vector<std::string>, AccessibilityError> AccessibilityElement::copyParameterizedAttributeNames() const {
    return ask(*this, FaultCall::readParameterized, "", [&](Desktop& world, const Request&) {
        return Result<std::vector<std::string>, AccessibilityError>(
            accessibility_detail::parameterizedNames(world, *this));
    });
}

Result<bool, AccessibilityError> AccessibilityElement::isAttributeSettable(const std::string& attribute) const {
    return ask(*this, FaultCall::readAttribute, attribute, [&](Desktop& world, const Request&) {
        return Result<bool, AccessibilityError>(accessibility_detail::isSettable(world, *this, attribute));
    });
}

AccessibilityError AccessibilityElement::setAttributeValue(const std::string& attribute,
                                                           const AccessibilityValue& value) const {
    // A write the application refuses in some other way than an error.
    auto refusal = [](const Request& request) -> std::optional<AccessibilityError> {
        if (!request.fault()) return std::nullopt;
        return request.fault()->effect == desktop::FaultEffect::missing ? AccessibilityError::attributeUnsupported
                                                                        : AccessibilityError::illegalArgument;
    };
    return ask(
        *this, FaultCall::writeAttribute, attribute,
        [&](Desktop& world, const Request&) { return accessibility_detail::writeAttribute(world, *this, attribute, value); },
        refusal);
}

Result<std::vector<std::string>, AccessibilityError> AccessibilityElement::copyActionNames() const {
    return ask(*this, FaultCall::performAction, "", [&](Desktop& world, const Request&) {
        return Result<std::vector<std::string>, AccessibilityError>(accessibility_detail::actionNames(world, *this));
    });
}

AccessibilityError AccessibilityElement::performAction(const std::string& action) const {
    auto refusal = [](const Request& request) -> std::optional<AccessibilityError> {
        if (request.fault()) return AccessibilityError::actionUnsupported;
        return std::nullopt;
    };
    return ask(
        *this, FaultCall::performAction, action,
        [&](Desktop& world, const Request&) { return accessibility_detail::perform(world, *this, action); }, refusal);
}

Result<AccessibilityElement, AccessibilityError> AccessibilityElement::copyElementAtPosition(float x, float y) const {
    Desktop* world = Desktop::currentOrNull();
    if (!world) return kNoWorld;
    const Point point{x, y};
    accessibility_detail::Target target;
    const desktop::Window* hit = nullptr;
    {
        auto guard = world->lock();
        if (!world->isAccessibilityTrusted()) return AccessibilityError::apiDisabled;
        if (kind() != Kind::systemWide && kind() != Kind::application) return AccessibilityError::illegalArgument;
        if (auto error = accessibility_detail::resolve(*world, *this, target); error != AccessibilityError::success) {
            return error;
        }
        for (const desktop::Window* w : world->windowsFrontToBack()) {
            if (kind() == Kind::application && w->pid() != pid()) continue;
            if (!world->isOnScreen(*w) || w->alpha() <= 0 || w->ignoresMouseEvents() || !w->frame().contains(point)) {
                continue;
            }
            hit = w;
            break;
        }
        if (!hit) return AccessibilityError::noValue;
        const desktop::Application* owner = world->process(hit->pid());
        if (!owner || owner->kind() != desktop::ProcessKind::application) return AccessibilityError::noValue;
        target = {hit->pid(), hit->number(), 0};
    }
    // The question goes to the application that owns the window under the point.
    world->countAccessibilityRequest();
    Request request(*world, target, messagingTimeout(), FaultCall::elementAtPosition, "");
    if (request.error() != AccessibilityError::success) return request.error();
    auto guard = world->lock();
    const desktop::Window* w = world->window(target.window);
    if (!w) return AccessibilityError::noValue;
    if (!w->isAccessible()) return AccessibilityElement::application(w->pid());
    return accessibility_detail::hitTest(*world, *w, point);
}

}  // namespace platform
