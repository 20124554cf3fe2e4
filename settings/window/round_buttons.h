#pragma once

// Small round AppKit buttons inside the settings window's views: a round button showing
// a system symbol, and the system's help button. Each bridges a button subclass whose
// action calls an `onPress` closure, replaced by the view's current action at every
// update. The round symbol button is a square as wide as the help button.

#include <functional>
#include <string>

#include "platform/ui/view.h"

namespace furlpane {

struct RoundImageButton {
    std::string symbolName;
    // What the symbol shows, in words, for accessibility; also what tests find it by.
    std::string label;
    std::function<void()> action;

    platform::ui::View body() const;
    // The side of the round symbol button: the help button's width, measured once per
    // process.
    static double standardSide();
};

struct HelpButton {
    std::function<void()> action;

    platform::ui::View body() const;
};

}  // namespace furlpane
