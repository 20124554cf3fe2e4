#include "transitions/drawing/taco/taco_drawing.h"

#include "transitions/shaders/picture_quad.h"

namespace furlpane {

void registerTacoShaders(platform::gpu::ShaderCatalog& catalog) {
    registerPictureShaders(catalog, "taco");
    registerPictureShaders(catalog, "tacoPieces");
}

bool prepareTaco(TransitionRenderer&, TransitionScene&, platform::gpu::CommandBuffer&) { return true; }

void drawTaco(const EffectPass& pass) { drawPicture(pass); }

}  // namespace furlpane
