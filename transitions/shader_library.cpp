#include "transitions/shader_library.h"

#include "transitions/effect_table.h"
#include "transitions/shaders/main_pass_shaders.h"
#include "transitions/shaders/picture_quad.h"
#include "transitions/transition_renderer.h"

namespace furlpane {

platform::gpu::ShaderCatalog transitionShaderCatalog() {
    platform::gpu::ShaderCatalog catalog;
    for (const PiecePair p : {PiecePair::icons, PiecePair::ejected, PiecePair::ejectedIcons, PiecePair::titleBars})
        registerPictureShaders(catalog, pieceName(p));
    registerLensShaders(catalog);
    registerShadowShaders(catalog);
    registerFramingShaders(catalog);
    for (const EffectHooks& hooks : effectTable())
        if (hooks.registerShaders) hooks.registerShaders(catalog);
    return catalog;
}

}  // namespace furlpane
