// The state an action leads a window to.

#include "windows/engine/state_transitions.h"

namespace furlpane {

namespace {

using Style = WindowState::Style;

// The style toggles: a window in it leaves it, any other enters it.
std::optional<Style> toggled(std::optional<Style> style, Style toggle) {
    if (style == toggle) return std::nullopt;
    return toggle;
}

}  // namespace

WindowState applying(const WindowState& state, WindowAction action) {
    switch (action) {
        case WindowAction::furlpane:
            return {toggled(state.style, Style::shaded), state.isFloating};
        case WindowAction::minimizeInPlace:
            // Entering a thumbnail ends floating; leaving one keeps what the window had.
            if (state.style == Style::minimizedInPlace) return {std::nullopt, state.isFloating};
            return {Style::minimizedInPlace, false};
        case WindowAction::floatOnTop:
            // A thumbnail cannot float: floating it brings the window back, floating.
            if (state.style == Style::minimizedInPlace) return {std::nullopt, true};
            return {state.style, !state.isFloating};
        case WindowAction::minimizeToDock:
            return {};
        case WindowAction::hideApplication:
        case WindowAction::doNothing:
            break;
    }
    return state;
}

}  // namespace furlpane
