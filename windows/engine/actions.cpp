// The engine's entries: an action on one window, on every window of an application, and
// the keyboard's path that waits for a busy application before it finds its window.

#include "windows/engine/window_effects.h"

#include "platform/appkit/application.h"
#include "platform/services/system_sounds.h"
#include "platform/services/workspace.h"
#include "transitions/driver/stand_in_transition.h"
#include "windows/access/accessibility_elements.h"
#include "windows/engine/state_transitions.h"

namespace furlpane {

using platform::Point;
using platform::Task;

Task<void> WindowEffects::act(WindowAction action, TargetWindow target, std::optional<Point> thumbnailOrigin,
                              Raising raisesWindow, Speed speed) {
    if (!preferences_.isEnabled() || action == WindowAction::doNothing) co_return;
    if (action == WindowAction::hideApplication) {
        hideApplication(target);
        co_return;
    }
    if (action == WindowAction::minimizeToDock) {
        auto minimizing = minimizeOneToDock(std::move(target), RefreshTargets::yes, speed);
        co_await minimizing;
        co_return;
    }
    const auto keep = shared_from_this();
    auto window = findAffected(target.id);
    if (!window) window = AffectedWindow::create(target, weak_from_this());
    const WindowState goal = applying(window->state(), action);
    changing_ = {window};
    const Before before{window->state(), window->change()};
    if (window->state() != goal) {
        auto settling = settled(target.processIdentifier);
        co_await settling;
        if (!isEnding_ && !belongsElsewhere(target)) {
            auto applied = applyGoal(window, goal, thumbnailOrigin, raisesWindow, speed, Grouping::single);
            co_await applied;
        }
    }
    // A change that failed, or that the end of the program cut short.
    if (window->state() != goal) platform::SystemSounds::current().beep();
    announce(window, before, SoundWish::wanted);
    refreshList(window);
    changing_.clear();
}

// The style first, with the stand-in and its transition when the goal has one, then the
// floating. The stand-in's transition runs whenever a trip comes back, with or without an
// animation of its own: a trip without one still has to send the window into the Dock
// and adopt its panel, or the panel would stay on screen while the change fails.
Task<void> WindowEffects::applyGoal(std::shared_ptr<AffectedWindow> window, WindowState goal,
                                    std::optional<Point> thumbnailOrigin, Raising raisesWindow, Speed speed,
                                    Grouping grouping) {
    window->setIsOneOfMany(grouping == Grouping::oneOfMany);
    window->setSpeed(speed);
    auto changing = window->changeState(goal, raisesWindow);
    const bool changed = co_await changing;
    if (changed && goal.style) {
        auto settling = settled(window->target().processIdentifier);
        co_await settling;
        const StandIn kind = goal.style == WindowState::Style::shaded ? StandIn::titleStrip : StandIn::thumbnail;
        auto capturing = window->capturePicture(kind, {});
        const auto pictures = co_await capturing;
        const auto origin = kind == StandIn::thumbnail ? thumbnailOrigin : std::nullopt;
        const auto trip = pictures ? window->presentStandIn(kind, *pictures, origin, {}) : std::nullopt;
        bool shown = false;
        if (trip) {
            auto running = window->runStandInTransitionWhenAnswering(*trip);
            shown = co_await running;
        }
        if (shown) window->setState({goal.style, window->state().isFloating});
    }
    auto floating = window->setFloating(goal, raisesWindow);
    co_await floating;
    window->setIsOneOfMany(false);
    window->setSpeed(Speed::normal);
}

Task<void> WindowEffects::perform(WindowAction action, TargetWindow target, std::optional<Point> thumbnailOrigin,
                                  Speed speed) {
    if (!preferences_.isEnabled()) co_return;
    switch (action) {
        case WindowAction::furlpane:
        case WindowAction::minimizeInPlace:
        case WindowAction::floatOnTop:
        case WindowAction::minimizeToDock: {
            const auto keep = shared_from_this();
            auto settling = settled(target.processIdentifier);
            co_await settling;
            auto idle = StandInTransition::idle();
            co_await idle;
            auto changing = changeWindow(action, std::move(target), thumbnailOrigin, speed);
            co_await changing;
            break;
        }
        case WindowAction::hideApplication:
            hideApplication(target);
            break;
        case WindowAction::doNothing:
            break;
    }
}

Task<void> WindowEffects::performFromTrigger(WindowAction action, TargetWindow target,
                                             std::optional<Point> thumbnailOrigin, Speed speed) {
    return perform(action, std::move(target), thumbnailOrigin, speed);
}

Task<void> WindowEffects::respond(TargetWindow target, std::weak_ptr<WindowEffects> effects, Scope scope,
                                  WindowAction action, std::optional<Point> thumbnailOrigin, Speed speed) {
    const auto engine = effects.lock();
    if (!engine) co_return;
    if (scope == Scope::everyWindow) {
        auto performing = engine->perform(action, std::move(target), thumbnailOrigin, speed);
        co_await performing;
    } else {
        auto acting = engine->act(action, std::move(target), thumbnailOrigin, Raising::inPlace, speed);
        co_await acting;
    }
}

// The engine is held while the application settles: a keyboard trigger waits at most
// for the trips under way.
Task<void> WindowEffects::performForApplication(int32_t pid, std::weak_ptr<WindowEffects> effects,
                                                Resolver resolver, Continuation continuation) {
    const auto engine = effects.lock();
    if (!engine) co_return;
    auto settling = engine->settled(pid);
    co_await settling;
    auto performing = engine->performOnResolved(pid, std::move(resolver), std::move(continuation));
    co_await performing;
}

Task<void> WindowEffects::performOnResolved(int32_t pid, Resolver resolver, Continuation continuation) {
    const auto keep = shared_from_this();
    if (isEnding_) co_return;
    auto target = resolver(pid);
    if (!target) co_return;
    auto continuing = continuation(std::move(*target));
    co_await continuing;
}

std::optional<TargetWindow> WindowEffects::resolveTarget(int32_t pid) {
    const auto element = focusedWindow(pid);
    if (!element) return std::nullopt;
    return TargetWindow::create(*element);
}

void WindowEffects::hideApplication(const TargetWindow& target) {
    if (target.processIdentifier == ownProcessIdentifier()) {
        platform::Application::shared().hide();
        return;
    }
    if (const auto application = platform::RunningApplication::withProcessIdentifier(target.processIdentifier)) {
        application->hide();
    }
}

// ---- Busy applications: the tables live in BusyApplications.

Task<void> WindowEffects::settled(int32_t pid) { return busy_.settled(pid); }
bool WindowEffects::isBusy(int32_t pid) const { return busy_.isBusy(pid); }
void WindowEffects::markBusy(int32_t pid) { busy_.markBusy(pid); }

Task<void> WindowEffects::releaseAfterDockTrip(uint32_t window, DockTripDirection direction, Speed speed,
                                               int32_t pid) {
    // The tables must outlive the wait.
    const auto keep = shared_from_this();
    auto releasing = busy_.releaseAfterDockTrip(window, direction, speed, pid);
    co_await releasing;
}

void WindowEffects::refreshKnownTargets(int32_t pid, std::set<uint32_t> leftOut) {
    busy_.refreshKnownTargets(pid, leftOut);
}
void WindowEffects::forgetKnownTargets(int32_t pid) { busy_.forgetKnownTargets(pid); }
Task<bool> WindowEffects::answers(int32_t pid) { return BusyApplications::answers(pid); }
std::optional<TargetWindow> WindowEffects::knownTarget(uint32_t window, int32_t pid) const {
    return busy_.knownTarget(window, pid);
}

void WindowEffects::beginDockTrip(uint32_t window, int32_t pid, DockTripDirection direction, Speed speed) {
    busy_.markBusy(pid);
    std::weak_ptr<WindowEffectsServices> effects = weak_from_this();
    platform::spawnMain([effects, window, direction, speed, pid] {
        return AffectedWindow::dockWaitTask(effects, window, direction, speed, pid);
    });
}

}  // namespace furlpane
