// The fitting of a window's picture (and its application icon) into a thumbnail.

#include "windows/changed/thumbnail_layout.h"

#include <algorithm>
#include <cmath>

namespace furlpane {

namespace {

// x, or the lower bound when x is below it or not a number.
double atLeast(double x, double lower) { return x >= lower && std::isfinite(x) ? x : lower; }

}  // namespace

double ThumbnailLayout::side(double scale) {
    if (!(scale > 0.1)) return 13;
    return platform::rounded(128 * std::min(scale, 2.0));
}

ThumbnailLayout ThumbnailLayout::compute(platform::Size pictureSize, double side, std::optional<double> iconSide) {
    double fittingSide = side;
    double icon = 0, overhang = 0;
    // An icon side that is not a positive number, or no side to halve, shows no icon.
    const bool showsIcon = iconSide && *iconSide > 0 && std::isfinite(*iconSide) && std::isfinite(side);
    if (showsIcon) {
        icon = std::min(platform::rounded(side * 0.5), *iconSide);
        overhang = platform::rounded(icon / 3);
        fittingSide = side - overhang;
    }
    const double target = atLeast(fittingSide, 1);
    const double scale = std::min(target / atLeast(pictureSize.width, 1), target / atLeast(pictureSize.height, 1));
    const platform::Size fitted{atLeast(platform::rounded(scale * pictureSize.width), 1),
                                atLeast(platform::rounded(scale * pictureSize.height), 1)};
    const platform::Rect imageFrame{{0, 0}, fitted};
    if (!showsIcon) return {fitted, imageFrame, std::nullopt};
    const platform::Size size{std::max(overhang + fitted.width, icon), std::max(overhang + fitted.height, icon)};
    return {size, imageFrame, platform::Rect(size.width - icon, size.height - icon, icon, icon)};
}

}  // namespace furlpane
