// What a changed window does when its real window reports through accessibility: it
// closed, came out of the Dock by the user's hand, was minimized, resized or retitled
// while floating, or got a sheet. After every wait the engine's ending stops the rest.

#include "windows/access/accessibility_elements.h"
#include "windows/access/main_thread.h"
#include "windows/changed/affected_window.h"

namespace furlpane {

using platform::Task;

namespace {

// A burst of resizes re-measures the badge once, this long after the last of them.
constexpr double kBadgeRemeasurePause = 0.25;

Task<void> remeasureAfterPause(std::weak_ptr<AffectedWindow> weak) {
    auto sleeping = platform::sleepFor(kBadgeRemeasurePause);
    const bool slept = co_await sleeping;
    if (!slept) co_return;
    if (const auto self = weak.lock()) self->refreshBadgeTask();
}

}  // namespace

std::optional<bool> AffectedWindow::isMinimizedNow() const {
    if (!isOwnWindow()) return boolAttribute(ax::attribute::minimized, target_.element);
    const auto window = ownWindow(target_.id);
    return window ? std::optional(window->isMiniaturized()) : std::nullopt;
}

Task<void> AffectedWindow::handleAccessibilityNotification(std::string name) {
    const auto self = shared_from_this();
    requireMainThread("AffectedWindow.handleAccessibilityNotification");
    if (name == ax::notification::elementDestroyed) {
        askEngineToForget();
    } else if (name == ax::notification::windowDeminiaturized && change_ == Change::minimized) {
        auto settling = untilSettled();
        co_await settling;
        if (engineIsEnding() || change_ != Change::minimized) co_return;
        // The user brought it out of the Dock: the stand-in has nothing left to stand for.
        if (WindowServer::onScreenBounds(target_.id) || !isMinimizedNow().value_or(false)) {
            askEngine([](WindowEffectsServices& engine, std::shared_ptr<AffectedWindow> window) {
                return engine.forgetAndAnnounce(std::move(window));
            });
        }
    } else if (name == ax::notification::windowMiniaturized && standIn_ == StandIn::liveCopy) {
        auto settling = untilSettled();
        co_await settling;
        if (engineIsEnding() || standIn_ != StandIn::liveCopy || !isMinimizedNow().value_or(true)) co_return;
        const WindowEffectsServices::Before before{state_, change_};
        tearDownCompanions();
        state_.isFloating = false;
        if (const auto engine = effects()) engine->stateDidChange(self, before);
    } else if (name == ax::notification::windowResized && standIn_ == StandIn::liveCopy) {
        auto settling = untilSettled();
        co_await settling;
        if (engineIsEnding()) co_return;
        if (boolAttribute(ax::attribute::fullScreen, target_.element).value_or(false)) {
            askEngineToRestore();
        } else {
            remeasureBadgeSoon();
        }
    } else if (name == ax::notification::titleChanged && standIn_ == StandIn::liveCopy) {
        auto refreshing = refreshBadgeWhenSettled();
        co_await refreshing;
    } else if (name == ax::notification::sheetCreated && change_ != Change::minimized) {
        askEngineToRestore();
    }
}

void AffectedWindow::remeasureBadgeSoon() {
    if (standIn_ != StandIn::liveCopy) return;
    if (badgeRemeasure_) badgeRemeasure_->cancel();
    badgeRemeasure_ = platform::spawnMain([weak = weak_from_this()] { return remeasureAfterPause(weak); });
}

}  // namespace furlpane
