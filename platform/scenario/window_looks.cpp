#include "platform/scenario/window_looks.h"

#include <algorithm>

#include "platform/appkit/window.h"
#include "platform/desktop/desktop.h"

namespace platform::scenario {

namespace {

constexpr int64_t kShaded = 1;
constexpr int64_t kMinimizedInPlace = 7;

double overlap(const Rect& a, const Rect& b) {
    const double width = std::min(a.maxX(), b.maxX()) - std::max(a.minX(), b.minX());
    const double height = std::min(a.maxY(), b.maxY()) - std::max(a.minY(), b.minY());
    return width > 0 && height > 0 ? width * height : 0;
}

// The open windows of the program's process `pid` (any instance's for 0) at a level, front
// to back, on screen or not, until `visit` answers true.
template <class Visit>
void forOwnWindows(const desktop::Desktop& world, int32_t pid, int32_t level, Visit visit) {
    for (const desktop::Window* window : world.windowsFrontToBack()) {
        if (!window->owner().isOwnProcess() || (pid != 0 && window->pid() != pid)) continue;
        if (window->layer() == level && visit(*window)) return;
    }
}

}  // namespace

void WindowLooks::note(const DistributedNotification& notification, int32_t poster) {
    if (notification.name != kStateChanged && notification.name != kStateWillChange) return;
    const plist::Value* window = notification.userInfo.find("WindowID");
    const plist::Value* style = notification.userInfo.find("NewState");
    if (!window || !style || !window->integer() || !style->integer()) return;
    if (*window->integer() < 0 || *window->integer() > UINT32_MAX) return;
    styles_[static_cast<uint32_t>(*window->integer())] = {*style->integer(), poster};
}

void WindowLooks::forgetEnded() {
    std::erase_if(styles_, [this](const auto& entry) { return !runs(entry.second.poster); });
}

size_t WindowLooks::keepOnly(const std::set<uint32_t>& open) {
    const size_t count = styles_.size();
    std::erase_if(styles_, [&open](const auto& entry) { return !open.contains(entry.first); });
    return count;
}

bool WindowLooks::runs(int32_t pid) const {
    const desktop::Application* process = pid > 0 ? world_.process(pid) : nullptr;
    return process && process->isOwnProcess();
}

const WindowLooks::Announced* WindowLooks::announced(const desktop::Window& window) const {
    const auto found = styles_.find(window.number());
    return found != styles_.end() && runs(found->second.poster) ? &found->second : nullptr;
}

desktop::Window* WindowLooks::find(const std::string& title) const {
    for (desktop::Window* window : world_.windowsFrontToBack()) {
        if (!window->owner().isOwnProcess() && window->isAccessible() && window->title() == title)
            return window;
    }
    return nullptr;
}

WindowLook WindowLooks::lookOf(const desktop::Window* window) const {
    if (!window || window->isClosed()) return WindowLook::gone;
    if (window->owner().isHidden()) return WindowLook::hidden;
    if (window->isMinimized()) {
        const Announced* style = announced(*window);
        if (style && style->style == kShaded) return WindowLook::shaded;
        if (style && style->style == kMinimizedInPlace) return WindowLook::thumbnail;
        return WindowLook::docked;
    }
    return liveCopy(*window) || setAside(*window) ? WindowLook::floating : WindowLook::normal;
}

const desktop::Window* WindowLooks::liveCopy(const desktop::Window& window) const {
    const Rect frame = window.frame();
    const double area = frame.width() * frame.height();
    const desktop::Window* copy = nullptr;
    forOwnWindows(world_, 0, window_levels::floating, [&](const desktop::Window& panel) {
        if (panel.isOnScreen() && area > 0 && overlap(panel.frame(), frame) >= kFloatingCover * area) copy = &panel;
        return copy != nullptr;
    });
    return copy;
}

bool WindowLooks::setAside(const desktop::Window& window) const {
    const std::string title = window.title();
    bool found = false;
    forOwnWindows(world_, 0, window_levels::floating, [&](const desktop::Window& panel) {
        found = !panel.isOnScreen() && panel.title() == title;
        return found;
    });
    return found;
}

const desktop::Window* WindowLooks::standIn(const desktop::Window& window) const {
    const Announced* style = announced(window);
    if (!style) return nullptr;
    const std::string title = window.title();
    const desktop::Window* found = nullptr;
    for (int32_t level : {window_levels::floating, window_levels::normal}) {
        forOwnWindows(world_, style->poster, level, [&](const desktop::Window& panel) {
            if (panel.title() == title) found = &panel;
            return found != nullptr;
        });
        if (found) break;
    }
    return found;
}

Rect WindowLooks::frameSeen(const desktop::Window& window, WindowLook look) const {
    // A stand-in on a Space not shown still stands where it stands.
    if (look != WindowLook::shaded && look != WindowLook::thumbnail) return window.frame();
    const desktop::Window* panel = standIn(window);
    return panel ? panel->frame() : window.frame();
}

const desktop::Window* WindowLooks::shownBy(const desktop::Window& window, WindowLook look) const {
    switch (look) {
        case WindowLook::shaded:
        case WindowLook::thumbnail: {
            const desktop::Window* panel = standIn(window);
            return panel && panel->isOnScreen() ? panel : nullptr;
        }
        case WindowLook::floating:
            // While its live copy is set aside the window itself shows, in front.
            if (const desktop::Window* copy = liveCopy(window)) return copy;
            [[fallthrough]];
        case WindowLook::normal: return window.isOnScreen() ? &window : nullptr;
        default: return nullptr;
    }
}

}  // namespace platform::scenario
