#include "platform/accessibility/world_elements.h"

namespace platform {

namespace accessibility_detail {

struct ElementFactory {
    static AccessibilityElement make(AccessibilityElement::Kind kind, int32_t pid, uint64_t id) {
        return AccessibilityElement(kind, pid, id);
    }
};

}  // namespace accessibility_detail

AccessibilityElement elementOf(const desktop::Window& window) {
    return accessibility_detail::ElementFactory::make(AccessibilityElement::Kind::window, window.pid(),
                                                      window.number());
}

AccessibilityElement elementOf(const desktop::Control& control) {
    return accessibility_detail::ElementFactory::make(AccessibilityElement::Kind::control, control.pid(),
                                                      control.id());
}

}  // namespace platform
