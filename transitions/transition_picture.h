#pragma once

// Window pictures prepared as textures for the renderer, and the redraw that every
// picture goes through before its pixels are uploaded. A redraw at the picture's own size
// copies its pixels unchanged, so there the pixels are uploaded from the picture itself,
// without a bitmap in between; the textures hold the same bytes either way.
//
// makePicture and makeIconPicture may run off the main thread (on the capture queue):
// they touch only the pictures they are given, the framing analysis and the device's
// resource makers, and they commit their mip generation on the renderer's queue, whose
// commits the device runs one after another.

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/gpu/gpu.h"
#include "platform/graphics/bitmap_context.h"
#include "platform/graphics/image.h"
#include "windows/framing/window_framing.h"

namespace furlpane {

class TransitionRenderer;

struct TransitionPicture {
    // The framing kept with a prepared picture.
    struct Framing {
        // The framed picture's strips, at their places in a texture of the framed
        // picture's size (transparent where no strip lies), with mip levels.
        std::shared_ptr<platform::gpu::Texture> texture;
        WindowFraming::Geometry geometry;
        WindowFraming source;
    };

    // BGRA8Unorm with a full chain of mip levels; the picture's pixel size.
    std::shared_ptr<platform::gpu::Texture> texture;
    std::optional<Framing> framing;
};

// A pixel size of a redrawn picture.
struct PixelSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

// The picture redrawn into a new bitmap context of the given pixel size (the picture's
// own when none is given), in the given colour space, with blend mode copy and, when the
// size differs from the picture's, high interpolation quality. None when a side lies
// outside 1 ... 16384 or the context cannot be made (a colour space that is not RGB).
std::optional<platform::BitmapContext> bitmapContext(const platform::Image& picture, const platform::ColorSpace& space,
                                                     std::optional<PixelSize> size = std::nullopt);

// Where a picture's texture comes from: made for it, or taken from those the renderer
// keeps across transitions (TransitionRenderer::pictureTexture), for pictures that come
// and go with transitions. Window pictures always take a kept one.
enum class PictureTexture : std::uint8_t { made, kept };

// The picture redrawn in the colour space and uploaded as a BGRA8Unorm texture with
// its mip levels generated; none when the redraw, the texture or the mip generation
// fails.
std::shared_ptr<platform::gpu::Texture> redrawImage(const TransitionRenderer& renderer, const platform::Image& picture,
                                                    const platform::ColorSpace& space,
                                                    PictureTexture from = PictureTexture::made);

// A window's plain picture, with its framed picture when one was taken, prepared for a
// transition. Both are redrawn in the given colour space, else the plain picture's own
// when that is RGB, else sRGB. With a framed picture the two bitmaps are analysed
// (WindowFraming: scan with the plain bitmap first, then agreementDepth and the framing
// itself); a framing found is kept with the picture. None when the
// plain picture has a side of 0 or more than 16384 pixels or its texture cannot be made;
// a framing that cannot be made leaves the picture without one.
std::optional<TransitionPicture> makePicture(const TransitionRenderer& renderer, const platform::Image& plain,
                                             const std::optional<platform::Image>& framed,
                                             const std::optional<platform::ColorSpace>& space);

// An application icon (or any image) prepared as a transition picture of the given pixel
// size, keeping the framing it is given. None when the size is outside 1 ... 16384 or
// the texture cannot be made.
std::optional<TransitionPicture> makeIconPicture(const TransitionRenderer& renderer, const platform::Image& image,
                                                 const std::optional<WindowFraming>& framing, int width, int height);

}  // namespace furlpane
