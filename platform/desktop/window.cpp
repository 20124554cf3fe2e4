#include "platform/desktop/window.h"

#include <algorithm>
#include <cmath>

#include "platform/desktop/desktop.h"

namespace platform::desktop {

namespace {

// Deterministic text metrics for titles: every character is this wide.
constexpr double kCharacterWidth = 7;
constexpr double kTextHeight = 16;

size_t characterCount(const std::string& text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

const char* buttonSubrole(TitleBarButton which) {
    switch (which) {
    case TitleBarButton::close: return "AXCloseButton";
    case TitleBarButton::minimize: return "AXMinimizeButton";
    case TitleBarButton::zoom: return "AXZoomButton";
    case TitleBarButton::fullScreen: return "AXFullScreenButton";
    }
    return "";
}

ControlAction buttonAction(TitleBarButton which) {
    switch (which) {
    case TitleBarButton::close: return ControlAction::closeWindow;
    case TitleBarButton::minimize: return ControlAction::minimizeWindow;
    case TitleBarButton::zoom: return ControlAction::zoomWindow;
    case TitleBarButton::fullScreen: return ControlAction::toggleFullScreen;
    }
    return ControlAction::none;
}

}  // namespace

WindowDescription systemWindowDescription(std::string title, const Rect& frame, int32_t layer) {
    return WindowDescription{.title = std::move(title),
                             .frame = frame,
                             .role = "",
                             .subrole = "",
                             .layer = layer,
                             .titleBarHeight = 0,
                             .close = {.present = false},
                             .minimize = {.present = false},
                             .zoom = {.present = false},
                             .space = 0,
                             .accessible = false};
}

Rect standardButtonFrame(TitleBarButton which) {
    switch (which) {
    case TitleBarButton::close: return {9, 7, 14, 14};
    case TitleBarButton::minimize: return {29, 7, 14, 14};
    case TitleBarButton::zoom: return {49, 7, 14, 14};
    case TitleBarButton::fullScreen: return {69, 7, 14, 14};
    }
    return {};
}

Window::Window(Desktop& world, uint32_t number, std::shared_ptr<Application> owner,
               const WindowDescription& description, const Rect& frame, uint64_t space)
    : world_(world),
      number_(number),
      pid_(owner->pid()),
      owner_(std::move(owner)),
      layer_(description.layer),
      frame_(frame),
      restoreFrame_(frame),
      alpha_(description.alpha),
      title_(description.title),
      role_(description.role),
      subrole_(description.subrole),
      minimized_(description.minimized),
      fullScreen_(description.fullScreen),
      orderedIn_(description.orderedIn),
      accessible_(description.accessible),
      ignoresMouseEvents_(description.ignoresMouseEvents),
      space_(space),
      contentSeed_(description.contentSeed),
      titleBarHeight_(description.titleBarHeight),
      minimumSize_(description.minimumSize) {
    frame_.size.width = std::max(frame_.size.width, minimumSize_.width);
    frame_.size.height = std::max(frame_.size.height, minimumSize_.height);
    restoreFrame_ = frame_;
}

void Window::makeButtons(const WindowDescription& description) {
    const std::pair<TitleBarButton, const ButtonDescription*> all[] = {
        {TitleBarButton::close, &description.close},
        {TitleBarButton::minimize, &description.minimize},
        {TitleBarButton::zoom, &description.zoom},
        {TitleBarButton::fullScreen, &description.fullScreenButton}};
    for (const auto& [which, button] : all) {
        if (!button->present) continue;
        const ControlDescription control{.role = "AXButton",
                                         .subrole = buttonSubrole(which),
                                         .frame = button->frame.value_or(standardButtonFrame(which)),
                                         .enabled = button->enabled,
                                         .action = buttonAction(which)};
        buttons_[which] = world_.createControl(pid_, number_, 0, control).id();
    }
}

void Window::makeTitleElement() {
    if (!accessible_ || role_ != "AXWindow" || titleBarHeight_ <= 0) return;
    titleElement_ =
        world_.createControl(pid_, number_, 0, ControlDescription{.role = "AXStaticText", .value = title_}).id();
    layOutTitle();
}

void Window::layOutTitle() {
    Control* title = titleElement();
    if (!title) return;
    const double width = std::min(frame_.width(), kCharacterWidth * static_cast<double>(characterCount(title_)));
    title->frame_ = {(frame_.width() - width) / 2, (titleBarHeight_ - kTextHeight) / 2, width, kTextHeight};
    title->value_ = title_;
}

void Window::destroyControls() {
    for (uint64_t id : ownControlIds()) world_.destroyControlTree(id);
}

std::vector<uint64_t> Window::ownControlIds() const {
    std::vector<uint64_t> ids;
    for (const auto& [which, id] : buttons_) ids.push_back(id);
    if (titleElement_) ids.push_back(titleElement_);
    ids.insert(ids.end(), toolbars_.begin(), toolbars_.end());
    ids.insert(ids.end(), controls_.begin(), controls_.end());
    return ids;
}

std::vector<Control*> Window::allControls() const {
    const WorldGuard guard = guardWorld(world_);
    std::vector<Control*> all;
    std::vector<uint64_t> pending = ownControlIds();
    while (!pending.empty()) {
        Control* c = world_.control(pending.back());
        pending.pop_back();
        if (!c) continue;
        all.push_back(c);
        pending.insert(pending.end(), c->children_.begin(), c->children_.end());
    }
    std::sort(all.begin(), all.end(), [](const Control* a, const Control* b) { return a->id() < b->id(); });
    return all;
}

Application& Window::owner() const { return *owner_; }

DockTravel Window::dockTravel() const {
    const WorldGuard guard = guardWorld(world_);
    return travel_ ? travel_->direction : DockTravel::none;
}

Control* Window::button(TitleBarButton which) const {
    const WorldGuard guard = guardWorld(world_);
    auto it = buttons_.find(which);
    return it == buttons_.end() ? nullptr : world_.control(it->second);
}

Control* Window::titleElement() const {
    const WorldGuard guard = guardWorld(world_);
    return titleElement_ ? world_.control(titleElement_) : nullptr;
}

std::vector<Control*> Window::recordsOf(const std::vector<uint64_t>& ids) const {
    const WorldGuard guard = guardWorld(world_);
    std::vector<Control*> result;
    for (uint64_t id : ids) {
        if (Control* c = world_.control(id)) result.push_back(c);
    }
    return result;
}

std::vector<Control*> Window::toolbars() const { return recordsOf(toolbars_); }

std::vector<Control*> Window::controls() const { return recordsOf(controls_); }

bool Window::isMinimizable() const {
    const WorldGuard guard = guardWorld(world_);
    const Control* b = button(TitleBarButton::minimize);
    return b && !b->isDestroyed() && b->isEnabled();
}

bool Window::isOnScreen() const { return world_.isOnScreen(*this); }

Window::Placement Window::placement() const {
    const WorldGuard guard = guardWorld(world_);
    return {layer_, frame_, alpha_};
}

Rect Window::privateBounds() const {
    const WorldGuard guard = guardWorld(world_);
    const double now = world_.now();
    if (travel_ && now < travel_->end) return DockTrips::shapeAt(travel_->from, travel_->to, travel_->start, travel_->end, now);
    if (lag_ && now < lag_->until) return lag_->shown;
    return frame_;
}

bool Window::applyFrame(const Rect& requested) {
    Rect r = requested.standardized();
    r.size.width = std::max(r.size.width, minimumSize_.width);
    r.size.height = std::max(r.size.height, minimumSize_.height);
    const bool moved = r.origin != frame_.origin;
    const bool resized = r.size != frame_.size;
    const Point delta{r.minX() - frame_.minX(), r.minY() - frame_.minY()};
    frame_ = r;
    if (resized) layOutTitle();
    if (moved) world_.emit(WorldEventKind::windowMoved, pid_, number_);
    if (resized) world_.emit(WorldEventKind::windowResized, pid_, number_);
    if (moved) {
        // Sheets stay attached to their window.
        for (uint32_t n : sheets_) {
            if (Window* sheet = world_.window(n)) sheet->applyFrame(sheet->frame_.offsetBy(delta.x, delta.y));
        }
    }
    return true;
}

bool Window::setFrame(const Rect& frame) {
    auto guard = world_.lock();
    if (closed_ || !frame.isFinite()) return false;
    return applyFrame(frame);
}

// The frame is read under the same lock as the change, so that a change made meanwhile on
// another thread is not undone with a stale half of the frame.
bool Window::moveTo(Point topLeft) {
    auto guard = world_.lock();
    return setFrame({topLeft, frame_.size});
}

bool Window::resize(Size size) {
    auto guard = world_.lock();
    return setFrame({frame_.origin, size});
}

void Window::setTitle(std::string title) {
    auto guard = world_.lock();
    if (closed_ || title == title_) return;
    title_ = std::move(title);
    layOutTitle();
    world_.emit(WorldEventKind::windowTitleChanged, pid_, number_);
}

bool Window::minimize() {
    auto guard = world_.lock();
    if (closed_ || minimized_ || fullScreen_ || isSheet()) return false;
    return world_.dockTrips().begin(*this, DockTravel::intoDock);
}

bool Window::deminimize() {
    auto guard = world_.lock();
    if (closed_ || !minimized_) return false;
    return world_.dockTrips().begin(*this, DockTravel::outOfDock);
}

bool Window::zoom() {
    auto guard = world_.lock();
    if (closed_ || minimized_ || fullScreen_) return false;
    if (zoomed_) {
        zoomed_ = false;
        return applyFrame(restoreFrame_);
    }
    const Display* display = world_.displays().displayFor(frame_);
    if (!display) return false;
    restoreFrame_ = frame_;
    zoomed_ = true;
    return applyFrame(world_.displays().topLeftVisibleFrame(*display));
}

bool Window::setFullScreen(bool on) {
    auto guard = world_.lock();
    if (closed_ || minimized_ || isSheet() || on == fullScreen_) return false;
    if (on) {
        const Display* display = world_.displays().displayFor(frame_);
        if (!display) return false;
        if (!zoomed_) restoreFrame_ = frame_;
        fullScreen_ = true;
        applyFrame(world_.displays().topLeftFrame(*display));
    } else {
        fullScreen_ = false;
        zoomed_ = false;
        applyFrame(restoreFrame_);
    }
    world_.emit(WorldEventKind::windowFullScreenChanged, pid_, number_);
    return true;
}

void Window::close() {
    auto guard = world_.lock();
    if (closed_) return;
    const std::vector<uint32_t> sheets = sheets_;
    for (uint32_t n : sheets) {
        if (Window* sheet = world_.window(n)) sheet->close();
    }
    closed_ = true;
    destroyControls();
    world_.removeFromOrder(number_);
    if (Window* parent = world_.window(parent_)) std::erase(parent->sheets_, number_);
    world_.emit(WorldEventKind::windowClosed, pid_, number_);
    if (Application* app = world_.process(pid_)) world_.refreshFocus(*app);
    world_.windowClosed(number_);
}

void Window::raise() {
    auto guard = world_.lock();
    if (closed_) return;
    world_.raiseWithinApplication(*this);
    world_.refreshFocus(owner());
}

void Window::bringToFront() {
    auto guard = world_.lock();
    if (closed_) return;
    world_.bringToFront(world_.withSheets(*this));
    world_.refreshFocus(owner());
}

void Window::orderOut() {
    auto guard = world_.lock();
    if (closed_ || !orderedIn_) return;
    orderedIn_ = false;
    world_.emit(WorldEventKind::windowOrderedOut, pid_, number_);
    world_.refreshFocus(owner());
}

void Window::orderIn() {
    auto guard = world_.lock();
    if (closed_) return;
    const bool was = orderedIn_;
    orderedIn_ = true;
    world_.bringToFront(world_.withSheets(*this));
    if (!was) world_.emit(WorldEventKind::windowOrderedIn, pid_, number_);
    world_.refreshFocus(owner());
}

bool Window::orderRelativeTo(WindowOrdering ordering, uint32_t other) {
    auto guard = world_.lock();
    if (closed_ || other == number_ || isSheet()) return false;
    const bool was = orderedIn_;
    orderedIn_ = true;
    const std::vector<uint32_t> group = world_.withSheets(*this);
    for (uint32_t n : group) world_.removeFromOrder(n);
    auto& order = world_.order_;
    auto at = world_.window(other) ? std::find(order.begin(), order.end(), other) : order.end();
    if (at == order.end()) {
        at = ordering == WindowOrdering::above ? order.begin() : order.end();
    } else if (ordering == WindowOrdering::below) {
        ++at;
        // Below a window means below its sheets too, which follow it in the order.
        while (at != order.end() && world_.window(*at) && world_.window(*at)->parentWindow() == other) ++at;
    } else {
        // Above a window means above its sheets, which stand directly in front of it.
        while (at != order.begin() && world_.window(*(at - 1)) && world_.window(*(at - 1))->parentWindow() == other) --at;
    }
    order.insert(at, group.begin(), group.end());
    world_.emit(WorldEventKind::windowOrderChanged, pid_, number_);
    if (!was) world_.emit(WorldEventKind::windowOrderedIn, pid_, number_);
    world_.refreshFocus(owner());
    return true;
}

void Window::setAlpha(double alpha) {
    auto guard = world_.lock();
    alpha_ = alpha >= 0 ? std::min(alpha, 1.0) : 0.0;
}

void Window::setLayer(int32_t layer) {
    auto guard = world_.lock();
    layer_ = layer;
}

bool Window::moveToSpace(uint64_t space) {
    auto guard = world_.lock();
    if (closed_ || (space != 0 && !world_.spaces().find(space))) return false;
    if (space == space_) return true;
    space_ = space;
    for (uint32_t n : sheets_) {
        if (Window* sheet = world_.window(n)) sheet->space_ = space;
    }
    world_.emit(WorldEventKind::windowSpaceChanged, pid_, number_);
    return true;
}

void Window::setIgnoresMouseEvents(bool ignores) {
    auto guard = world_.lock();
    ignoresMouseEvents_ = ignores;
}

void Window::setContentSeed(uint64_t seed) {
    auto guard = world_.lock();
    contentSeed_ = seed;
}

void Window::setSubrole(std::string subrole) {
    auto guard = world_.lock();
    subrole_ = std::move(subrole);
}

Window* Window::attachSheet(WindowDescription description) {
    auto guard = world_.lock();
    if (closed_) return nullptr;
    description.role = "AXSheet";
    description.subrole.clear();
    description.close.present = description.minimize.present = description.zoom.present =
        description.fullScreenButton.present = false;
    description.titleBarHeight = 0;
    description.space = space_;
    if (!description.frame) {
        const double width = std::min(400.0, frame_.width());
        description.frame = Rect{frame_.midX() - width / 2, frame_.minY() + titleBarHeight_, width, 200};
    }
    Window& sheet = world_.createWindow(owner(), description, true, number_);
    sheets_.push_back(sheet.number());
    world_.emit(WorldEventKind::sheetCreated, pid_, sheet.number());
    world_.refreshFocus(owner());
    return &sheet;
}

Control& Window::addControl(const ControlDescription& description) {
    auto guard = world_.lock();
    Control& control = world_.createControl(pid_, number_, 0, description);
    controls_.push_back(control.id());
    if (closed_) destroyControls();
    return control;
}

Control& Window::addToolbar(const ToolbarDescription& description) {
    auto guard = world_.lock();
    ControlDescription toolbar{.role = "AXToolbar", .frame = description.frame, .children = description.items};
    Control& control = world_.createControl(pid_, number_, 0, toolbar);
    toolbars_.push_back(control.id());
    if (closed_) destroyControls();
    return control;
}

void Window::lagPrivateBounds(const Rect& shown, double seconds) {
    auto guard = world_.lock();
    lag_ = Lag{shown, world_.now() + seconds};
}

}  // namespace platform::desktop
