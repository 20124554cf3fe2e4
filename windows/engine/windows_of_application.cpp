// The windows of an application, as an action on every window gathers them: the ones
// accessibility lists, the changed ones whose stand-ins show on the active Space, and the
// window fired on, ordered front to back; and the application a workspace notification
// names.

#include "windows/engine/window_effects.h"

namespace furlpane {

// Built next.
std::vector<TargetWindow> WindowEffects::windowsOfApplication(const TargetWindow& like) { return {like}; }
// Built next.
std::vector<size_t> WindowEffects::frontToBackOrder(const std::vector<OrderKey>&, const std::vector<uint32_t>&) {
    return {};
}
// Built next.
WindowEffects::OrderKey WindowEffects::orderKey(const AffectedWindow& window) { return {window.target().id, {}}; }
// Built next.
WindowEffects::WindowList WindowEffects::backToFront(WindowList windows) { return windows; }
// Built next.
std::optional<std::string> WindowEffects::notifiedBundleIdentifier(const platform::Notification&) {
    return std::nullopt;
}
// Built next.
std::optional<int32_t> WindowEffects::notifiedProcessIdentifier(const platform::Notification&) { return std::nullopt; }

}  // namespace furlpane
