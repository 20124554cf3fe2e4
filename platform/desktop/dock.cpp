#include "platform/desktop/dock.h"

#include <climits>
#include <cmath>

#include "platform/defaults/conversions.h"
#include "platform/desktop/desktop.h"

namespace platform::desktop {

namespace {

// The window levels of the Dock and of desktop pictures.
constexpr int32_t kDockLevel = 20;
constexpr int32_t kDesktopLevel = INT32_MIN + 25;

}  // namespace

Application* Dock::application() const {
    const WorldGuard guard = guardWorld(world_);
    return world_.process(pid_);
}

Window* Dock::window() const {
    const WorldGuard guard = guardWorld(world_);
    return world_.window(window_);
}

void Dock::readSettings() {
    // The Dock reads what has been published to its domain, not changes another
    // process has made but not yet synchronized.
    const plist::Dictionary published = world_.preferences().domainValues(kDomain);
    edge_ = DockEdge::bottom;
    if (const plist::Value* orientation = published.find("orientation")) {
        if (const std::string* s = orientation->string()) {
            if (*s == "left") edge_ = DockEdge::left;
            if (*s == "right") edge_ = DockEdge::right;
        }
    }
    const plist::Value* autohide = published.find("autohide");
    autohides_ = autohide && defaults::booleanOf(*autohide);
    genieSpeed_ = 1;
    if (const plist::Value* speed = published.find("genie-speed")) {
        const std::optional<double> n = speed->number();
        if (n && std::isfinite(*n) && *n >= 0) genieSpeed_ = *n;
    }
    const plist::Value* effect = published.find("mineffect");
    minimizeEffect_ = effect && effect->string() ? *effect->string() : "genie";
    const plist::Value* toApplication = published.find("minimize-to-application");
    minimizesToApplication_ = toApplication && defaults::booleanOf(*toApplication);
}

Rect Dock::stripFrame() const {
    const Display* display = world_.displays().find(display_);
    if (!display) return {0, 0, 0, 0};
    const Rect d = world_.displays().topLeftFrame(*display);
    const double t = thickness();
    const double top = d.minY() + Displays::kMenuBarHeight;
    const double height = std::max(0.0, d.height() - Displays::kMenuBarHeight);
    switch (edge_) {
    case DockEdge::bottom: return {d.minX(), d.maxY() - t, d.width(), t};
    case DockEdge::left: return {d.minX(), top, t, height};
    case DockEdge::right: return {d.maxX() - t, top, t, height};
    }
    return {};
}

void Dock::start() {
    readSettings();
    if (!world_.displays().find(display_)) {
        const Display* first = world_.displays().first();
        display_ = first ? first->number() : 0;
    }
    Application& app = world_.createProcess(ProcessKind::application, std::string(kDomain), std::string("Dock"),
                                            ActivationPolicy::prohibited);
    pid_ = app.pid();
    window_ = world_.createWindow(app, systemWindowDescription("Dock", stripFrame(), kDockLevel), false).number();
    pictures_.clear();
    place();
}

void Dock::place() {
    if (!world_.displays().find(display_)) {
        const Display* first = world_.displays().first();
        display_ = first ? first->number() : 0;
    }
    if (Window* w = window()) w->setFrame(stripFrame());
    Application* app = application();
    if (!app) return;
    const auto displays = world_.displays().all();
    while (pictures_.size() > displays.size()) {
        if (Window* w = world_.window(pictures_.back())) w->close();
        pictures_.pop_back();
    }
    for (size_t i = 0; i < displays.size(); ++i) {
        const Rect frame = world_.displays().topLeftFrame(*displays[i]);
        if (i < pictures_.size()) {
            if (Window* w = world_.window(pictures_[i])) w->setFrame(frame);
            continue;
        }
        pictures_.push_back(world_.createWindow(*app, systemWindowDescription("Desktop Picture", frame, kDesktopLevel), false).number());
    }
}

void Dock::applied() {
    world_.emit(WorldEventKind::dockChanged, pid_, window_);
    world_.displaysChanged();
}

void Dock::setEdge(DockEdge edge) {
    auto guard = world_.lock();
    const char* name = edge == DockEdge::left ? "left" : edge == DockEdge::right ? "right" : "bottom";
    world_.preferences().setOwnerValue("orientation", plist::Value(name), kDomain);
    edge_ = edge;
    applied();
}

void Dock::setAutohides(bool autohides) {
    auto guard = world_.lock();
    world_.preferences().setOwnerValue("autohide", plist::Value(autohides), kDomain);
    autohides_ = autohides;
    applied();
}

bool Dock::moveToDisplay(uint32_t display) {
    auto guard = world_.lock();
    if (!world_.displays().find(display)) return false;
    display_ = display;
    applied();
    return true;
}

void Dock::restart() {
    auto guard = world_.lock();
    if (Application* app = application()) world_.terminate(*app);
    start();
    world_.emit(WorldEventKind::applicationLaunched, pid_);
    applied();
}

}  // namespace platform::desktop
