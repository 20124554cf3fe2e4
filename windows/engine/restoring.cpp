// Restoring changed windows: one window, a batch back to front, every window of an
// application or of the active Space, everything when switched off, everything at quit,
// and the preparation of a window for the Dock.

#include "windows/engine/window_effects.h"

namespace furlpane {

using platform::Task;

// Built next.
Task<void> WindowEffects::restoreWindow(std::shared_ptr<AffectedWindow>, Raising, Speed, std::function<void()>) {
    co_return;
}
Task<void> WindowEffects::changeState(std::shared_ptr<AffectedWindow> window, Raising activates, Speed speed,
                                      std::function<void()> then) {
    return restoreWindow(std::move(window), activates, speed, std::move(then));
}
// Built next.
Task<void> WindowEffects::restoreWindows(WindowList, std::shared_ptr<AffectedWindow>, SoundWish, Speed) { co_return; }
// Built next.
Task<void> WindowEffects::restoreEverything(SoundWish, Speed) { co_return; }
// Built next.
Task<void> WindowEffects::restoreApplicationWindows(std::shared_ptr<AffectedWindow>, Speed) { co_return; }
Task<void> WindowEffects::restoreWindows(std::shared_ptr<AffectedWindow> window, Speed speed) {
    return restoreApplicationWindows(std::move(window), speed);
}
// Built next.
Task<void> WindowEffects::restoreOnActiveSpace(std::shared_ptr<AffectedWindow>, Speed) { co_return; }
// Built next.
void WindowEffects::restoreAll() { isEnding_ = true; }
// Built next.
Task<bool> WindowEffects::releaseForDock(TargetWindow) { co_return true; }
// Built next.
Task<void> WindowEffects::minimizeOneToDock(TargetWindow, RefreshTargets, Speed) { co_return; }
// Built next.
Task<void> WindowEffects::returnToNormal(std::shared_ptr<AffectedWindow>, Raising, Speed, Grouping) {
    co_return;
}
// Built next.
void WindowEffects::raiseReturningStandIns(const WindowList&) {}
// Built next.
void WindowEffects::restPanelLevels(const WindowList&) {}

}  // namespace furlpane
