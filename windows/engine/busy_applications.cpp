// Busy applications: the count of Dock trips per application, the waits until it has
// settled, and the windows kept for the triggers meanwhile.

#include "windows/engine/busy_applications.h"

#include "platform/accessibility/names.h"
#include "platform/accessibility/value.h"
#include "platform/runtime/main_loop.h"
#include "platform/runtime/dispatch_queue.h"
#include "transitions/driver/stand_in_transition.h"
#include "windows/access/accessibility_elements.h"
#include "windows/access/main_thread.h"

namespace furlpane {

using platform::Task;

namespace {

// The polls run off the main thread, side by side, on a concurrent queue named for the
// system's global queue of user-initiated work that it stands for: one application that
// does not answer holds up no other release, nor its own other trips.
constexpr const char* kAnswerQueueLabel = "com.apple.root.user-initiated-qos";

}  // namespace

Task<void> BusyApplications::settled(int32_t pid) {
    requireMainThread("settled");
    if (!isBusy(pid)) co_return;
    auto& waiters = settledWaiters_[pid];
    if (!waiters) waiters = std::make_unique<platform::ContinuationList>();
    co_await waiters->wait();
}

Task<bool> BusyApplications::answers(int32_t pid) {
    // The poll bounds itself; the wait needs no limit of its own. The poll holds the
    // waiter only weakly, so that a chain that is gone first leaves nothing to resume.
    // Both fields belong to the main thread: the poll's outcome is handed over by posting.
    struct Wait {
        platform::ContinuationList list;
        bool answered = false;
    };
    auto wait = std::make_shared<Wait>();
    auto& loop = platform::MainLoop::main();
    loop.concurrentQueue(kAnswerQueueLabel).async([pid, weak = std::weak_ptr(wait)] {
        const bool answered = waitUntilAnswering(pid);
        platform::MainLoop::main().post([weak, answered] {
            if (const auto waiting = weak.lock()) {
                waiting->answered = answered;
                waiting->list.resumeAll();
            }
        });
    });
    auto woken = co_await wait->list.wait();
    (void)woken;
    co_return wait->answered;
}

bool BusyApplications::waitUntilAnswering(int32_t pid) {
    auto& loop = platform::MainLoop::main();
    const auto application = platform::AccessibilityElement::application(pid);
    const double deadline = loop.now() + kAnswerLimit;
    while (true) {
        const auto role = application.copyAttributeValue(platform::ax::attribute::role);
        if (role.ok() || role.error() != platform::AccessibilityError::cannotComplete) return true;
        if (loop.now() >= deadline) return false;
        loop.blockFor(kAnswerPoll);
    }
}

void BusyApplications::markBusy(int32_t pid) { ++busyApplications_[pid]; }

void BusyApplications::finishBusy(int32_t pid) {
    requireMainThread("finishBusy");
    const auto found = busyApplications_.find(pid);
    const int remaining = (found == busyApplications_.end() ? 1 : found->second) - 1;
    if (remaining > 0) {
        found->second = remaining;
        return;
    }
    if (found != busyApplications_.end()) busyApplications_.erase(found);
    knownTargets_.erase(pid);
    const auto waiting = settledWaiters_.find(pid);
    if (waiting == settledWaiters_.end()) return;
    // Waiters resume on later turns, in the order they began to wait; the list goes with
    // the entry, so that a waiter that starts a new trip begins a fresh one.
    auto list = std::move(waiting->second);
    settledWaiters_.erase(waiting);
    list->resumeAll();
}

Task<void> BusyApplications::releaseAfterDockTrip(uint32_t window, DockTripDirection direction, Speed speed,
                                                  int32_t pid) {
    co_await StandInTransition::dockIsDone(window, direction, speed);
    if (pid != ownProcessIdentifier()) co_await answers(pid);
    finishBusy(pid);
}

void BusyApplications::refreshKnownTargets(int32_t pid, const std::set<uint32_t>& leftOut) {
    requireMainThread("refreshKnownTargets");
    auto known = knownTargets_[pid];
    size_t taken = 0;
    for (const auto& element : applicationWindows(pid)) {
        if (taken >= kKnownTargetsLimit) break;
        if (boolAttribute(platform::ax::attribute::minimized, element).value_or(false)) continue;
        auto target = TargetWindow::create(element);
        if (!target || leftOut.count(target->id)) continue;
        known.insert_or_assign(target->id, std::move(*target));
        ++taken;
    }
    knownTargets_[pid] = std::move(known);
}

void BusyApplications::forgetKnownTargets(int32_t pid) { knownTargets_.erase(pid); }

std::optional<TargetWindow> BusyApplications::knownTarget(uint32_t window, int32_t pid) const {
    const auto application = knownTargets_.find(pid);
    if (application == knownTargets_.end()) return std::nullopt;
    const auto found = application->second.find(window);
    if (found == application->second.end()) return std::nullopt;
    return found->second;
}

size_t BusyApplications::waiterCount(int32_t pid) const {
    const auto found = settledWaiters_.find(pid);
    return found == settledWaiters_.end() ? 0 : found->second->size();
}

}  // namespace furlpane
