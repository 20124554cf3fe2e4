// Operations of the changed window that are still to be built: the engine's entries and
// Dock trips, restore and the picture refresh, floating's two faces, and the thumbnails'
// movement and hover. Each is built next, in a file of its own name; until then each
// does nothing, or stops the program where nothing may call it yet.

#include "windows/changed/affected_window.h"

namespace furlpane {

using platform::Task;

// ---- Dock trips (built next)
AffectedWindow::MinimizePictures AffectedWindow::captureMinimizePictures(uint32_t, WindowServer::CaptureResolution,
                                                                         std::shared_ptr<TransitionRenderer>,
                                                                         std::optional<platform::Rect>,
                                                                         std::set<uint32_t>,
                                                                         std::vector<platform::Rect>) {
    return {};
}
std::function<void()> AffectedWindow::dockTripHandOff(std::weak_ptr<StandInPanel>, std::weak_ptr<StandInTransition>) {
    return {};
}
std::function<void()> AffectedWindow::dockTripCompletion(std::weak_ptr<StandInPanel>, bool) { return {}; }

}  // namespace furlpane
