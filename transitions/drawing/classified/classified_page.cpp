// The textures of the classified effect beyond the picture: the picture read back for
// its ink, the page with bars and stamp prints, and the stamp's face.

#include <algorithm>

#include "platform/graphics/bitmap_context.h"
#include "platform/graphics/text.h"
#include "transitions/drawing/classified/classified_drawing.h"
#include "transitions/transition_picture.h"
#include "transitions/transition_renderer.h"

namespace furlpane {

using namespace platform::gpu;

std::optional<effects::Classified::Ink> readBack(const TransitionRenderer& renderer,
                                                 const std::shared_ptr<Texture>& picture, double pixelsPerPoint) {
    if (!picture || picture->sampleCount() != 1 || picture->pixelFormat() != PixelFormat::bgra8Unorm) return std::nullopt;
    const effects::ReadBackLayout layout =
        effects::readBackLayout(picture->mipLevelCount(), picture->width(), picture->height(), pixelsPerPoint);
    const auto buffer = renderer.device()->makeBuffer(layout.length);
    const auto commands = renderer.queue()->makeCommandBuffer();
    if (!buffer || !commands) return std::nullopt;
    BlitEncoder* blit = commands->makeBlitEncoder();
    if (!blit) return std::nullopt;
    blit->copyFromTexture(picture, layout.level, {0, 0, layout.width, layout.height}, buffer, 0, layout.rowBytes,
                          layout.length);
    blit->endEncoding();
    commands->commit();
    commands->waitUntilCompleted();
    if (commands->status() != CommandBufferStatus::completed) return std::nullopt;
    const auto bytes = buffer->bytes();
    return effects::readInk({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, layout.width,
                            layout.height, layout.rowBytes, layout.texel);
}

namespace {

// False when the stamps could not be drawn for want of their face.
bool drawPage(TransitionRenderer& renderer, const ClassifiedDrawing& drawing, const TransitionScene& scene,
              RenderEncoder& e) {
    e.setVertexValue(scene.uniforms, kUniformsIndex);
    e.setFragmentValue(scene.uniforms, kUniformsIndex);
    e.setVertexArray(std::span<const platform::simd::float4>(drawing.look), 3);
    e.setFragmentArray(std::span<const platform::simd::float4>(drawing.look), 3);
    e.setFragmentTexture(scene.picture, 0);
    e.setFragmentTexture(scene.fresh ? scene.fresh : scene.picture, 1);
    e.setFragmentTexture(renderer.noise(), 2);
    e.setFragmentSampler(renderer.sampler(), 0);

    e.setRenderPipelineState(renderer.single(Single::pageCopies));
    e.drawPrimitives(PrimitiveType::triangle, 0, 3);
    if (drawing.bars) {
        e.setRenderPipelineState(renderer.single(Single::pageBars));
        e.setVertexBuffer(drawing.bars, 0, 2);
        e.setFragmentBuffer(drawing.bars, 0, 2);
        e.drawPrimitives(PrimitiveType::triangleStrip, 0, 4, static_cast<std::uint32_t>(drawing.making.bars.size()));
    }
    const auto face = drawStampFace(renderer);
    if (!face) return false;
    e.setRenderPipelineState(renderer.single(Single::pageStamps));
    e.setFragmentTexture(face, 3);
    e.drawPrimitives(PrimitiveType::triangleStrip, 0, 4, static_cast<std::uint32_t>(drawing.making.stamps.size()));
    return true;
}

}  // namespace

bool renderClassifiedPage(TransitionRenderer& renderer, const ClassifiedDrawing& drawing, const TransitionScene& scene,
                          CommandBuffer& commands) {
    if (!drawing.page) return false;
    RenderEncoder* e = beginOffscreenPass(commands, drawing.page, LoadAction::clear);
    if (!e) return false;
    const bool whole = drawPage(renderer, drawing, scene, *e);
    e->endEncoding();
    BlitEncoder* blit = commands.makeBlitEncoder();
    if (!blit) return false;
    blit->generateMipmaps(drawing.page);
    blit->endEncoding();
    return whole;
}

namespace {

constexpr int kFaceWidth = 720;
constexpr int kFaceHeight = 200;

// The label: centred in the inner frame, at most 1.4 times the font's size, leaving at
// least 22 pixels on either side and 17 above and below inside the inner frame. False
// when there is no font to draw it with.
bool drawLabel(platform::BitmapContext& context, const platform::Rect& inner, const platform::Color& white,
               const std::filesystem::path& fontDirectory) {
    const auto font =
        platform::Font::create(120, platform::FontWeight::black, platform::FontWidth::condensed, fontDirectory);
    if (!font) return false;
    const platform::TextLine line("TOP SECRET", font.value(), 8);
    const platform::Rect bounds = line.glyphBounds();
    if (bounds.isNull()) return false;
    const double s = std::min({1.4, (inner.size.width - 44) / std::max(1.0, bounds.size.width),
                               (inner.size.height - 34) / std::max(1.0, bounds.size.height)});
    context.saveGState();
    context.translateBy(inner.midX(), inner.midY());
    context.scaleBy(s, s);
    line.draw(context, {-bounds.midX(), -bounds.midY()}, white);
    context.restoreGState();
    return true;
}

}  // namespace

std::shared_ptr<Texture> drawStampFace(TransitionRenderer& renderer, const std::filesystem::path& fontDirectory) {
    if (renderer.stampFace()) return renderer.stampFace();
    auto context = platform::BitmapContext::create(kFaceWidth, kFaceHeight, platform::ColorSpace::sRGB());
    if (!context) return nullptr;
    const platform::Color white = platform::Color::gray(1, 1);
    context->setStrokeColor(white);
    const platform::Rect outer = platform::Rect(0, 0, kFaceWidth, kFaceHeight).insetBy(12, 12);
    context->setLineWidth(15);
    context->strokePath(platform::Path::roundedRect(outer, 16, 16));
    const platform::Rect inner = outer.insetBy(19, 19);
    context->setLineWidth(4);
    context->strokePath(platform::Path::roundedRect(inner, 8, 8));
    // A face without its label is no stamp: nothing is kept, and a later page tries again.
    if (!drawLabel(*context, inner, white, fontDirectory)) return nullptr;
    auto face = redrawImage(renderer, context->makeImage(), platform::ColorSpace::sRGB());
    if (face) renderer.setStampFace(face);
    return face;
}

}  // namespace furlpane
