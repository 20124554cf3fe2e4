#include "transitions/drawing/smoke/smoke_drawing.h"

#include "transitions/shaders/picture_quad.h"

namespace furlpane {

void registerMoonlessShaders(platform::gpu::ShaderCatalog& catalog) {
    registerPictureShaders(catalog, "moonless");
}

bool prepareMoonless(TransitionRenderer&, TransitionScene&, platform::gpu::CommandBuffer&) { return true; }

void drawMoonless(const EffectPass& pass) { drawPicture(pass); }

}  // namespace furlpane
