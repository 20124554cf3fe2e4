// The engine's entries: an action on one window, on every window of an application, and
// the keyboard's path that waits for a busy application before it finds its window.

#include "windows/engine/window_effects.h"

namespace furlpane {

using platform::Point;
using platform::Task;

Task<void> WindowEffects::act(WindowAction, TargetWindow, std::optional<Point>, Raising, Speed) { co_return; }
Task<void> WindowEffects::perform(WindowAction, TargetWindow, std::optional<Point>, Speed) { co_return; }
Task<void> WindowEffects::performFromTrigger(WindowAction action, TargetWindow target, std::optional<Point> origin,
                                             Speed speed) {
    return perform(action, std::move(target), origin, speed);
}
Task<void> WindowEffects::respond(TargetWindow, std::weak_ptr<WindowEffects>, Scope, WindowAction) { co_return; }
Task<void> WindowEffects::performForApplication(int32_t, std::weak_ptr<WindowEffects>, Resolver, Continuation) {
    co_return;
}
std::optional<TargetWindow> WindowEffects::resolveTarget(int32_t) { return std::nullopt; }
Task<void> WindowEffects::applyGoal(std::shared_ptr<AffectedWindow>, WindowState, std::optional<Point>, Raising,
                                    Speed, Grouping) {
    co_return;
}
void WindowEffects::hideApplication(const TargetWindow&) {}

Task<void> WindowEffects::settled(int32_t pid) { return busy_.settled(pid); }
bool WindowEffects::isBusy(int32_t pid) const { return busy_.isBusy(pid); }
void WindowEffects::markBusy(int32_t pid) { busy_.markBusy(pid); }
Task<void> WindowEffects::releaseAfterDockTrip(uint32_t window, DockTripDirection direction, Speed speed,
                                               int32_t pid) {
    return busy_.releaseAfterDockTrip(window, direction, speed, pid);
}
void WindowEffects::refreshKnownTargets(int32_t pid, std::set<uint32_t> leftOut) {
    busy_.refreshKnownTargets(pid, leftOut);
}
void WindowEffects::forgetKnownTargets(int32_t pid) { busy_.forgetKnownTargets(pid); }
std::optional<TargetWindow> WindowEffects::knownTarget(uint32_t window, int32_t pid) const {
    return busy_.knownTarget(window, pid);
}
void WindowEffects::beginDockTrip(uint32_t, int32_t, DockTripDirection, Speed) {}

}  // namespace furlpane
