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

// The picture's pixels as a redraw at its own size in the space would leave them: that
// redraw copies them unchanged (drawing converts no colour space), so they are read in
// place instead of through a bitmap of their own. None when no bitmap context can be made
// in the space.
std::optional<PixelView> ownPixels(const Image& picture, const ColorSpace& space) {
    if (!space.isRGB()) return std::nullopt;
    return PixelView{picture.bytes().data(), picture.width(), picture.height(), picture.bytesPerRow()};
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

// A BGRA8Unorm texture with a full mip chain holding the pixels, every level written
// (the renderer's picture textures may hold an earlier picture).
std::shared_ptr<Texture> upload(const TransitionRenderer& renderer, const PixelView& pixels,
                                PictureTexture from = PictureTexture::kept) {
    auto texture = from == PictureTexture::kept
                       ? renderer.pictureTexture(pixels.width, pixels.height)
                       : renderer.device()->makeTexture(TextureDescriptor::texture2D(
                             PixelFormat::bgra8Unorm, pixels.width, pixels.height, Mipmapped::yes));
    if (!texture || !texture->replaceRegion({0, 0, pixels.width, pixels.height}, 0, pixels.bytes, pixels.bytesPerRow))
        return nullptr;
    if (!generateMipmaps(renderer, texture)) return nullptr;
    return texture;
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

std::optional<WindowFraming> findFraming(const PixelView& p, const PixelView& f) {
    const auto offset = WindowFraming::scan(p, f);
    if (!offset) return std::nullopt;
    const int depth = WindowFraming::agreementDepth(f, p, *offset);
    return WindowFraming::make(f, *offset, depth, p.width, p.height);
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
                                     const ColorSpace& space, PictureTexture from) {
    const auto pixels = ownPixels(picture, space);
    return pixels ? upload(renderer, *pixels, from) : nullptr;
}

std::optional<TransitionPicture> makePicture(const TransitionRenderer& renderer, const Image& plain,
                                             const std::optional<Image>& framed,
                                             const std::optional<ColorSpace>& space) {
    const ColorSpace drawSpace = space.value_or(pictureSpace(plain));
    const auto plainPixels = ownPixels(plain, drawSpace);
    if (!plainPixels) return std::nullopt;
    TransitionPicture picture{upload(renderer, *plainPixels), std::nullopt};
    if (!picture.texture) return std::nullopt;
    if (!framed) return picture;
    if (auto framing = findFraming(*plainPixels, *ownPixels(*framed, drawSpace)))
        picture.framing = framingOf(renderer, std::move(*framing));
    return picture;
}

std::optional<TransitionPicture> makeIconPicture(const TransitionRenderer& renderer, const Image& image,
                                                 const std::optional<WindowFraming>& framing, int width, int height) {
    const PixelSize size{width, height};
    std::optional<BitmapContext> bitmap;
    std::optional<PixelView> pixels;
    if (size == PixelSize{image.width(), image.height()})
        pixels = ownPixels(image, pictureSpace(image));
    else if ((bitmap = bitmapContext(image, pictureSpace(image), size)))
        pixels = viewOf(*bitmap);
    if (!pixels) return std::nullopt;
    TransitionPicture picture{upload(renderer, *pixels), std::nullopt};
    if (!picture.texture) return std::nullopt;
    if (framing) picture.framing = framingOf(renderer, *framing);
    return picture;
}

}  // namespace furlpane
