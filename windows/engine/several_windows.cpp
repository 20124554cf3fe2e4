// Changing several windows of an application when it has a Minimize All item: windows
// that need no trip change at once, departing windows go into the Dock together or one
// by one, and windows the Dock did not take are let go.

#include "transitions/driver/stand_in_transition.h"
#include "windows/access/minimize_all.h"
#include "windows/access/window_server.h"
#include "windows/engine/window_effects.h"

namespace furlpane {

using platform::Point;
using platform::Task;

namespace {

// A window whose change waits for its trip into the Dock.
struct Departing {
    std::shared_ptr<AffectedWindow> window;
    WindowState goal;
    WindowEffects::Before before;
};

std::set<uint32_t> numbersOf(const std::vector<Departing>& departing) {
    std::set<uint32_t> numbers;
    for (const auto& entry : departing) numbers.insert(entry.window->target().id);
    return numbers;
}

WindowEffects::WindowList windowsOf(const std::vector<Departing>& departing) {
    WindowEffects::WindowList windows;
    for (const auto& entry : departing) windows.push_back(entry.window);
    return windows;
}

}  // namespace

Task<bool> WindowEffects::changeSeveral(std::vector<GroupEntry> group, TargetWindow like,
                                        platform::AccessibilityElement minimizeAll,
                                        std::optional<Point> thumbnailOrigin, Speed speed) {
    const auto keep = shared_from_this();
    GroupTally tally;
    std::vector<Departing> departing;
    for (const auto& [window, goal] : group) {
        if (isEnding_) co_return tally.allReached;
        const Before before{window->state(), window->change()};
        auto switching = window->switchWithoutStandIn(goal, speed);
        if (co_await switching) {
            departing.push_back({window, goal, before});
        } else {
            concludeInGroup(window, goal, before, tally);
        }
    }
    if (isEnding_) co_return tally.allReached;
    bool together = false;
    const int32_t pid = like.processIdentifier;
    if (departing.size() > 1 && MinimizeAll::minimizableWindowIDs(pid) == numbersOf(departing)) {
        auto sending = minimizeAllWithStandIns(windowsOf(departing), like, minimizeAll, thumbnailOrigin, speed);
        together = co_await sending;
    }
    for (const auto& [window, goal, before] : departing) {
        if (together) {
            auto returning = window->returnFromDock(AffectedWindow::TripPanel::keep);
            co_await returning;
        } else {
            if (isEnding_) co_return tally.allReached;
            const bool isClicked = window->target().id == like.id;
            auto ownTrip = window->switchWithStandIn(isClicked ? thumbnailOrigin : std::nullopt);
            co_await ownTrip;
        }
        concludeInGroup(window, goal, before, tally);
    }
    if (together) {
        auto letting = letGoWindowsLeftOut(windowsOf(departing), pid);
        if (!co_await letting) tally.allReached = false;
    }
    co_return tally.allReached;
}

// After a joint trip: the stand-ins rest at their levels, and a window the application
// did not minimize (back on screen, or never gone) stops being a changed window, its
// change reported undone. False when one was let go.
Task<bool> WindowEffects::letGoWindowsLeftOut(WindowList departing, int32_t pid) {
    auto idle = StandInTransition::idle();
    co_await idle;
    restPanelLevels(departing);
    auto settling = settled(pid);
    co_await settling;
    if (isEnding_) co_return true;
    bool allGone = true;
    for (const auto& window : departing) {
        if (window->change() != WindowChange::minimized) continue;
        if (!WindowServer::onScreenBounds(window->target().id)) continue;
        auto forgetting = forgetAndAnnounce(window);
        co_await forgetting;
        allGone = false;
    }
    co_return allGone;
}

}  // namespace furlpane
