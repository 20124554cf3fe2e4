#pragma once

// Busy applications: while one of its windows travels into or out of the Dock, an
// application counts as busy, and it is settled again only once every such trip is over
// and it answers accessibility requests. Work on an application waits with settled()
// until then, so that it never acts on windows that are still on their way.
//
// Who starts a trip counts it (markBusy), after an optional refreshKnownTargets that
// keeps the application's windows readable for the triggers meanwhile, and runs
// releaseAfterDockTrip in a task of its own; that waits for the trip's end and for the
// application to answer (polled off the main thread for at most 0.6 seconds), then ends
// the one count. When the last count ends, the application's kept windows are dropped and
// every waiter resumes, in the order it began to wait, without looking at the count
// again. A trip that could not be started is not counted; its starter drops the kept
// windows unless another trip is under way.
//
// Main thread only, but for waitUntilAnswering, which blocks and may run anywhere.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "platform/runtime/task.h"
#include "settings/model/speed.h"
#include "windows/access/own_windows.h"
#include "windows/access/target_window.h"

namespace furlpane {

class BusyApplications {
public:
    // How long an application that does not answer may delay the end of a trip, and how
    // often it is asked meanwhile.
    static constexpr double kAnswerLimit = 0.6;
    static constexpr double kAnswerPoll = 0.010;
    // How many windows one refresh keeps.
    static constexpr size_t kKnownTargetsLimit = 8;

    BusyApplications() = default;
    BusyApplications(const BusyApplications&) = delete;
    BusyApplications& operator=(const BusyApplications&) = delete;

    // Returns once the application has no trip under way; at once when it has none.
    platform::Task<void> settled(int32_t pid);
    // Returns once the application answers accessibility requests, at most kAnswerLimit
    // (and the poll's last read) later; whether it answered. The poll runs off the main
    // thread beside every other release's, so that each is bounded on its own.
    static platform::Task<bool> answers(int32_t pid);
    // The blocking poll behind answers: reads "AXRole" every kAnswerPoll seconds while
    // the application cannot complete the request, until kAnswerLimit has passed; false
    // when it still could not then. Off the main thread, but where blocking it is meant
    // (the restore at quit, the recovery at start-up).
    static bool waitUntilAnswering(int32_t pid);
    // Counts one more trip of the application.
    void markBusy(int32_t pid);
    // Ends one trip; the last one releases the application and its waiters.
    void finishBusy(int32_t pid);
    // The end of one counted trip: waits for the trip as the transitions see it, then
    // (but for the program's own windows) for the application to answer, then finishBusy.
    platform::Task<void> releaseAfterDockTrip(uint32_t window, DockTripDirection direction, Speed speed,
                                              int32_t pid);
    // Keeps up to kKnownTargetsLimit more of the application's windows that are not
    // minimized and not left out, in the application's order; earlier ones stay.
    void refreshKnownTargets(int32_t pid, const std::set<uint32_t>& leftOut);
    void forgetKnownTargets(int32_t pid);
    // The kept window; none when the application or the window is not kept.
    std::optional<TargetWindow> knownTarget(uint32_t window, int32_t pid) const;

    bool isBusy(int32_t pid) const { return busyApplications_.count(pid) > 0; }
    const std::map<int32_t, int>& busyApplications() const { return busyApplications_; }
    const std::map<int32_t, std::map<uint32_t, TargetWindow>>& knownTargets() const { return knownTargets_; }
    // How many callers of settled wait for the application.
    size_t waiterCount(int32_t pid) const;

private:
    // The count of trips under way; an application without trips has no entry.
    std::map<int32_t, int> busyApplications_;
    std::map<int32_t, std::map<uint32_t, TargetWindow>> knownTargets_;
    // Each list lives on the heap, so that it stays put while the map changes.
    std::map<int32_t, std::unique_ptr<platform::ContinuationList>> settledWaiters_;
};

}  // namespace furlpane
