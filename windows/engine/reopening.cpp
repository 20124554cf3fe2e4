// Reopening windows left collapsed: one search per application after it launches (or is
// found running at start-up), tried every quarter second until its deadline, prolonged
// when the application is unhidden or activated or the Space changes.

#include <algorithm>

#include "platform/accessibility/trust.h"
#include "platform/runtime/main_loop.h"
#include "platform/services/workspace.h"
#include "windows/access/main_thread.h"
#include "windows/engine/window_effects.h"

namespace furlpane {

using platform::Task;

namespace {

double now() { return platform::MainLoop::main().now(); }

// Starts the application's search on a later turn, unless the engine is gone by then.
void startSearch(std::weak_ptr<WindowEffects> weak, int32_t pid) {
    platform::spawnMain([weak, pid]() -> Task<void> {
        auto effects = weak.lock();
        if (!effects) co_return;
        auto looking = effects->lookForLeftCollapsed(pid);
        // The search holds the engine only while it tries, not across its pauses.
        effects.reset();
        co_await looking;
    });
}

}  // namespace

// Without Accessibility nothing can be reopened: the stored list waits for a later launch.
void WindowEffects::applicationLaunched(int32_t pid, std::string bundleIdentifier) {
    requireMainThread("WindowEffects.applicationLaunched");
    if (!platform::AccessibilityTrust::isProcessTrusted()) return;
    if (!platform::RunningApplication::withProcessIdentifier(pid)) return;
    const bool searched = std::any_of(reopening_.begin(), reopening_.end(), [&bundleIdentifier](const auto& entry) {
        return entry.second.bundleIdentifier == bundleIdentifier;
    });
    if (searched) return;
    auto windows = LeftCollapsedWindows::ofSharedLedger().leftCollapsed(bundleIdentifier);
    if (windows.empty()) return;
    reopening_.insert_or_assign(pid, Reopening{std::move(bundleIdentifier), std::move(windows), now(), false});
    keepLooking(pid, kReopeningSearch);
}

// A deadline only ever moves later; a search that has stopped starts again.
void WindowEffects::keepLooking(std::optional<int32_t> pid, double seconds) {
    requireMainThread("WindowEffects.keepLooking");
    std::vector<int32_t> searched;
    for (const auto& entry : reopening_) {
        if (!pid || entry.first == *pid) searched.push_back(entry.first);
    }
    const double until = now() + seconds;
    for (const int32_t each : searched) {
        Reopening& entry = reopening_.at(each);
        entry.deadline = std::max(entry.deadline, until);
        const bool wasLooking = std::exchange(entry.isLooking, true);
        if (!wasLooking) startSearch(weak_from_this(), each);
    }
}

// A cancelled pause ends the search rather than trying on without pausing; the entry is
// left idle, so that the next prolongation starts a new search.
Task<void> WindowEffects::lookForLeftCollapsed(int32_t pid) {
    const std::weak_ptr<WindowEffects> weak = weak_from_this();
    while (true) {
        if (const auto effects = weak.lock(); !effects || !effects->tryReopening(pid)) co_return;
        auto pause = platform::sleepFor(kReopeningPause);
        const bool paused = co_await pause;
        if (paused) continue;
        const auto effects = weak.lock();
        if (!effects) co_return;
        if (const auto entry = effects->reopening_.find(pid); entry != effects->reopening_.end()) {
            entry->second.isLooking = false;
        }
        co_return;
    }
}

// A busy application is not tried: its windows are on their way into or out of the Dock.
bool WindowEffects::tryReopening(int32_t pid) {
    if (isEnding_) return false;
    const auto found = reopening_.find(pid);
    if (found == reopening_.end()) return false;
    if (!busy_.isBusy(pid)) {
        const Reopening searched = found->second;
        auto stored = LeftCollapsedWindows::ofSharedLedger();
        auto result = stored.reopenLeftCollapsed(searched.windows, pid, [this](uint32_t window) {
            return holdsWindow(window);
        });
        stored.forgetLeftCollapsed(result.reopened, searched.bundleIdentifier);
        const auto entry = reopening_.find(pid);
        if (entry == reopening_.end()) return false;
        entry->second.windows = std::move(result.remaining);
    }
    Reopening& entry = reopening_.at(pid);
    if (entry.windows.empty()) {
        reopening_.erase(pid);
        return false;
    }
    entry.isLooking = now() < entry.deadline;
    return entry.isLooking;
}

}  // namespace furlpane
