#include "transitions/drawing/shade/shade_drawing.h"

#include <cmath>
#include <memory>

#include "transitions/drawing/shade/shade_shaders.h"
#include "transitions/transition_renderer.h"

namespace furlpane {

using namespace platform::gpu;

void prepareShade(TransitionScene& scene) {
    const TransitionUniforms& u = scene.uniforms;
    ShadeDrawing& d = *scene.keepDrawing<ShadeDrawing>([&] {
        auto made = std::make_shared<ShadeDrawing>();
        made->rolling = effects::shadePlan(u);
        return made;
    });
    d.look = effects::shadeFrame(d.rolling, u.progress, effects::placementOf(u, scene.slowdown)).look;
}

void registerShadeShaders(ShaderCatalog& catalog) { shade::registerShaders(catalog); }

bool prepareShade(TransitionRenderer&, TransitionScene& scene, CommandBuffer&) {
    prepareShade(scene);
    return true;
}

void drawShade(const EffectPass& pass) {
    const ShadeDrawing* drawing = pass.scene.drawingAs<ShadeDrawing>();
    if (!drawing || drawing->look.size() != effects::kShadeLookCount) return;
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
    pass.encoder.drawPrimitives(PrimitiveType::triangleStrip, 0, 4, effects::Shade::kCordPoints - 1);
    pass.use(pass.renderer.pair(PiecePair::pullRings));
    pass.encoder.drawPrimitives(PrimitiveType::triangleStrip, 0, 4, shade::kRingInstances);
}

}  // namespace furlpane
