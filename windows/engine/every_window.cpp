// Changing every window of an application at once: who takes part and into what, the
// order, the application's own Minimize All when it carries the group, one sound and at
// most one beep for the whole group.

#include <algorithm>

#include "platform/services/system_sounds.h"
#include "transitions/driver/stand_in_transition.h"
#include "windows/access/minimize_all.h"
#include "windows/access/own_windows.h"
#include "windows/engine/state_transitions.h"
#include "windows/engine/window_effects.h"

namespace furlpane {

using platform::Point;
using platform::Task;

namespace {

using GroupEntry = WindowEffects::GroupEntry;

// Whether a window is in the action's own state: shaded, minimized in place, floating.
bool isInActionState(const WindowState& state, WindowAction action) {
    switch (action) {
        case WindowAction::furlpane: return state.style == WindowState::Style::shaded;
        case WindowAction::minimizeInPlace: return state.style == WindowState::Style::minimizedInPlace;
        case WindowAction::floatOnTop: return state.isFloating;
        default: return false;
    }
}

// The group leaves the Dock in the application's own order only when every window takes
// a style it does not have yet and none of them is in the Dock already.
bool suitsMinimizeAll(const std::vector<GroupEntry>& group) {
    return group.size() >= 2 && std::all_of(group.begin(), group.end(), [](const GroupEntry& entry) {
               const AffectedWindow& window = *entry.window;
               return entry.goal.style && window.change() != WindowChange::minimized &&
                      window.state().style != entry.goal.style;
           });
}

WindowEffects::WindowList windowsOf(const std::vector<GroupEntry>& group) {
    WindowEffects::WindowList windows;
    for (const auto& entry : group) windows.push_back(entry.window);
    return windows;
}

// The windows that lose their style, whose stand-ins wait above everything meanwhile.
WindowEffects::WindowList returningWindows(const std::vector<GroupEntry>& group) {
    WindowEffects::WindowList windows;
    for (const auto& entry : group)
        if (!entry.goal.style) windows.push_back(entry.window);
    return windows;
}

// The application's Minimize All item when it is to carry the group; the program's own
// windows never go that way.
std::optional<platform::AccessibilityElement> minimizeAllFor(const std::vector<GroupEntry>& group, int32_t pid) {
    if (pid == ownProcessIdentifier() || !suitsMinimizeAll(group)) return std::nullopt;
    return MinimizeAll::menuItem(pid);
}

}  // namespace

// The clicked window decides: when it is in the action's state already, every window in
// that state leaves it; otherwise every window not in it enters it. Windows coming back
// go back to front, so that each lands in front of those already back.
Task<void> WindowEffects::changeWindow(WindowAction action, TargetWindow target, std::optional<Point> thumbnailOrigin,
                                       Speed speed) {
    if (isEnding_) co_return;
    const auto keep = shared_from_this();
    if (action == WindowAction::minimizeToDock) {
        auto minimizing = minimizeApplicationToDock(windowsOfApplication(target), target, speed);
        co_await minimizing;
        co_return;
    }
    const auto clicked = findAffected(target.id);
    if (!clicked && belongsElsewhere(target)) {
        platform::SystemSounds::current().beep();
        co_return;
    }
    const bool isUndoing = isInActionState(clicked ? clicked->state() : WindowState{}, action);
    std::vector<GroupEntry> group = gatherGroup(action, target, isUndoing);
    if (action == WindowAction::floatOnTop || isUndoing) std::reverse(group.begin(), group.end());
    const WindowList members = windowsOf(group);
    changing_ = members;
    if (isUndoing) raiseReturningStandIns(returningWindows(group));
    bool allReached = true;
    if (const auto minimizeAll = minimizeAllFor(group, target.processIdentifier)) {
        auto several = changeSeveral(group, target, *minimizeAll, thumbnailOrigin, speed);
        allReached = co_await several;
    } else {
        auto oneByOne = changeOneByOne(group, target.id, thumbnailOrigin, speed);
        allReached = co_await oneByOne;
    }
    if (!isEnding_) {
        auto idle = StandInTransition::idle();
        co_await idle;
    }
    if (!isEnding_) {
        restPanelLevels(members);
        if (!allReached) platform::SystemSounds::current().beep();
    }
    changing_.clear();
}

std::vector<WindowEffects::GroupEntry> WindowEffects::gatherGroup(WindowAction action, const TargetWindow& like,
                                                                   bool isUndoing) {
    std::vector<GroupEntry> group;
    for (const TargetWindow& target : windowsOfApplication(like)) {
        auto window = findAffected(target.id);
        const WindowState current = window ? window->state() : WindowState{};
        const bool takesPart = isInActionState(current, action) == isUndoing;
        const WindowState goal = takesPart ? applying(current, action) : current;
        if (goal == current) continue;
        if (!window) window = AffectedWindow::create(target, weak_from_this());
        group.push_back({std::move(window), goal});
    }
    return group;
}

// Each window waits for its application to settle, so that the trips and transitions of
// the windows before it are over. Only the clicked window's thumbnail goes where the
// request pointed; the group plays at most one sound.
Task<bool> WindowEffects::changeOneByOne(std::vector<GroupEntry> group, uint32_t clicked,
                                         std::optional<Point> thumbnailOrigin, Speed speed) {
    GroupTally tally;
    for (const auto& [window, goal] : group) {
        if (isEnding_) co_return tally.allReached;
        const Before before{window->state(), window->change()};
        if (window->state() != goal) {
            auto settling = settled(window->target().processIdentifier);
            co_await settling;
            if (!isEnding_) {
                const auto origin = window->target().id == clicked ? thumbnailOrigin : std::nullopt;
                auto applying = applyGoal(window, goal, origin, Raising::inPlace, speed, Grouping::oneOfMany);
                co_await applying;
            }
        }
        concludeInGroup(window, goal, before, tally);
    }
    co_return tally.allReached;
}

// A group plays at most one sound: the first change that calls for one.
void WindowEffects::concludeInGroup(const std::shared_ptr<AffectedWindow>& window, const WindowState& goal,
                                    Before before, GroupTally& tally) {
    if (window->state() != goal) tally.allReached = false;
    if (announce(window, before, tally.soundReported ? SoundWish::notWanted : SoundWish::wanted))
        tally.soundReported = true;
    refreshList(window);
}

}  // namespace furlpane
