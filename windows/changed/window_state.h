#pragma once

// The state the system gives one window of another application (WindowState), and
// whether the program has sent that window into the Dock as part of it (WindowChange).
//
// A style rolls the window up into a title strip (shaded) or turns it into a thumbnail
// where it stands (minimizedInPlace); floating keeps it above every other window. The
// rule that turns an action into the next state belongs to the engine.
//
// Styles travel to other processes as integer codes in the userInfo of the state
// notifications: no style 0, shaded 1, minimizedInPlace 7. The codes are a published
// contract; nothing lies between them.

#include <cstdint>
#include <optional>

namespace furlpane {

struct WindowState {
    enum class Style { shaded, minimizedInPlace };

    std::optional<Style> style;
    bool isFloating = false;

    friend bool operator==(const WindowState&, const WindowState&) = default;
};

// The code of a style in the state notifications.
constexpr int64_t stateCode(std::optional<WindowState::Style> style) {
    if (!style) return 0;
    return *style == WindowState::Style::shaded ? 1 : 7;
}

// Whether the real window has been minimized into the Dock by the program, with a
// stand-in showing in its place.
enum class WindowChange { none, minimized };

}  // namespace furlpane
