// Where thumbnails stand: the place of a new one, the line along a screen edge, the spots
// the user dragged them to, spots carried over when the screens change, and one
// arrangement for any burst of reasons to arrange.

#include <algorithm>

#include "platform/appkit/screen.h"
#include "platform/services/workspace.h"
#include "transitions/driver/stand_in_transition.h"
#include "windows/access/main_thread.h"
#include "windows/engine/window_effects.h"

namespace furlpane {

using platform::Point;
using platform::Rect;
using platform::Task;

namespace {

// The frames of the windows' thumbnails that stand on the screen of that index (a
// thumbnail that meets no screen stands on the first).
std::vector<Rect> rectsOnScreen(const WindowEffects::WindowList& windows, const std::vector<Rect>& frames,
                                size_t screen) {
    std::vector<Rect> rects;
    for (const auto& window : windows) {
        const Rect rect = WindowEffects::thumbnailRect(*window);
        if (bestFrameIndex(rect, frames) == screen) rects.push_back(rect);
    }
    return rects;
}

std::vector<Rect> rectsOf(const WindowEffects::WindowList& windows) {
    std::vector<Rect> rects;
    for (const auto& window : windows) rects.push_back(WindowEffects::thumbnailRect(*window));
    return rects;
}

ThumbnailArrangement arrangementOn(const Preferences& preferences, const Rect& usable) {
    return {preferences.thumbnailOrder(), ThumbnailLayout::side(preferences.thumbnailScale()), usable};
}

// A thumbnail takes its cell from the moment it is placed, not only once its transition
// has handed over to its panel: a thumbnail placed meanwhile would otherwise be given the
// same cell, and nothing would part them afterwards. One whose application was hidden on
// the way is not handed its panel, and takes no part.
bool takesPart(const AffectedWindow& window) {
    const auto& panel = window.panel();
    if (window.standIn() != StandIn::thumbnail || !panel || !panel->isOnActiveSpace()) return false;
    if (panel->isVisible()) return true;
    const auto& transition = window.transition();
    if (!transition || transition->isOver()) return false;
    const auto owner = platform::RunningApplication::withProcessIdentifier(window.target().processIdentifier);
    return !owner || !owner->isHidden();
}

}  // namespace

std::optional<ThumbnailArrangement::Place> WindowEffects::placeForNewThumbnail(const Rect& frame,
                                                                               const std::vector<Rect>& pending) {
    requireMainThread("WindowEffects.placeForNewThumbnail");
    if (!preferences_.arrangesThumbnails()) return std::nullopt;
    const ScreenFrames screens = screensWithUsableFrames();
    const auto chosen = bestFrameIndex(frame, screens.frames);
    if (!chosen) return std::nullopt;
    const VisibleThumbnails visible = visibleThumbnails();
    std::vector<Rect> occupied = rectsOnScreen(visible.arranged, screens.frames, *chosen);
    for (const Rect& rect : pending) {
        if (bestFrameIndex(rect, screens.frames) == chosen) occupied.push_back(rect);
    }
    const std::vector<Rect> byHand = rectsOf(visible.placedByHand);
    return arrangementOn(preferences_, screens.usable[*chosen]).place(occupied, byHand);
}

std::optional<Point> WindowEffects::rememberedThumbnailOrigin(uint32_t window) const {
    const auto found = thumbnailOrigins_.find(window);
    if (found == thumbnailOrigins_.end()) return std::nullopt;
    return found->second.origin;
}

// The remembered spot stays: the window may be minimized in place again.
void WindowEffects::scheduleArrangement(std::shared_ptr<AffectedWindow> after) {
    if (after) thumbnailsPlacedByHand_.erase(after->target().id);
    if (preferences_.arrangesThumbnails()) requestArrangement();
}

// The spot is remembered whether or not thumbnails are arranged, with the display it lies
// on, so that it can follow that display when the screens change.
void WindowEffects::thumbnailWasMoved(std::shared_ptr<AffectedWindow> window, Point topLeft) {
    requireMainThread("WindowEffects.thumbnailWasMoved");
    RememberedSpot spot{topLeft, std::nullopt};
    for (const auto& screen : screenFramesWithDisplays()) {
        if (!screen.frame.contains(topLeft)) continue;
        if (screen.display) spot.leftOn = RememberedSpot::LeftOn{*screen.display, screen.frame.origin};
        break;
    }
    const uint32_t number = window->target().id;
    thumbnailOrigins_.insert_or_assign(number, spot);
    if (!preferences_.arrangesThumbnails()) return;
    thumbnailsPlacedByHand_.insert(number);
    requestArrangement();
}

// Every thumbnail is placed again from where its panel stands.
void WindowEffects::screenParametersChanged() {
    requireMainThread("WindowEffects.screenParametersChanged");
    for (const auto& window : windows()) {
        if (window->standIn() == StandIn::thumbnail) window->setPlace(std::nullopt);
    }
    thumbnailOrigins_ = carrySpots(thumbnailOrigins_, screenFramesWithDisplays());
    requestArrangement();
}

void WindowEffects::requestArrangement() {
    if (isArrangementPending_) return;
    isArrangementPending_ = true;
    onMainActor(Job([](WindowEffects& effects) { return effects.arrangementTask(); }));
}

// Thumbnails never move under a running transition: the arrangement waits for the last
// one to finish, and stays pending meanwhile, so that requests in between add nothing.
Task<void> WindowEffects::arrangementTask() {
    if (StandInTransition::running().empty()) {
        isArrangementPending_ = false;
        rearrangeThumbnails();
        co_return;
    }
    std::weak_ptr<WindowEffects> weak = weak_from_this();
    StandInTransition::addIdleWaiter([weak] {
        if (const auto effects = weak.lock()) effects->retryArrangement();
    });
}

void WindowEffects::retryArrangement() {
    isArrangementPending_ = false;
    requestArrangement();
}

void WindowEffects::rearrangeThumbnails() {
    requireMainThread("WindowEffects.rearrangeThumbnails");
    const VisibleThumbnails visible = visibleThumbnails();
    if (!preferences_.arrangesThumbnails()) {
        thumbnailsPlacedByHand_.clear();
        for (const auto& window : visible.arranged) window->moveThumbnail(std::nullopt);
        for (const auto& window : visible.placedByHand) window->moveThumbnail(std::nullopt);
        return;
    }
    for (const auto& window : visible.placedByHand) window->moveThumbnail(std::nullopt);
    const std::vector<Rect> byHand = rectsOf(visible.placedByHand);
    const ScreenFrames screens = screensWithUsableFrames();
    for (size_t screen = 0; screen < screens.usable.size(); ++screen) {
        WindowList members;
        std::vector<ThumbnailArrangement::Item> items;
        for (const auto& window : visible.arranged) {
            const Rect rect = thumbnailRect(*window);
            if (bestFrameIndex(rect, screens.frames) != screen) continue;
            members.push_back(window);
            items.push_back({window->target().id, rect});
        }
        const auto places = arrangementOn(preferences_, screens.usable[screen]).places(items, byHand);
        for (const auto& window : members) {
            const auto found = places.find(window->target().id);
            window->moveThumbnail(found == places.end() ? std::nullopt : std::optional(found->second));
        }
    }
}

WindowEffects::VisibleThumbnails WindowEffects::visibleThumbnails() const {
    VisibleThumbnails visible;
    for (const auto& window : windows()) {
        if (!takesPart(*window)) continue;
        auto& list = thumbnailsPlacedByHand_.count(window->target().id) ? visible.placedByHand : visible.arranged;
        list.push_back(window);
    }
    return visible;
}

WindowEffects::ScreenFrames WindowEffects::screensWithUsableFrames() {
    requireMainThread("WindowEffects.screensWithUsableFrames");
    const DockSettings dock = dockSettings();
    const double flip = platform::Screen::flipHeight();
    ScreenFrames screens;
    for (const platform::Screen& screen : platform::Screen::screens()) {
        const Rect frame = platform::flipRect(screen.frame(), flip);
        screens.frames.push_back(frame);
        screens.usable.push_back(extendOverHiddenDock(dock, frame, platform::flipRect(screen.visibleFrame(), flip)));
    }
    return screens;
}

// A spot follows its display when the display moved, and is forgotten when the display
// is gone or no longer holds it.
std::map<uint32_t, WindowEffects::RememberedSpot> WindowEffects::carrySpots(
    const std::map<uint32_t, RememberedSpot>& spots, const std::vector<ScreenDisplay>& screens) {
    std::map<uint32_t, RememberedSpot> carried;
    for (const auto& [window, spot] : spots) {
        if (!spot.leftOn) continue;
        const auto screen = std::find_if(screens.begin(), screens.end(),
                                         [&spot](const ScreenDisplay& s) { return s.display == spot.leftOn->display; });
        if (screen == screens.end()) continue;
        const Point origin{spot.origin.x + screen->frame.minX() - spot.leftOn->origin.x,
                           spot.origin.y + screen->frame.minY() - spot.leftOn->origin.y};
        if (!screen->frame.contains(origin)) continue;
        carried.emplace(window, RememberedSpot{origin, RememberedSpot::LeftOn{spot.leftOn->display, screen->frame.origin}});
    }
    return carried;
}

// At its resting size: where it stands in its place, else where its panel stands.
Rect WindowEffects::thumbnailRect(const AffectedWindow& window) {
    const platform::Size size = window.layOutThumbnail(AffectedWindow::ThumbnailHover::resting).size;
    if (const auto& place = window.place()) return place->frameFor(size);
    const Point origin = window.panel() ? window.panel()->topLeftFrame().origin : Point{};
    return {origin, size};
}

}  // namespace furlpane
