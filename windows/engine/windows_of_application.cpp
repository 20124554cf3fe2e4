// The windows of an application, as an action on every window gathers them: the ones
// accessibility lists, the changed ones whose stand-ins show on the active Space, and the
// window fired on, ordered front to back; and the application a workspace notification
// names.

#include <algorithm>
#include <limits>
#include <unordered_map>

#include "platform/services/workspace.h"
#include "windows/access/accessibility_elements.h"
#include "windows/access/main_thread.h"
#include "windows/access/window_server.h"
#include "windows/engine/window_effects.h"

namespace furlpane {

namespace {

// A stand-in the user sees where he works now.
bool showsOnActiveSpace(const AffectedWindow& window) {
    const auto& panel = window.panel();
    return panel && panel->isVisible() && panel->isOnActiveSpace();
}

bool listsWindow(const std::vector<TargetWindow>& list, uint32_t window) {
    return std::any_of(list.begin(), list.end(), [window](const TargetWindow& target) { return target.id == window; });
}

const platform::RunningApplication* notifiedApplication(const platform::Notification& notification) {
    return notification.info<platform::RunningApplication>(platform::workspace_notifications::kApplicationKey);
}

}  // namespace

bool WindowEffects::belongsElsewhere(const TargetWindow& target) const {
    if (findAffected(target.id)) return false;
    if (windowsHeldElsewhere().contains(target.id)) return true;
    return boolAttribute(ax::attribute::minimized, target.element).value_or(false);
}

bool WindowEffects::isHeldElsewhere(uint32_t window) const {
    return !holdsWindow(window) && windowsHeldElsewhere().contains(window);
}

// A list that is not one of window numbers holds nothing, and neither does the list of
// an owner that no longer runs.
std::set<uint32_t> WindowEffects::windowsHeldElsewhere() const {
    const WindowLedger& ledger = WindowLedger::shared();
    const auto stored = ledger.defaults().storedObject(kHeldWindowsKey);
    const auto* owners = stored ? stored->dictionary() : nullptr;
    std::set<uint32_t> held;
    if (!owners) return held;
    for (const auto& owner : owners->keys()) {
        const auto* list = owners->find(owner)->array();
        if (!list || owner == ledger.ownerKey() || !LedgerRecovery::isOwnerRunning(owner)) continue;
        for (const auto& item : *list) {
            const auto number = item.integer();
            if (number && *number >= 0 && *number <= std::numeric_limits<uint32_t>::max())
                held.insert(static_cast<uint32_t>(*number));
        }
    }
    return held;
}

void WindowEffects::forgetEarlierHeldWindows() {
    WindowLedger& ledger = WindowLedger::shared();
    const auto stored = ledger.defaults().storedObject(kHeldWindowsKey);
    const auto* owners = stored ? stored->dictionary() : nullptr;
    if (owners && owners->find(ledger.ownerKey())) ledger.storeOwnList(kHeldWindowsKey, {});
}

// A changed window stands for itself with the target it was changed as: a rolled-up or
// thumbnail window may no longer look like one the system acts on. One the program sent
// into the Dock counts only while its stand-in shows here. One that another instance
// holds, or that is in the Dock by other hands, is not this instance's to change.
std::vector<TargetWindow> WindowEffects::windowsOfApplication(const TargetWindow& like) {
    requireMainThread("WindowEffects.windowsOfApplication");
    const int32_t pid = like.processIdentifier;
    const std::set<uint32_t> heldElsewhere = windowsHeldElsewhere();
    std::vector<TargetWindow> list;
    for (const auto& element : applicationWindows(pid)) {
        const auto number = windowNumber(element);
        if (!number || listsWindow(list, *number)) continue;
        if (const auto changed = findAffected(*number)) {
            if (changed->change() != WindowChange::minimized || showsOnActiveSpace(*changed))
                list.push_back(changed->target());
            continue;
        }
        if (heldElsewhere.contains(*number) || boolAttribute(ax::attribute::minimized, element).value_or(false))
            continue;
        if (auto target = TargetWindow::create(element)) list.push_back(std::move(*target));
    }
    for (const auto& changed : windows()) {
        const TargetWindow& target = changed->target();
        if (target.processIdentifier == pid && showsOnActiveSpace(*changed) && !listsWindow(list, target.id))
            list.push_back(target);
    }
    if (!listsWindow(list, like.id)) {
        const auto changed = findAffected(like.id);
        list.push_back(changed ? changed->target() : like);
    }
    std::vector<OrderKey> keys;
    for (const auto& target : list) {
        const auto changed = findAffected(target.id);
        keys.push_back(changed ? orderKey(*changed) : OrderKey{target.id, std::nullopt});
    }
    std::vector<TargetWindow> ordered;
    for (size_t index : frontToBackOrder(keys, WindowServer::onScreenWindowIDs())) ordered.push_back(list[index]);
    return ordered;
}

std::vector<size_t> WindowEffects::frontToBackOrder(const std::vector<OrderKey>& keys,
                                                    const std::vector<uint32_t>& onScreen) {
    std::unordered_map<uint32_t, size_t> place;
    for (size_t i = 0; i < onScreen.size(); ++i) place.try_emplace(onScreen[i], i);
    auto position = [&place](const OrderKey& key) {
        if (const auto found = place.find(key.window); found != place.end()) return found->second;
        if (key.panel) {
            if (const auto found = place.find(*key.panel); found != place.end()) return found->second;
        }
        return std::numeric_limits<size_t>::max();
    };
    std::vector<size_t> positions;
    for (const auto& key : keys) positions.push_back(position(key));
    std::vector<size_t> order(keys.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&positions](size_t a, size_t b) { return positions[a] < positions[b]; });
    return order;
}

// A stand-in panel takes the place of its window while the window is not on screen.
WindowEffects::OrderKey WindowEffects::orderKey(const AffectedWindow& window) {
    const auto& panel = window.panel();
    const bool counts = panel && panel->isVisible() && panel->windowNumber() >= 1;
    return {window.target().id, counts ? std::optional<uint32_t>(panel->windowNumber()) : std::nullopt};
}

WindowEffects::WindowList WindowEffects::backToFront(WindowList windows) {
    std::vector<OrderKey> keys;
    for (const auto& window : windows) keys.push_back(orderKey(*window));
    WindowList ordered;
    for (size_t index : frontToBackOrder(keys, WindowServer::onScreenWindowIDs())) ordered.push_back(windows[index]);
    std::reverse(ordered.begin(), ordered.end());
    return ordered;
}

std::optional<std::string> WindowEffects::notifiedBundleIdentifier(const platform::Notification& notification) {
    const auto* application = notifiedApplication(notification);
    return application ? application->bundleIdentifier() : std::nullopt;
}

std::optional<int32_t> WindowEffects::notifiedProcessIdentifier(const platform::Notification& notification) {
    const auto* application = notifiedApplication(notification);
    return application ? std::optional<int32_t>(application->processIdentifier()) : std::nullopt;
}

}  // namespace furlpane
