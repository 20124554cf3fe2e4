// Sending departing windows into the Dock together: every stand-in is shown first, then
// Minimize All is pressed once; a refused press takes the stand-ins back.

#include "windows/engine/window_effects.h"

namespace furlpane {

using platform::Point;
using platform::Task;

// Built next.
Task<bool> WindowEffects::minimizeAllWithStandIns(WindowList, TargetWindow, platform::AccessibilityElement,
                                                  std::optional<Point>, Speed) {
    co_return false;
}

}  // namespace furlpane
