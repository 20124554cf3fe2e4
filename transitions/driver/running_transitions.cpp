// What concerns every transition: the list of those running, the waiters for none to
// run, the overlay level, the windows they leave out of pictures, and the wait for the
// Dock.

#include <algorithm>

#include "platform/runtime/process_once.h"
#include "platform/windowserver/window_list.h"
#include "transitions/driver/dock_wait.h"
#include "transitions/driver/stand_in_transition.h"
#include "transitions/driver/transition_choices.h"

namespace furlpane {

using platform::Task;

namespace {

std::vector<std::function<void()>>& waiterList() {
    static platform::ProcessLocal<std::vector<std::function<void()>>> waiters;
    return waiters.get();
}

}  // namespace

std::vector<std::shared_ptr<StandInTransition>>& StandInTransition::runningList() {
    static platform::ProcessLocal<std::vector<std::shared_ptr<StandInTransition>>> transitions;
    return transitions.get();
}

const std::vector<std::shared_ptr<StandInTransition>>& StandInTransition::running() { return runningList(); }

const std::vector<std::function<void()>>& StandInTransition::idleWaiters() { return waiterList(); }

void StandInTransition::addIdleWaiter(std::function<void()> waiter) {
    if (waiter) waiterList().push_back(std::move(waiter));
}

// The waiters are taken out before any of them runs: one may start a transition, or
// wait again, and each of those belongs to the next time nothing runs.
void StandInTransition::leaveRunning(const StandInTransition* transition) {
    auto& list = runningList();
    std::erase_if(list, [transition](const auto& t) { return t.get() == transition; });
    if (!list.empty()) return;
    const auto waiters = std::exchange(waiterList(), {});
    for (const auto& waiter : waiters) waiter();
}

Task<void> StandInTransition::idle() {
    if (runningList().empty()) co_return;
    auto done = std::make_shared<platform::ContinuationList>();
    addIdleWaiter([done] { done->resumeAll(); });
    co_await done->wait();
}

Task<void> StandInTransition::warmUpRenderer() {
    co_await platform::yieldTurn();
    auto none = idle();
    co_await none;
    const bool cancelled = co_await platform::isCancelled();
    if (cancelled) co_return;
    const std::shared_ptr<TransitionRenderer>& renderer = TransitionRenderer::shared();
    if (!renderer) co_return;
    if (const auto size = mainOverlayPixels()) renderer->prepare(size->first, size->second);
}

int32_t StandInTransition::overlayLevel() {
    static const int32_t level = platform::windowLevelForKey(platform::WindowLevelKey::mainMenu) - 1;
    return level;
}

std::set<uint32_t> StandInTransition::excludedWindowNumbers() {
    std::set<uint32_t> numbers;
    for (const auto& t : runningList()) {
        if (t->windowNumber() > 0) numbers.insert(t->windowNumber());
        for (const uint32_t panel : t->panels().windowNumbers()) numbers.insert(panel);
    }
    return numbers;
}

Task<void> StandInTransition::dockIsDone(uint32_t window, DockTripDirection direction, Speed speed) {
    auto wait = waitForDockTrip(window, direction, kDockTripLimit * transition_choices::slowdown(speed));
    co_await wait;
}

}  // namespace furlpane
