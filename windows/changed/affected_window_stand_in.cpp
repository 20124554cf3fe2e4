// The stand-in: its panel built and framed over the window, its transition prepared,
// the real window sent into the Dock with the stand-in taking its place, and the
// stand-in taken away again.

#include "platform/appkit/layer.h"
#include "platform/services/workspace.h"
#include "transitions/driver/stand_in_transition.h"
#include "transitions/transition_picture.h"
#include "windows/access/asking_again.h"
#include "windows/access/main_thread.h"
#include "windows/access/screens.h"
#include "windows/access/spaces.h"
#include "windows/changed/affected_window.h"

namespace furlpane {

using platform::Point;
using platform::Rect;
using platform::Size;
using platform::Task;

namespace {

void showPicture(StandInView& view, const platform::Image& picture, const StandInLook& look) {
    view.setImage(picture);
    view.setLook(look);
    view.setNeedsDisplay(true);
    view.setNeedsLayout(true);
}

Point roundedPoint(Point p) { return {platform::rounded(p.x), platform::rounded(p.y)}; }

// A transition that will not play: it ends at once, calling nobody.
void cutShort(const std::shared_ptr<StandInTransition>& transition) {
    if (!transition || transition->isOver()) return;
    transition->setIsOver(true);
    transition->setHandOff(nullptr);
    transition->setCompletion(nullptr);
    transition->finish(StandInTransition::Completion::cutShort);
}

}  // namespace

std::optional<platform::Image> AffectedWindow::inSRGB(const platform::Image& picture) {
    const auto sRGB = platform::ColorSpace::sRGB();
    if (picture.colorSpace() == sRGB) return picture;
    auto context = bitmapContext(picture, sRGB);
    return context ? std::optional(context->makeImage()) : std::nullopt;
}

std::shared_ptr<StandInPanel> AffectedWindow::makeStandInPanel() {
    requireMainThread("AffectedWindow.makeStandInPanel");
    auto panel = StandInPanel::create(windowFrame_, StandInPanel::MissionControl::managed);
    // Window lists name a stand-in after the window it stands for.
    panel->setTitle(target_.title);
    panel->setStandInDelegate(responder_);
    panel->canvas().setApplicationIcon(ownerIcon());
    panel->canvas().resetIconBitmap();
    panel->canvas().setNeedsLayout(true);
    return panel;
}

ThumbnailLayout AffectedWindow::layOutThumbnail(ThumbnailHover hover) const {
    double scale = preferences_->thumbnailScale();
    if (hover == ThumbnailHover::hovered) scale = std::max(scale, preferences_->effectiveMagnification());
    const Size picture = isIconThumbnail_ ? Size{1, 1} : windowFrame_.size;
    const bool showsIcon = preferences_->showsApplicationIcon() && !isIconThumbnail_;
    return ThumbnailLayout::compute(picture, ThumbnailLayout::side(scale),
                                    showsIcon ? std::optional(preferences_->applicationIconSize()) : std::nullopt);
}

Point AffectedWindow::thumbnailOrigin(Size size, std::optional<Point> placement) const {
    const auto engine = effects();
    const auto remembered = engine ? engine->rememberedThumbnailOrigin(target_.id) : std::nullopt;
    Point origin;
    if (remembered) {
        origin = roundedPoint(*remembered);
    } else if (!placement) {
        origin = roundedPoint(windowFrame_.origin);
    } else {
        origin = roundedPoint({placement->x - kPlacementOffset, placement->y - kPlacementOffset});
    }
    const Rect thumbnail(origin, size);
    const auto usable = usableFrameForRect(remembered ? thumbnail : windowFrame_);
    return usable ? clampRect(thumbnail, *usable).origin : origin;
}

std::optional<AffectedWindow::DockTrip> AffectedWindow::presentStandIn(StandIn kind, const DockPictures& pictures,
                                                                       std::optional<Point> placement,
                                                                       std::vector<Rect> pending) {
    requireMainThread("AffectedWindow.presentStandIn");
    // A stand-in joins the Space the user looks at. Once he has left the window's Space
    // (between the request and its pictures) it would stand there, far from a window
    // that went into the Dock unseen, and he would come back to neither: the window is
    // left as it stands.
    if (isOnOtherSpace(target_.id)) return std::nullopt;
    auto panel = makeStandInPanel();
    panel->setCollectionBehavior(preferences_->standInsStayPut() ? StandInPanel::kStationaryBehavior
                                                                : StandInPanel::kManagedBehavior);
    if (kind == StandIn::titleStrip) {
        frameTitleStrip(*panel, pictures);
    } else if (kind == StandIn::thumbnail) {
        frameThumbnail(*panel, pictures, placement, pending);
    } else {
        panel->close();
        return std::nullopt;
    }
    if (auto trip = transitionTrip(kind, panel, pictures)) return trip;
    panel->orderWindow(platform::WindowOrderingMode::above, target_.id);
    panel->displayIfNeeded();
    platform::Transaction::flush();
    return DockTrip{kind, panel, nullptr, std::nullopt};
}

void AffectedWindow::frameTitleStrip(StandInPanel& panel, const DockPictures& pictures) {
    panel.canvas().setButtons(target_.buttons);
    look_ = StandInLook::titleBar();
    showPicture(panel.canvas(), pictures.picture, look_);
    panel.placeAt(Rect(pictures.frame.origin, {pictures.frame.width(), target_.titleBar.height}));
}

void AffectedWindow::frameThumbnail(StandInPanel& panel, const DockPictures& pictures, std::optional<Point> placement,
                                    const std::vector<Rect>& pending) {
    thumbnail_ = layOutThumbnail(ThumbnailHover::resting);
    look_ = StandInLook::thumbnail(*thumbnail_);
    showPicture(panel.canvas(), pictures.picture, look_);
    panel.canvas().setKeptOnScreenWhenDragged(StandInKeptOnScreen::whole);
    const auto engine = effects();
    place_ = engine ? engine->placeForNewThumbnail(pictures.frame, pending) : std::nullopt;
    const Size size = thumbnail_->size;
    panel.placeAt(place_ ? place_->frameFor(size) : Rect(thumbnailOrigin(size, placement), size));
    panel.setAlphaValue(preferences_->thumbnailOpacity());
}

std::optional<AffectedWindow::DockTrip> AffectedWindow::transitionTrip(StandIn kind,
                                                                       const std::shared_ptr<StandInPanel>& panel,
                                                                       const DockPictures& pictures) {
    if (!pictures.makings || !pictures.display) return std::nullopt;
    const auto shape = standInShape(*panel, kind);
    if (!shape || !StandInTransition::overlayArea(*shape, *pictures.display)) return std::nullopt;
    const TransitionChoice choice = chooseTransition(kind, PreviousPick::drawAgain);
    auto transition = StandInTransition::create({.frame = pictures.frame,
                                                 .windowNumber = target_.id,
                                                 .direction = TransitionDirection::minimizing,
                                                 .effect = choice.effect,
                                                 .makings = *pictures.makings,
                                                 .display = pictures.display,
                                                 .standIn = *shape,
                                                 .standInPicture = inSRGB(pictures.picture),
                                                 .titleBarHeight = target_.titleBar.height,
                                                 .dockTimeLimit = kDockTimeLimit,
                                                 .isOneOfMany = isOneOfMany_,
                                                 .speed = speed_});
    if (transition) return DockTrip{kind, panel, std::move(transition), choice.dealt};
    giveBackDealt(nullptr, choice.dealt);
    return std::nullopt;
}

bool AffectedWindow::runStandInTransition(const DockTrip& trip) {
    requireMainThread("AffectedWindow.runStandInTransition");
    const bool went = sendIntoDock().error == platform::AccessibilityError::success;
    return showStandInPanel(trip, went ? TripPanel::keep : TripPanel::discard);
}

// The application did not answer: another instance of the program has sent one of its
// windows on a trip, which this one does not count. The stand-in waits where it stands
// while the application is given the time to answer that ends a trip of this instance's
// own, and the window is asked once more, unless that trip took it into the Dock: it is
// the other instance's then.
Task<bool> AffectedWindow::runStandInTransitionWhenAnswering(DockTrip trip) {
    const auto self = shared_from_this();
    requireMainThread("AffectedWindow.runStandInTransition");
    auto sending = askWhenAnswering({.ask = [self] { return answeredAlready(self->sendIntoDock()); },
                                     .answers = applicationAnswers(),
                                     .stillWanted = [self] {
                                         return !self->engineIsEnding() && self->isMinimizedNow() != true;
                                     }});
    const Answer sent = co_await sending;
    const bool went = sent.error == platform::AccessibilityError::success;
    co_return showStandInPanel(trip, went ? TripPanel::keep : TripPanel::discard);
}

Answer AffectedWindow::sendIntoDock() {
    const auto engine = effects();
    if (engine && !isOneOfMany_) engine->refreshKnownTargets(target_.processIdentifier, {target_.id});
    const auto& target = target_;
    const Answer sent = timedRequest(target.element, [&target] { return target.minimize(); });
    if (sent.error == platform::AccessibilityError::success) {
        countDockTrip(DockTripDirection::miniaturizing);
    } else if (engine && !engine->isBusy(target_.processIdentifier)) {
        engine->forgetKnownTargets(target_.processIdentifier);
    }
    return sent;
}

void AffectedWindow::countDockTrip(DockTripDirection direction) {
    const auto engine = effects();
    if (!engine) return;
    engine->markBusy(target_.processIdentifier);
    platform::spawnMain([effects = effects_, window = target_.id, direction, speed = speed_,
                         pid = target_.processIdentifier] { return dockWaitTask(effects, window, direction, speed, pid); });
}

Task<void> AffectedWindow::dockWaitTask(std::weak_ptr<WindowEffectsServices> effects, uint32_t window,
                                        DockTripDirection direction, Speed speed, int32_t processIdentifier) {
    const auto engine = effects.lock();
    if (!engine) co_return;
    auto release = engine->releaseAfterDockTrip(window, direction, speed, processIdentifier);
    co_await release;
}

bool AffectedWindow::showStandInPanel(const DockTrip& trip, TripPanel keep) {
    requireMainThread("AffectedWindow.showStandInPanel");
    if (keep == TripPanel::discard) {
        cutShort(trip.transition);
        giveBackDealt(trip.transition, trip.dealt);
        trip.panel->close();
        thumbnail_.reset();
        place_.reset();
        return false;
    }
    panel_ = trip.panel;
    standIn_ = trip.kind;
    change_ = Change::minimized;
    if (!isOwnWindow()) ledger_->record({target_.id, target_.processIdentifier, LedgerEntry::Minimized{}});
    if (trip.transition && !trip.transition->isOver()) {
        wentWith_ = trip.dealt;
        transition_ = trip.transition;
        transition_->start();
        transition_->beginEnding(dockTripHandOff(panel_, transition_), dockTripCompletion(panel_, isOneOfMany_));
        return true;
    }
    if (WindowServer::onScreenBounds(target_.id)) {
        panel_->orderWindow(platform::WindowOrderingMode::above, target_.id);
    } else {
        panel_->orderFront();
    }
    panel_->displayIfNeeded();
    platform::Transaction::flush();
    wentWith_ = giveBackDealt(trip.transition, trip.dealt);
    updatePanelLevel();
    return true;
}

void AffectedWindow::dismissStandIn() {
    requireMainThread("AffectedWindow.dismissStandIn");
    cutShort(transition_);
    transition_.reset();
    wentWith_.reset();
    hideHoverTitle();
    if (panel_) panel_->close();
    panel_.reset();
    const StandIn old = std::exchange(standIn_, StandIn::none);
    thumbnail_.reset();
    place_.reset();
    isGrowingOrShrinking_ = false;
    if (old != StandIn::thumbnail) return;
    if (const auto engine = effects()) engine->scheduleArrangement(shared_from_this());
}

std::function<void()> AffectedWindow::dockTripHandOff(std::weak_ptr<StandInPanel> panel,
                                                      std::weak_ptr<StandInTransition> transition) {
    return [weak = weak_from_this(), panel, transition] {
        const auto self = weak.lock();
        const auto p = panel.lock();
        const auto t = transition.lock();
        if (!self || !p || !t || self->panel_ != p) return;
        const auto owner = platform::RunningApplication::withProcessIdentifier(self->target_.processIdentifier);
        if (owner && owner->isHidden()) return;
        p->setLevel(StandInTransition::overlayLevel());
        p->orderWindow(platform::WindowOrderingMode::above, t->overlay() ? t->overlay()->windowNumber() : 0);
        p->displayIfNeeded();
        platform::Transaction::flush();
    };
}

std::function<void()> AffectedWindow::dockTripCompletion(std::weak_ptr<StandInPanel> panel, bool wasOneOfMany) {
    return [weak = weak_from_this(), panel, wasOneOfMany] {
        const auto self = weak.lock();
        if (!self || !self->panel_ || self->panel_ != panel.lock()) return;
        self->transition_.reset();
        // One of a group: the engine puts the group's panels at their levels itself.
        if (!wasOneOfMany) self->settleLevelWhenIdle();
    };
}

}  // namespace furlpane
