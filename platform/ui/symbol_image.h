#pragma once

// A system symbol image by name, as AppKit views take one: the toolkit's drawing of the
// symbol (symbols.h) in a square of the point size, at a number of pixels per point.

#include <optional>
#include <string>

#include "platform/graphics/image.h"

namespace platform::ui {

// None for a name the system does not know, or a size that makes no picture.
std::optional<Image> systemSymbolImage(const std::string& name, double pointSize, double scale = 2);

}  // namespace platform::ui
