#include "transitions/drawing/shade/shade_drawing.h"

#include "transitions/shaders/picture_quad.h"

namespace furlpane {

void registerShadeShaders(platform::gpu::ShaderCatalog& catalog) {
    registerPictureShaders(catalog, "shade");
    registerPictureShaders(catalog, "shadeFlaps");
    registerPictureShaders(catalog, "hemBars");
    registerPictureShaders(catalog, "pullCords");
    registerPictureShaders(catalog, "pullRings");
}

bool prepareShade(TransitionRenderer&, TransitionScene&, platform::gpu::CommandBuffer&) { return true; }

void drawShade(const EffectPass& pass) { drawPicture(pass); }

}  // namespace furlpane
