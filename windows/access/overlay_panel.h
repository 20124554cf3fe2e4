#pragma once

// What the program's panels over other applications' windows have in common: they are
// see-through, stay on screen while the program is not active and cannot be hidden with
// it, outlive being closed (their owner keeps them) and appear without an animation of
// their own.

#include "platform/appkit/window.h"

namespace furlpane {

enum class OverlayMouse { receives, passesThrough };

inline void configureOverlayPanel(platform::Panel& panel, bool hasShadow, OverlayMouse mouse) {
    panel.setOpaque(false);
    panel.setBackgroundColor(platform::Color::clear());
    panel.setHasShadow(hasShadow);
    panel.setIgnoresMouseEvents(mouse == OverlayMouse::passesThrough);
    panel.setHidesOnDeactivate(false);
    panel.setCanHide(false);
    panel.setReleasedWhenClosed(false);
    panel.setAnimationBehavior(platform::WindowAnimationBehavior::none);
}

}  // namespace furlpane
