// Reading attributes of the world's objects.

#include <cctype>

#include "platform/accessibility/element_model.h"
#include "platform/accessibility/world_elements.h"

namespace platform::accessibility_detail {

namespace {

using Kind = AccessibilityElement::Kind;
using Answer = Result<AccessibilityValue, AccessibilityError>;

// Deterministic text metrics shared with the window's title layout.
constexpr double kCharacterWidth = 7;
constexpr double kLineHeight = 16;

Answer optionalString(const std::optional<std::string>& s) {
    if (!s) return AccessibilityError::noValue;
    return AccessibilityValue(*s);
}

Answer elementOrNone(const desktop::Window* w) {
    if (!w) return AccessibilityError::noValue;
    return AccessibilityValue(elementOf(*w));
}

Answer elementOrNone(const desktop::Control* c) {
    if (!c || c->isDestroyed()) return AccessibilityError::noValue;
    return AccessibilityValue(elementOf(*c));
}

std::string roleDescription(const std::string& role) {
    std::string text = role.rfind("AX", 0) == 0 ? role.substr(2) : role;
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool isTextRole(const std::string& role) {
    return role == "AXStaticText" || role == "AXTextField" || role == "AXTextArea" || role == "AXSearchField" ||
           role == "AXComboBox";
}

// ---- The system-wide element

Answer systemWide(const desktop::Desktop& world, const std::string& name) {
    const desktop::Application* active = world.activeApplication();
    if (name == "AXRole") return AccessibilityValue("AXSystemWide");
    if (name == "AXFocusedApplication") {
        if (!active || active->kind() != desktop::ProcessKind::application) return AccessibilityError::noValue;
        return AccessibilityValue(AccessibilityElement::application(active->pid()));
    }
    if (name == "AXFocusedUIElement") return active ? elementOrNone(active->focusedWindow()) : AccessibilityError::noValue;
    return AccessibilityError::attributeUnsupported;
}

// ---- Applications

std::vector<AccessibilityValue> windowElements(const desktop::Application& app) {
    std::vector<AccessibilityValue> result;
    for (const desktop::Window* w : app.windows()) {
        if (w->isAccessible()) result.emplace_back(elementOf(*w));
    }
    return result;
}

Answer application(const desktop::Application& app, const std::string& name) {
    if (name == "AXRole") return AccessibilityValue("AXApplication");
    if (name == "AXRoleDescription") return AccessibilityValue("application");
    if (name == "AXTitle") return optionalString(app.localizedName());
    if (name == "AXWindows") return AccessibilityValue(windowElements(app));
    if (name == "AXMainWindow") return elementOrNone(app.mainWindow());
    if (name == "AXFocusedWindow" || name == "AXFocusedUIElement") return elementOrNone(app.focusedWindow());
    if (name == "AXMenuBar") return elementOrNone(app.menuBar());
    if (name == "AXFrontmost") return AccessibilityValue(app.isActive());
    if (name == "AXHidden") return AccessibilityValue(app.isHidden());
    if (name == "AXChildren") {
        auto children = windowElements(app);
        if (const desktop::Control* bar = app.menuBar()) children.emplace_back(elementOf(*bar));
        return AccessibilityValue(std::move(children));
    }
    return AccessibilityError::attributeUnsupported;
}

// ---- Windows

std::vector<AccessibilityValue> windowChildren(const desktop::Desktop& world, const desktop::Window& w) {
    std::vector<AccessibilityValue> children;
    auto add = [&](const desktop::Control* c) {
        if (c && !c->isDestroyed()) children.emplace_back(elementOf(*c));
    };
    for (auto which : {desktop::TitleBarButton::close, desktop::TitleBarButton::minimize, desktop::TitleBarButton::zoom,
                       desktop::TitleBarButton::fullScreen}) {
        add(w.button(which));
    }
    add(w.titleElement());
    for (const desktop::Control* c : w.toolbars()) add(c);
    for (const desktop::Control* c : w.controls()) add(c);
    for (uint32_t n : w.sheets()) {
        if (const desktop::Window* sheet = world.window(n)) children.emplace_back(elementOf(*sheet));
    }
    return children;
}

Answer buttonOf(const desktop::Window& w, desktop::TitleBarButton which) { return elementOrNone(w.button(which)); }

Answer window(const desktop::Desktop& world, const desktop::Window& w, const std::string& name) {
    const desktop::Application& app = w.owner();
    if (name == "AXRole") return AccessibilityValue(w.role());
    if (name == "AXSubrole")
        return w.subrole().empty() ? Answer(AccessibilityError::noValue) : AccessibilityValue(w.subrole());
    if (name == "AXRoleDescription") return AccessibilityValue(w.isSheet() ? "sheet" : "standard window");
    if (name == "AXTitle") return AccessibilityValue(w.title());
    if (name == "AXPosition") return AccessibilityValue(w.frame().origin);
    if (name == "AXSize") return AccessibilityValue(w.frame().size);
    if (name == "AXMinimized") return AccessibilityValue(w.isMinimized());
    if (name == "AXFullScreen") return AccessibilityValue(w.isFullScreen());
    if (name == "AXMain") return AccessibilityValue(app.mainWindow() == &w);
    if (name == "AXFocused") return AccessibilityValue(app.focusedWindow() == &w);
    if (name == "AXModal") return AccessibilityValue(w.isSheet());
    if (name == "AXCloseButton") return buttonOf(w, desktop::TitleBarButton::close);
    if (name == "AXMinimizeButton") return buttonOf(w, desktop::TitleBarButton::minimize);
    if (name == "AXZoomButton") return buttonOf(w, desktop::TitleBarButton::zoom);
    if (name == "AXFullScreenButton") return buttonOf(w, desktop::TitleBarButton::fullScreen);
    if (name == "AXTitleUIElement") return elementOrNone(w.titleElement());
    if (name == "AXChildren") return AccessibilityValue(windowChildren(world, w));
    if (name == "AXParent") {
        if (w.isSheet()) return elementOrNone(world.window(w.parentWindow()));
        return AccessibilityValue(AccessibilityElement::application(w.pid()));
    }
    return AccessibilityError::attributeUnsupported;
}

// ---- Controls

Answer menuItemAttribute(const desktop::Control& c, const std::string& name) {
    if (c.role() != "AXMenuItem") return AccessibilityError::attributeUnsupported;
    if (name == "AXMenuItemCmdChar") return optionalString(c.commandCharacter());
    if (!c.commandModifiers()) return AccessibilityError::noValue;
    return AccessibilityValue(*c.commandModifiers());
}

Answer control(const desktop::Desktop& world, const desktop::Control& c, const std::string& name) {
    if (name == "AXRole") return AccessibilityValue(c.role());
    if (name == "AXSubrole")
        return c.subrole().empty() ? Answer(AccessibilityError::noValue) : AccessibilityValue(c.subrole());
    if (name == "AXRoleDescription") return AccessibilityValue(roleDescription(c.role()));
    if (name == "AXTitle") return optionalString(c.title());
    if (name == "AXIdentifier") return optionalString(c.identifier());
    if (name == "AXValue") return optionalString(c.value());
    if (name == "AXEnabled") return AccessibilityValue(c.isEnabled());
    if (name == "AXNumberOfCharacters") {
        if (!isTextRole(c.role())) return AccessibilityError::attributeUnsupported;
        return AccessibilityValue(utf16Length(c.value().value_or("")));
    }
    if (name == "AXPosition" || name == "AXSize") {
        const auto frame = c.screenFrame();
        if (!frame) return AccessibilityError::noValue;
        return name == "AXPosition" ? AccessibilityValue(frame->origin) : AccessibilityValue(frame->size);
    }
    if (name == "AXChildren") {
        std::vector<AccessibilityValue> children;
        for (uint64_t id : c.children()) {
            const desktop::Control* child = world.control(id);
            if (child && !child->isDestroyed()) children.emplace_back(elementOf(*child));
        }
        return AccessibilityValue(std::move(children));
    }
    if (name == "AXParent") {
        if (c.parent()) return elementOrNone(world.control(c.parent()));
        if (c.window()) return elementOrNone(world.window(c.window()));
        return AccessibilityValue(AccessibilityElement::application(c.pid()));
    }
    if (name == "AXWindow" || name == "AXTopLevelUIElement") return elementOrNone(world.window(c.window()));
    if (name == "AXMenuItemCmdChar" || name == "AXMenuItemCmdModifiers") return menuItemAttribute(c, name);
    return AccessibilityError::attributeUnsupported;
}

}  // namespace

int64_t utf16Length(const std::string& text) {
    int64_t units = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) == 0x80) continue;  // continuation byte
        units += byte >= 0xF0 ? 2 : 1;        // four-byte sequences lie outside the Basic Multilingual Plane
    }
    return units;
}

