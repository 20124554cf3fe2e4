// A changed window's pictures: its frame once the window server agrees with
// accessibility, the captures a stand-in and its transition are made from, the
// application icon a thumbnail shows without them, and the float badge measured again.

#include "platform/appkit/application.h"
#include "platform/appkit/screen.h"
#include "platform/runtime/off_main.h"
#include "platform/services/workspace.h"
#include "platform/windowserver/screen_capture_access.h"
#include "transitions/driver/stand_in_transition.h"
#include "transitions/transition_picture.h"
#include "transitions/transition_renderer.h"
#include "windows/access/accessibility_elements.h"
#include "windows/access/main_thread.h"
#include "windows/access/permissions.h"
#include "windows/access/screens.h"
#include "windows/changed/affected_window.h"
#include "windows/changed/bitmap_drawing.h"

namespace furlpane {

using platform::Image;
using platform::Rect;
using platform::Task;

namespace {

bool agrees(const Rect& a, const Rect& b, double tolerance) {
    return std::fabs(a.width() - b.width()) < tolerance && std::fabs(a.height() - b.height()) < tolerance;
}

std::optional<Rect> windowServerBounds(const std::optional<WindowServer::CaptureSymbols>& symbols, uint32_t window) {
    return symbols ? symbols->windowBounds(window) : std::nullopt;
}

// The display a window stood on, with its top-left corner; none off every screen or
// without a display number.
std::optional<AffectedWindow::DockedFrom> dockedFromFrame(const Rect& frame) {
    const auto screen = screenForRect(frame);
    const auto number = screen ? screenNumber(*screen) : std::nullopt;
    if (!number) return std::nullopt;
    const Rect screenFrame = screen->frame();
    return AffectedWindow::DockedFrom{*number, {screenFrame.minX(), platform::Screen::flipHeight() - screenFrame.maxY()}};
}

}  // namespace

Task<std::optional<Rect>> AffectedWindow::settledFrame() {
    const auto self = shared_from_this();
    const auto accessibility = elementFrame(target_.element);
    const auto symbols = WindowServer::loadCaptureSymbols();
    if (!accessibility) co_return windowServerBounds(symbols, target_.id);
    platform::MainLoop& loop = platform::MainLoop::main();
    const double deadline = loop.now() + kSettleDeadline;
    for (;;) {
        const auto bounds = windowServerBounds(symbols, target_.id);
        if (!bounds) co_return accessibility.value();
        if (agrees(*bounds, accessibility.value(), kSettleTolerance) || loop.now() >= deadline) co_return bounds;
        const bool slept = co_await platform::sleepFor(kSettlePoll);
        if (!slept) co_return bounds;
    }
}

Task<std::optional<AffectedWindow::DockPictures>> AffectedWindow::capturePicture(StandIn kind,
                                                                                 std::vector<uint32_t> leftOut) {
    const auto self = shared_from_this();
    tearDownCompanions();
    auto settling = settledFrame();
    if (const auto frame = co_await settling) {
        windowFrame_ = *frame;
        dockedFrom_ = dockedFromFrame(*frame);
    }
    if (kind == StandIn::titleStrip) updateFloatBadge();
    std::optional<TransitionDisplay> display;
    if (preferences_->concealsMinimizeAnimation() && TransitionRenderer::shared())
        display = StandInTransition::surveyDisplay(windowFrame_);
    auto taking = takePictures(kind, display, std::move(leftOut));
    const auto captured = co_await taking;
    if (engineIsEnding()) co_return std::nullopt;

    std::optional<Image> picture = captured ? captured->window : std::nullopt;
    std::optional<TransitionMakings> makings = picture ? captured->makings : std::nullopt;
    const bool isIcon = !picture && kind == StandIn::thumbnail;
    if (isIcon) picture = applicationIconPicture();
    if (!picture) {
        requestScreenRecordingUnlessPrompted();
        co_return std::nullopt;
    }
    image_ = picture;
    framing_ = makings && makings->picture.framing ? std::optional(makings->picture.framing->source) : std::nullopt;
    isIconThumbnail_ = isIcon;
    co_return DockPictures{windowFrame_, *picture, std::move(makings), std::move(display)};
}

Task<std::optional<AffectedWindow::MinimizePictures>> AffectedWindow::takePictures(
    StandIn kind, std::optional<TransitionDisplay> display, std::vector<uint32_t> leftOut) {
    if (!platform::ScreenCaptureAccess::preflight()) co_return std::nullopt;
    std::set<uint32_t> excluded = StandInTransition::excludedWindowNumbers();
    excluded.insert(target_.id);
    excluded.insert(leftOut.begin(), leftOut.end());
    // A title strip shows its picture's top band at full size; a thumbnail only needs
    // the window's size in points, unless a transition draws it.
    const auto resolution = display || kind == StandIn::titleStrip ? WindowServer::CaptureResolution::display
                                                                   : WindowServer::CaptureResolution::nominal;
    auto work = [window = target_.id, resolution, renderer = display ? TransitionRenderer::shared() : nullptr,
                 backdrop = display ? std::optional<Rect>(display->visible) : std::nullopt, excluded,
                 elsewhere = display ? display->elsewhere : std::vector<Rect>{}] {
        return captureMinimizePictures(window, resolution, renderer, backdrop, excluded, elsewhere);
    };
    auto result = co_await platform::offMain<MinimizePictures>(WindowServer::captureQueue(), kCaptureLimit, work);
    co_return result;
}

AffectedWindow::MinimizePictures AffectedWindow::captureMinimizePictures(
    uint32_t window, WindowServer::CaptureResolution resolution, std::shared_ptr<TransitionRenderer> renderer,
    std::optional<Rect> backdrop, std::set<uint32_t> leftOut, std::vector<Rect> elsewhere) {
    auto plain = WindowServer::captureWindow(window, resolution, WindowServer::Framing::plain);
    if (!plain || !renderer || !backdrop) return {std::move(plain), std::nullopt};
    const auto framed = WindowServer::captureWindow(window, resolution, WindowServer::Framing::framed);
    auto picture = makePicture(*renderer, *plain, framed, std::nullopt);
    if (!picture) return {std::move(plain), std::nullopt};
    auto makings = makingsAround(std::move(*picture), *backdrop, leftOut, elsewhere);
    return {std::move(plain), std::move(makings)};
}

std::optional<Image> AffectedWindow::ownerIcon() const {
    const auto application = platform::RunningApplication::withProcessIdentifier(target_.processIdentifier);
    std::optional<Image> icon = application ? application->icon() : std::nullopt;
    // The program's own icon is AppKit's.
    if (!icon && isOwnWindow())
        if (platform::Application* own = platform::Application::sharedOrNull()) icon = own->applicationIconImage();
    return icon;
}

std::optional<Image> AffectedWindow::applicationIconPicture() const {
    const auto icon = ownerIcon();
    if (!icon) return std::nullopt;
    return drawIntoBitmap(*icon, kIconPictureSide, platform::ColorSpace::sRGB());
}

void AffectedWindow::updateFloatBadge() {
    requireMainThread("AffectedWindow.updateFloatBadge");
    if (const auto measured = FloatBadge::remeasure(target_.element)) badge_ = *measured;
    if (panel_) {
        panel_->canvas().setFloatBadge(state_.isFloating ? std::optional(badge_) : std::nullopt);
        panel_->canvas().setNeedsLayout(true);
    }
    if (badgePanel_) {
        badgePanel_->setBadge(badge_);
        if (badgePanel_->windowFrame()) badgePanel_->follow(*badgePanel_->windowFrame());
    }
}

}  // namespace furlpane
