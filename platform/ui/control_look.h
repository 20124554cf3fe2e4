#pragma once

// Inside the toolkit: the flat look shared by the controls, by control size.

#include <algorithm>

#include "platform/graphics/color_space.h"
#include "platform/ui/node.h"
#include "platform/ui/style.h"

namespace platform::ui::detail {

inline double controlHeight(ControlSize size) {
    switch (size) {
    case ControlSize::mini: return 16;
    case ControlSize::small: return 19;
    case ControlSize::regular: return 22;
    case ControlSize::large: return 28;
    }
    return 22;
}

// The font of a control's title: the control size's, unless a font was asked for.
inline Font controlFont(const Environment& env) {
    if (env.font.name != "body") return env.font;
    switch (env.controlSize) {
    case ControlSize::mini: return Font::system(9).weighted(env.font.weight);
    case ControlSize::small: return Font::system(11).weighted(env.font.weight);
    case ControlSize::regular: return env.font;
    case ControlSize::large: return Font::system(15).weighted(env.font.weight);
    }
    return env.font;
}

// Where a control's label is resolved: inside the control, in its font, outside stacks.
inline Scope labelScope(const Scope& control, const std::string& segment) {
    Scope inner = control.nested(segment);
    inner.env.font = controlFont(control.env);
    inner.stackAxis.reset();
    return inner;
}

// Disabled controls are drawn at this opacity.
inline constexpr double kDisabledAlpha = 0.45;

inline Color controlFill() { return Color::white(); }
inline Color controlBorder() { return Color::gray(0, 0.22); }
inline Color accent() { return Style::accent().resolved(); }

}  // namespace platform::ui::detail
