#include "transitions/drawing/origami/origami_drawing.h"

#include "transitions/drawing/origami/origami_shaders.h"
#include "transitions/transition_renderer.h"

namespace furlpane {

using namespace platform::gpu;

namespace {

// The plan with its two arrays that never change; none when a buffer cannot be made.
std::shared_ptr<OrigamiDrawing> foldOnce(const TransitionRenderer& renderer, const TransitionUniforms& u) {
    auto drawing = std::make_shared<OrigamiDrawing>();
    drawing->folding = effects::origamiPlan(u);
    const auto mesh = effects::origamiMesh(drawing->folding);
    const auto edges = effects::origamiFacetRecords(drawing->folding);
    drawing->triangles = renderer.makeBuffer(mesh);
    drawing->sides = renderer.makeBuffer(edges);
    if (!drawing->triangles || !drawing->sides) return nullptr;
    drawing->cornerCount = static_cast<int>(mesh.size());
    return drawing;
}

}  // namespace

void registerOrigamiShaders(ShaderCatalog& catalog) { origami::registerShaders(catalog); }

bool prepareOrigami(TransitionRenderer& renderer, TransitionScene& scene, CommandBuffer&) {
    const TransitionUniforms& u = scene.uniforms;
    OrigamiDrawing* kept = scene.keepDrawing<OrigamiDrawing>([&] { return foldOnce(renderer, u); });
    if (!kept) return false;
    OrigamiDrawing& drawing = *kept;
    effects::OrigamiFrame frame = effects::facetFrames(drawing.folding, u.progress, effects::placementOf(u));
    drawing.facets = renderer.makeBuffer(frame.records);
    drawing.look = std::move(frame.look);
    return drawing.facets != nullptr;
}

void drawOrigami(const EffectPass& pass) {
    const OrigamiDrawing* drawing = pass.scene.drawingAs<OrigamiDrawing>();
    if (!drawing || !drawing->facets || !pass.scene.picture) return;
    const std::span<const platform::simd::float4> look(drawing->look);
    pass.encoder.setVertexBuffer(drawing->facets, 0, kOrigamiFacetsIndex);
    pass.encoder.setFragmentBuffer(drawing->facets, 0, kOrigamiFacetsIndex);
    pass.encoder.setVertexArray(look, kOrigamiLookIndex);
    pass.encoder.setFragmentArray(look, kOrigamiLookIndex);
    pass.encoder.setFragmentBuffer(drawing->sides, 0, kOrigamiSidesIndex);
    pass.encoder.setVertexBuffer(drawing->triangles, 0, kOrigamiMeshIndex);
    pass.use(pass.renderer.pictures(TransitionEffect::origami), DepthTest::lessAndWrite);
    pass.encoder.drawPrimitives(PrimitiveType::triangle, 0, static_cast<std::uint32_t>(drawing->cornerCount));
}

}  // namespace furlpane
