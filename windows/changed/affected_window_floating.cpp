// A floated window's two faces: its live copy floating above everything while the user
// works elsewhere, and the real window engaged (brought forward, the badge riding on its
// title bar) while the user works in it; and the live copy's frames.
//
// Every step that waits re-checks afterwards that the window is still engaged with the
// same live copy and that the engine is not ending, and gives up silently otherwise.
//
// A window the window server no longer lists has gone. One that is merely unmeasured
// (its bounds call failing or missing, its capture coming back empty) is kept, floated
// as before: the window list says whether it still exists, and where it stands.

#include "platform/accessibility/value.h"
#include "platform/runtime/main_loop.h"
#include "platform/services/workspace.h"
#include "windows/access/accessibility_elements.h"
#include "windows/access/main_thread.h"
#include "windows/changed/affected_window.h"

namespace furlpane {

using platform::Rect;
using platform::Task;

namespace {

// The live copy stays a moment after the raise, until the real window stands in front.
constexpr double kEngageDelay = 0.05;
// A window that was raised, moved, shown or brought to another Space rests within this
// time; its bounds are read this often meanwhile.
constexpr double kSettledBoundsLimit = 1.5;
constexpr double kSettledBoundsPoll = 0.008;
constexpr double kBoundsTolerance = 1.0;

bool boundsAgree(const Rect& a, const Rect& b) {
    return std::fabs(a.minX() - b.minX()) < kBoundsTolerance && std::fabs(a.minY() - b.minY()) < kBoundsTolerance &&
           std::fabs(a.width() - b.width()) < kBoundsTolerance && std::fabs(a.height() - b.height()) < kBoundsTolerance;
}

std::optional<Rect> privateBounds(uint32_t window) {
    const auto symbols = WindowServer::loadCaptureSymbols();
    return symbols ? symbols->windowBounds(window) : std::nullopt;
}

}  // namespace

void AffectedWindow::engage() {
    requireMainThread("AffectedWindow.engage");
    if (standIn_ != StandIn::liveCopy || isEngaged_ || !panel_) return;
    const auto engine = effects();
    if (engine && engine->isBusy(target_.processIdentifier)) {
        platform::spawnMain([weak = weak_from_this()] {
            return whenSettled(weak, [](AffectedWindow& window) { window.engage(); });
        });
        return;
    }
    if (capture_) capture_->stop();
    capture_.reset();
    isEngaged_ = true;
    bringRealWindowForward();
    platform::MainLoop::main().postAfter(kEngageDelay, [weak = weak_from_this(), panel = panel_] {
        const auto self = weak.lock();
        if (!self || !self->isEngaged_) return;
        self->makeBadgePanel();
        panel->orderOut();
    });
    watchFocus();
}

void AffectedWindow::watchFocus() {
    focus_ = FocusWatcher::create(target_.processIdentifier, target_.id, [weak = weak_from_this()] {
        const auto self = weak.lock();
        if (!self) return;
        self->runThroughEngine(
            [](AffectedWindow& window) { return window.returnToLiveCopy(WhenFocused::returnToLiveCopy); });
    });
}

void AffectedWindow::makeBadgePanel() {
    requireMainThread("AffectedWindow.makeBadgePanel");
    if (!badgePanel_) badgePanel_ = FloatBadgePanel::create(badge_);
    badgePanel_->show(target_.id, windowFrame_);
}

void AffectedWindow::putBadgeAway() {
    if (badgePanel_) badgePanel_->putAway();
}

bool AffectedWindow::isStillEngagedWith(const std::shared_ptr<StandInPanel>& panel) const {
    return isEngaged_ && panel_ == panel && !engineIsEnding();
}

bool AffectedWindow::windowStillExists() const {
    if (privateBounds(target_.id)) return true;
    return WindowServer::isListed(target_.id).value_or(true);
}

bool AffectedWindow::ownerIsHidden() const {
    const auto owner = platform::RunningApplication::withProcessIdentifier(target_.processIdentifier);
    return owner && owner->isHidden();
}

Task<void> AffectedWindow::returnToLiveCopy(WhenFocused whenFocused) {
    const auto self = shared_from_this();
    if (!isEngaged_ || !panel_) co_return;
    const auto panel = panel_;
    focus_.reset();
    removeWorkspaceObservers();
    auto settling = untilSettled();
    co_await settling;
    if (!isStillEngagedWith(panel)) co_return;
    auto measuring = waitForSettledBounds();
    const auto bounds = co_await measuring;
    if (!isStillEngagedWith(panel)) co_return;
    if (!bounds || ownerIsHidden()) {
        // Off screen (on another Space, hidden, minimized by the user) or gone.
        if (!windowStillExists()) {
            askEngineToForget();
            co_return;
        }
        putBadgeAway();
        watchWorkspace();
        co_return;
    }
    const SheetAndFullScreen reading = sheetAndFullScreen(target_.element);
    if (reading.hasSheet || reading.isFullScreen) {
        askEngineToRestore();
        co_return;
    }
    if (whenFocused == WhenFocused::stayEngaged && isWindowFocused()) {
        makeBadgePanel();
        watchFocus();
        co_return;
    }
    auto capturing = LiveCapture::captureOnce(target_.id, LiveCapture::Resolution::display);
    const auto frame = co_await capturing;
    if (frame && (!frame->image || !frame->bounds) && !windowStillExists()) {
        askEngineToForget();
        co_return;
    }
    if (!isStillEngagedWith(panel)) co_return;
    isEngaged_ = false;
    // A capture that timed out keeps the last picture and frame; one that came back in
    // part keeps what it lacks, its frame then the window list's.
    if (frame) {
        if (frame->image) {
            image_ = frame->image;
            framing_.reset();
        }
        windowFrame_ = frame->bounds.value_or(*bounds);
    }
    panel->placeAt(windowFrame_);
    if (image_) {
        panel->canvas().setImage(image_);
        panel->canvas().setLook(look_);
    }
    panel->orderFront();
    putBadgeAway();
    startLiveCapture();
}

bool AffectedWindow::isWindowFocused() const {
    if (isOwnWindow()) {
        const auto window = ownWindow(target_.id);
        return window && window->isKeyWindow();
    }
    const auto front = platform::Workspace::shared().frontmostApplication();
    if (!front || front->processIdentifier() != target_.processIdentifier) return false;
    const auto focused = focusedWindow(target_.processIdentifier);
    const auto number = focused ? windowNumber(*focused) : std::nullopt;
    return number == target_.id;
}

void AffectedWindow::watchWorkspace() {
    if (!showingChanges_.empty()) return;
    auto& center = platform::Workspace::shared().notificationCenter();
    for (const std::string& name : {platform::workspace_notifications::kActiveSpaceDidChange,
                                    platform::workspace_notifications::kDidActivateApplication}) {
        showingChanges_.push_back(center.addObserver(name, nullptr, [weak = weak_from_this()](const auto&) {
            const auto self = weak.lock();
            if (!self) return;
            self->runThroughEngine(
                [](AffectedWindow& window) { return window.returnToLiveCopy(WhenFocused::stayEngaged); });
        }));
    }
}

Task<std::optional<Rect>> AffectedWindow::waitForSettledBounds() {
    const auto self = shared_from_this();
    platform::MainLoop& loop = platform::MainLoop::main();
    const double deadline = loop.now() + kSettledBoundsLimit;
    for (;;) {
        const auto onScreen = WindowServer::onScreenBounds(target_.id);
        if (!onScreen) co_return std::nullopt;
        const auto measured = privateBounds(target_.id);
        if (!measured || boundsAgree(*onScreen, *measured)) co_return onScreen;
        if (loop.now() >= deadline || engineIsEnding()) co_return onScreen;
        auto sleeping = platform::sleepFor(kSettledBoundsPoll);
        const bool slept = co_await sleeping;
        // A cancelled task ends the wait with what it has: its sleeps would end at once
        // from now on, and the loop would never rest.
        if (!slept) co_return onScreen;
    }
}

void AffectedWindow::receiveLiveFrame(const LiveCapture::Frame& frame) {
    std::optional<Rect> bounds = frame.bounds;
    if (!bounds) {
        if (!windowStillExists()) {
            // Gone: no frame will come again, and the engine drops the window.
            if (capture_) capture_->stop();
            askEngineToForget();
            return;
        }
        bounds = WindowServer::onScreenBounds(target_.id);
    }
    if (bounds && !(*bounds == windowFrame_) && panel_) {
        windowFrame_ = *bounds;
        panel_->placeAt(windowFrame_);
    }
    if (frame.image) {
        image_ = frame.image;
        framing_.reset();
        if (panel_) {
            panel_->canvas().setImage(image_);
            panel_->canvas().setLook(look_);
        }
    }
}

}  // namespace furlpane
