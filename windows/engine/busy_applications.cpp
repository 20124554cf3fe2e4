// Busy applications: the count of Dock trips per application, the waits until it has
// settled, and the windows kept for the triggers meanwhile.

#include "windows/engine/busy_applications.h"

namespace furlpane {

using platform::Task;

Task<void> BusyApplications::settled(int32_t) { co_return; }
Task<void> BusyApplications::answers(int32_t) { co_return; }
void BusyApplications::waitUntilAnswering(int32_t) {}
void BusyApplications::markBusy(int32_t pid) { ++busyApplications_[pid]; }
void BusyApplications::finishBusy(int32_t) {}
Task<void> BusyApplications::releaseAfterDockTrip(uint32_t, DockTripDirection, Speed, int32_t) { co_return; }
void BusyApplications::refreshKnownTargets(int32_t, const std::set<uint32_t>&) {}
void BusyApplications::forgetKnownTargets(int32_t pid) { knownTargets_.erase(pid); }
std::optional<TargetWindow> BusyApplications::knownTarget(uint32_t, int32_t) const { return std::nullopt; }
size_t BusyApplications::waiterCount(int32_t) const { return 0; }

}  // namespace furlpane
