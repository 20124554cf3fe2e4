// Every window of an application into the Dock: through the application's Minimize All
// item when it would take exactly the windows meant, else one trip after another; and
// one window of the program or of another application sent into the Dock.

#include "platform/accessibility/names.h"
#include "windows/access/accessibility_elements.h"
#include "windows/access/asking_again.h"
#include "windows/access/minimize_all.h"
#include "windows/access/own_windows.h"
#include "windows/engine/window_effects.h"

namespace furlpane {

using platform::Task;

namespace {

std::set<uint32_t> numbersOf(const std::vector<TargetWindow>& windows) {
    std::set<uint32_t> numbers;
    for (const auto& window : windows) numbers.insert(window.id);
    return numbers;
}

}  // namespace

// One press lets the application and the Dock move the whole group at once; it is used
// only when it would minimize exactly the windows meant, no more and no fewer. Windows
// the program had in the Dock already are let go rather than sent again.
Task<void> WindowEffects::minimizeApplicationToDock(std::vector<TargetWindow> windows, TargetWindow like,
                                                    Speed speed) {
    const auto keep = shared_from_this();
    const int32_t pid = like.processIdentifier;
    const auto item = pid != ownProcessIdentifier() && windows.size() >= 2 ? MinimizeAll::menuItem(pid) : std::nullopt;
    if (!item) {
        for (const auto& window : windows) {
            if (isEnding_) co_return;
            auto minimizing = minimizeOneToDock(window, RefreshTargets::no, speed);
            co_await minimizing;
        }
        co_return;
    }
    std::vector<TargetWindow> kept;
    for (const auto& window : windows) {
        if (isEnding_) co_return;
        auto releasing = releaseForDock(window);
        if (co_await releasing) kept.push_back(window);
    }
    auto settling = settled(pid);
    co_await settling;
    if (isEnding_) co_return;
    if (kept.size() > 1 && MinimizeAll::minimizableWindowIDs(pid) == numbersOf(kept)) {
        if (pressMenuItem(*item, pid)) {
            for (const auto& window : kept) beginDockTrip(window.id, pid, DockTripDirection::miniaturizing, speed);
            co_return;
        }
        if (!busy_.isBusy(pid)) busy_.forgetKnownTargets(pid);
    }
    // Each window waits for the trip of the one before it.
    for (const auto& window : kept) {
        auto waiting = settled(pid);
        co_await waiting;
        if (isEnding_) co_return;
        auto minimizing = minimizeToDockWhenAnswering(window, speed);
        co_await minimizing;
    }
}

Task<void> WindowEffects::minimizeToDockWhenAnswering(TargetWindow window, Speed speed) {
    const auto keep = shared_from_this();
    const int32_t pid = window.processIdentifier;
    auto minimizing =
        askWhenAnswering({.ask = [this, window, speed] { return answeredAlready(minimizeToDock(window, speed)); },
                          .answers = [pid] { return BusyApplications::answers(pid); },
                          .stillWanted = [this] { return !isEnding_; }});
    co_await minimizing;
}

// The program's own window gets the miniaturizable bit for the trip when it lacks it
// (TargetWindow::minimize sees to that and to taking it away afterwards).
Answer WindowEffects::minimizeToDock(const TargetWindow& window, Speed speed) {
    const int32_t pid = window.processIdentifier;
    const Answer sent = timedRequest(window.element, [&window] { return window.minimize(); });
    if (sent.error == platform::AccessibilityError::success) {
        beginDockTrip(window.id, pid, DockTripDirection::miniaturizing, speed);
    } else if (!busy_.isBusy(pid)) {
        busy_.forgetKnownTargets(pid);
    }
    return sent;
}

// A menu item element may have gone stale while the application rebuilt its menus: one
// more press on the item found afresh, and no further retry.
bool WindowEffects::pressMenuItem(const platform::AccessibilityElement& item, int32_t pid) {
    if (item.performAction(platform::ax::action::press) == platform::AccessibilityError::success) return true;
    const auto fresh = MinimizeAll::menuItem(pid);
    return fresh && fresh->performAction(platform::ax::action::press) == platform::AccessibilityError::success;
}

}  // namespace furlpane
