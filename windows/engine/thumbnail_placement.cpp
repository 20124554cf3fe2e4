// Where thumbnails stand: the place of a new one, the line along a screen edge, the spots
// the user dragged them to, spots carried over when the screens change, and one
// arrangement for any burst of reasons to arrange.

#include "windows/engine/window_effects.h"

namespace furlpane {

using platform::Point;
using platform::Rect;
using platform::Task;

// Built next.
std::optional<ThumbnailArrangement::Place> WindowEffects::placeForNewThumbnail(const Rect&, const std::vector<Rect>&) {
    return std::nullopt;
}
// Built next.
std::optional<Point> WindowEffects::rememberedThumbnailOrigin(uint32_t window) const {
    const auto found = thumbnailOrigins_.find(window);
    if (found == thumbnailOrigins_.end()) return std::nullopt;
    return found->second.origin;
}
// Built next.
void WindowEffects::scheduleArrangement(std::shared_ptr<AffectedWindow>) {}
// Built next.
void WindowEffects::thumbnailWasMoved(std::shared_ptr<AffectedWindow>, Point) {}
// Built next.
void WindowEffects::screenParametersChanged() {}
// Built next.
void WindowEffects::requestArrangement() {}
// Built next.
Task<void> WindowEffects::arrangementTask() { co_return; }
// Built next.
void WindowEffects::retryArrangement() {}
// Built next.
void WindowEffects::rearrangeThumbnails() {}
// Built next.
WindowEffects::VisibleThumbnails WindowEffects::visibleThumbnails() const { return {}; }
// Built next.
WindowEffects::ScreenFrames WindowEffects::screensWithUsableFrames() { return {}; }
// Built next.
std::map<uint32_t, WindowEffects::RememberedSpot> WindowEffects::carrySpots(const std::map<uint32_t, RememberedSpot>&,
                                                                            const std::vector<ScreenDisplay>&) {
    return {};
}
// Built next.
Rect WindowEffects::thumbnailRect(const AffectedWindow&) { return {}; }

}  // namespace furlpane