Answer readAttribute(const desktop::Desktop& world, const AccessibilityElement& element, const std::string& name) {
    switch (element.kind()) {
    case Kind::systemWide: return systemWide(world, name);
    case Kind::application: return application(*world.process(element.pid()), name);
    case Kind::window: return window(world, *world.window(static_cast<uint32_t>(element.objectId())), name);
    case Kind::control: return control(world, *world.control(element.objectId()), name);
    }
    return AccessibilityError::failure;
}

std::vector<std::string> attributeNames(const desktop::Desktop& world, const AccessibilityElement& element) {
    switch (element.kind()) {
    case Kind::systemWide: return {"AXRole", "AXFocusedApplication", "AXFocusedUIElement"};
    case Kind::application:
        return {"AXRole", "AXRoleDescription", "AXTitle", "AXWindows", "AXMainWindow", "AXFocusedWindow",
                "AXFocusedUIElement", "AXMenuBar", "AXFrontmost", "AXHidden", "AXChildren"};
    case Kind::window:
        return {"AXRole", "AXSubrole", "AXRoleDescription", "AXTitle", "AXPosition", "AXSize", "AXMinimized",
                "AXFullScreen", "AXMain", "AXFocused", "AXModal", "AXCloseButton", "AXMinimizeButton", "AXZoomButton",
                "AXFullScreenButton", "AXTitleUIElement", "AXChildren", "AXParent"};
    case Kind::control: {
        std::vector<std::string> names{"AXRole", "AXSubrole", "AXRoleDescription", "AXTitle", "AXIdentifier", "AXValue",
                                       "AXEnabled", "AXPosition", "AXSize", "AXChildren", "AXParent", "AXWindow",
                                       "AXTopLevelUIElement"};
        const desktop::Control& c = *world.control(element.objectId());
        if (isTextRole(c.role())) names.push_back("AXNumberOfCharacters");
        if (c.role() == "AXMenuItem") {
            names.push_back("AXMenuItemCmdChar");
            names.push_back("AXMenuItemCmdModifiers");
        }
        return names;
    }
    }
    return {};
}

