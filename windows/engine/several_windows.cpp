// Changing several windows of an application when it has a Minimize All item: windows
// that need no trip change at once, departing windows go into the Dock together or one
// by one, and windows the Dock did not take are let go.

#include "windows/engine/window_effects.h"

namespace furlpane {

using platform::Point;
using platform::Task;

// Built next.
Task<bool> WindowEffects::changeSeveral(std::vector<GroupEntry>, TargetWindow, platform::AccessibilityElement,
                                        std::optional<Point>, Speed) {
    co_return true;
}

}  // namespace furlpane
