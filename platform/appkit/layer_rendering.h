#pragma once

// Pictures of layers and of the program's windows.
//
// A layer tree is drawn as the screen would show it: each layer at its frame in its
// superlayer's space (y upwards), its background colour, its contents laid out by the
// contents gravity at the contents scale, its border, then its sublayers in order; the
// corner radius rounds the background, border and, with masks-to-bounds, everything the
// layer and its sublayers draw, on the masked corners only; masks-to-bounds clips to the
// bounds; opacity (clamped to 0...1) multiplies the layer and its sublayers (a masking
// layer's subtree is drawn on its own first and laid down as one picture, so its parts do
// not show through one another). Hidden layers and layers of opacity 0 draw nothing.
//
// A window's picture is its frame at a scale (pixels per point), top row first, in sRGB:
// the window's background (its background colour, or the standard window colour of its
// appearance; nothing when that colour is clear), a title bar for titled windows (the
// buttons, enabled ones in colour, and the title), then its content view's layer tree
// with every view's layer as it stands. Nothing runs layout or display first, so the
// caller decides whether pending changes should show (Application::runDisplayCycle).
// Main thread only.

#include <cstdint>
#include <optional>

#include "platform/appkit/layer.h"
#include "platform/graphics/bitmap_context.h"
#include "platform/graphics/image.h"

namespace platform {

class Window;

// Draws `layer` (at its frame) into the context's current user space, which stands for
// the layer's superlayer space.
void drawLayerTree(BitmapContext& context, const Layer& layer, double alpha = 1);

// A picture of the window; nothing for a scale that is not a positive finite number or
// a picture larger than images can be.
std::optional<Image> renderWindowPicture(Window& window, double scale);
// The same for the program's window with that number in the current world.
std::optional<Image> renderWindowPicture(uint32_t windowNumber, double scale);

}  // namespace platform
