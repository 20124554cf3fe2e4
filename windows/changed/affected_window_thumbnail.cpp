// A thumbnail moving to its place in the arrangement, a title strip kept within reach
// when its screen goes, stand-ins hidden and shown with their application, dropped by the user, and magnified under the pointer with the hover title
// beside it; and a live copy's drop, which the real window follows.
//
// Frames are compared before anything changes, so that an unchanged layout and frame
// cause no redraw and no animation. While a transition runs, the pointer hovers or the
// thumbnail grows or shrinks, a new place is only recorded: the thumbnail goes there
// once the shrinking back ends.

#include "platform/accessibility/value.h"
#include "platform/appkit/animation.h"
#include "platform/events/input_state.h"
#include "windows/access/accessibility_elements.h"
#include "windows/access/main_thread.h"
#include "windows/access/screens.h"
#include "windows/changed/affected_window.h"

namespace furlpane {

using platform::Rect;

namespace {

constexpr double kMoveDuration = 0.2;
constexpr double kHoverDuration = 0.12;

// Ends the hold on the view's hover that a growth or shrink took, and looks again
// whether the pointer is over the panel: one that left meanwhile shrinks it back.
void releaseHoverHold(StandInPanel& panel) {
    StandInView& view = panel.canvas();
    if (!view.isHoverHeld()) return;
    view.setHoverHeld(false);
    if (!panel.isVisible()) return;
    view.setHovered(flipRect(panel.frame()).contains(platform::InputState::mouseLocation()));
}

// Animates the panel to a top-left frame, then runs `then`.
void animatePanel(StandInPanel& panel, const Rect& topLeft, double duration, std::function<void()> then) {
    platform::AnimationContext::runAnimationGroup(
        [&panel, frame = flipRect(topLeft), duration](platform::AnimationContext& context) {
            panel.animateFrame(context, frame, duration);
        },
        std::move(then));
}

}  // namespace

void AffectedWindow::moveThumbnail(std::optional<ThumbnailArrangement::Place> place) {
    requireMainThread("AffectedWindow.moveThumbnail");
    if (standIn_ != StandIn::thumbnail || !panel_) return;
    place_ = place;
    if (transition_ || isHovered_ || isGrowingOrShrinking_) return;
    const ThumbnailLayout layout = layOutThumbnail(ThumbnailHover::resting);
    const Rect current = flipRect(panel_->frame());
    Rect target(current.origin, layout.size);
    if (place) {
        target = place->frameFor(layout.size);
    } else if (const auto usable = usableFrameForRect(current)) {
        target = clampRect(target, *usable);
    }
    if (thumbnail_ != layout) {
        applyThumbnailLayout(target, layout);
    } else if (!place) {
        // Left where the user put it: moved only when no screen shows it any more.
        if (!meetsAnyScreen(current)) panel_->placeAt(target);
    } else if (target == current) {
        return;
    } else if (panel_->isVisible()) {
        std::weak_ptr<StandInPanel> weak = panel_;
        animatePanel(*panel_, target, kMoveDuration, [weak] {
            if (const auto panel = weak.lock()) panel->refreshShadow();
        });
    } else {
        panel_->placeAt(target);
    }
}

// No arrangement moves a title strip: the user put it where it is.
void AffectedWindow::keepTitleStripOnScreen() {
    requireMainThread("AffectedWindow.keepTitleStripOnScreen");
    if (standIn_ != StandIn::titleStrip || !panel_) return;
    const Rect current = flipRect(panel_->frame());
    if (meetsAnyScreen(current)) return;
    if (const auto usable = usableFrameForRect(current)) panel_->placeAt(clampRect(current, *usable));
}

void AffectedWindow::applyThumbnailLayout(const Rect& frame, const ThumbnailLayout& layout) {
    if (!panel_ || !image_) return;
    thumbnail_ = layout;
    look_ = StandInLook::thumbnail(layout);
    panel_->canvas().setImage(image_);
    panel_->canvas().setLook(look_);
    panel_->placeAt(frame);
}

void AffectedWindow::setStandInHidden(Visibility visibility) {
    requireMainThread("AffectedWindow.setStandInHidden");
    const bool hiding = visibility == Visibility::hidden;
    if (!isEngaged_) {
        if (!panel_) return;
        if (hiding) hideHoverTitle();
        panel_->setHidden(hiding);
    } else if (hiding) {
        putBadgeAway();
    } else if (showingChanges_.empty()) {
        makeBadgePanel();
    } else {
        // The window was away: where it stands now decides which face it shows.
        runThroughEngine([](AffectedWindow& window) { return window.returnToLiveCopy(WhenFocused::stayEngaged); });
    }
}

void AffectedWindow::hideHoverTitle() {
    if (!hoverTitle_) return;
    if (platform::Window* parent = hoverTitle_->parentWindow()) parent->removeChildWindow(hoverTitle_.get());
    hoverTitle_->orderOut();
}

void AffectedWindow::endDrag(StandInPanel& panel) {
    requireMainThread("AffectedWindow.endDrag");
    if (standIn_ == StandIn::thumbnail) {
        place_.reset();
        const auto engine = effects();
        if (engine) engine->thumbnailWasMoved(shared_from_this(), flipRect(panel.frame()).origin);
        return;
    }
    if (standIn_ != StandIn::liveCopy) return;
    const auto engine = effects();
    if (!engine || !engine->isBusy(target_.processIdentifier)) {
        moveWindowToPanel(panel, capture_ && capture_->isRunning() ? CaptureRestart::yes : CaptureRestart::no);
        return;
    }
    // Its application is busy: the window moves once, when it has settled, however
    // many drops come meanwhile.
    if (capture_) capture_->stop();
    capture_.reset();
    if (isMoveWaiting_) return;
    isMoveWaiting_ = true;
    // The flag ends with the wait however the wait ends, also when the engine is gone
    // before it begins or the wait is given up: a drop after it must move the window.
    const auto waiting = std::shared_ptr<void>(nullptr, [weak = weak_from_this()](void*) {
        if (const auto self = weak.lock()) self->isMoveWaiting_ = false;
    });
    platform::spawnMain([weak = weak_from_this(), waiting] {
        return whenSettled(weak, [](AffectedWindow& window) {
            window.isMoveWaiting_ = false;
            if (window.standIn_ != StandIn::liveCopy || !window.panel_ || window.engineIsEnding()) return;
            window.moveWindowToPanel(*window.panel_, window.isEngaged_ ? CaptureRestart::no : CaptureRestart::yes);
        });
    });
}

void AffectedWindow::moveWindowToPanel(StandInPanel& panel, CaptureRestart restart) {
    requireMainThread("AffectedWindow.moveWindowToPanel");
    if (capture_) capture_->stop();
    capture_.reset();
    const platform::Point topLeft = flipRect(panel.frame()).origin;
    if (!isOwnWindow()) {
        target_.element.setAttributeValue(ax::attribute::position, platform::AccessibilityValue(topLeft));
    } else if (const auto window = ownWindow(target_.id)) {
        setOwnWindowTopLeft(*window, topLeft);
    }
    windowFrame_.origin = topLeft;
    if (restart == CaptureRestart::yes) startLiveCapture();
}

void AffectedWindow::hoverChanged(bool hovered) {
    requireMainThread("AffectedWindow.hoverChanged");
    if (standIn_ != StandIn::thumbnail || !thumbnail_ || !panel_) return;
    isHovered_ = hovered;
    const ThumbnailHover hover = hovered ? ThumbnailHover::hovered : ThumbnailHover::resting;
    const ThumbnailLayout layout = preferences_->magnifiesThumbnails() ? layOutThumbnail(hover) : *thumbnail_;
    const Rect current = flipRect(panel_->frame());
    Rect target = place_ ? place_->frameFor(layout.size) : Rect(current.origin, layout.size);
    if (const auto usable = usableFrameAtPoint(current.mid())) target = clampRect(target, *usable);
    const bool changes = layout != *thumbnail_;
    showHoverTitle(hover, changes ? std::optional(target) : std::nullopt);
    if (changes && image_) growOrShrink(hover, target, layout);
}

void AffectedWindow::showHoverTitle(ThumbnailHover hover, std::optional<Rect> frame) {
    if (hover == ThumbnailHover::resting) {
        hideHoverTitle();
        return;
    }
    const auto title = text(preferences_->hoverTitle(), windowTitleNow(), target_.applicationName);
    if (!title) return;
    if (!hoverTitle_) hoverTitle_ = HoverTitlePanel::create();
    hoverTitle_->label().setStringValue(*title);
    hoverTitle_->show(*panel_, frame);
}

void AffectedWindow::growOrShrink(ThumbnailHover hover, const Rect& frame, const ThumbnailLayout& layout) {
    // The picture alone fills the panel while it changes size; the icon's overhang comes
    // back with the layout at the end.
    const Rect current = flipRect(panel_->frame());
    look_ = StandInLook::whole();
    panel_->canvas().setImage(image_);
    panel_->canvas().setLook(look_);
    panel_->placeAt(Rect(current.origin, thumbnail_->imageFrame.size));
    thumbnail_ = layout;
    isGrowingOrShrinking_ = true;
    panel_->canvas().setHoverHeld(true);
    // The panel keeps its animation, and with it this completion: both are held weakly.
    animatePanel(*panel_, Rect(frame.origin, layout.imageFrame.size), kHoverDuration,
                 [weak = weak_from_this(), weakPanel = std::weak_ptr<StandInPanel>(panel_), hover, frame, layout] {
                     const auto panel = weakPanel.lock();
                     if (!panel) return;
                     if (const auto self = weak.lock()) {
                         self->finishGrowOrShrink(panel, hover, frame, layout);
                     } else {
                         releaseHoverHold(*panel);
                     }
                 });
}

void AffectedWindow::finishGrowOrShrink(std::shared_ptr<StandInPanel> panel, ThumbnailHover hover, Rect,
                                        ThumbnailLayout layout) {
    const bool hovered = hover == ThumbnailHover::hovered;
    // Something newer (another hover, another layout, the stand-in gone) takes over
    // from here.
    if (isHovered_ == hovered && thumbnail_ == layout && image_) {
        isGrowingOrShrinking_ = false;
        look_ = StandInLook::thumbnail(layout);
        panel->canvas().setImage(image_);
        panel->canvas().setLook(look_);
        panel->placeAt(Rect(flipRect(panel->frame()).origin, layout.size));
        if (!hovered) {
            moveThumbnail(place_);
        } else if (hoverTitle_ && hoverTitle_->isVisible()) {
            hoverTitle_->show(*panel);
        }
    }
    releaseHoverHold(*panel);
}

std::string AffectedWindow::windowTitleNow() const {
    const auto engine = effects();
    if (engine && engine->isBusy(target_.processIdentifier)) return target_.title;
    return stringAttribute(ax::attribute::title, target_.element).value_or(target_.title);
}

}  // namespace furlpane
