// The way back: the real window comes out of the Dock to where it belongs, with the
// reverse transition over the stand-in when one can be made.
//
// The ledger entry that says the window sits in the Dock goes only once the window has
// been taken out: were it forgotten while "AXMinimized" = false was refused, the window
// would stay in the Dock with nothing left to put it back after a crash. A refused
// window also ends the transition made for its return, which would otherwise keep its
// first frame over the screen, and stays marked as in the Dock (left there, its stand-in
// gone), so that the engine announces it as it is and keeps it for the user to try again.

#include "platform/appkit/application.h"
#include "platform/appkit/screen.h"
#include "transitions/driver/stand_in_transition.h"
#include "windows/access/accessibility_elements.h"
#include "windows/access/asking_again.h"
#include "windows/access/main_thread.h"
#include "windows/changed/affected_window.h"
#include "windows/changed/focus_watcher.h"

namespace furlpane {

using platform::Point;
using platform::Rect;
using platform::Task;

namespace {

// Ends a transition that never started (its window did not come back).
void dropUnplayed(const std::shared_ptr<StandInTransition>& transition) {
    if (!transition || transition->startTime() || transition->isOver()) return;
    transition->setIsOver(true);
    transition->finish(StandInTransition::Completion::cutShort);
}

}  // namespace

// The way out of the Dock as the main thread keeps it while the accessibility queue asks
// the application: what to do once it answers, and the answer for applyState to await.
// The queue holds it only weakly, so that everything in it stays on the main thread.
// An application that did not answer is asked once more (askWayOut): only a refusal,
// or the last ask left unanswered, ends the transition.
struct AffectedWindow::WayOut {
    std::function<void()> success;
    // Sends the request, with the move to make first.
    std::function<void(std::optional<Point>)> ask;
    // Where the window goes; each ask keeps it on a screen that exists then.
    Rect home;
    std::shared_ptr<StandInTransition> transition;
    std::optional<Answer> written;
    int asks = 0;
    bool isLastTry = false;
    platform::ContinuationList answered;

    void answer(Answer result) {
        if (result.error == platform::AccessibilityError::success) {
            success();
        } else if (isLastTry || !result.isUnanswered) {
            dropUnplayed(transition);
        }
        written = result;
        answered.resumeAll();
    }

