#include "windows/changed/bitmap_drawing.h"

#include "platform/graphics/bitmap_context.h"

namespace furlpane {

std::optional<platform::Image> drawIntoBitmap(const platform::Image& image, int pixels,
                                              const platform::ColorSpace& space) {
    auto context = platform::BitmapContext::create(pixels, pixels, space);
    if (!context) return std::nullopt;
    context->setBlendMode(platform::BlendMode::copy);
    context->drawImage(image, platform::Rect(0, 0, pixels, pixels));
    return context->makeImage();
}

}  // namespace furlpane
