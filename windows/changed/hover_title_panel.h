#pragma once

// The capsule that shows a hovered thumbnail's title: centred on the thumbnail's top
// edge, or 2 points below the thumbnail when there is no room above, kept inside the
// usable part of its screen. It never takes the mouse or the focus, and rides along with
// its stand-in as a child window.
//
// The changed window makes it once, sets the label's text and calls show each time the
// thumbnail is hovered; it takes it off its parent and orders it out when hover ends.
// Main thread only.

#include <memory>
#include <optional>

#include "platform/appkit/text_field.h"
#include "platform/appkit/window.h"
#include "platform/geometry/geometry.h"

namespace furlpane {

class HoverTitlePanel : public platform::Panel {
public:
    static constexpr double kFontSize = 14;
    static constexpr double kHorizontalMargin = 12;
    static constexpr double kVerticalMargin = 4;
    // The text is never narrower than this less the margins, however small the thumbnail.
    static constexpr double kMinimumWidth = 60;
    static constexpr double kGapBelow = 2;

    // Bold white 14-point text on black at 50 %, centred, at most two lines cut in the
    // middle, with a shadow; a clear panel without shadow that ignores the mouse.
    static std::shared_ptr<HoverTitlePanel> create();

    bool canBecomeKeyWindow() const override { return false; }
    bool canBecomeMainWindow() const override { return false; }

    platform::TextField& label() const { return *label_; }

    // Sizes the capsule to the label's text and places it for the stand-in `parent`,
    // whose frame is given (top-left) or taken from it; joins the parent as a child
    // window above it.
    void show(platform::Window& parent, std::optional<platform::Rect> frame = std::nullopt);

private:
    struct Key {};

public:
    explicit HoverTitlePanel(const Key&);

private:
    // The usable frame (top-left) of the screen whose frame holds the point; none when no
    // screen does.
    static std::optional<platform::Rect> usableFrameAround(platform::Point point);

    std::shared_ptr<platform::TextField> label_;
};

}  // namespace furlpane
