// Putting a window back at once as the program quits, and the live copy of a floating
// window: its first picture, its panel and its continuous capture.
//
// restore answers whether the window was taken out of the Dock, and forgets its ledger
// entry only then: the engine waits at quit for the windows that came out, and a window
// that stayed in the Dock keeps its entry for the next launch to put it back.

#include "platform/services/workspace.h"
#include "platform/windowserver/screen_capture_access.h"
#include "windows/access/accessibility_elements.h"
#include "windows/access/asking_again.h"
#include "windows/access/main_thread.h"
#include "windows/access/permissions.h"
#include "windows/changed/affected_window.h"

namespace furlpane {

using platform::Image;
using platform::Task;

bool AffectedWindow::restore(const std::function<bool()>& untilAnswering) {
    requireMainThread("AffectedWindow.restore");
    if (state_.style) postWillChange(state_.style, std::nullopt);
    tearDownCompanions();
    bool tookOut = false;
    // A window whose way out of the Dock has not been answered may still be there. The
    // application may be busy with a trip that another instance of the program started.
    if ((change_ == Change::minimized || isLeavingDock_) && !isOwnWindow()) {
        const auto written = askWhenAnswering([this] { return takeOutOfDock(); }, untilAnswering);
        tookOut = written.error == platform::AccessibilityError::success;
        if (tookOut) ledger_->forget(target_.id);
    }
    change_ = Change::none;
    isLeavingDock_ = false;
    dismissStandIn();
    stopObserving();
    state_ = WindowState{};
    return tookOut;
}

Answer AffectedWindow::takeOutOfDock() const { return bringOutOfDock(target_.element, moveOutOfDock(homeFrame())); }

Task<bool> AffectedWindow::refreshPicture() {
    const auto self = shared_from_this();
    if (!platform::ScreenCaptureAccess::preflight()) {
        requestScreenRecordingUnlessPrompted();
        co_return false;
    }
    auto capturing = LiveCapture::captureOnce(target_.id, LiveCapture::Resolution::display);
    const auto frame = co_await capturing;
    std::optional<Image> picture;
    if (frame && frame->image && frame->bounds) {
        image_ = frame->image;
        framing_.reset();
        windowFrame_ = *frame->bounds;
        picture = image_;
    }
    co_return showOrRelayoutStandIn(std::move(picture));
}

bool AffectedWindow::showOrRelayoutStandIn(std::optional<Image> image) {
    requireMainThread("AffectedWindow.showOrRelayoutStandIn");
    if (!image || engineIsEnding()) return false;
    // While its application is busy the title bar may still change: the badge is placed
    // once it has settled.
    const auto engine = effects();
    if (engine && engine->isBusy(target_.processIdentifier)) {
        refreshBadgeTask();
    } else {
        updateFloatBadge();
    }
    // A stand-in left over from a style (one whose window never went into the Dock)
    // gives way to the live copy rather than staying on screen unowned.
    if (panel_) dismissStandIn();
    auto panel = makeStandInPanel();
    panel->placeAt(windowFrame_);
    StandInView& view = panel->canvas();
    view.setDragBandHeight(target_.titleBar.height);
    view.setFloatBadge(badge_);
    look_ = StandInLook::whole();
    view.setImage(std::move(image));
    view.setLook(look_);
    panel->setLevel(platform::window_levels::floating);
    panel->orderFront();
    panel_ = std::move(panel);
    standIn_ = StandIn::liveCopy;
    startLiveCapture();
    return true;
}

void AffectedWindow::startLiveCapture() {
    std::weak_ptr<AffectedWindow> weak = weak_from_this();
    auto capture = LiveCapture::create(
        target_.id, LiveCapture::Resolution::display, LiveCapture::kInterval,
        [weak](const LiveCapture::Frame& frame) {
            if (const auto self = weak.lock()) self->receiveLiveFrame(frame);
        },
        WindowServer::captureQueue(), &LiveCapture::takeFrame);
    capture->start();
    capture_ = std::move(capture);
}

Task<void> AffectedWindow::refreshBadgeWhenSettled() {
    const auto self = shared_from_this();
    if (standIn_ != StandIn::liveCopy) co_return;
    auto settling = untilSettled();
    co_await settling;
    if (standIn_ == StandIn::liveCopy && !engineIsEnding()) updateFloatBadge();
}

void AffectedWindow::refreshBadgeTask() {
    runThroughEngine([](AffectedWindow& window) { return window.refreshBadgeWhenSettled(); });
}

void AffectedWindow::removeWorkspaceObservers() {
    auto& center = platform::Workspace::shared().notificationCenter();
    for (const auto& token : showingChanges_) center.removeObserver(token);
    showingChanges_.clear();
}

}  // namespace furlpane
