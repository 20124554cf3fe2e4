// scale (and cut, with the same pair): the picture moves from the window's frame onto
// the stand-in and scales with it, fading towards the stand-in's opacity: the picture
// quad itself.

#include "transitions/shaders/effect_shaders.h"
#include "transitions/shaders/picture_quad.h"

namespace furlpane {

void registerScaleShaders(platform::gpu::ShaderCatalog& catalog) { registerPictureShaders(catalog, "scale"); }

void drawScale(const EffectPass& pass) { drawPicture(pass); }

}  // namespace furlpane
