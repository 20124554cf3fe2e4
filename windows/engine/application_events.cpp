// Following other applications: hidden and unhidden stand-ins, the changed windows of an
// application that quits, launches and activations, Space changes and screen changes,
// after which no stand-in stays where no screen shows it.
//
// What changes windows goes through the serial chain, so that it runs after any change
// already queued and in the order the notifications came; prolonging a search and
// checking the thumbnails against the screens happen at once.

#include <algorithm>

#include "windows/access/main_thread.h"
#include "windows/engine/ledger_recovery.h"
#include "windows/engine/window_effects.h"

namespace furlpane {

using platform::Notification;
using Visibility = AffectedWindow::Visibility;

void WindowEffects::applicationDidHide(const Notification& notification) {
    const auto pid = notifiedProcessIdentifier(notification);
    queueStep([pid](WindowEffects& effects) { effects.setStandInsHidden(pid, Visibility::hidden); });
}

void WindowEffects::applicationDidUnhide(const Notification& notification) {
    const auto pid = notifiedProcessIdentifier(notification);
    queueStep([pid](WindowEffects& effects) { effects.setStandInsHidden(pid, Visibility::shown); });
    if (pid) keepLooking(*pid, kReopeningProlongation);
}

void WindowEffects::applicationDidTerminate(const Notification& notification) {
    const auto pid = notifiedProcessIdentifier(notification);
    queueStep([pid](WindowEffects& effects) { effects.applicationTerminated(pid); });
}

void WindowEffects::applicationDidLaunch(const Notification& notification) {
    const auto pid = notifiedProcessIdentifier(notification);
    auto bundleIdentifier = notifiedBundleIdentifier(notification);
    if (!pid || !bundleIdentifier) return;
    queueStep([pid = *pid, bundleIdentifier = std::move(*bundleIdentifier)](WindowEffects& effects) {
        effects.applicationLaunched(pid, bundleIdentifier);
    });
}

void WindowEffects::applicationDidActivate(const Notification& notification) {
    if (const auto pid = notifiedProcessIdentifier(notification)) keepLooking(*pid, kReopeningProlongation);
}

// Windows left changed by an earlier run that could not be reached at launch (on another
// Space, their application busy) may be reachable now.
void WindowEffects::activeSpaceDidChange(const Notification&) {
    requestArrangement();
    queueStep([](WindowEffects& effects) { effects.recoverLedger(LedgerRecovery::Waiting::no); });
    keepLooking(std::nullopt, kReopeningProlongation);
}

void WindowEffects::screenParametersDidChange(const Notification&) {
    screenParametersChanged();
    keepStandInsOnScreen();
}

// When a screen goes, the windows it showed come to the screens left, but borderless
// panels stay where they are, for their program to place. The arrangement places the
// thumbnails in sight; title strips and the thumbnails out of sight (their application
// hidden, on another Space) are brought within reach here, so that none stays where no
// screen shows it.
void WindowEffects::keepStandInsOnScreen() {
    requireMainThread("WindowEffects.keepStandInsOnScreen");
    const VisibleThumbnails visible = visibleThumbnails();
    const auto inSight = [&visible](const std::shared_ptr<AffectedWindow>& window) {
        return std::find(visible.arranged.begin(), visible.arranged.end(), window) != visible.arranged.end() ||
               std::find(visible.placedByHand.begin(), visible.placedByHand.end(), window) !=
                   visible.placedByHand.end();
    };
    for (const auto& window : WindowList(windows())) {
        if (window->standIn() == StandIn::titleStrip) window->keepTitleStripOnScreen();
        if (window->standIn() == StandIn::thumbnail && !inSight(window)) window->moveThumbnail(std::nullopt);
    }
}

// The windows keep their state: only their stand-ins go out of sight and come back.
void WindowEffects::setStandInsHidden(std::optional<int32_t> pid, Visibility visibility) {
    requireMainThread("WindowEffects.setStandInsHidden");
    if (!pid) return;
    for (const auto& window : WindowList(windows())) {
        if (window->target().processIdentifier == *pid) window->setStandInHidden(visibility);
    }
}

// The windows are gone with their application: nothing is animated, played or posted.
// The windows it left collapsed that were still looked for are not looked for again.
void WindowEffects::applicationTerminated(std::optional<int32_t> pid) {
    requireMainThread("WindowEffects.applicationTerminated");
    if (!pid) return;
    if (const auto searched = reopening_.find(*pid); searched != reopening_.end()) {
        const Reopening entry = std::move(searched->second);
        reopening_.erase(searched);
        LeftCollapsedWindows::ofSharedLedger().forgetLeftCollapsed(entry.windows, entry.bundleIdentifier);
    }
    for (const auto& window : WindowList(windows())) {
        if (window->target().processIdentifier != *pid) continue;
        letGo(*window);
        thumbnailOrigins_.erase(window->target().id);
        refreshList(window);
    }
}

}  // namespace furlpane
