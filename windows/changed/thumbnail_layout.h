#pragma once

// How a stand-in shows its window's picture (StandInLook), and where a thumbnail puts
// the picture and the application icon (ThumbnailLayout).
//
// A thumbnail's layout is pure geometry in the thumbnail's own top-left coordinates
// (origin at its top-left corner, y downwards, points). The picture is fitted so that
// its longer side fills the fitting side (a smaller picture is enlarged); with an icon
// the fitting side shrinks by the icon's overhang, and the icon sits in the bottom-right
// corner, reaching past the picture by that overhang on the right and at the bottom.
// Sizes that are not finite count as the smallest allowed, so every layout is at least
// one point each way; an icon side that is not a positive number shows no icon.

#include <optional>

#include "platform/geometry/geometry.h"

namespace furlpane {

struct ThumbnailLayout {
    platform::Size size;                      // the stand-in's size
    platform::Rect imageFrame;                // where the picture lies
    std::optional<platform::Rect> iconFrame;  // where the application icon lies; none without icon

    friend bool operator==(const ThumbnailLayout&, const ThumbnailLayout&) = default;

    // The side of a thumbnail at a scale of the 128-point standard: 128 × min(scale, 2),
    // rounded to whole points, and 13 for a scale of 0.1 or less (or not a number).
    static double side(double scale);
    // The layout of a picture of pictureSize in a thumbnail of the given side, with an
    // application icon of at most iconSide when one is given.
    static ThumbnailLayout compute(platform::Size pictureSize, double side, std::optional<double> iconSide);
};

// How a stand-in shows its picture: as a thumbnail with its layout, as a title strip
// (the top band of the picture at full width), or whole (stretched over the stand-in).
class StandInLook {
public:
    enum class Kind { thumbnail, titleBar, whole };

    static StandInLook thumbnail(ThumbnailLayout layout) { return StandInLook(Kind::thumbnail, layout); }
    static StandInLook titleBar() { return StandInLook(Kind::titleBar, std::nullopt); }
    static StandInLook whole() { return StandInLook(Kind::whole, std::nullopt); }

    Kind kind() const { return kind_; }
    // The thumbnail's layout; none for the other looks.
    const std::optional<ThumbnailLayout>& layout() const { return layout_; }

    friend bool operator==(const StandInLook&, const StandInLook&) = default;

private:
    StandInLook(Kind kind, std::optional<ThumbnailLayout> layout) : kind_(kind), layout_(layout) {}
    Kind kind_;
    std::optional<ThumbnailLayout> layout_;
};

}  // namespace furlpane
