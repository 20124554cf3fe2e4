// Where a transition plays: the display of a window, the area its overlay covers, and
// the pictures of the screens it freezes.

#include "platform/appkit/screen.h"
#include "transitions/driver/stand_in_transition.h"
#include "transitions/driver/transition_choices.h"
#include "windows/access/screens.h"
#include "windows/access/window_server.h"

namespace furlpane {

using platform::Rect;
using platform::Screen;

Rect belowMenuBar(const Rect& frame, const Rect& visible) {
    const Rect below{frame.minX(), visible.minY(), frame.width(), frame.maxY() - visible.minY()};
    const Rect part = below.intersection(frame);
    return part.isNull() ? Rect::zero() : part;
}

std::optional<StandInTransition::Display> StandInTransition::surveyDisplay(const Rect& frame) {
    const std::vector<Screen> screens = Screen::screens();
    if (screens.empty()) return std::nullopt;
    const double flip = Screen::flipHeight();
    Display display;
    for (const Screen& screen : screens) display.screens.push_back(platform::flipRect(screen.frame(), flip));
    const size_t index = bestFrameIndex(frame, display.screens).value_or(0);
    const Screen& screen = screens[index];
    display.frame = display.screens[index];
    display.visible = platform::flipRect(screen.visibleFrame(), flip);
    display.scale = screen.backingScaleFactor();
    display.number = screen.displayNumber();
    display.hasSeparateSpaces = Screen::screensHaveSeparateSpaces();
    for (size_t i = 0; i < screens.size(); ++i) {
        if (i == index) continue;
        display.elsewhere.push_back(belowMenuBar(display.screens[i], platform::flipRect(screens[i].visibleFrame(), flip)));
    }
    return display;
}

std::optional<Rect> StandInTransition::overlayArea(const StandInShape& standIn, const Display& display) {
    return transition_choices::overlayArea(standIn, display);
}

std::optional<std::pair<int, int>> StandInTransition::mainOverlayPixels() {
    const std::vector<Screen> screens = Screen::screens();
    if (screens.empty()) return std::nullopt;
    const auto display = surveyDisplay(platform::flipRect(screens.front().frame(), Screen::flipHeight()));
    if (!display) return std::nullopt;
    // A stand-in anywhere in the visible frame: the area is then the display below its menu bar.
    StandInShape standIn;
    standIn.frame = display->visible;
    const auto area = overlayArea(standIn, *display);
    if (!area) return std::nullopt;
    transition_choices::UniformInputs inputs;
    inputs.area = inputs.window = inputs.visible = *area;
    inputs.standIn = standIn;
    inputs.scale = display->scale;
    return TransitionFrames::targetSize(transition_choices::initialUniforms(inputs));
}

std::vector<StandInTransition::Frozen> StandInTransition::backdropPicture(const std::vector<Rect>& screens,
                                                                         const std::set<uint32_t>& excluded) {
    std::vector<Frozen> pictures;
    for (const Rect& frame : screens) {
        if (!hasArea(frame)) continue;
        if (auto picture = WindowServer::captureBackdrop(excluded, frame)) pictures.push_back({frame, std::move(*picture)});
    }
    return pictures;
}

}  // namespace furlpane
