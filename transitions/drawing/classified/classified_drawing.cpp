#include "transitions/drawing/classified/classified_drawing.h"

#include <algorithm>

#include "transitions/effects/transforms.h"
#include "transitions/transition_renderer.h"

namespace furlpane {

using namespace platform::gpu;
using effects::Classified;

namespace {

// The first frame's work: the ink map, the plan, the page texture and the bar records.
// None when a texture or buffer cannot be made; the next frame tries again.
std::shared_ptr<ClassifiedDrawing> makeDrawing(TransitionRenderer& renderer, const TransitionScene& scene) {
    const auto ink = readBack(renderer, scene.picture, scene.uniforms.pixelsPerPoint);
    auto drawing = std::make_shared<ClassifiedDrawing>();
    drawing->making = effects::classifiedPlan(scene.uniforms, ink);
    drawing->page = renderer.device()->makeTexture(TextureDescriptor::texture2D(
        PixelFormat::bgra8Unorm, scene.picture->width(), scene.picture->height(), Mipmapped::yes,
        TextureUsage::shaderReadAndRenderTarget));
    if (!drawing->page) return nullptr;
    const auto bars = effects::barFrames(drawing->making);
    drawing->bars = renderer.makeBuffer(bars);
    if (!bars.empty() && !drawing->bars) return nullptr;
    return drawing;
}

// The title bar of a title-strip plan, which stays on the page while the strips below
// it are shredded: one more strip record, as wide as the page, drawn first.
std::optional<Classified::StripFrame> titleBarRecord(const Classified& plan, double t, effects::double2 origin) {
    if (!plan.isTitleStrip || !(plan.top > 0)) return std::nullopt;
    Classified::StripFrame head{};
    head.transform = effects::toFloat4x4(effects::stripTransform(plan, t, origin) * effects::translation(plan.size.x / 2, 0));
    head.source = effects::toFloat4(0, 0, plan.size.x, plan.top);
    head.wave = effects::toFloat4(plan.top, 0, 0, 0);
    head.look = effects::toFloat4(1, 0, 1, 0);
    return head;
}

bool refreshStrips(TransitionRenderer& renderer, ClassifiedDrawing& d, const TransitionUniforms& u) {
    const double t = u.progress;
    const effects::Placement placement = effects::placementOf(u);
    effects::ClassifiedFrame frame = effects::stripFrames(d.making, t, placement);
    if (const auto head = titleBarRecord(d.making, t, placement.window.origin))
        frame.records.insert(frame.records.begin(), *head);
    auto strips = renderer.makeBuffer(frame.records);
    if (!frame.records.empty() && !strips) return false;
    d.strips = std::move(strips);
    d.stripCount = static_cast<int>(frame.records.size());
    d.look = std::move(frame.look);
    return true;
}

// The progress up to which the page changes: bars are drawn during the redaction, and
// the stamp prints appear at their impacts.
platform::simd::float2 pageKey(const Classified& plan, const TransitionUniforms& u) {
    const double settled = std::max(plan.timing.redact.upper, plan.timing.impacts.back() + 0.002);
    return {static_cast<float>(std::min<double>(u.progress, settled)), u.freshness};
}

}  // namespace

bool prepareClassified(TransitionRenderer& renderer, TransitionScene& scene, CommandBuffer& commands) {
    if (!scene.picture) return false;
    ClassifiedDrawing* kept = scene.keepDrawing<ClassifiedDrawing>([&] { return makeDrawing(renderer, scene); });
    if (!kept) return false;
    ClassifiedDrawing& d = *kept;
    if (!refreshStrips(renderer, d, scene.uniforms)) return false;
    const auto key = pageKey(d.making, scene.uniforms);
    // A page that could not be composed whole is composed again on the next frame.
    if (!d.drawnAt || !(*d.drawnAt == key)) {
        if (renderClassifiedPage(renderer, d, scene, commands)) d.drawnAt = key;
        else d.drawnAt.reset();
    }
    return true;
}

void drawClassified(const EffectPass& pass) {
    const ClassifiedDrawing* d = pass.scene.drawingAs<ClassifiedDrawing>();
    if (!d || !d->strips || !d->page) return;
    const auto instances = static_cast<std::uint32_t>(d->stripCount) + static_cast<std::uint32_t>(d->making.stamps.size());
    pass.use(pass.renderer.pictures(TransitionEffect::classified));
    RenderEncoder& e = pass.encoder;
    e.setVertexBuffer(d->strips, 0, 2);
    e.setVertexArray(std::span<const platform::simd::float4>(d->look), 3);
    e.setFragmentArray(std::span<const platform::simd::float4>(d->look), 3);
    e.setFragmentTexture(d->page, 3);
    e.setFragmentTexture(pass.renderer.stampFace(), 4);
    e.drawPrimitives(PrimitiveType::triangleStrip, 0, 2 * (kStripSegments + 1), instances);
}

}  // namespace furlpane
