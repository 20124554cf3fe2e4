#include "transitions/drawing/water/water_drawing.h"

#include <algorithm>
#include <cmath>

#include "transitions/transition_renderer.h"

namespace furlpane {

using namespace platform::gpu;
using platform::simd::float4;

namespace {

// About six texels across a drop's blob, never finer than a point, and coarse enough
// that the view fits in the largest field.
float texelFor(double reach, effects::double2 view) {
    double texel = std::clamp(reach / 6, 1.0, 8.0);
    texel = std::max({texel, view.x / kLargestFieldSide, view.y / kLargestFieldSide});
    return static_cast<float>(texel);
}

std::shared_ptr<WaterDrawing> makeDrawing(const TransitionRenderer& renderer, const TransitionUniforms& uniforms) {
    auto d = std::make_shared<WaterDrawing>();
    d->making = effects::waterPlan(uniforms);
    const effects::double2 view = effects::saneSize(uniforms.viewSize);
    d->texel = texelFor(d->making.reach, view);
    const int width = std::clamp(static_cast<int>(std::ceil(view.x / d->texel)), 1, kLargestFieldSide);
    const int height = std::clamp(static_cast<int>(std::ceil(view.y / d->texel)), 1, kLargestFieldSide);
    d->field = renderer.device()->makeTexture(TextureDescriptor::texture2D(
        PixelFormat::rg16Float, width, height, Mipmapped::no, TextureUsage::shaderReadAndRenderTarget));
    auto pipeline = makePipeline("waterFieldVertex", "waterFieldFragment", *renderer.library(), *renderer.device(),
                                 PipelineTarget{PixelFormat::rg16Float, 1});
    if (!d->field || !pipeline) return nullptr;
    d->fieldPipeline = *pipeline;
    return d;
}

// Adds every drop's blob into the field.
void drawField(CommandBuffer& commands, const WaterDrawing& d) {
    RenderEncoder* e = beginOffscreenPass(commands, d.field, LoadAction::clear);
    if (!e) return;
    const FieldInfo info{{static_cast<float>(d.field->width()) * d.texel, static_cast<float>(d.field->height()) * d.texel},
                         d.texel};
    e->setRenderPipelineState(d.fieldPipeline);
    e->setVertexBuffer(d.drops, 0, 2);
    e->setVertexValue(info, 3);
    e->drawPrimitives(PrimitiveType::triangleStrip, 0, 4, static_cast<std::uint32_t>(std::min(d.dropCount, kMostFieldDrops)));
    e->endEncoding();
}

// The cells of the field that the drops' quads (grown by two texels and a point, beyond
// any rounding of where filtering reads) may reach. A drop at a point that is not finite
// leaves no cells: the field is then read everywhere.
void markDropCells(WaterDrawing& d, std::span<const effects::Water::DropFrame> drops) {
    const float extentX = static_cast<float>(d.field->width()) * d.texel;
    const float extentY = static_cast<float>(d.field->height()) * d.texel;
    const float side = std::max(16.0f, 4 * d.texel);
    const auto count = [&](float extent) {
        return static_cast<std::uint32_t>(std::clamp(std::ceil(extent / side), 1.0f, 4096.0f));
    };
    d.cells = {side, count(extentX), count(extentY), 0};
    d.marks.assign(std::size_t(d.cells.columns) * d.cells.rows, 0);
    const float margin = 2 * d.texel + 1;
    const auto cell = [&](float at, std::uint32_t cells) {
        return static_cast<std::uint32_t>(std::clamp(std::floor(at / side), 0.0f, static_cast<float>(cells - 1)));
    };
    for (const effects::Water::DropFrame& drop : drops) {
        const float r = drop.form.z;
        const float halfX = r + std::fabs(drop.form.x) / 2 + d.texel + margin;
        const float halfY = r + std::fabs(drop.form.y) / 2 + d.texel + margin;
        if (!(std::isfinite(drop.place.x) && std::isfinite(drop.place.y) && std::isfinite(halfX) &&
              std::isfinite(halfY))) {
            d.cells = {};
            d.marks.clear();
            return;
        }
        const std::uint32_t x0 = cell(drop.place.x - halfX, d.cells.columns);
        const std::uint32_t x1 = cell(drop.place.x + halfX, d.cells.columns);
        const std::uint32_t y0 = cell(drop.place.y - halfY, d.cells.rows), y1 = cell(drop.place.y + halfY, d.cells.rows);
        for (std::uint32_t y = y0; y <= y1; ++y)
            std::fill_n(d.marks.begin() + std::ptrdiff_t(std::size_t(y) * d.cells.columns + x0), x1 - x0 + 1, 1);
    }
}

}  // namespace

bool prepareWater(TransitionRenderer& renderer, TransitionScene& scene, CommandBuffer& commands) {
    const TransitionUniforms& u = scene.uniforms;
    WaterDrawing* kept = scene.keepDrawing<WaterDrawing>([&] { return makeDrawing(renderer, u); });
    if (!kept) return false;
    WaterDrawing& d = *kept;
    effects::WaterFrame frame =
        effects::waterFrame(d.making, effects::saneFraction(u.progress), effects::placementOf(u, scene.slowdown));
    d.drops = renderer.makeBuffer(frame.records);
    d.dropCount = static_cast<int>(frame.records.size());
    d.look = std::move(frame.look);
    d.look[2] = {d.texel, d.drops ? 1.0f : 0.0f, static_cast<float>(d.field->width()),
                 static_cast<float>(d.field->height())};
    if (d.drops) {
        drawField(commands, d);
        markDropCells(d, frame.records);
    } else {
        d.cells = {};  // the field as it stands is read everywhere
        d.marks.clear();
    }
    return true;
}

void drawWater(const EffectPass& pass) {
    const WaterDrawing* d = pass.scene.drawingAs<WaterDrawing>();
    if (!d || d->look.size() < 15 || !pass.scene.picture) return;
    const float4 rect = d->look[0];
    if (!(rect.z > 0 && rect.w > 0)) return;
    RenderEncoder& e = pass.encoder;
    pass.use(pass.renderer.pictures(pass.scene.effect));
    e.setVertexArray(std::span<const float4>(d->look), 2);
    e.setFragmentArray(std::span<const float4>(d->look), 2);
    e.setFragmentTexture(d->field, 3);
    e.setFragmentValue(d->cells, kDropCellsIndex);
    e.setFragmentArray(std::span<const std::uint8_t>(d->marks), kDropCellMarksIndex);
    e.drawPrimitives(PrimitiveType::triangleStrip, 0, 4);
}

}  // namespace furlpane
