// Writing attributes, performing actions and hit testing on the world's objects.

#include <algorithm>
#include <cmath>
#include <set>

#include "platform/accessibility/element_model.h"
#include "platform/accessibility/world_elements.h"

namespace platform::accessibility_detail {

namespace {

using Kind = AccessibilityElement::Kind;

const std::set<std::string>& pressableRoles() {
    static const std::set<std::string> roles{"AXButton",       "AXMenuItem",  "AXMenuBarItem", "AXCheckBox",
                                             "AXRadioButton",  "AXPopUpButton", "AXMenuButton", "AXDisclosureTriangle",
                                             "AXSegmentedControl", "AXLink"};
    return roles;
}

AccessibilityError writeWindow(desktop::Window& w, const std::string& name, const AccessibilityValue& value) {
    if (name == "AXMinimized") {
        const auto on = value.boolean();
        if (!on) return AccessibilityError::illegalArgument;
        if (*on == w.isMinimized()) return AccessibilityError::success;
        // A window without an enabled minimize button, or in full screen, stays put.
        if (*on && (w.isFullScreen() || w.isSheet() || !w.isMinimizable())) return AccessibilityError::cannotComplete;
        const bool done = *on ? w.minimize() : w.deminimize();
        return done ? AccessibilityError::success : AccessibilityError::cannotComplete;
    }
    if (name == "AXPosition" || name == "AXSize") {
        if (w.isFullScreen()) return AccessibilityError::cannotComplete;
        if (name == "AXPosition") {
            const auto p = value.point();
            if (!p || !std::isfinite(p->x) || !std::isfinite(p->y)) return AccessibilityError::illegalArgument;
            return w.moveTo(*p) ? AccessibilityError::success : AccessibilityError::cannotComplete;
        }
        const auto s = value.size();
        if (!s || !(s->width >= 0) || !(s->height >= 0) || !std::isfinite(s->width) || !std::isfinite(s->height)) {
            return AccessibilityError::illegalArgument;
        }
        return w.resize(*s) ? AccessibilityError::success : AccessibilityError::cannotComplete;
    }
    if (name == "AXMain" || name == "AXFocused") {
        const auto on = value.boolean();
        if (!on) return AccessibilityError::illegalArgument;
        if (*on) w.raise();
        return AccessibilityError::success;
    }
    if (name == "AXFullScreen") {
        const auto on = value.boolean();
        if (!on) return AccessibilityError::illegalArgument;
        if (*on == w.isFullScreen()) return AccessibilityError::success;
        return w.setFullScreen(*on) ? AccessibilityError::success : AccessibilityError::cannotComplete;
    }
    return AccessibilityError::attributeUnsupported;
}

AccessibilityError writeApplication(desktop::Application& app, const std::string& name, const AccessibilityValue& value) {
    const auto on = value.boolean();
    if (name != "AXFrontmost" && name != "AXHidden") return AccessibilityError::attributeUnsupported;
    if (!on) return AccessibilityError::illegalArgument;
    if (name == "AXFrontmost") {
        if (*on) app.activate();
        return AccessibilityError::success;
    }
    if (*on) {
        app.hide();
    } else {
        app.unhide();
    }
    return AccessibilityError::success;
}

// The deepest control under a point among `ids` and their children; later siblings lie
// on top of earlier ones.
const desktop::Control* deepestControl(const desktop::Desktop& world, const std::vector<uint64_t>& ids, Point point) {
    for (auto it = ids.rbegin(); it != ids.rend(); ++it) {
        const desktop::Control* c = world.control(*it);
        if (!c || c->isDestroyed()) continue;
        const auto frame = c->screenFrame();
        if (!frame || !frame->contains(point)) continue;
        if (const desktop::Control* inner = deepestControl(world, c->children(), point)) return inner;
        return c;
    }
    return nullptr;
}

}  // namespace

bool isSettable(const desktop::Desktop& world, const AccessibilityElement& element, const std::string& name) {
    switch (element.kind()) {
    case Kind::application: return name == "AXFrontmost" || name == "AXHidden";
    case Kind::window: {
        const desktop::Window& w = *world.window(static_cast<uint32_t>(element.objectId()));
        if (name == "AXMinimized") return !w.isSheet();
        return name == "AXPosition" || name == "AXSize" || name == "AXMain" || name == "AXFocused" ||
               name == "AXFullScreen";
    }
    case Kind::systemWide:
    case Kind::control: return false;
    }
    return false;
}

AccessibilityError writeAttribute(desktop::Desktop& world, const AccessibilityElement& element, const std::string& name,
                                  const AccessibilityValue& value) {
    switch (element.kind()) {
    case Kind::application: return writeApplication(*world.process(element.pid()), name, value);
    case Kind::window: return writeWindow(*world.window(static_cast<uint32_t>(element.objectId())), name, value);
    case Kind::systemWide:
    case Kind::control: return AccessibilityError::attributeUnsupported;
    }
    return AccessibilityError::failure;
}

std::vector<std::string> actionNames(const desktop::Desktop& world, const AccessibilityElement& element) {
    switch (element.kind()) {
    case Kind::window: return {"AXRaise"};
    case Kind::control: {
        const desktop::Control& c = *world.control(element.objectId());
        if (c.role() == "AXMenuItem") return {"AXPress", "AXCancel"};
        if (pressableRoles().count(c.role())) return {"AXPress"};
        return {};
    }
    case Kind::systemWide:
    case Kind::application: return {};
    }
    return {};
}

AccessibilityError perform(desktop::Desktop& world, const AccessibilityElement& element, const std::string& action) {
    const auto names = actionNames(world, element);
    if (std::find(names.begin(), names.end(), action) == names.end()) return AccessibilityError::actionUnsupported;
    if (element.kind() == Kind::window) {
        world.window(static_cast<uint32_t>(element.objectId()))->raise();
        return AccessibilityError::success;
    }
    desktop::Control& c = *world.control(element.objectId());
    if (action == "AXCancel") return AccessibilityError::success;
    // A disabled control takes no press.
    return c.press() ? AccessibilityError::success : AccessibilityError::cannotComplete;
}

AccessibilityElement hitTest(const desktop::Desktop& world, const desktop::Window& window, Point point) {
    std::vector<uint64_t> ids;
    for (auto which : {desktop::TitleBarButton::close, desktop::TitleBarButton::minimize, desktop::TitleBarButton::zoom,
                       desktop::TitleBarButton::fullScreen}) {
        if (const desktop::Control* c = window.button(which)) ids.push_back(c->id());
    }
    if (const desktop::Control* title = window.titleElement()) ids.insert(ids.begin(), title->id());
    std::vector<uint64_t> rest;
    for (const desktop::Control* c : window.toolbars()) rest.push_back(c->id());
    for (const desktop::Control* c : window.controls()) rest.push_back(c->id());
    // Buttons lie on top of the title, toolbars and controls lie on top of both.
    ids.insert(ids.end(), rest.begin(), rest.end());
    if (const desktop::Control* c = deepestControl(world, ids, point)) return elementOf(*c);
    return elementOf(window);
}

}  // namespace platform::accessibility_detail
