// Starting the engine: the observers of applications, Spaces and screens, the four groups
// of settings followed while windows are changed, and the search for windows left
// collapsed by applications already running.

#include "windows/engine/window_effects.h"

namespace furlpane {

using platform::Task;

// Built next.
void WindowEffects::start() {}
// Built next.
void WindowEffects::observeEnabled() {}
// Built next.
void WindowEffects::observeStayPut() {}
// Built next.
void WindowEffects::observeThumbnailLayout() {}
// Built next.
void WindowEffects::observeThumbnailLook() {}
// Built next.
void WindowEffects::applyStayPut() {}
// Built next.
Task<void> WindowEffects::applyThumbnailLook() { co_return; }

}  // namespace furlpane
