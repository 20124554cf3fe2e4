#include "transitions/drawing/classified/classified_drawing.h"

#include "transitions/shaders/picture_quad.h"

namespace furlpane {

void registerClassifiedShaders(platform::gpu::ShaderCatalog& catalog) {
    registerPictureShaders(catalog, "classified");
    registerCopyShaders(catalog, "pageCopies");
    registerCopyShaders(catalog, "pageBars");
    registerCopyShaders(catalog, "pageStamps");
}

bool prepareClassified(TransitionRenderer&, TransitionScene&, platform::gpu::CommandBuffer&) { return true; }

void drawClassified(const EffectPass& pass) { drawPicture(pass); }

}  // namespace furlpane
