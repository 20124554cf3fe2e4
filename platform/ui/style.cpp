#include "platform/ui/style.h"

namespace platform::ui {

namespace {

const char* nameOf(Style::Kind kind) {
    switch (kind) {
    case Style::Kind::primary: return "primary";
    case Style::Kind::secondary: return "secondary";
    case Style::Kind::tertiary: return "tertiary";
    case Style::Kind::quaternary: return "quaternary";
    case Style::Kind::separator: return "separator";
    case Style::Kind::accent: return "accent";
    case Style::Kind::disabledControlText: return "disabledControlText";
    case Style::Kind::color: return "color";
    }
    return "color";
}

}  // namespace

Style::Style(Kind kind) : kind_(kind), name_(nameOf(kind)) {}

Style Style::color(Color color, std::string name) {
    Style style(Kind::color);
    style.color_ = color;
    style.name_ = std::move(name);
    return style;
}

Style Style::opacity(double opacity) const {
    const double o = opacity >= 0 && opacity <= 1 ? opacity : (opacity > 1 ? 1 : 0);
    Color faded = resolved();
    faded.alpha *= o;
    std::string name = name_ + "@" + std::to_string(o);
    name.erase(name.find_last_not_of('0') + 1);
    if (name.back() == '.') name.pop_back();
    return color(faded, std::move(name));
}

Color Style::resolved() const {
    // The light appearance's label and control colours.
    switch (kind_) {
    case Kind::primary: return Color::gray(0, 0.85);
    case Kind::secondary: return Color::gray(0, 0.5);
    case Kind::tertiary: return Color::gray(0, 0.26);
    case Kind::quaternary: return Color::gray(0, 0.1);
    case Kind::separator: return Color::gray(0, 0.1);
    case Kind::accent: return Color::rgb(0.0, 0.478, 1.0);
    case Kind::disabledControlText: return Color::gray(0, 0.25);
    case Kind::color: return color_;
    }
    return color_;
}

}  // namespace platform::ui
