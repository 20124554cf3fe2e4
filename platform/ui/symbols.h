#pragma once

// Inside the toolkit: the system symbol images the program names, drawn as simple flat
// shapes in a square box. Unknown names draw nothing.

#include <string>

#include "platform/geometry/geometry.h"
#include "platform/graphics/color_space.h"
#include "platform/ui/painter.h"

namespace platform::ui::detail {

bool symbolExists(const std::string& name);
void drawSymbol(Painter& painter, const std::string& name, const Rect& box, const Color& color);

}  // namespace platform::ui::detail
