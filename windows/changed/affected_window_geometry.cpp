// Where the real window belongs when it comes back, the stand-in panel's level, and the
// stand-in as a transition sees it.

#include "windows/access/main_thread.h"
#include "windows/access/screens.h"
#include "windows/changed/affected_window.h"

namespace furlpane {

using platform::Rect;
namespace levels = platform::window_levels;

namespace {

// The window's frame moved by as much as its display moved since the picture was taken;
// none when the display is gone or the moved frame no longer meets it.
std::optional<Rect> followDisplay(const Rect& frame, const AffectedWindow::DockedFrom& from) {
    for (const ScreenDisplay& screen : screenFramesWithDisplays()) {
        if (screen.display != from.display) continue;
        const Rect moved =
            frame.offsetBy(screen.frame.minX() - from.origin.x, screen.frame.minY() - from.origin.y);
        if (moved.intersects(screen.frame)) return moved;
        return std::nullopt;
    }
    return std::nullopt;
}

// Differing in x or y; a coordinate that is not a number differs from everything.
bool movedFrom(const Rect& home, const Rect& frame) {
    return !(home.minX() == frame.minX()) || !(home.minY() == frame.minY());
}

}  // namespace

// Every road back from the Dock (a restore, Restore All, the put-back at quit, the way
// out after waiting for an application that another instance keeps busy) lands the
// window here: where it belongs, brought within the first screen, as the system keeps a
// window whose display went, when no screen shows it there.
Rect AffectedWindow::homeFrame() const {
    requireMainThread("AffectedWindow.homeFrame");
    const Rect home = belongingFrame();
    return frameOnConnectedScreen(home).value_or(home);
}

Rect AffectedWindow::belongingFrame() const {
    if (standIn_ == StandIn::titleStrip && panel_) {
        // The window comes back wherever its strip was dragged.
        return Rect(flipRect(panel_->frame()).origin, windowFrame_.size);
    }
    if (standIn_ != StandIn::thumbnail) return windowFrame_;
    if (dockedFrom_) {
        if (const auto moved = followDisplay(windowFrame_, *dockedFrom_)) return *moved;
    } else if (!panel_ || meetsAnyScreen(windowFrame_)) {
        return windowFrame_;
    }
    if (!panel_) return windowFrame_;
    // Its screen is gone or has moved away: the window comes back at its thumbnail, inside
    // the usable part of that screen.
    const Rect thumbnail = flipRect(panel_->frame());
    const auto usable = usableFrameAtPoint(thumbnail.mid());
    if (!usable) return windowFrame_;
    return clampRect(Rect(thumbnail.origin, windowFrame_.size), *usable);
}

std::optional<platform::Point> AffectedWindow::moveOutOfDock(const Rect& home) const {
    const Rect landing = frameOnConnectedScreen(home).value_or(home);
    if (movedFrom(landing, windowFrame_)) return landing.origin;
    return std::nullopt;
}

void AffectedWindow::updatePanelLevel() {
    if (!panel_) return;
    switch (standIn_) {
        case StandIn::none: break;
        case StandIn::titleStrip:
            panel_->setLevel(state_.isFloating ? levels::floating : levels::normal);
            panel_->canvas().setFloatBadge(state_.isFloating ? std::optional(badge_) : std::nullopt);
            break;
        case StandIn::thumbnail:
            panel_->setLevel(preferences_->thumbnailsFloat() ? levels::floating : levels::normal);
            break;
        case StandIn::liveCopy: panel_->setLevel(levels::floating); break;
    }
}

std::optional<StandInShape> AffectedWindow::standInShape(const StandInPanel& panel, StandIn kind) const {
    if (kind != StandIn::titleStrip && kind != StandIn::thumbnail) return std::nullopt;
    const Rect frame = flipRect(panel.frame());
    StandInShape shape{.frame = frame,
                       .opacity = panel.alphaValue(),
                       .isDark = panel.effectiveAppearance() == platform::Appearance::dark};
    if (kind == StandIn::titleStrip) {
        shape.cornerRadius = 8;
        shape.isTitleStrip = true;
        return shape;
    }
    const auto& layout = look_.layout();
    if (look_.kind() != StandInLook::Kind::thumbnail || !layout) return shape;
    shape.frame = layout->imageFrame.offsetBy(frame.minX(), frame.minY());
    if (layout->iconFrame && panel.canvas().applicationIcon())
        shape.icon = layout->iconFrame->offsetBy(frame.minX(), frame.minY());
    shape.cornerRadius = 4;
    return shape;
}

}  // namespace furlpane
