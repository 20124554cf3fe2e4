#include "windows/access/screens.h"

#include <algorithm>
#include <limits>
#include <memory>

#include "platform/defaults/foreign_preferences.h"
#include "platform/runtime/process_once.h"
#include "platform/windowserver/window_list.h"
#include "windows/access/main_thread.h"
#include "windows/access/window_info.h"

namespace furlpane {

using platform::Point;
using platform::Rect;
using platform::Screen;

namespace {

constexpr const char* kDockDomain = "com.apple.dock";
constexpr const char* kDockOwnerName = "Dock";

// An AppKit rectangle in top-left coordinates, converted with the first screen's maxY
// as it is now.
Rect topLeft(const Rect& appKit) { return platform::flipRect(appKit, Screen::flipHeight()); }

// The number of the Dock's window, kept from one search to the next; main thread only.
std::optional<uint32_t>& dockWindowCache() {
    static platform::ProcessOnce<std::shared_ptr<std::optional<uint32_t>>> cache;
    return *cache.get([] { return std::make_shared<std::optional<uint32_t>>(); });
}

std::optional<DockWindowScreen> searchDockWindow(uint32_t options, uint32_t relativeTo,
                                                 const std::vector<Rect>& frames) {
    // A list that is not all dictionaries counts as no answer.
    const auto list = window_info::copyDictionaries(options, relativeTo);
    if (!list) return std::nullopt;
    return dockWindowScreen(*list, frames);
}

std::optional<Rect> usableFrameOf(const std::optional<Screen>& screen) {
    if (!screen) return std::nullopt;
    const DockSettings settings = dockSettings();
    return extendOverHiddenDock(settings, topLeft(screen->frame()), topLeft(screen->visibleFrame()));
}

}  // namespace

std::optional<uint32_t> screenNumber(const Screen& screen) {
    const auto description = screen.deviceDescription();
    const auto* value = description.find("NSScreenNumber");
    if (!value) return std::nullopt;
    if (const auto n = value->integer()) {
        if (*n < 0 || *n > std::numeric_limits<uint32_t>::max()) return std::nullopt;
        return static_cast<uint32_t>(*n);
    }
    const auto real = value->real();
    if (!real || !(*real >= 0) || !(*real <= std::numeric_limits<uint32_t>::max())) return std::nullopt;
    return static_cast<uint32_t>(*real);
}

std::vector<Rect> screenFrames() {
    requireMainThread("screenFrames");
    std::vector<Rect> frames;
    for (const Screen& screen : Screen::screens()) frames.push_back(topLeft(screen.frame()));
    return frames;
}

bool meetsAnyScreen(const Rect& rect) {
    const auto frames = screenFrames();
    return std::any_of(frames.begin(), frames.end(), [&rect](const Rect& frame) { return rect.intersects(frame); });
}

std::vector<ScreenDisplay> screenFramesWithDisplays() {
    requireMainThread("screenFramesWithDisplays");
    std::vector<ScreenDisplay> result;
    for (const Screen& screen : Screen::screens()) result.push_back({screenNumber(screen), topLeft(screen.frame())});
    return result;
}

std::optional<DisplayFrame> screenDisplayFrame(const Screen& screen) {
    requireMainThread("screenDisplayFrame");
    const auto display = screenNumber(screen);
    if (!display) return std::nullopt;
    return DisplayFrame{*display, topLeft(screen.frame())};
}

std::optional<Screen> screenContaining(Point point) {
    requireMainThread("screenContaining");
    const auto screens = Screen::screens();
    if (screens.empty()) return std::nullopt;
    for (const Screen& screen : screens) {
        if (topLeft(screen.frame()).contains(point)) return screen;
    }
    return screens.front();
}

std::optional<size_t> bestFrameIndex(const Rect& rect, const std::vector<Rect>& frames) {
    requireMainThread("bestFrameIndex");
    if (frames.empty()) return std::nullopt;
    const Point mid = rect.mid();
    for (size_t i = 0; i < frames.size(); ++i) {
        if (frames[i].contains(mid)) return i;
    }
    size_t best = 0;
    double bestArea = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        const double area = frames[i].intersection(rect).area();
        if (area > bestArea) {
            best = i;
            bestArea = area;
        }
    }
    return best;
}

