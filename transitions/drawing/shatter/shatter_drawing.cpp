#include "transitions/drawing/shatter/shatter_drawing.h"

#include "transitions/shaders/picture_quad.h"

namespace furlpane {

void registerShatterShaders(platform::gpu::ShaderCatalog& catalog) {
    registerPictureShaders(catalog, "shatter");
}

bool prepareShatter(TransitionRenderer&, TransitionScene&, platform::gpu::CommandBuffer&) { return true; }

void drawShatter(const EffectPass& pass) { drawPicture(pass); }

}  // namespace furlpane
