#include "transitions/drawing/veins/veins_drawing.h"

#include "transitions/shaders/picture_quad.h"

namespace furlpane {

void registerBlutVeneShaders(platform::gpu::ShaderCatalog& catalog) {
    registerPictureShaders(catalog, "blutVene");
}

bool prepareBlutVene(TransitionRenderer&, TransitionScene&, platform::gpu::CommandBuffer&) { return true; }

void drawBlutVene(const EffectPass& pass) { drawPicture(pass); }

}  // namespace furlpane
