// The engine's entries for a change made to several windows of one application, one
// after the other: each window's state is changed without a stand-in and a departure
// kept while the group's windows go into the Dock; then each stand-in is brought in,
// from the trip the engine made for it or captured afresh. And the pictures of a way
// back out of the Dock.
//
// isOneOfMany and the speed stay set from the first entry until the window's stand-in
// is brought in (or the change turns out to record no departure), so that the group's
// transitions play together.

#include <cmath>

#include "platform/runtime/off_main.h"
#include "platform/windowserver/screen_capture_access.h"
#include "transitions/driver/stand_in_transition.h"
#include "transitions/transition_picture.h"
#include "transitions/transition_renderer.h"
#include "windows/access/main_thread.h"
#include "windows/changed/affected_window.h"

namespace furlpane {

using platform::Rect;
using platform::Task;

namespace {

using Departure = AffectedWindow::Departure;

// A departure taken off the window (none when it had none), with whether the trip's
// panel became its stand-in.
struct TakenDeparture {
    Departure departure;
    bool tripShown = false;
};

// Takes the window's departure, clearing it; a trip the engine attached is kept as the
// stand-in or discarded.
std::optional<TakenDeparture> takeDeparture(AffectedWindow& window, AffectedWindow::TripPanel keep) {
    std::optional<Departure> departure = window.departure();
    if (!departure) return std::nullopt;
    window.setDeparture(std::nullopt);
    TakenDeparture taken{*departure, false};
    if (departure->trip) taken.tripShown = window.showStandInPanel(*departure->trip, keep);
    return taken;
}

AffectedWindow::StandIn standInOf(WindowState::Style style) {
    return style == WindowState::Style::minimizedInPlace ? AffectedWindow::StandIn::thumbnail
                                                         : AffectedWindow::StandIn::titleStrip;
}

// Pixels of a side of `points` at a scale, rounded half away from zero; none outside
// what a picture may have (1 ... 16384), not-a-number included.
std::optional<int> pixelSide(double points, double scale) {
    const double pixels = platform::rounded(points * scale);
    if (!(pixels >= 1 && pixels <= 16384)) return std::nullopt;
    return static_cast<int>(pixels);
}

}  // namespace

Task<bool> AffectedWindow::switchWithoutStandIn(WindowState to, Speed speed) {
    const auto self = shared_from_this();
    if (to == state_) co_return false;
    auto settling = untilSettled();
    co_await settling;
    if (engineIsEnding()) co_return false;
    isOneOfMany_ = true;
    speed_ = speed;
    auto changing = changeState(to, Raising::inPlace);
    const bool changed = co_await changing;
    if (changed && to.style) {
        auto settlingAgain = untilSettled();
        co_await settlingAgain;
        departure_ = Departure{to, standInOf(*to.style), std::nullopt, std::nullopt};
        co_return true;
    }
    auto floating = setFloating(to, Raising::inPlace);
    co_await floating;
    isOneOfMany_ = false;
    speed_ = Speed::normal;
    co_return false;
}

Task<WindowState> AffectedWindow::returnFromDock(TripPanel keep) {
    const auto self = shared_from_this();
    const auto taken = takeDeparture(*this, keep);
    if (!taken) co_return state_;
    const WindowState goal = taken->departure.state;
    if (taken->tripShown && goal.style) state_.style = goal.style;
    auto floating = setFloating(goal, Raising::inPlace);
    const WindowState reached = co_await floating;
    isOneOfMany_ = false;
    speed_ = Speed::normal;
    co_return reached;
}

Task<WindowState> AffectedWindow::switchWithStandIn(std::optional<platform::Point> placement) {
    const auto self = shared_from_this();
    const auto taken = takeDeparture(*this, TripPanel::discard);
    if (!taken) co_return state_;
    const Departure& departure = taken->departure;
    auto settling = untilSettled();
    co_await settling;
    if (!engineIsEnding()) {
        auto capturing = capturePicture(departure.kind, {});
        const auto pictures = co_await capturing;
        const auto trip = pictures ? presentStandIn(departure.kind, *pictures, placement, {}) : std::nullopt;
        bool shown = false;
        if (trip) {
            auto running = runStandInTransitionWhenAnswering(*trip);
            shown = co_await running;
        }
        if (shown && departure.state.style) state_.style = departure.state.style;
        // Only the stand-ins of windows that went into the Dock together are put at their
        // levels by the group; one that made its own trip would stay at the overlays'.
        if (shown) settleLevelWhenIdle();
    }
    auto floating = setFloating(departure.state, Raising::inPlace);
    const WindowState reached = co_await floating;
    isOneOfMany_ = false;
    speed_ = Speed::normal;
    co_return reached;
}

void AffectedWindow::settleLevelWhenIdle() {
    auto settle = [weak = weak_from_this(), panel = std::weak_ptr<StandInPanel>(panel_)] {
        const auto self = weak.lock();
        if (self && self->panel_ && self->panel_ == panel.lock()) self->updatePanelLevel();
    };
    if (StandInTransition::running().empty()) {
        settle();
    } else {
        StandInTransition::addIdleWaiter(std::move(settle));
    }
}

Task<std::optional<AffectedWindow::WayBack>> AffectedWindow::captureDockPictures() {
    const auto self = shared_from_this();
    requireMainThread("AffectedWindow.captureDockPictures");
    // Nothing is asked of the user here: without Screen Recording the window comes back
    // without a transition of its own.
    if (!preferences_->concealsMinimizeAnimation() || isIconThumbnail_ || !platform::ScreenCaptureAccess::preflight())
        co_return std::nullopt;
    const auto renderer = TransitionRenderer::shared();
    if (!panel_ || !image_ || !renderer) co_return std::nullopt;
    auto display = StandInTransition::surveyDisplay(homeFrame());
    if (!display) co_return std::nullopt;
    std::set<uint32_t> leftOut = StandInTransition::excludedWindowNumbers();
    if (panel_->windowNumber() > 0) leftOut.insert(panel_->windowNumber());
    if (hoverTitle_ && hoverTitle_->windowNumber() > 0) leftOut.insert(hoverTitle_->windowNumber());
    const auto width = pixelSide(windowFrame_.width(), display->scale);
    const auto height = pixelSide(windowFrame_.height(), display->scale);
    if (!width || !height) co_return std::nullopt;
    std::function<std::optional<TransitionMakings>()> work =
        [renderer, picture = *image_, framing = framing_, w = *width, h = *height,
         backdrop = belowMenuBar(display->frame, display->visible), leftOut, elsewhere = display->elsewhere] {
            return makeDockMakings(renderer, picture, framing, w, h, backdrop, leftOut, elsewhere);
        };
    auto made = co_await platform::offMain<std::optional<TransitionMakings>>(WindowServer::captureQueue(),
                                                                              kCaptureLimit, work);
    if (!made || !*made) co_return std::nullopt;
    co_return WayBack{std::move(**made), std::move(*display)};
}

std::optional<TransitionMakings> AffectedWindow::makeDockMakings(std::shared_ptr<TransitionRenderer> renderer,
                                                                 platform::Image window,
                                                                 std::optional<WindowFraming> framing, int width,
                                                                 int height, Rect backdrop, std::set<uint32_t> leftOut,
                                                                 std::vector<Rect> elsewhere) {
    auto picture = makeIconPicture(*renderer, window, framing, width, height);
    if (!picture) return std::nullopt;
    return makingsAround(std::move(*picture), backdrop, leftOut, elsewhere);
}

std::optional<TransitionMakings> AffectedWindow::makingsAround(TransitionPicture picture, const Rect& backdrop,
                                                               const std::set<uint32_t>& leftOut,
                                                               const std::vector<Rect>& elsewhere) {
    auto behind = WindowServer::captureBackdrop(leftOut, backdrop);
    if (!behind) return std::nullopt;
    auto others = StandInTransition::backdropPicture(elsewhere, leftOut);
    return TransitionMakings{std::move(picture), {backdrop, std::move(*behind)}, std::move(others)};
}

}  // namespace furlpane
