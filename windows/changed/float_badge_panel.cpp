// The float badge's panel: shown on a window's title bar, following its bounds.

#include "windows/changed/float_badge_panel.h"

#include "platform/appkit/layer.h"
#include "platform/appkit/screen.h"
#include "platform/appkit/view.h"
#include "platform/events/input_state.h"
#include "windows/access/main_thread.h"
#include "windows/access/window_server.h"
#include "windows/access/overlay_panel.h"

namespace furlpane {

using platform::MainLoop;
using platform::Rect;

namespace {

// The badge's picture at the window's backing scale.
class FloatBadgeView final : public platform::View {
public:
    explicit FloatBadgeView(const Rect& frame) : platform::View(frame) {
        setWantsLayer(true);
        setLayerContentsRedrawPolicy(platform::LayerContentsRedrawPolicy::onSetNeedsDisplay);
    }
    bool wantsUpdateLayer() const override { return true; }
    void updateLayer() override {
        requireMainThread("FloatBadgeView.updateLayer");
        const double scale = backingScaleFactor();
        layer()->setContents(floatBadgeImage(scale));
        layer()->setContentsScale(scale);
        layer()->setContentsGravity(platform::ContentsGravity::resize);
        layer()->setOpacity(FloatBadge::kOpacity);
    }
    void viewDidChangeBackingProperties() override {
        requireMainThread("FloatBadgeView.viewDidChangeBackingProperties");
        setNeedsDisplay(true);
    }
};

std::optional<Rect> windowServerBounds(std::uint32_t window) {
    const auto symbols = WindowServer::loadCaptureSymbols();
    return symbols ? symbols->windowBounds(window) : std::nullopt;
}

double now() { return MainLoop::main().now(); }

}  // namespace

FloatBadgePanel::FloatBadgePanel(const Key&, FloatBadge badge)
    : platform::Panel(Rect(0, 0, FloatBadge::kSide, FloatBadge::kSide), platform::nonactivatingPanelMask,
                      platform::BackingStore::buffered, true),
      badge_(badge),
      hurriedUntil_(now()) {}

std::shared_ptr<FloatBadgePanel> FloatBadgePanel::create(FloatBadge badge) {
    requireMainThread("FloatBadgePanel.create");
    auto panel = std::make_shared<FloatBadgePanel>(Key{}, badge);
    configureOverlayPanel(*panel, false, OverlayMouse::passesThrough);
    panel->setLevel(platform::window_levels::floating);
    panel->setCollectionBehavior(platform::transientBehavior | platform::ignoresCycleBehavior);
    panel->setContentView(std::make_shared<FloatBadgeView>(Rect(0, 0, FloatBadge::kSide, FloatBadge::kSide)));
    return panel;
}

FloatBadgePanel::~FloatBadgePanel() { stopFollowing(); }

void FloatBadgePanel::close() {
    stopFollowing();
    platform::Panel::close();
}

void FloatBadgePanel::follow(const Rect& frame) {
    requireMainThread("FloatBadgePanel.follow");
    windowFrame_ = frame;
    const auto place = windowID_ ? FloatBadge::rect(badge_, frame) : std::nullopt;
    if (!place) {
        orderOut();
        return;
    }
    setFrame(platform::flipRect(*place, platform::Screen::flipHeight()), platform::Redisplay::no);
    if (!isVisible()) orderWindow(platform::WindowOrderingMode::above, *windowID_);
}

void FloatBadgePanel::show(std::uint32_t windowID, const Rect& frame) {
    requireMainThread("FloatBadgePanel.show");
    windowID_ = windowID;
    follow(windowServerBounds(windowID).value_or(frame));
    // Shown in the same screen update as the window's change.
    display();
    platform::Transaction::flush();
    hurriedUntil_ = now() + kHurry;
    watchMouse();
}

void FloatBadgePanel::hurry() {
    hurriedUntil_ = now() + kHurry;
    startTimer(true);
}

void FloatBadgePanel::watchMouse() {
    requireMainThread("FloatBadgePanel.watchMouse");
    std::weak_ptr<FloatBadgePanel> weak = std::static_pointer_cast<FloatBadgePanel>(shared_from_this());
    const platform::EventMask mouseDown = platform::eventMaskBit(platform::EventType::leftMouseDown);
    if (!mouseDowns_) {
        mouseDowns_ = platform::EventMonitor::addGlobalMonitor(mouseDown, [weak](const platform::EventRecord&) {
            if (auto self = weak.lock()) self->hurry();
        });
    }
    if (!ownMouseDowns_) {
        ownMouseDowns_ = platform::EventMonitor::addLocalMonitor(mouseDown, [weak](const platform::EventRecord& event) {
            if (auto self = weak.lock()) self->hurry();
            return std::optional<platform::EventRecord>(event);
        });
    }
    startTimer(true);
}

void FloatBadgePanel::startTimer(bool quick) {
    requireMainThread("FloatBadgePanel.startTimer");
    if (timer_ && isFollowingQuickly_ == quick) return;
    if (timer_) timer_->invalidate();
    isFollowingQuickly_ = quick;
    const double interval = quick ? kQuickInterval : kSlowInterval;
    std::weak_ptr<FloatBadgePanel> weak = std::static_pointer_cast<FloatBadgePanel>(shared_from_this());
    timer_ = platform::Timer::make(interval, true, [weak] {
        if (auto self = weak.lock()) self->tick();
    });
    timer_->setTolerance(interval / 5);
    MainLoop::main().add(timer_, platform::modes::kCommon);
}

void FloatBadgePanel::tick() {
    if (!windowID_) return;
    const double moment = now();
    if (platform::InputState::pressedMouseButtons() != 0) hurriedUntil_ = moment + kHurry;
    if (const auto bounds = windowServerBounds(*windowID_); bounds && windowFrame_ != bounds) {
        follow(*bounds);
        hurriedUntil_ = moment + kHurry;
    }
    startTimer(moment < hurriedUntil_);
}

void FloatBadgePanel::stopFollowing() {
    if (timer_) timer_->invalidate();
    timer_.reset();
    if (mouseDowns_) platform::EventMonitor::removeMonitor(mouseDowns_);
    if (ownMouseDowns_) platform::EventMonitor::removeMonitor(ownMouseDowns_);
    mouseDowns_.reset();
    ownMouseDowns_.reset();
}

void FloatBadgePanel::putAway() {
    requireMainThread("FloatBadgePanel.putAway");
    stopFollowing();
    windowID_.reset();
    windowFrame_.reset();
    orderOut();
}

}  // namespace furlpane
