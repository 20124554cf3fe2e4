#include "platform/desktop/dock_trips.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/desktop/desktop.h"
#include "platform/notifications/notification_center.h"

namespace platform::desktop {

namespace {

double sane(double seconds) { return std::isfinite(seconds) && seconds > 0 ? seconds : 0; }

int slot(DockTravel direction) { return direction == DockTravel::outOfDock ? 1 : 0; }

double mix(double a, double b, double t) { return a + (b - a) * t; }

}  // namespace

DockTrips& Desktop::dockTrips() { return extension<DockTrips>(); }

void DockTrips::setDuration(double seconds) {
    auto guard = world_.lock();
    durations_[0] = durations_[1] = sane(seconds);
}

void DockTrips::setDuration(DockTravel direction, double seconds) {
    auto guard = world_.lock();
    if (direction != DockTravel::none) durations_[slot(direction)] = sane(seconds);
}

double DockTrips::duration(DockTravel direction) const {
    const WorldGuard guard = guardWorld(world_);
    if (direction == DockTravel::none) return 0;
    return durations_[slot(direction)] * world_.dock().genieSpeed();
}

void DockTrips::setSilence(std::optional<double> seconds) {
    auto guard = world_.lock();
    silence_ = seconds ? std::optional<double>(sane(*seconds)) : std::nullopt;
}

void DockTrips::setOwnWindowNotifications(TripNotifications when) {
    auto guard = world_.lock();
    notifications_ = when;
}

void DockTrips::setNotificationObject(uint32_t window, const void* object) {
    auto guard = world_.lock();
    if (object) {
        objects_[window] = object;
    } else {
        objects_.erase(window);
    }
}

const void* DockTrips::notificationObject(uint32_t window) const {
    const WorldGuard guard = guardWorld(world_);
    auto it = objects_.find(window);
    if (it != objects_.end()) return it->second;
    return world_.windowRecord(window);
}

int DockTrips::tripsUnderway() const {
    int count = 0;
    for (const Window* w : world_.windowsFrontToBack()) {
        if (w->dockTravel() != DockTravel::none) ++count;
    }
    return count;
}

Rect DockTrips::dockTarget() const {
    const WorldGuard guard = guardWorld(world_);
    Rect strip{0, 0, 0, 0};
    if (const Window* dock = world_.dock().window()) {
        strip = dock->frame();
    } else if (const Display* first = world_.displays().first()) {
        const Rect d = world_.displays().topLeftFrame(*first);
        strip = {d.minX(), d.maxY(), d.width(), 0};
    }
    const double side = std::min({kIconSide, strip.width(), strip.height()});
    return {strip.midX() - side / 2, strip.midY() - side / 2, side, side};
}

Rect DockTrips::shapeAt(const Rect& from, const Rect& to, double start, double end, double now) {
    if (!(end > start) || now >= end) return to;
    const double p = std::clamp((now - start) / (end - start), 0.0, 1.0);
    const double t = p * p * (3 - 2 * p);  // eases in and out, as the Dock's animation does
    return {mix(from.minX(), to.minX(), t), mix(from.minY(), to.minY(), t), mix(from.width(), to.width(), t),
            mix(from.height(), to.height(), t)};
}

bool DockTrips::begin(Window& w, DockTravel direction) {
    const bool into = direction == DockTravel::intoDock;
    const double seconds = duration(direction);
    const double now = world_.now();
    // A window turned round starts from wherever it is on its way.
    const Rect from = w.travel_ ? w.privateBounds() : (into ? w.frame_ : dockTarget());
    const uint64_t trip = nextTrip_++;
    w.travel_ = Window::Travel{direction, now, now + seconds, from, into ? dockTarget() : w.frame_, trip};
    w.minimized_ = into;
    if (!into) world_.bringToFront(world_.withSheets(w));
    silence(w, seconds);
    const uint32_t number = w.number();
    if (seconds <= 0) {
        arrive(number, trip);
        return true;
    }
    // The focus passes on (or comes back) as the trip begins.
    world_.refreshFocus(w.owner());
    world_.schedule(seconds, [this, number, trip] { arrive(number, trip); });
    return true;
}

void DockTrips::arrive(uint32_t number, uint64_t trip) {
    Window* w = world_.window(number);
    if (!w || !w->travel_ || w->travel_->trip != trip) return;
    const DockTravel direction = w->travel_->direction;
    w->travel_.reset();
    ++ended_;
    if (direction == DockTravel::intoDock) {
        world_.sendToBack(number);
        world_.emit(WorldEventKind::windowMinimized, w->pid(), number);
    } else {
        world_.emit(WorldEventKind::windowDeminimized, w->pid(), number);
    }
    if (Application* owner = world_.process(w->pid())) {
        world_.refreshFocus(*owner);
        if (owner->isOwnProcess()) notifyOwnWindow(*w, direction);
    }
}

void DockTrips::silence(Window& w, double tripSeconds) {
    Application* app = world_.process(w.pid());
    if (!app || app->isOwnProcess()) return;
    const double span = silence_.value_or(tripSeconds);
    if (span > 0 && app->silentUntil() < world_.now() + span) app->stopAnswering(span);
}

void DockTrips::notifyOwnWindow(const Window& w, DockTravel direction) {
    if (notifications_ == TripNotifications::never) return;
    const std::string name = direction == DockTravel::intoDock ? notifications::kWindowDidMiniaturize
                                                               : notifications::kWindowDidDeminiaturize;
    const void* object = notificationObject(w.number());
    // Never inside the call that began the trip: the program registers for the
    // notification after asking for the trip. It goes to the window's own process.
    world_.postToOwnProcess(w.pid(), Desktop::Delivery::anyMode,
                            [name, object] { NotificationCenter::defaultCenter().post(name, object); });
}

}  // namespace platform::desktop
