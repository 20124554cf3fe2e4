#pragma once

// Drawing an image (an application icon) into a square bitmap of a given pixel size, for
// layers that show it at the screen's backing scale.

#include <optional>

#include "platform/graphics/color_space.h"
#include "platform/graphics/image.h"

namespace furlpane {

// The image drawn over a pixels × pixels bitmap (8 bits per component, premultiplied
// alpha first, little-endian) in the colour space, replacing what lies there; none when
// the bitmap cannot be made (a size outside 1 ... 16384, a space that is not RGB).
std::optional<platform::Image> drawIntoBitmap(const platform::Image& image, int pixels,
                                              const platform::ColorSpace& space);

}  // namespace furlpane
