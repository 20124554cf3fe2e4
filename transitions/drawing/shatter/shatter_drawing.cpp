#include "transitions/drawing/shatter/shatter_drawing.h"

#include "transitions/transition_renderer.h"

namespace furlpane {

using namespace platform::gpu;
using platform::simd::float4;

namespace {

std::shared_ptr<ShatterDrawing> makeDrawing(const TransitionRenderer& renderer, const TransitionUniforms& uniforms) {
    auto drawing = std::make_shared<ShatterDrawing>();
    drawing->breaking = effects::shatterPlan(uniforms);
    const std::vector<float4> mesh = drawing->breaking.shatterMesh();
    drawing->triangles = renderer.makeBuffer(mesh);
    drawing->cornerCount = static_cast<int>(mesh.size());
    drawing->sides = renderer.makeBuffer(drawing->breaking.shardRecords());
    if (!drawing->triangles || !drawing->sides) return nullptr;
    return drawing;
}

}  // namespace

bool prepareShatter(TransitionRenderer& renderer, TransitionScene& scene, CommandBuffer&) {
    const TransitionUniforms& u = scene.uniforms;
    ShatterDrawing* kept = scene.keepDrawing<ShatterDrawing>([&] { return makeDrawing(renderer, u); });
    if (!kept) return false;
    ShatterDrawing& d = *kept;
    effects::ShatterFrame frame =
        effects::shardFrames(d.breaking, effects::saneFraction(u.progress), effects::placementOf(u));
    d.shards = renderer.makeBuffer(frame.records);
    d.look = std::move(frame.look);
    return d.shards != nullptr;
}

void drawShatter(const EffectPass& pass) {
    const ShatterDrawing* d = pass.scene.drawingAs<ShatterDrawing>();
    if (!d || !d->shards || !pass.scene.picture) return;
    pass.use(pass.renderer.pictures(pass.scene.effect), DepthTest::lessAndWrite);
    RenderEncoder& e = pass.encoder;
    e.setVertexBuffer(d->triangles, 0, 2);
    e.setVertexBuffer(d->shards, 0, 4);
    e.setFragmentBuffer(d->sides, 0, 3);
    e.setVertexArray(std::span<const float4>(d->look), 5);
    e.setFragmentArray(std::span<const float4>(d->look), 5);
    e.drawPrimitives(PrimitiveType::triangle, 0, static_cast<std::uint32_t>(d->cornerCount));
}

}  // namespace furlpane
