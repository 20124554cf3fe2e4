#include "transitions/drawing/origami/origami_drawing.h"

#include "transitions/shaders/picture_quad.h"

namespace furlpane {

void registerOrigamiShaders(platform::gpu::ShaderCatalog& catalog) {
    registerPictureShaders(catalog, "origami");
}

bool prepareOrigami(TransitionRenderer&, TransitionScene&, platform::gpu::CommandBuffer&) { return true; }

void drawOrigami(const EffectPass& pass) { drawPicture(pass); }

}  // namespace furlpane
