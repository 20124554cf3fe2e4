#include "transitions/drawing/water/water_drawing.h"

#include "transitions/shaders/picture_quad.h"

namespace furlpane {

void registerWaterShaders(platform::gpu::ShaderCatalog& catalog) {
    registerPictureShaders(catalog, "water");
}

bool prepareWater(TransitionRenderer&, TransitionScene&, platform::gpu::CommandBuffer&) { return true; }

void drawWater(const EffectPass& pass) { drawPicture(pass); }

}  // namespace furlpane
