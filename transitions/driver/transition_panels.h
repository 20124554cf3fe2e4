#pragma once

// The panels a transition shows while it plays, all at the overlay level, all letting
// the mouse through, on every Space and out of the window cycle:
// - the overlay, over the overlay's area: the effect's frames, handed to its texture layer;
// - the frozen panels: what lay behind the window on its display, and the other screens
//   as they were, so that the Dock's own animation of the window stays out of sight.
//
// Stacking. Several transitions may play at once (a group of windows). Every effect
// stays above every frozen picture: a new transition's frozen panels go directly below
// the lowest overlay of all running transitions (its own included), where they lie above
// older frozen pictures, which are less current. Where the overlay itself goes is the
// caller's choice (front, above a panel, below another overlay).
//
// Main thread only.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/appkit/texture_layer.h"
#include "platform/appkit/window.h"
#include "transitions/driver/transition_makings.h"

namespace furlpane {

// Where an overlay goes: above or below the window with that number (0: in front of
// its level).
struct OverlayPlacement {
    platform::WindowOrderingMode mode = platform::WindowOrderingMode::above;
    uint32_t relativeTo = 0;
};

class TransitionPanels {
public:
    // Nothing without an application to own the panels or for an area that is empty or
    // not finite.
    static std::optional<TransitionPanels> create(const platform::Rect& area, double scale,
                                                  const FrozenPicture& backdrop,
                                                  const std::vector<FrozenPicture>& elsewhere);

    const std::shared_ptr<platform::Panel>& overlay() const { return overlay_; }
    const std::shared_ptr<platform::TextureLayer>& frames() const { return frames_; }
    const std::vector<std::shared_ptr<platform::Panel>>& frozen() const { return frozen_; }

    // Orders the overlay in as placed, then the frozen panels below the lowest of the
    // overlays given (the running transitions' and this one's).
    void show(OverlayPlacement placement, const std::vector<uint32_t>& overlays);
    // Orders every panel out and closes it.
    void takeAway();
    // The window numbers of the panels (those that have one).
    std::vector<uint32_t> windowNumbers() const;

private:
    std::shared_ptr<platform::Panel> overlay_;
    std::shared_ptr<platform::TextureLayer> frames_;
    std::vector<std::shared_ptr<platform::Panel>> frozen_;
};

// Of the window numbers, the one that stands lowest on screen; nothing when none is on
// screen.
std::optional<uint32_t> lowestOnScreen(const std::vector<uint32_t>& windows);

}  // namespace furlpane
