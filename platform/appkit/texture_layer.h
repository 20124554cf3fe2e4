#pragma once

// A layer whose contents come from the graphics processor. The program renders a frame
// into a texture and hands it over with present; from then on the screen (window and
// desktop pictures) shows that texture, laid into the bounds by the contents gravity at
// the contents scale, as it would show an image set as contents. Only a finished frame
// should be presented: the layer reads the texture whenever the screen is pictured, so
// a texture being drawn into must not be the one presented (keep two and alternate).
//
// The frames are BGRA8Unorm with one sample, premultiplied, read as sRGB.
//
// Main thread only.

#include <memory>
#include <optional>

#include "platform/appkit/layer.h"
#include "platform/gpu/texture.h"

namespace platform {

class TextureLayer : public Layer {
public:
    static std::shared_ptr<TextureLayer> make();

    // False, keeping the frame shown so far, for a null texture or one that is not
    // BGRA8Unorm with one sample.
    bool present(std::shared_ptr<const gpu::Texture> texture);
    const std::shared_ptr<const gpu::Texture>& presentedTexture() const { return texture_; }
    int presentCount() const { return presents_; }

    // The presented frame as an image; else the contents set on the layer, if any.
    std::optional<Image> presentedContents() const override;

private:
    std::shared_ptr<const gpu::Texture> texture_;
    int presents_ = 0;
};

}  // namespace platform
