// Pictures redrawn into bitmaps and uploaded as textures with their mip levels, with the
// framing found in a pair of captures.

#include "transitions/transition_picture.h"

#include "transitions/transition_renderer.h"

namespace furlpane {

using namespace platform::gpu;
using platform::BitmapContext;
using platform::ColorSpace;
using platform::Image;

namespace {

ColorSpace pictureSpace(const Image& picture) {
    return picture.colorSpace().isRGB() ? picture.colorSpace() : ColorSpace::sRGB();
}

PixelView viewOf(const BitmapContext& context) {
    return {context.bytes().data(), context.width(), context.height(), context.bytesPerRow()};
}

// Fills every level below the first from the one above, on the renderer's queue.
bool generateMipmaps(const TransitionRenderer& renderer, const std::shared_ptr<Texture>& texture) {
    if (texture->mipLevelCount() == 1) return true;
    const auto commands = renderer.queue()->makeCommandBuffer();
    BlitEncoder* blit = commands ? commands->makeBlitEncoder() : nullptr;
    if (!blit) return false;
    blit->generateMipmaps(texture);
    blit->endEncoding();
    commands->commit();
    return commands->status() == CommandBufferStatus::completed;
}

// A BGRA8Unorm texture with a full mip chain holding the given rows.
std::shared_ptr<Texture> uploadPixels(const TransitionRenderer& renderer, int width, int height,
                                      const std::uint8_t* bytes, std::size_t bytesPerRow) {
    auto texture = renderer.device()->makeTexture(
        TextureDescriptor::texture2D(PixelFormat::bgra8Unorm, width, height, Mipmapped::yes));
    if (!texture || (bytes && !texture->replaceRegion({0, 0, width, height}, 0, bytes, bytesPerRow))) return nullptr;
    if (!generateMipmaps(renderer, texture)) return nullptr;
    return texture;
}

std::shared_ptr<Texture> upload(const TransitionRenderer& renderer, const BitmapContext& context) {
    return uploadPixels(renderer, context.width(), context.height(), context.bytes().data(), context.bytesPerRow());
}

bool stripFits(const WindowFraming::Strip& s, const WindowFraming::Geometry& g) {
    return s.width > 0 && s.height > 0 && s.x >= 0 && s.y >= 0 && s.x <= g.width - s.width &&
           s.y <= g.height - s.height && s.bytes.size() >= std::size_t(s.width) * std::size_t(s.height) * 4;
}

// The framing's strips at their places in a transparent texture of the framed
// picture's size; strips that do not fit it are left out. None for an unusable size.
std::optional<TransitionPicture::Framing> framingOf(const TransitionRenderer& renderer, WindowFraming framing) {
    const WindowFraming::Geometry& g = framing.geometry;
    if (!Image::isValidSize(g.width, g.height)) return std::nullopt;
    auto texture = renderer.device()->makeTexture(
        TextureDescriptor::texture2D(PixelFormat::bgra8Unorm, g.width, g.height, Mipmapped::yes));
    if (!texture) return std::nullopt;
    for (const WindowFraming::Strip& s : framing.strips)
        if (stripFits(s, g))
            texture->replaceRegion({s.x, s.y, s.width, s.height}, 0, s.bytes.data(), std::size_t(s.width) * 4);
    if (!generateMipmaps(renderer, texture)) return std::nullopt;
    const WindowFraming::Geometry geometry = g;
    return TransitionPicture::Framing{std::move(texture), geometry, std::move(framing)};
}

std::optional<WindowFraming> findFraming(const BitmapContext& plain, const BitmapContext& framed,
                                         const WindowFramingAnalysis& analysis) {
    const PixelView p = viewOf(plain), f = viewOf(framed);
    const auto offset = analysis.scan(p, f);
    if (!offset) return std::nullopt;
    const int depth = analysis.agreementDepth(f, p, *offset);
    return analysis.make(f, *offset, depth, p.width, p.height);
}

}  // namespace

std::optional<BitmapContext> bitmapContext(const Image& picture, const ColorSpace& space,
                                           std::optional<PixelSize> size) {
    const PixelSize own{picture.width(), picture.height()};
    const PixelSize s = size.value_or(own);
    if (!Image::isValidSize(s.width, s.height)) return std::nullopt;
    auto context = BitmapContext::create(s.width, s.height, space);
    if (!context) return std::nullopt;
    context->setBlendMode(platform::BlendMode::copy);
    if (s != own) context->setInterpolationQuality(platform::InterpolationQuality::high);
    context->drawImage(picture, platform::Rect(0, 0, s.width, s.height));
    return context;
}

std::shared_ptr<Texture> redrawImage(const TransitionRenderer& renderer, const Image& picture,
                                     const ColorSpace& space) {
    const auto context = bitmapContext(picture, space);
    return context ? upload(renderer, *context) : nullptr;
}

std::optional<TransitionPicture> makePicture(const TransitionRenderer& renderer, const Image& plain,
                                             const std::optional<Image>& framed,
                                             const std::optional<ColorSpace>& space,
                                             const WindowFramingAnalysis& analysis) {
    const ColorSpace drawSpace = space.value_or(pictureSpace(plain));
    const auto plainBitmap = bitmapContext(plain, drawSpace);
    if (!plainBitmap) return std::nullopt;
    TransitionPicture picture{upload(renderer, *plainBitmap), std::nullopt};
    if (!picture.texture) return std::nullopt;
    if (!framed) return picture;
    const auto framedBitmap = bitmapContext(*framed, drawSpace);
    if (!framedBitmap) return picture;
    if (auto framing = findFraming(*plainBitmap, *framedBitmap, analysis))
        picture.framing = framingOf(renderer, std::move(*framing));
    return picture;
}

std::optional<TransitionPicture> makeIconPicture(const TransitionRenderer& renderer, const Image& image,
                                                 const std::optional<WindowFraming>& framing, int width, int height) {
    const auto bitmap = bitmapContext(image, pictureSpace(image), PixelSize{width, height});
    if (!bitmap) return std::nullopt;
    TransitionPicture picture{upload(renderer, *bitmap), std::nullopt};
    if (!picture.texture) return std::nullopt;
    if (framing) picture.framing = framingOf(renderer, *framing);
    return picture;
}

}  // namespace furlpane
