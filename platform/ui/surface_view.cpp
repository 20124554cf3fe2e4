#include "platform/ui/surface_view.h"

#include <cmath>
#include <set>

#include "platform/appkit/application.h"
#include "platform/appkit/screen.h"
#include "platform/appkit/window.h"
#include "platform/graphics/bitmap_context.h"
#include "platform/ui/host.h"
#include "platform/ui/painter.h"

namespace platform::ui::detail {

namespace {

constexpr uint16_t kReturn = 36;
constexpr uint16_t kEnter = 76;
constexpr uint16_t kEscape = 53;

// The tooltip of the innermost view under the point that has one.
std::string helpAt(const Node& node, Point p) {
    if (!node.frame.contains(p)) return {};
    for (auto it = node.children.rbegin(); it != node.children.rend(); ++it) {
        std::string inner = helpAt(**it, p);
        if (!inner.empty()) return inner;
    }
    return node.help;
}

Node* withShortcut(Node& root, KeyboardShortcut shortcut) {
    Node* found = nullptr;
    forEachNode(root, [&](Node& n) {
        if (!found && n.shortcut == shortcut && n.isInteractive()) found = &n;
    });
    return found;
}

}  // namespace

SurfaceView::SurfaceView(Host& host, std::string key) : host_(&host), key_(std::move(key)) {
    setWantsLayer(true);
    setLayerContentsRedrawPolicy(LayerContentsRedrawPolicy::onSetNeedsDisplay);
}

void SurfaceView::setRoot(std::unique_ptr<Node> root) {
    root_ = std::move(root);
    setNeedsLayout(true);
    setNeedsDisplay(true);
}

void SurfaceView::detach() {
    host_ = nullptr;
    setRoot(nullptr);
    placeHostedViews();
}

void SurfaceView::layOutNow() {
    if (!root_) return;
    const Rect area = bounds();
    const Size size = root_->measure({area.width(), area.height()});
    root_->place({aligned(area, size, Alignment::center()), size});
    placeHostedViews();
}

void SurfaceView::placeHostedViews() {
    std::set<const platform::View*> shown;
    if (root_) {
        forEachNode(*root_, [&](Node& n) {
            platform::View* view = n.hostedView();
            if (!view) return;
            shown.insert(view);
            if (view->superview() != this) addSubview(view->shared_from_this());
            view->setFrame(n.frame);
        });
    }
    const std::vector<std::shared_ptr<platform::View>> current = subviews();
    for (const auto& view : current) {
        if (!shown.count(view.get())) view->removeFromSuperview();
    }
}

void SurfaceView::updateLayer() {
    const Rect area = bounds();
    const double scale = backingScaleFactor();
    const int width = int(std::ceil(area.width() * scale));
    const int height = int(std::ceil(area.height() * scale));
    if (!root_ || width <= 0 || height <= 0) {
        layer()->setContents(std::nullopt);
        return;
    }
    auto context = BitmapContext::create(width, height, ColorSpace::sRGB());
    if (!context) return;
    Painter painter(*context, area.height(), scale);
    if (!key_.empty()) {
        // A sheet stands out from the window it is attached to.
        painter.fillRect(area, Color::gray(0.975));
        painter.strokeRoundedRect(area, 0, Color::gray(0, 0.25), 1);
    }
    root_->draw(painter);
    layer()->setContents(context->makeImage());
    layer()->setContentsScale(scale);
    layer()->setContentsGravity(ContentsGravity::resize);
}

void SurfaceView::updateTrackingAreas() {
    for (const auto& area : std::vector(trackingAreas())) removeTrackingArea(area.get());
    addTrackingArea(TrackingArea::make({}, TrackingArea::mouseEnteredAndExited | TrackingArea::mouseMoved |
                                               TrackingArea::activeAlways | TrackingArea::inVisibleRect));
}

bool SurfaceView::takesInput() const { return host_ && root_ && !host_->hasSheetOver(key_); }

Node* SurfaceView::node(const std::string& identity) const {
    return root_ && !identity.empty() ? findNode(*root_, identity) : nullptr;
}

void SurfaceView::mouseDown(const AppEvent& event) {
    if (host_) host_->hideToolTip();
    pressed_.clear();
    if (!takesInput()) return;
    const Point p = local(event);
    Node* hit = root_->hitTest(p);
    if (!hit) return;
    pressed_ = hit->identity;
    if (hit->isEnabled()) hit->mouseDown(*this, p);
}

void SurfaceView::mouseDragged(const AppEvent& event) {
    Node* n = node(pressed_);
    if (n && n->isEnabled()) n->mouseDragged(*this, local(event));
}

void SurfaceView::mouseUp(const AppEvent& event) {
    Node* n = node(pressed_);
    pressed_.clear();
    if (!n || !n->isEnabled()) return;
    const Point p = local(event);
    n->mouseUp(*this, p, n->frame.contains(p));
}

void SurfaceView::scrollWheel(const AppEvent& event) {
    if (!takesInput()) return;
    Node* target = root_->scrollTarget(local(event));
    if (target && target->scrollBy(-event.scrollingDeltaY)) {
        relayout();
        return;
    }
    View::scrollWheel(event);
}

void SurfaceView::keyDown(const AppEvent& event) {
    if (!takesInput()) return;
    const bool hasCommandKeys = event.has(AppEvent::command) || event.has(AppEvent::control) || event.has(AppEvent::option);
    KeyboardShortcut shortcut = KeyboardShortcut::none;
    if (!hasCommandKeys && (event.keyCode == kReturn || event.keyCode == kEnter)) shortcut = KeyboardShortcut::defaultAction;
    if (!hasCommandKeys && event.keyCode == kEscape) shortcut = KeyboardShortcut::cancelAction;
    Node* button = shortcut == KeyboardShortcut::none ? nullptr : withShortcut(*root_, shortcut);
    if (button) {
        button->activate(*this);
        return;
    }
    View::keyDown(event);
}

void SurfaceView::mouseMoved(const AppEvent& event) {
    if (!root_ || !host_) return;
    const Point p = local(event);
    host_->pointerRests(*this, helpAt(*root_, p), event.screenLocation);
}

void SurfaceView::mouseExited(const AppEvent&) {
    if (host_) host_->hideToolTip();
}

void SurfaceView::popUpMenu(std::shared_ptr<Menu> menu, const Rect& anchor) {
    Application* app = Application::sharedOrNull();
    if (!app || !menu || !window()) return;
    const Rect screen = screenRect(anchor);
    const AppEvent event = AppEvent::mouse(AppEventType::leftMouseDown, {screen.minX(), screen.maxY()});
    app->popUpMenu(std::move(menu), MenuPresentationKind::popUp, event, window()->windowNumber());
}

void SurfaceView::relayout() {
    layOutNow();
    setNeedsDisplay(true);
}

void SurfaceView::redisplay() { setNeedsDisplay(true); }

bool SurfaceView::click(Node& node) {
    if (!takesInput() || !node.isEnabled() || !node.isInteractive()) return false;
    const Point p = node.frame.mid();
    node.mouseDown(*this, p);
    // The press may have rebuilt nothing yet (rebuilds come on a later turn), so the
    // node is still the one pressed.
    node.mouseUp(*this, p, true);
    return true;
}

Rect SurfaceView::screenRect(const Rect& rect) const {
    Window* w = window();
    if (!w) return Rect::null();
    const Rect inWindow = convertRectToWindow(rect);
    const Rect frame = w->frame();
    const Rect appKit{frame.minX() + inWindow.minX(), frame.minY() + inWindow.minY(), inWindow.width(), inWindow.height()};
    return flipRect(appKit, Screen::flipHeight());
}

}  // namespace platform::ui::detail