    bool isUnanswered() const { return written && written->isUnanswered; }
};

Task<bool> AffectedWindow::applyState(Raising raising) {
    const auto self = shared_from_this();
    auto capturing = captureDockPictures();
    const auto wayBack = co_await capturing;
    framing_.reset();
    if (engineIsEnding()) co_return true;
    const Rect home = homeFrame();
    change_ = Change::none;
    const auto recording = ledger_->recording(target_.id);
    const auto transition = wayBack ? returnTransition(*wayBack, home) : nullptr;
    if (transition) {
        dismissStandIn();
        transition->start();
        if (raising == Raising::inPlace) transition->refreshPicture(target_.id);
    }
    const auto engine = effects();
    if (engine && !isOneOfMany_) engine->refreshKnownTargets(target_.processIdentifier, {target_.id});
    std::shared_ptr<WayOut> wayOut;
    if (isOwnWindow()) {
        bringOwnWindowBack(moveOutOfDock(home), raising, transition, recording);
    } else {
        isLeavingDock_ = true;
        wayOut = wayOutOfDock(home, raising, transition, recording);
    }
    countDockTrip(DockTripDirection::deminiaturizing);
    if (!transition) dismissStandIn();
    if (!wayOut) co_return true;
    // The application may not answer because another instance of the program has sent
    // one of its windows on a trip: asked once more once it answers, unless the program
    // began to quit and put the window back meanwhile.
    auto asking = askWhenAnswering({.ask = [self, wayOut] { return self->askWayOut(wayOut); },
                                    .answers = applicationAnswers(),
                                    .stillWanted = [self] {
                                        return !self->engineIsEnding() && self->change_ == Change::minimized;
                                    }});
    co_await asking;
    isLeavingDock_ = false;
    // Left unanswered and not asked again: still in the Dock, or put back meanwhile as
    // the program began to quit.
    if (wayOut->asks == 1 && wayOut->isUnanswered()) {
        dropUnplayed(wayOut->transition);
        co_return change_ == Change::none;
    }
    // Without an answer (the wait given up) the window counts as out, as it did before
    // answers were awaited.
    const bool tookOut = !wayOut->written || wayOut->written->error == platform::AccessibilityError::success;
    if (!tookOut) change_ = Change::minimized;
    co_return tookOut;
}

Task<void> AffectedWindow::untilAnswered(std::shared_ptr<WayOut> wayOut) {
    if (wayOut->written) co_return;
    auto answering = wayOut->answered.wait();
    const bool woken = co_await answering;
    (void)woken;
}

// One ask of the way out, towards the window's home as it stands on the screens now.
// Nothing moves while the application leaves the first one unanswered, so the window
// counts as in the Dock while it is waited for: an end of the program meanwhile puts it
// back as one still there.
Task<Answer> AffectedWindow::askWayOut(std::shared_ptr<WayOut> wayOut) {
    const auto self = shared_from_this();
    if (wayOut->asks > 0) {
        change_ = Change::none;
        wayOut->written.reset();
    }
    ++wayOut->asks;
    wayOut->ask(moveOutOfDock(wayOut->home));
    auto answering = untilAnswered(wayOut);
    co_await answering;
    if (wayOut->asks == 1 && wayOut->isUnanswered()) {
        wayOut->isLastTry = true;
        change_ = Change::minimized;
    }
    co_return wayOut->written.value_or(Answer{});
}

std::function<Task<bool>()> AffectedWindow::applicationAnswers() const {
    const auto engine = effects();
    if (!engine) return nullptr;
    return [engine, pid = target_.processIdentifier] { return engine->answers(pid); };
}

std::shared_ptr<StandInTransition> AffectedWindow::returnTransition(const WayBack& wayBack, const Rect& home) {
    if (!panel_) return nullptr;
    const auto shape = standInShape(*panel_, standIn_);
    if (!shape || !StandInTransition::overlayArea(*shape, wayBack.display)) return nullptr;
    const TransitionChoice choice = chooseTransition(standIn_, PreviousPick::reuse);
    // One of a group, its panel already lifted to the overlays' level: the overlay
    // stays above it.
    const bool lifted = isOneOfMany_ && panel_->level() == StandInTransition::overlayLevel();
    auto transition = StandInTransition::create({.frame = home,
                                                 .windowNumber = target_.id,
                                                 .direction = TransitionDirection::restoring,
                                                 .effect = choice.effect,
                                                 .makings = wayBack.makings,
                                                 .display = wayBack.display,
                                                 .standIn = *shape,
                                                 .standInPicture = image_ ? inSRGB(*image_) : std::nullopt,
                                                 .titleBarHeight = target_.titleBar.height,
                                                 .dockTimeLimit = kDockTimeLimit,
                                                 .stayAbove = lifted ? panel_ : nullptr,
                                                 .speed = speed_});
    if (!transition) giveBackDealt(nullptr, choice.dealt);
    return transition;
}

void AffectedWindow::bringOwnWindowBack(std::optional<Point> moveTo, Raising raising,
                                        const std::shared_ptr<StandInTransition>& transition,
                                        std::optional<int64_t> recording) {
    forgetIfStillRecorded(recording)();
    const auto window = ownWindow(target_.id);
    if (!window) {
        playWithoutHandOff(transition);
        return;
    }
    window->deminiaturize();
    if (moveTo) setOwnWindowTopLeft(*window, *moveTo);
    if (raising == Raising::inPlace) {
        playWithoutHandOff(transition);
        return;
    }
    std::weak_ptr<platform::Window> weak = window;
    afterDockTrip(*window, DockTripDirection::deminiaturizing, [weak, transition] {
        if (const auto back = weak.lock()) bringOwnWindowForward(*back);
        playWithoutHandOff(transition);
    });
}

std::shared_ptr<AffectedWindow::WayOut> AffectedWindow::wayOutOfDock(
    const Rect& home, Raising raising, const std::shared_ptr<StandInTransition>& transition,
    std::optional<int64_t> recording) {
    // The user's choice counts from the request on: what he activates or clicks meanwhile
    // stays in front.
    auto watch = raising == Raising::bringForward ? std::make_shared<UserChoiceWatch>(target_.processIdentifier)
                                                  : nullptr;
    auto success = [transition, forget = forgetIfStillRecorded(recording), watch, engine = effects_,
                    pid = target_.processIdentifier, element = target_.element] {
        forget();
        playWithoutHandOff(transition);
        if (watch) bringForwardWhenSettled(engine, pid, element, watch);
    };
    auto wayOut = std::make_shared<WayOut>();
    wayOut->success = std::move(success);
    wayOut->home = home;
    wayOut->transition = transition;
    auto answered = [weak = std::weak_ptr(wayOut)](Answer written) {
        if (const auto way = weak.lock()) way->answer(written);
    };
    wayOut->ask = [raising, element = target_.element, pid = target_.processIdentifier,
                   answered](std::optional<Point> moveTo) {
        accessibilityQueue().async(
            [moveTo, raising, element, pid, answered] { bringWindowBack(moveTo, element, raising, pid, answered); });
    };
    return wayOut;
}

// The answer goes back before the raise, which may wait on an application busy with the
// trip; a window that stayed in the Dock is not raised.
void AffectedWindow::bringWindowBack(std::optional<Point> moveTo, platform::AccessibilityElement element,
                                     Raising raise, int32_t processIdentifier, std::function<void(Answer)> answered) {
    const Answer written = bringOutOfDock(element, moveTo);
    platform::MainLoop::main().post([written, answered = std::move(answered)] { answered(written); });
    if (written.error != platform::AccessibilityError::success || raise != Raising::bringForward) return;
    accessibilityQueue().async([processIdentifier, element] { raiseOtherWindow(processIdentifier, element); });
}

// The application does not answer while its window travels out of the Dock, so the raise
// asked for with the way back may be lost, leaving the window behind the application in
// front. It is asked again once the trip has settled, which ends within the trip's limit
// and the wait for the application to answer, unless the user has made another
// application active or clicked in one since: his choice stands. The changed window
// itself may be gone by then: the wait holds only what the raise needs.
void AffectedWindow::bringForwardWhenSettled(std::weak_ptr<WindowEffectsServices> engine, int32_t processIdentifier,
                                             platform::AccessibilityElement element,
                                             std::shared_ptr<const UserChoiceWatch> watch) {
    platform::spawnMain([engine = std::move(engine), processIdentifier, element = std::move(element),
                         watch = std::move(watch)]() -> Task<void> {
        const auto services = engine.lock();
        if (!services) co_return;
        auto settling = services->settled(processIdentifier);
        co_await settling;
        if (services->isEnding() || (watch && watch->userChose())) co_return;
        raiseOtherWindow(processIdentifier, element);
    });
}

std::function<void()> AffectedWindow::forgetIfStillRecorded(std::optional<int64_t> recording) const {
    return [ledger = ledger_, window = target_.id, recording] {
        if (recording) ledger->forgetIfCurrent(window, *recording);
    };
}

}  // namespace furlpane