std::optional<Screen> screenForRect(const Rect& rect) {
    requireMainThread("screenForRect");
    const auto index = bestFrameIndex(rect, screenFrames());
    if (!index) return std::nullopt;
    const auto screens = Screen::screens();
    if (*index >= screens.size()) return std::nullopt;  // the displays changed in between
    return screens[*index];
}

DockSettings dockSettings() {
    auto& preferences = platform::ForeignPreferences::current();
    DockSettings settings;
    const auto orientation = preferences.copyValue("orientation", kDockDomain);
    const std::string* edge = orientation ? orientation->string() : nullptr;
    if (edge && *edge == "left") settings.edge = DockEdge::left;
    if (edge && *edge == "right") settings.edge = DockEdge::right;
    settings.autohides = preferences.booleanValue("autohide", kDockDomain);
    return settings;
}

Rect extendOverHiddenDock(const DockSettings& settings, const Rect& screenFrame, const Rect& visibleFrame) {
    if (!settings.autohides) return visibleFrame;
    Rect result = visibleFrame;
    switch (settings.edge) {
    case DockEdge::bottom: result.size.height = std::max(0.0, screenFrame.maxY() - visibleFrame.minY()); break;
    case DockEdge::left:
        result.origin.x = screenFrame.minX();
        result.size.width = std::max(0.0, visibleFrame.maxX() - screenFrame.minX());
        break;
    case DockEdge::right: result.size.width = std::max(0.0, screenFrame.maxX() - visibleFrame.minX()); break;
    }
    return result;
}

Rect clampRect(const Rect& rect, const Rect& bounds) {
    const double x = std::min(std::max(rect.minX(), bounds.minX()), std::max(bounds.maxX() - rect.width(), bounds.minX()));
    const double y = std::min(std::max(rect.minY(), bounds.minY()), std::max(bounds.maxY() - rect.height(), bounds.minY()));
    return Rect{x, y, rect.size.width, rect.size.height};
}

std::optional<Rect> frameOnConnectedScreen(const Rect& frame) {
    requireMainThread("frameOnConnectedScreen");
    if (meetsAnyScreen(frame)) return frame;
    const auto screens = Screen::screens();
    if (screens.empty()) return std::nullopt;
    return clampRect(frame, topLeft(screens.front().visibleFrame()));
}

std::optional<Rect> usableFrameForRect(const Rect& rect) {
    requireMainThread("usableFrameForRect");
    return usableFrameOf(screenForRect(rect));
}

std::optional<Rect> usableFrameAtPoint(Point point) {
    requireMainThread("usableFrameAtPoint");
    return usableFrameOf(screenContaining(point));
}

std::optional<DockWindowScreen> dockWindowScreen(const platform::plist::Array& windows, const std::vector<Rect>& frames) {
    requireMainThread("dockWindowScreen");
    const int64_t dockLevel = platform::windowLevelForKey(platform::WindowLevelKey::dock);
    for (const auto& item : windows) {
        const auto* entry = item.dictionary();
        if (!entry) continue;
        const std::string* owner = window_info::ownerName(*entry);
        const auto layer = window_info::layer(*entry);
        const auto number = window_info::number(*entry);
        const auto bounds = window_info::bounds(*entry);
        if (!owner || *owner != kDockOwnerName || layer != dockLevel || !number || !bounds) continue;
        for (const Rect& frame : frames) {
            if (frame.contains(bounds->mid())) return DockWindowScreen{*number, frame};
        }
    }
    return std::nullopt;
}

std::optional<Rect> dockScreenFrame() {
    requireMainThread("dockScreenFrame");
    const auto frames = screenFrames();
    std::optional<uint32_t>& cached = dockWindowCache();
    if (cached) {
        if (auto hit = searchDockWindow(platform::WindowList::includingWindow, *cached, frames)) return hit->screen;
    }
    auto hit = searchDockWindow(platform::WindowList::all, platform::WindowList::kNullWindow, frames);
    cached = hit ? std::optional<uint32_t>(hit->window) : std::nullopt;
    if (!hit) return std::nullopt;
    return hit->screen;
}

}  // namespace furlpane
