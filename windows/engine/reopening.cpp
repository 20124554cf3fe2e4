// Reopening windows left collapsed: one search per application after it launches (or is
// found running at start-up), tried every quarter second until its deadline, prolonged
// when the application is unhidden or activated or the Space changes.

#include "windows/engine/window_effects.h"

namespace furlpane {

using platform::Task;

// Built next.
void WindowEffects::applicationLaunched(int32_t, std::string) {}
// Built next.
void WindowEffects::keepLooking(std::optional<int32_t>, double) {}
// Built next.
Task<void> WindowEffects::lookForLeftCollapsed(int32_t) { co_return; }

}  // namespace furlpane
