#include "transitions/drawing/shade/shade_drawing.h"

#include <cmath>
#include <memory>

#include "transitions/drawing/shade/shade_shaders.h"
#include "transitions/transition_renderer.h"

namespace furlpane {

using namespace platform::gpu;

namespace {

effects::Rect2 rectOf(platform::simd::float4 r) { return {{r.x, r.y}, {r.z, r.w}}; }

}  // namespace

void prepareShade(TransitionScene& scene) {
    const TransitionUniforms& u = scene.uniforms;
    if (!scene.shade) scene.shade = std::make_shared<ShadeDrawing>(ShadeDrawing{effects::rollerShadePlan(u), {}});
    const double slowdown = scene.slowdown > 0 && std::isfinite(scene.slowdown) ? scene.slowdown : 1.0;
    const auto look = effects::rollerShadeFrame(scene.shade->rolling, u.progress, rectOf(u.window), rectOf(u.standIn),
                                                rectOf(u.room), {u.viewSize.x, u.viewSize.y}, u.opacity,
                                                (1.0 / 144) / slowdown);
    scene.shade->look.assign(look.begin(), look.end());
}

void registerShadeShaders(ShaderCatalog& catalog) { shade::registerShaders(catalog); }

bool prepareShade(TransitionRenderer&, TransitionScene& scene, CommandBuffer&) {
    prepareShade(scene);
    return true;
}

void drawShade(const EffectPass& pass) {
    const ShadeDrawing* drawing = pass.scene.shade.get();
    if (!drawing || drawing->look.size() != effects::kRollerShadeLookCount) return;
    const std::span<const platform::simd::float4> look(drawing->look);
    pass.encoder.setVertexArray(look, kShadeLookIndex);
    pass.encoder.setFragmentArray(look, kShadeLookIndex);
    // Back to front: the sheet and its title bar, the hanging flap, the hem, the cord, the ring.
    if (pass.scene.picture) {
        pass.use(pass.renderer.pictures(TransitionEffect::shade));
        pass.encoder.drawPrimitives(PrimitiveType::triangleStrip, 0, 4);
        pass.use(pass.renderer.pair(PiecePair::shadeFlaps));
        pass.encoder.drawPrimitives(PrimitiveType::triangleStrip, 0, shade::kFlapVertexCount);
    }
    pass.use(pass.renderer.pair(PiecePair::hemBars));
    pass.encoder.drawPrimitives(PrimitiveType::triangleStrip, 0, 4);
    pass.use(pass.renderer.pair(PiecePair::pullCords));
    pass.encoder.drawPrimitives(PrimitiveType::triangleStrip, 0, 4, effects::RollerShade::kCordPoints - 1);
    pass.use(pass.renderer.pair(PiecePair::pullRings));
    pass.encoder.drawPrimitives(PrimitiveType::triangleStrip, 0, 4, shade::kRingInstances);
}

}  // namespace furlpane
