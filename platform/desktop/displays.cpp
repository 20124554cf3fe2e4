#include "platform/desktop/displays.h"

#include <algorithm>
#include <cmath>

#include "platform/desktop/desktop.h"

namespace platform::desktop {

Display::Display(Desktop& world, uint32_t number, const DisplayDescription& description)
    : world_(world),
      number_(number),
      frame_(description.frame.standardized()),
      explicitVisible_(description.visibleFrame),
      scale_(description.backingScaleFactor > 0 ? description.backingScaleFactor : 1),
      refreshRate_(description.refreshRate > 0 && std::isfinite(description.refreshRate) ? description.refreshRate
                                                                                         : 120),
      name_(description.name) {
    description_.set("NSScreenNumber", plist::Value(number));
    description_.set("NSDeviceSize", plist::Dictionary{{"Width", frame_.width()}, {"Height", frame_.height()}});
    description_.set("NSDeviceIsScreen", "YES");
}

Rect Display::visibleFrame() const {
    const WorldGuard guard = guardWorld(world_);
    if (explicitVisible_) return *explicitVisible_;
    Rect r = frame_;
    r.size.height = std::max(0.0, r.size.height - Displays::kMenuBarHeight);
    const Dock& dock = world_.dock();
    if (dock.display() != number_) return r;
    const double t = dock.thickness();
    switch (dock.edge()) {
    case DockEdge::bottom:
        r.origin.y += std::min(t, r.size.height);
        r.size.height = std::max(0.0, r.size.height - t);
        break;
    case DockEdge::left:
        r.origin.x += std::min(t, r.size.width);
        r.size.width = std::max(0.0, r.size.width - t);
        break;
    case DockEdge::right: r.size.width = std::max(0.0, r.size.width - t); break;
    }
    return r;
}

std::vector<const Display*> Displays::all() const {
    const WorldGuard guard = guardWorld(world_);
    std::vector<const Display*> result;
    for (const auto& d : displays_) result.push_back(d.get());
    return result;
}

const Display* Displays::find(uint32_t number) const {
    const WorldGuard guard = guardWorld(world_);
    for (const auto& d : displays_) {
        if (d->number() == number) return d.get();
    }
    return nullptr;
}

Display* Displays::findMutable(uint32_t number) { return const_cast<Display*>(find(number)); }

const Display* Displays::first() const {
    const WorldGuard guard = guardWorld(world_);
    return displays_.empty() ? nullptr : displays_.front().get();
}

double Displays::firstMaxY() const {
    const WorldGuard guard = guardWorld(world_);
    return displays_.empty() ? 0 : displays_.front()->frame().maxY();
}

Rect Displays::topLeftFrame(const Display& display) const {
    const WorldGuard guard = guardWorld(world_);
    return flipRect(display.frame(), firstMaxY());
}

Rect Displays::topLeftVisibleFrame(const Display& display) const {
    const WorldGuard guard = guardWorld(world_);
    return flipRect(display.visibleFrame(), firstMaxY());
}

const Display* Displays::displayFor(const Rect& topLeft) const {
    const WorldGuard guard = guardWorld(world_);
    if (displays_.empty()) return nullptr;
    const Point mid = topLeft.mid();
    for (const auto& d : displays_) {
        if (topLeftFrame(*d).contains(mid)) return d.get();
    }
    const Display* best = displays_.front().get();
    double bestArea = 0;
    for (const auto& d : displays_) {
        const double area = topLeftFrame(*d).intersection(topLeft).area();
        if (area > bestArea) {
            bestArea = area;
            best = d.get();
        }
    }
    return best;
}

void Displays::insert(const DisplayDescription& description) {
    uint32_t number = description.displayNumber.value_or(nextNumber_);
    if (find(number)) number = nextNumber_;
    while (find(number)) ++number;
    nextNumber_ = std::max(nextNumber_, number + 1);
    displays_.push_back(std::make_unique<Display>(world_, number, description));
}

void Displays::changed() { world_.displaysChanged(); }

void Displays::set(const std::vector<DisplayDescription>& descriptions) {
    auto guard = world_.lock();
    for (auto& d : displays_) removed_.push_back(std::move(d));
    displays_.clear();
    for (const auto& description : descriptions) insert(description);
    changed();
}

uint32_t Displays::add(const DisplayDescription& description) {
    auto guard = world_.lock();
    insert(description);
    changed();
    return displays_.back()->number();
}

bool Displays::remove(uint32_t number) {
    auto guard = world_.lock();
    auto it = std::find_if(displays_.begin(), displays_.end(), [number](const auto& d) { return d->number() == number; });
    if (it == displays_.end()) return false;
    const Rect gone = topLeftFrame(**it);
    removed_.push_back(std::move(*it));
    displays_.erase(it);
    changed();
    world_.gatherWindows(gone);
    return true;
}

bool Displays::setFrame(uint32_t number, const Rect& frame) {
    auto guard = world_.lock();
    Display* d = findMutable(number);
    if (!d || !frame.isFinite()) return false;
    d->frame_ = frame.standardized();
    d->description_.set("NSDeviceSize", plist::Dictionary{{"Width", d->frame_.width()}, {"Height", d->frame_.height()}});
    changed();
    return true;
}

bool Displays::setVisibleFrame(uint32_t number, std::optional<Rect> visibleFrame) {
    auto guard = world_.lock();
    Display* d = findMutable(number);
    if (!d) return false;
    d->explicitVisible_ = visibleFrame;
    changed();
    return true;
}

bool Displays::setBackingScaleFactor(uint32_t number, double scale) {
    auto guard = world_.lock();
    Display* d = findMutable(number);
    if (!d || !(scale > 0)) return false;
    d->scale_ = scale;
    changed();
    return true;
}

bool Displays::setRefreshRate(uint32_t number, double framesPerSecond) {
    auto guard = world_.lock();
    Display* d = findMutable(number);
    if (!d || !(framesPerSecond > 0) || !std::isfinite(framesPerSecond)) return false;
    d->refreshRate_ = framesPerSecond;
    changed();
    return true;
}

bool Displays::setDeviceDescriptionValue(uint32_t number, const std::string& key, std::optional<plist::Value> value) {
    auto guard = world_.lock();
    Display* d = findMutable(number);
    if (!d) return false;
    if (value) {
        d->description_.set(key, std::move(*value));
    } else {
        d->description_.erase(key);
    }
    return true;
}

}  // namespace platform::desktop
