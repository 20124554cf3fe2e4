#include "transitions/drawing/paper/paper_drawing.h"

#include "transitions/shaders/picture_quad.h"

namespace furlpane {

void registerBurningPaperShaders(platform::gpu::ShaderCatalog& catalog) {
    registerPictureShaders(catalog, "burningPaper");
    registerCopyShaders(catalog, "paperDrawing");
}

bool prepareBurningPaper(TransitionRenderer&, TransitionScene&, platform::gpu::CommandBuffer&) { return true; }

void drawBurningPaper(const EffectPass& pass) { drawPicture(pass); }

}  // namespace furlpane