std::vector<std::string> parameterizedNames(const desktop::Desktop& world, const AccessibilityElement& element) {
    if (element.kind() != Kind::control || !isTextRole(world.control(element.objectId())->role())) return {};
    return {"AXBoundsForRange"};
}

Answer readParameterized(const desktop::Desktop& world, const AccessibilityElement& element, const std::string& name,
                         const AccessibilityValue& parameter) {
    if (name != "AXBoundsForRange" || parameterizedNames(world, element).empty()) {
        return AccessibilityError::parameterizedAttributeUnsupported;
    }
    const auto range = parameter.range();
    if (!range) return AccessibilityError::illegalArgument;
    const desktop::Control& c = *world.control(element.objectId());
    const int64_t count = utf16Length(c.value().value_or(""));
    if (range->location < 0 || range->length < 0 || range->location > count || range->length > count - range->location) {
        return AccessibilityError::illegalArgument;
    }
    const auto frame = c.screenFrame();
    if (!frame) return AccessibilityError::noValue;
    // The text starts at the control's left edge, one line high.
    return AccessibilityValue(Rect{frame->minX() + kCharacterWidth * static_cast<double>(range->location), frame->minY(),
                                   kCharacterWidth * static_cast<double>(range->length),
                                   frame->height() > 0 ? frame->height() : kLineHeight});
}

}  // namespace platform::accessibility_detail
