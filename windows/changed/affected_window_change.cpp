// Changing a window's state: leaving the old style, floating on and off, the observer on
// the window, and ending a live copy with its companions.

#include "platform/accessibility/names.h"
#include "platform/accessibility/value.h"
#include "platform/appkit/application.h"
#include "windows/access/main_thread.h"
#include "windows/changed/affected_window.h"

namespace furlpane {

using platform::Task;
using Style = WindowState::Style;

namespace {

// A window that leaves no style behind it and does not float comes forward when the user
// asked for the change.
Raising raisesOnReturn(const WindowState& to, Raising asked) {
    return !to.style && !to.isFloating && asked == Raising::bringForward ? Raising::bringForward : Raising::inPlace;
}

}  // namespace

Task<bool> AffectedWindow::changeState(WindowState to, Raising raising) {
    const auto self = shared_from_this();
    requireMainThread("AffectedWindow.changeState");
    startObserving();
    const bool leftInDock = isLeftInDock();
    if (to.style == state_.style && !leftInDock) co_return false;
    if (to.style != state_.style) postWillChange(state_.style, to.style);
    // The real window comes out of the Dock first, whether it has a style or was left there.
    if (change_ == Change::minimized && (state_.style || leftInDock)) {
        auto back = applyState(raisesOnReturn(to, raising));
        const bool tookOut = co_await back;
        // Refused again, a window left in the Dock has changed in nothing.
        if (!tookOut && leftInDock) co_return false;
    }
    state_.style = std::nullopt;
    // A window minimized in place never floats: its live copy ends before the thumbnail
    // is made.
    if (to.style == Style::minimizedInPlace && state_.isFloating) {
        tearDownCompanions();
        state_.isFloating = false;
    }
    co_return true;
}

Task<WindowState> AffectedWindow::setFloating(WindowState to, Raising raising) {
    const auto self = shared_from_this();
    const bool floating = to.isFloating && state_.style != Style::minimizedInPlace;
    state_.isFloating = floating;
    auto switching = switchFloating(!floating ? raising : Raising::inPlace);
    co_await switching;
    if (!state_.style && !state_.isFloating) stopObserving();
    co_return state_;
}

Task<void> AffectedWindow::switchFloating(Raising raising) {
    const auto self = shared_from_this();
    if (!state_.isFloating) {
        if (standIn_ == StandIn::liveCopy) {
            tearDownCompanions();
            if (raising == Raising::bringForward) bringRealWindowForward();
        }
        updatePanelLevel();
    } else if (change_ == Change::minimized) {
        updatePanelLevel();
    } else if (standIn_ != StandIn::liveCopy) {
        auto refreshing = refreshPicture();
        const bool shown = co_await refreshing;
        if (!shown) state_.isFloating = false;
    }
}

void AffectedWindow::bringRealWindowForward() const {
    if (!isOwnWindow()) {
        raiseOtherWindow(target_.processIdentifier, target_.element);
        return;
    }
    platform::Application* application = platform::Application::sharedOrNull();
    if (const auto window = application ? application->windowWithWindowNumber(target_.id) : nullptr)
        bringOwnWindowForward(*window);
}

void AffectedWindow::raiseOtherWindow(int32_t processIdentifier, const platform::AccessibilityElement& window) {
    namespace ax = platform::ax;
    const auto application = platform::AccessibilityElement::application(processIdentifier);
    // An application that does not answer (busy with a Dock trip) would keep each step
    // waiting in turn and take them late, over whatever the user did meanwhile: it takes
    // none now. The way back out of the Dock asks again once the application has settled.
    const auto front = application.setAttributeValue(ax::attribute::frontmost, true);
    if (front == platform::AccessibilityError::cannotComplete) return;
    window.performAction(ax::action::raise);
    window.setAttributeValue(ax::attribute::main, true);
}

void AffectedWindow::startObserving() {
    if (watcher_) return;
    std::weak_ptr<AffectedWindow> weak = weak_from_this();
    watcher_ = AccessibilityObserver::create(target_.processIdentifier, [weak](const std::string& name,
                                                                              const platform::AccessibilityElement&) {
        const auto self = weak.lock();
        if (!self) return;
        self->runThroughEngine([name](AffectedWindow& window) { return window.handleAccessibilityNotification(name); });
    });
    if (!watcher_) return;
    // A notification the window does not offer is simply not heard.
    for (const char* notification : kObservedNotifications) watcher_->addNotification(target_.element, notification);
}

void AffectedWindow::stopObserving() { watcher_.reset(); }

void AffectedWindow::tearDownCompanions() {
    if (standIn_ != StandIn::liveCopy) return;
    if (capture_) capture_->stop();
    capture_.reset();
    focus_.reset();
    removeWorkspaceObservers();
    isEngaged_ = false;
    if (badgeRemeasure_) badgeRemeasure_->cancel();
    badgeRemeasure_.reset();
    if (badgePanel_) {
        badgePanel_->stopFollowing();
        badgePanel_->close();
        badgePanel_.reset();
    }
    dismissStandIn();
}

}  // namespace furlpane
