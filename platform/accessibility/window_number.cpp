#include "platform/accessibility/window_number.h"

#include "platform/accessibility/messaging.h"
#include "platform/desktop/desktop.h"

namespace platform {

AccessibilityError copyElementWindowNumber(const AccessibilityElement& element, uint32_t* number) {
    if (!number) return AccessibilityError::illegalArgument;
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world) return AccessibilityError::cannotComplete;
    accessibility_detail::Request request(*world, element, desktop::FaultCall::windowNumber, "");
    if (request.error() != AccessibilityError::success) return request.error();
    if (const auto& fault = request.fault()) {
        // A number the test chose (0 among others) comes back as it is.
        if (const auto* given = std::any_cast<uint32_t>(&fault->payload)) {
            *number = *given;
            return AccessibilityError::success;
        }
        return AccessibilityError::failure;
    }
    if (element.kind() != AccessibilityElement::Kind::window) return AccessibilityError::illegalArgument;
    auto guard = world->lock();
    if (!world->window(static_cast<uint32_t>(element.objectId()))) return AccessibilityError::invalidElement;
    *number = static_cast<uint32_t>(element.objectId());
    return AccessibilityError::success;
}

}  // namespace platform
