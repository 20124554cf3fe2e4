#include "platform/accessibility/messaging.h"

#include "platform/runtime/main_loop.h"

namespace platform::accessibility_detail {

using desktop::FaultEffect;

AccessibilityError resolve(const desktop::Desktop& world, const AccessibilityElement& element, Target& target) {
    target = Target{element.pid(), 0, 0};
    switch (element.kind()) {
    case AccessibilityElement::Kind::systemWide: return AccessibilityError::success;
    case AccessibilityElement::Kind::application: {
        const desktop::Application* app = world.process(element.pid());
        if (!app || app->kind() != desktop::ProcessKind::application) return AccessibilityError::cannotComplete;
        return AccessibilityError::success;
    }
    case AccessibilityElement::Kind::window: {
        if (!world.process(element.pid())) return AccessibilityError::cannotComplete;
        target.window = static_cast<uint32_t>(element.objectId());
        const desktop::Window* w = world.window(target.window);
        return w && w->isAccessible() ? AccessibilityError::success : AccessibilityError::invalidElement;
    }
    case AccessibilityElement::Kind::control: {
        if (!world.process(element.pid())) return AccessibilityError::cannotComplete;
        const desktop::Control* c = world.control(element.objectId());
        if (!c || c->isDestroyed()) return AccessibilityError::invalidElement;
        target.window = c->window();
        target.control = c->id();
        return AccessibilityError::success;
    }
    }
    return AccessibilityError::failure;
}

Request::Request(desktop::Desktop& world, const AccessibilityElement& element, desktop::FaultCall call,
                 std::string_view name) {
    world.countAccessibilityRequest();
    {
        auto guard = world.lock();
        if (!world.isAccessibilityTrusted()) {
            error_ = AccessibilityError::apiDisabled;
            return;
        }
        error_ = resolve(world, element, target_);
        if (error_ != AccessibilityError::success) return;
    }
    send(world, element.messagingTimeout(), call, name);
}

Request::Request(desktop::Desktop& world, const Target& target, double timeout, desktop::FaultCall call,
                 std::string_view name)
    : target_(target) {
    send(world, timeout, call, name);
}

void Request::send(desktop::Desktop& world, double timeout, desktop::FaultCall call, std::string_view name) {
    double wait = 0;
    bool timedOut = false;
    {
        auto guard = world.lock();
        // An application that does not answer keeps the request waiting until it answers
        // again or the timeout runs out.
        if (const desktop::Application* app = target_.pid ? world.process(target_.pid) : nullptr) {
            const double now = world.now();
            if (!app->isAnsweringAt(now)) {
                const double remaining = app->silentUntil() - now;
                timedOut = remaining >= timeout;
                wait = timedOut ? timeout : remaining;
            }
        }
        if (!timedOut) {
            fault_ = world.faults().take({call, name, target_.pid, target_.window, target_.control});
            if (fault_ && fault_->effect == FaultEffect::unresponsive) {
                timedOut = wait + fault_->seconds >= timeout;
                wait = timedOut ? timeout : wait + fault_->seconds;
                fault_.reset();
            } else if (fault_ && fault_->effect == FaultEffect::error) {
                error_ = static_cast<AccessibilityError>(fault_->code);
                if (error_ == AccessibilityError::success) error_ = AccessibilityError::failure;
                fault_.reset();
            }
        }
    }
    if (wait > 0) world.loop().blockFor(wait);
    if (timedOut) {
        timedOut_ = true;
        error_ = AccessibilityError::cannotComplete;
    }
}

AccessibilityValue wrongTypeOf(const AccessibilityValue& value) {
    if (value.string()) return AccessibilityValue(int64_t{1});
    return AccessibilityValue("unexpected");
}

Result<AccessibilityValue, AccessibilityError> shapeAnswer(const std::optional<desktop::Fault>& fault,
                                                           Result<AccessibilityValue, AccessibilityError> answer) {
    if (!fault) return answer;
    switch (fault->effect) {
    case FaultEffect::missing: return AccessibilityError::attributeUnsupported;
    case FaultEffect::wrongType:
        if (!answer.ok()) return AccessibilityValue("unexpected");
        return wrongTypeOf(answer.value());
    case FaultEffect::answer:
        if (const auto* v = std::any_cast<AccessibilityValue>(&fault->payload)) return *v;
        if (const auto* e = std::any_cast<AccessibilityError>(&fault->payload)) return *e;
        return AccessibilityError::failure;
    case FaultEffect::error:
    case FaultEffect::unresponsive: break;
    }
    return answer;
}

}  // namespace platform::accessibility_detail
