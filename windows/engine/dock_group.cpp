// Every window of an application into the Dock: through the application's Minimize All
// item when it would take exactly the windows meant, else one trip after another; and
// one window of the program or of another application sent into the Dock.

#include "windows/engine/window_effects.h"

namespace furlpane {

using platform::Task;

// Built next.
Task<void> WindowEffects::minimizeApplicationToDock(std::vector<TargetWindow>, TargetWindow, Speed) { co_return; }
// Built next.
void WindowEffects::minimizeToDock(const TargetWindow&, Speed) {}
// Built next.
bool WindowEffects::pressMenuItem(const platform::AccessibilityElement&, int32_t) { return false; }

}  // namespace furlpane
