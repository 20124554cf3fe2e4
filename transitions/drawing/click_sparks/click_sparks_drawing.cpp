#include "transitions/drawing/click_sparks/click_sparks_drawing.h"

#include "transitions/shaders/picture_quad.h"

namespace furlpane {

void registerSparksShaders(platform::gpu::ShaderCatalog& catalog) {
    registerPictureShaders(catalog, "sparks");
}

bool prepareSparks(TransitionRenderer&, TransitionScene&, platform::gpu::CommandBuffer&) { return true; }

void drawSparks(const EffectPass& pass) { drawPicture(pass); }

}  // namespace furlpane
