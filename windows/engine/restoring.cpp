// Restoring changed windows: one window, a batch back to front, every window of an
// application or of the active Space, everything when switched off, everything at quit,
// and the preparation of a window for the Dock.

#include <algorithm>

#include "transitions/driver/stand_in_transition.h"
#include "windows/access/main_thread.h"
#include "windows/engine/ledger_recovery.h"
#include "windows/engine/window_effects.h"

namespace furlpane {

using platform::Task;

namespace {

WindowEffects::Before before(const AffectedWindow& window) { return {window.state(), window.change()}; }

bool holds(const WindowEffects::WindowList& list, const std::shared_ptr<AffectedWindow>& window) {
    return std::find(list.begin(), list.end(), window) != list.end();
}

// A thumbnail counts on the active Space when it shows there, or shows nowhere (its
// application is hidden): one shown on another Space is the user's business there.
bool isThumbnailHereOrHidden(const AffectedWindow& window) {
    const auto& panel = window.panel();
    return window.state().style == WindowState::Style::minimizedInPlace && panel &&
           (!panel->isVisible() || panel->isOnActiveSpace());
}

}  // namespace

Task<void> WindowEffects::restoreWindow(std::shared_ptr<AffectedWindow> window, Raising activates, Speed speed,
                                        std::function<void()> completion) {
    const auto keep = shared_from_this();
    const Before was = before(*window);
    if (!window->isNormal()) {
        auto settling = settled(window->target().processIdentifier);
        co_await settling;
        if (!isEnding_) {
            auto returning = returnToNormal(window, activates, speed, Grouping::single);
            co_await returning;
        }
    }
    announce(window, was, SoundWish::wanted);
    refreshList(window);
    if (completion) completion();
}

Task<void> WindowEffects::changeState(std::shared_ptr<AffectedWindow> window, Raising activates, Speed speed,
                                      std::function<void()> then) {
    return restoreWindow(std::move(window), activates, speed, std::move(then));
}

// The back-most window comes back first, so that each one returning lands in front of
// those already back; the stand-ins wait above everything meanwhile. A batch plays at most
// one sound: the first one a window's return chooses.
Task<void> WindowEffects::restoreWindows(WindowList list, std::shared_ptr<AffectedWindow> last, SoundWish withSound,
                                         Speed speed) {
    const auto keep = shared_from_this();
    auto idle = StandInTransition::idle();
    co_await idle;
    if (isEnding_) co_return;
    WindowList ordered = backToFront(std::move(list));
    if (last && holds(ordered, last)) {
        ordered.erase(std::remove(ordered.begin(), ordered.end(), last), ordered.end());
        ordered.push_back(last);
    }
    raiseReturningStandIns(ordered);
    bool quiet = withSound == SoundWish::notWanted;
    for (size_t i = 0; i < ordered.size(); ++i) {
        if (i > 0 && isEnding_) co_return;
        const auto& window = ordered[i];
        const Before was = before(*window);
        if (!window->isNormal()) {
            auto settling = settled(window->target().processIdentifier);
            co_await settling;
            if (!isEnding_) {
                const Raising raising = i + 1 == ordered.size() ? Raising::bringForward : Raising::inPlace;
                auto returning = returnToNormal(window, raising, speed, Grouping::oneOfMany);
                co_await returning;
            }
        }
        if (announce(window, was, quiet ? SoundWish::notWanted : SoundWish::wanted)) quiet = true;
        refreshList(window);
    }
    auto settledDown = StandInTransition::idle();
    co_await settledDown;
    restPanelLevels(ordered);
}

// What the batch leaves changed stays listed (refreshList takes out each window that came
// back), so that a window whose return failed can still be restored from the status menu
// and is put back at quit.
Task<void> WindowEffects::restoreEverything(SoundWish withSound, Speed speed) {
    auto restoring = restoreWindows(windows(), nullptr, withSound, speed);
    co_await restoring;
}

Task<void> WindowEffects::restoreApplicationWindows(std::shared_ptr<AffectedWindow> window, Speed speed) {
    WindowList list;
    for (const auto& changed : windows()) {
        if (changed->target().processIdentifier == window->target().processIdentifier) list.push_back(changed);
    }
    auto restoring = restoreWindows(std::move(list), std::move(window), SoundWish::wanted, speed);
    co_await restoring;
}

Task<void> WindowEffects::restoreWindows(std::shared_ptr<AffectedWindow> window, Speed speed) {
    return restoreApplicationWindows(std::move(window), speed);
}

Task<void> WindowEffects::restoreOnActiveSpace(std::shared_ptr<AffectedWindow> window, Speed speed) {
    WindowList list;
    for (const auto& changed : windows()) {
        if (changed->target().processIdentifier == window->target().processIdentifier &&
            isThumbnailHereOrHidden(*changed)) {
            list.push_back(changed);
        }
    }
    auto restoring = restoreWindows(std::move(list), std::move(window), SoundWish::wanted, speed);
    co_await restoring;
}

// Blocks the main thread: the process ends right after. A further window of an
// application whose window has just come out of the Dock waits until that one stands in
// place and the application answers, so that the application is not asked to bring back
// two windows at once.
void WindowEffects::restoreAll() {
    requireMainThread("WindowEffects.restoreAll");
    isEnding_ = true;
    WindowList all = windows();
    for (const auto& window : changing_) {
        if (!holds(all, window)) all.push_back(window);
    }
    std::map<int32_t, uint32_t> waitFor;
    // Whether each application answered when it was last waited for.
    std::map<int32_t, bool> answered;
    const auto untilAnswering = [&answered](int32_t pid) {
        return answered[pid] = BusyApplications::waitUntilAnswering(pid);
    };
    for (const auto& window : backToFront(std::move(all))) {
        const int32_t pid = window->target().processIdentifier;
        if (pid != ownProcessIdentifier()) {
            const auto earlier = waitFor.find(pid);
            if (earlier != waitFor.end()) waitUntilInPlace(earlier->second);
            if (earlier != waitFor.end() || busy_.isBusy(pid)) untilAnswering(pid);
        }
        const Before was = before(*window);
        // An application may not answer because another instance of the program has sent
        // one of its windows on a trip: it is waited for as after a trip of this
        // instance's own, unless it has just been waited for in vain.
        const bool tookOut = window->restore([&answered, &untilAnswering, pid] {
            const auto known = answered.find(pid);
            return (known == answered.end() || known->second) && untilAnswering(pid);
        });
        if (tookOut) waitFor[pid] = window->target().id;
        // An application that would not take its window out of the Dock leaves it there,
        // and its ledger entry with it: it is announced as still in the Dock, not as back.
        const bool leftInDock = was.change == WindowChange::minimized && !tookOut && pid != ownProcessIdentifier();
        const WindowChange isInDock = leftInDock ? WindowChange::minimized : window->change();
        if (window->state().style == was.state.style && isInDock == was.change) continue;
        postStateChanged({window->target().id, pid, was.state.style, window->state().style, was.change, isInDock,
                          false, false});
    }
    setWindows({});
    changing_.clear();
}

Task<bool> WindowEffects::releaseForDock(TargetWindow target) {
    const auto keep = shared_from_this();
    const auto window = findAffected(target.id);
    if (!window) co_return true;
    const Before was = before(*window);
    // The program had the window in the Dock already: it is let go there.
    if (window->change() == WindowChange::minimized) {
        letGo(*window);
        announce(window, was, SoundWish::notWanted);
        refreshList(window);
        co_return false;
    }
    if (!window->isNormal()) {
        auto settling = settled(target.processIdentifier);
        co_await settling;
        if (!isEnding_) {
            auto returning = returnToNormal(window, Raising::inPlace, Speed::normal, Grouping::single);
            co_await returning;
        }
    }
    announce(window, was, SoundWish::notWanted);
    refreshList(window);
    co_return true;
}

Task<void> WindowEffects::minimizeOneToDock(TargetWindow target, RefreshTargets refreshTargets, Speed speed) {
    const auto keep = shared_from_this();
    auto releasing = releaseForDock(target);
    const bool released = co_await releasing;
    if (!released) co_return;
    const int32_t pid = target.processIdentifier;
    auto settling = settled(pid);
    co_await settling;
    if (isEnding_) co_return;
    if (refreshTargets == RefreshTargets::yes) refreshKnownTargets(pid, {target.id});
    auto minimizing = minimizeToDockWhenAnswering(std::move(target), speed);
    co_await minimizing;
}

Task<void> WindowEffects::returnToNormal(std::shared_ptr<AffectedWindow> window, Raising activates, Speed speed,
                                         Grouping grouping) {
    window->setIsOneOfMany(grouping == Grouping::oneOfMany);
    window->setSpeed(speed);
    auto changing = window->changeState(WindowState{}, activates);
    co_await changing;
    window->setState({window->state().style, false});
    auto floating = window->switchFloating(activates);
    co_await floating;
    if (window->isNormal()) window->stopObserving();
    window->setIsOneOfMany(false);
    window->setSpeed(Speed::normal);
}

void WindowEffects::raiseReturningStandIns(const WindowList& windows) {
    for (const auto& window : windows) {
        const bool hasStandIn = window->standIn() == StandIn::titleStrip || window->standIn() == StandIn::thumbnail;
        if (window->state().style && window->panel() && !window->transition() && hasStandIn) {
            window->panel()->setLevel(StandInTransition::overlayLevel());
        }
    }
}

void WindowEffects::restPanelLevels(const WindowList& windows) {
    for (const auto& window : windows) window->updatePanelLevel();
}

}  // namespace furlpane
