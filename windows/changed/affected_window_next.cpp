// Operations of the changed window that are still to be built: the engine's entries and
// the pictures of the way back, restore and the picture refresh, floating's two faces,
// and the thumbnails' movement and hover. Each is built next, in a file of its own name;
// until then each does nothing. (The capture body and the Dock trip's hand-off and
// completion, which the road of a change needs, are built with it.)

#include "windows/changed/affected_window.h"

namespace furlpane {

using platform::Task;

// ---- The engine's entries and Dock trips (built next)
Task<bool> AffectedWindow::switchWithoutStandIn(WindowState, Speed) { co_return false; }
Task<WindowState> AffectedWindow::switchWithStandIn(std::optional<platform::Point>) { co_return state_; }
Task<WindowState> AffectedWindow::returnFromDock(TripPanel) { co_return state_; }
Task<std::optional<AffectedWindow::WayBack>> AffectedWindow::captureDockPictures() { co_return std::nullopt; }

// ---- Restore and the picture refresh (built next)
bool AffectedWindow::restore() { return false; }
Task<bool> AffectedWindow::refreshPicture() { co_return false; }
bool AffectedWindow::showOrRelayoutStandIn(std::optional<platform::Image>) { return false; }
void AffectedWindow::startLiveCapture() {}
Task<void> AffectedWindow::refreshBadgeWhenSettled() { co_return; }
void AffectedWindow::refreshBadgeTask() {}
void AffectedWindow::removeWorkspaceObservers() {}

// ---- Floating (built next)
void AffectedWindow::engage() {}
Task<void> AffectedWindow::returnToLiveCopy(WhenFocused) { co_return; }
Task<std::optional<platform::Rect>> AffectedWindow::waitForSettledBounds() { co_return std::nullopt; }
void AffectedWindow::watchWorkspace() {}
bool AffectedWindow::isWindowFocused() const { return false; }
void AffectedWindow::makeBadgePanel() {}
void AffectedWindow::receiveLiveFrame(const LiveCapture::Frame&) {}
Task<void> AffectedWindow::handleAccessibilityNotification(std::string) { co_return; }
void AffectedWindow::remeasureBadgeSoon() {}

// ---- Thumbnails and the stand-in's reports (built next)
void AffectedWindow::moveThumbnail(std::optional<ThumbnailArrangement::Place>) {}
void AffectedWindow::applyThumbnailLayout(const platform::Rect&, const ThumbnailLayout&) {}
void AffectedWindow::setStandInHidden(Visibility) {}
void AffectedWindow::endDrag(StandInPanel&) {}
void AffectedWindow::moveWindowToPanel(StandInPanel&, CaptureRestart) {}
void AffectedWindow::hoverChanged(bool) {}
void AffectedWindow::finishGrowOrShrink(std::shared_ptr<StandInPanel>, ThumbnailHover, platform::Rect,
                                        ThumbnailLayout) {}
std::string AffectedWindow::windowTitleNow() const { return target_.title; }

}  // namespace furlpane
