#include "platform/ui/control.h"

#include "platform/appkit/application.h"
#include "platform/ui/host.h"
#include "platform/ui/surface_view.h"

namespace platform::ui {

const char* describe(ControlKind kind) {
    switch (kind) {
    case ControlKind::text: return "text";
    case ControlKind::image: return "image";
    case ControlKind::label: return "label";
    case ControlKind::button: return "button";
    case ControlKind::toggle: return "toggle";
    case ControlKind::picker: return "picker";
    case ControlKind::menuButton: return "menuButton";
    case ControlKind::list: return "list";
    case ControlKind::row: return "row";
    case ControlKind::slider: return "slider";
    case ControlKind::tab: return "tab";
    case ControlKind::tabView: return "tabView";
    case ControlKind::scrollView: return "scrollView";
    case ControlKind::stack: return "stack";
    case ControlKind::grid: return "grid";
    case ControlKind::divider: return "divider";
    case ControlKind::spacer: return "spacer";
    case ControlKind::shape: return "shape";
    case ControlKind::appKitView: return "appKitView";
    case ControlKind::other: return "other";
    }
    return "other";
}

Control::Located Control::locate() const {
    Located found;
    found.host = host_.lock();
    const Host::Surface* surface = nullptr;
    found.node = found.host ? found.host->node(identity_, &surface) : nullptr;
    if (found.node) found.surface = surface->view.get();
    return found;
}

std::string Control::label() const {
    const Located c = locate();
    if (!c) return {};
    return c.node->label();
}

std::string Control::value() const {
    const Located c = locate();
    if (!c) return {};
    return c.node->value();
}

bool Control::isEnabled() const {
    const Located c = locate();
    if (!c) return false;
    return c.node->isEnabled();
}

std::string Control::help() const {
    const Located c = locate();
    if (!c) return {};
    return c.node->help;
}

bool Control::exists() const {
    const Located c = locate();
    if (!c) return false;
    return true;
}

Rect Control::frame() const {
    const Located c = locate();
    if (!c) return Rect::null();
    return c.node->frame;
}

Rect Control::screenFrame() const {
    const Located c = locate();
    if (!c) return Rect::null();
    return c.surface->screenRect(c.node->frame);
}

std::vector<std::string> Control::menuItems() const {
    const Located c = locate();
    if (!c) return {};
    std::shared_ptr<Menu> menu = c.node->makeMenu();
    std::vector<std::string> items;
    if (!menu) return items;
    for (const auto& item : menu->items()) {
        if (item->isSeparatorItem()) items.push_back("-");
        else if (item->representedObject().has_value()) items.push_back("# " + item->title());
        else items.push_back(item->title());
    }
    return items;
}

bool Control::click() const {
    const Located c = locate();
    if (!c) return false;
    return c.surface->click(*c.node);
}

bool Control::choose(const std::string& item) const {
    const Located c = locate();
    if (!c) return false;
    Application* app = Application::sharedOrNull();
    const bool hasMenu = c.node->kind() == ControlKind::picker || c.node->kind() == ControlKind::menuButton;
    if (!app || !hasMenu || !c.surface->takesInput() || !c.node->activate(*c.surface)) return false;
    return app->chooseMenuItem(item);
}

bool Control::setValue(double value) const {
    const Located c = locate();
    if (!c) return false;
    return c.surface->takesInput() && c.node->setSliderValue(value);
}

}  // namespace platform::ui
