#include "platform/desktop/spaces.h"

#include <algorithm>

#include "platform/desktop/desktop.h"

namespace platform::desktop {

std::vector<Space> Spaces::all() const { return readLocked(world_, spaces_); }

std::vector<Space> Spaces::onDisplay(uint32_t display) const {
    const WorldGuard guard = guardWorld(world_);
    std::vector<Space> result;
    for (const auto& s : spaces_) {
        if (s.display == display) result.push_back(s);
    }
    return result;
}

std::optional<Space> Spaces::find(uint64_t id) const {
    const WorldGuard guard = guardWorld(world_);
    for (const auto& s : spaces_) {
        if (s.id == id) return s;
    }
    return std::nullopt;
}

std::optional<uint64_t> Spaces::current(uint32_t display) const {
    const WorldGuard guard = guardWorld(world_);
    auto it = current_.find(display);
    if (it == current_.end()) return std::nullopt;
    return it->second;
}

std::vector<uint64_t> Spaces::currentSpaces() const {
    const WorldGuard guard = guardWorld(world_);
    std::vector<uint64_t> result;
    for (const Display* d : world_.displays().all()) {
        if (auto id = current(d->number())) result.push_back(*id);
    }
    return result;
}

bool Spaces::isShown(uint64_t id) const {
    if (id == 0) return true;
    const WorldGuard guard = guardWorld(world_);
    return std::any_of(current_.begin(), current_.end(), [id](const auto& entry) { return entry.second == id; });
}

uint64_t Spaces::add(uint32_t display, SpaceKind kind) {
    auto guard = world_.lock();
    if (!world_.displays().find(display)) return 0;
    const uint64_t id = nextId_++;
    spaces_.push_back({id, display, kind});
    if (!current_.count(display)) current_[display] = id;
    return id;
}

bool Spaces::switchTo(uint64_t id) {
    auto guard = world_.lock();
    const std::optional<Space> space = find(id);
    if (!space) return false;
    auto& shown = current_[space->display];
    if (shown == id) return true;
    shown = id;
    world_.spaceShown();
    return true;
}

bool Spaces::remove(uint64_t id) {
    auto guard = world_.lock();
    const std::optional<Space> space = find(id);
    if (!space || isShown(id)) return false;
    moveWindows(id, current(space->display).value_or(0));
    std::erase_if(spaces_, [id](const Space& s) { return s.id == id; });
    return true;
}

void Spaces::moveWindows(uint64_t from, uint64_t to) {
    for (const auto& w : world_.windows_) {
        if (w->space_ != from) continue;
        w->space_ = to;
        if (!w->closed_) world_.emit(WorldEventKind::windowSpaceChanged, w->pid(), w->number());
    }
}

void Spaces::displaysChanged() {
    const auto displays = world_.displays().all();
    auto exists = [&](uint32_t number) {
        return std::any_of(displays.begin(), displays.end(), [number](const Display* d) { return d->number() == number; });
    };
    std::vector<uint64_t> shownOnGone;
    for (auto it = current_.begin(); it != current_.end();) {
        if (exists(it->first)) {
            ++it;
            continue;
        }
        shownOnGone.push_back(it->second);
        it = current_.erase(it);
    }
    if (!displays.empty()) {
        // Spaces of displays that went away join the first display, behind its own.
        const uint32_t first = displays.front()->number();
        for (auto& s : spaces_) {
            if (!exists(s.display)) s.display = first;
        }
    }
    for (const Display* d : displays) {
        const bool has = std::any_of(spaces_.begin(), spaces_.end(), [d](const Space& s) { return s.display == d->number(); });
        if (!has) spaces_.push_back({nextId_++, d->number(), SpaceKind::user});
        if (!current_.count(d->number())) {
            for (const auto& s : spaces_) {
                if (s.display == d->number()) {
                    current_[d->number()] = s.id;
                    break;
                }
            }
        }
    }
    // What a display that went away showed stays in sight: its windows come to the Space
    // the first display shows. Its other Spaces keep theirs.
    if (displays.empty()) return;
    const uint64_t refuge = current_[displays.front()->number()];
    for (uint64_t id : shownOnGone) moveWindows(id, refuge);
}

}  // namespace platform::desktop
