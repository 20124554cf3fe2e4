#pragma once

// The screens as AppKit reports them, read afresh from the current world at every call:
// frames and visible frames in AppKit coordinates (origin at the bottom-left corner of the
// first screen, y upwards), the backing scale factor, and the device description whose
// "NSScreenNumber" is the display number. The first screen is the one with the menu bar.
//
// A Screen refers to a display; once the display has gone its frames are empty and its
// description too. Changes post "NSApplicationDidChangeScreenParametersNotification" to
// the default notification centre.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/geometry/geometry.h"
#include "platform/plist/value.h"

namespace platform {

class Screen {
public:
    static std::vector<Screen> screens();
    // The screen of a display; nothing when the display is not there.
    static std::optional<Screen> withDisplayNumber(uint32_t display);
    // maxY of the first screen's frame: the height by which AppKit and top-left
    // coordinates convert (flipRect, flipPoint); 0 without screens.
    static double flipHeight();
    // Whether each display shows Spaces of its own ("Displays have separate Spaces"): a
    // window then appears on one display only. True without a world, as on a fresh system.
    static bool screensHaveSeparateSpaces();

    uint32_t displayNumber() const { return display_; }

    Rect frame() const;
    Rect visibleFrame() const;
    double backingScaleFactor() const;
    // How many times a second the display refreshes; 0 once the display has gone.
    double maximumFramesPerSecond() const;
    plist::Dictionary deviceDescription() const;
    std::string localizedName() const;

    friend bool operator==(const Screen&, const Screen&) = default;

private:
    explicit Screen(uint32_t display) : display_(display) {}
    uint32_t display_;
};

}  // namespace platform
