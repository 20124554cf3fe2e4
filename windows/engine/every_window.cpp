// Changing every window of an application at once: who takes part and into what, the
// order, the application's own Minimize All when it carries the group, one sound and at
// most one beep for the whole group.

#include "windows/engine/window_effects.h"

namespace furlpane {

using platform::Point;
using platform::Task;

// Built next.
Task<void> WindowEffects::changeWindow(WindowAction, TargetWindow, std::optional<Point>, Speed) { co_return; }

}  // namespace furlpane
