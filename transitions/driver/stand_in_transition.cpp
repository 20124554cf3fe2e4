// A transition's life: made with its first frame on screen, started, ended, finished.

#include "transitions/driver/stand_in_transition.h"

#include <random>

#include "platform/appkit/screen.h"
#include "platform/runtime/off_main.h"
#include "transitions/driver/dock_wait.h"
#include "transitions/driver/transition_choices.h"
#include "windows/access/window_server.h"

namespace furlpane {

using platform::MainLoop;
using platform::Rect;
using platform::Task;

namespace {

// The scene of a transition before its first frame; none without a window picture.
std::optional<TransitionScene> makeScene(const TransitionRenderer& renderer, const StandInTransition::Setup& s,
                                         const Rect& area) {
    if (!s.makings.picture.texture) return std::nullopt;
    namespace choices = transition_choices;
    TransitionScene scene;
    scene.effect = s.effect;
    scene.picture = s.makings.picture.texture;
    scene.framing = s.makings.picture.framing;
    // The system's own random source: no generator state of the program's own.
    const uint32_t seed = std::random_device{}();
    scene.uniforms = choices::initialUniforms({area, s.frame, s.standIn, s.display->visible, s.display->scale,
                                               s.titleBarHeight, s.effect, s.direction, seed});
    scene.windowShadow = choices::windowShadow();
    scene.standInShadow = choices::standInShadow(s.standIn);
    scene.standInInnerRim = choices::standInInnerRim(s.standIn);
    scene.slowdown = choices::slowdown(s.speed);
    const auto sRGB = platform::ColorSpace::sRGB();
    if (s.direction == TransitionDirection::minimizing && s.standInPicture)
        scene.fresh = redrawImage(renderer, *s.standInPicture, sRGB, PictureTexture::kept);
    // Only the black hole looks at what lies behind the window.
    if (s.effect == TransitionEffect::blackHole) {
        if (auto texture = redrawImage(renderer, s.makings.backdrop.picture, sRGB, PictureTexture::kept))
            scene.backdrop = TransitionScene::Backdrop{std::move(texture), choices::inOverlay(s.makings.backdrop.frame, area)};
    }
    return scene;
}

// A duration the caller gave: one that is not a number, or endless, counts as the default.
double sane(double seconds, double fallback) { return std::isfinite(seconds) ? std::max(seconds, 0.0) : fallback; }

std::vector<uint32_t> runningOverlays() {
    std::vector<uint32_t> numbers;
    for (const auto& t : StandInTransition::running()) {
        if (t->overlay() && t->overlay()->windowNumber() > 0) numbers.push_back(t->overlay()->windowNumber());
    }
    return numbers;
}

}  // namespace

std::shared_ptr<StandInTransition> StandInTransition::create(Setup setup) {
    const std::shared_ptr<TransitionRenderer>& renderer = TransitionRenderer::shared();
    if (!renderer || !hasArea(setup.frame) || !setup.display) return nullptr;
    const auto area = overlayArea(setup.standIn, *setup.display);
    if (!area) return nullptr;
    auto scene = makeScene(*renderer, setup, *area);
    if (!scene) return nullptr;
    auto frames = TransitionFrames::create(renderer, std::move(*scene), setup.direction);
    if (!frames) return nullptr;
    auto panels = TransitionPanels::create(*area, setup.display->scale, setup.makings.backdrop, setup.makings.elsewhere);
    if (!panels) return nullptr;
    const OverlayPlacement where = placement(setup);
    auto transition = std::make_shared<StandInTransition>(Key{}, setup, *area, std::move(*frames), std::move(*panels));
    transition->showFirstFrame(where);
    runningList().push_back(transition);
    return transition;
}

StandInTransition::StandInTransition(Key, const Setup& setup, const Rect& area, TransitionFrames frames,
                                     TransitionPanels panels)
    : windowNumber_(setup.windowNumber),
      direction_(setup.direction),
      effect_(setup.effect),
      display_(setup.display),
      slowdown_(transition_choices::slowdown(setup.speed)),
      dockLimit_(sane(setup.dockTimeLimit, kDockTripLimit) * slowdown_),
      frameDuration_(transition_choices::frameDuration(setup.effect)),
      area_(area),
      frames_(std::move(frames)),
      panels_(std::move(panels)) {}

StandInTransition::~StandInTransition() {
    stopFrames();
    if (unended_) unended_->invalidate();
    if (!finished_) panels_.takeAway();
}

// Restoring, the overlay stays directly above the panel it was given while that is on
// screen. Minimizing one of a group, the effect goes behind those of the group's earlier
// windows, which stood in front of it. Otherwise it is in front of its level.
OverlayPlacement StandInTransition::placement(const Setup& setup) {
    using Mode = platform::WindowOrderingMode;
    const auto& above = setup.stayAbove;
    if (setup.direction == Direction::restoring && above && above->isVisible() && above->windowNumber() > 0)
        return {Mode::above, above->windowNumber()};
    if (setup.direction == Direction::minimizing && setup.isOneOfMany) {
        if (const auto lowest = lowestOnScreen(runningOverlays())) return {Mode::below, *lowest};
    }
    return {Mode::above, 0};
}

void StandInTransition::showFirstFrame(OverlayPlacement where) {
    frames_->prepare(0, MainLoop::main().now());
    if (frames_->render()) frames_->present(*panels_.frames());
    panels_.show(where, runningOverlays());
}

void StandInTransition::start() {
    if (startTime_ || finished_) return;
    MainLoop& loop = MainLoop::main();
    startTime_ = loop.now();
    lastFrameTime_ = *startTime_;
    std::weak_ptr<StandInTransition> weak = weak_from_this();
    if (const auto screen = platform::Screen::withDisplayNumber(display_->number)) {
        link_ = platform::DisplayLink::make(*screen, [weak](const platform::DisplayLink::Frame& frame) {
            if (auto self = weak.lock()) self->tick(frame.timestamp);
        });
    }
    if (link_) {
        link_->add(loop, platform::modes::kCommon);
        link_->add(loop, dockMessageMode());
    }
    fallback_ = platform::Timer::make(transition_choices::kFallbackInterval, true, [weak] {
        if (auto self = weak.lock()) self->fallbackTick();
    });
    addTimer(fallback_);
    startDockWatch();
}

void StandInTransition::addTimer(const std::shared_ptr<platform::Timer>& timer) {
    MainLoop& loop = MainLoop::main();
    loop.add(timer, platform::modes::kCommon);
    loop.add(timer, dockMessageMode());
}

void StandInTransition::startDockWatch() {
    std::weak_ptr<StandInTransition> weak = weak_from_this();
    const uint32_t window = windowNumber_;
    const auto way = direction_ == Direction::minimizing ? DockTripDirection::miniaturizing
                                                         : DockTripDirection::deminiaturizing;
    const double limit = dockLimit_;
    dockWatch_ = platform::spawnMain([weak, window, way, limit]() -> Task<void> {
        auto wait = waitForDockTrip(window, way, limit);
        co_await wait;
        if (auto self = weak.lock()) self->dockPartDone();
    });
}

void StandInTransition::tick(double now) {
    if (finished_ || !startTime_ || framesAreDone_) return;
    lastFrameTime_ = now;
    const double total = frameDuration_ * slowdown_;
    const double share = total > 0 ? (now - *startTime_) / total : 1;
    frames_->prepare(share, now);
    if (frames_->render()) frames_->present(*panels_.frames());
    if (share < 1) return;
    framesAreDone_ = true;
    stopFrames();
    partDone();
}

// The fallback draws only while the display link is missing or has stalled.
void StandInTransition::fallbackTick() {
    const double now = MainLoop::main().now();
    const double stalled = link_ ? transition_choices::kStalledRefreshes / link_->framesPerSecond() : 0;
    if (now - lastFrameTime_ >= stalled) tick(now);
}

void StandInTransition::stopFrames() {
    if (link_) link_->invalidate();
    link_.reset();
    if (fallback_) fallback_->invalidate();
    fallback_.reset();
}

void StandInTransition::dockPartDone() {
    if (finished_) return;
    dockIsDone_ = true;
    partDone();
}

void StandInTransition::partDone() {
    if (!framesAreDone_ || !dockIsDone_) return;
    if (isEnding_) {
        conclude();
    } else {
        armUnendedTimer();
    }
}

void StandInTransition::armUnendedTimer() {
    if (unended_) return;
    std::weak_ptr<StandInTransition> weak = weak_from_this();
    unended_ = platform::Timer::make(transition_choices::kUnendedGrace * slowdown_, false, [weak] {
        if (auto self = weak.lock()) self->conclude();
    });
    addTimer(unended_);
}

void StandInTransition::beginEnding(std::function<void()> handOff, std::function<void()> completion) {
    if (finished_) return;
    isEnding_ = true;
    handOff_ = std::move(handOff);
    completion_ = std::move(completion);
    if (framesAreDone_ && dockIsDone_) conclude();
}

void StandInTransition::conclude() {
    if (concluded_) return;
    concluded_ = true;
    const auto keep = shared_from_this();
    const auto handOff = std::exchange(handOff_, nullptr);
    const auto completion = std::exchange(completion_, nullptr);
    if (handOff) handOff();
    finish(Completion::completed);
    if (completion) completion();
}

void StandInTransition::finish(Completion) {
    if (finished_) return;
    const auto keep = shared_from_this();
    finished_ = true;
    isOver_ = true;
    stopFrames();
    if (unended_) unended_->invalidate();
    dockWatch_.cancel();
    panels_.takeAway();
    rendered_ = frames_ ? frames_->renderedCount() : rendered_;
    frames_.reset();  // the textures go now, not when the last holder lets go
    leaveRunning(this);
}

void StandInTransition::refreshPicture(uint32_t windowNumber) {
    if (finished_) return;
    std::weak_ptr<StandInTransition> weak = weak_from_this();
    platform::spawnMain([weak, windowNumber]() -> Task<void> {
        std::shared_ptr<TransitionRenderer> renderer = TransitionRenderer::shared();
        if (!renderer) co_return;
        auto take = [renderer, windowNumber]() -> std::optional<TransitionPicture> {
            using Server = WindowServer;
            const auto plain = Server::captureWindow(windowNumber, Server::CaptureResolution::display,
                                                     Server::Framing::plain);
            if (!plain) return std::nullopt;
            const auto framed = Server::captureWindow(windowNumber, Server::CaptureResolution::display,
                                                      Server::Framing::framed);
            return makePicture(*renderer, *plain, framed, std::nullopt);
        };
        const auto picture = co_await platform::offMain<std::optional<TransitionPicture>>(
            WindowServer::captureQueue(), WindowServer::kCaptureLimit, take);
        const auto self = weak.lock();
        if (!self || self->finished_ || !picture || !*picture) co_return;
        self->frames_->setFreshPicture(**picture, MainLoop::main().now());
    });
}

}  // namespace furlpane
