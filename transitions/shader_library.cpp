#include "transitions/shader_library.h"

#include "transitions/effect_table.h"
#include "transitions/shaders/main_pass_shaders.h"
#include "transitions/shaders/picture_quad.h"
#include "transitions/transition_renderer.h"

namespace furlpane {

platform::gpu::ShaderCatalog transitionShaderCatalog() {
    platform::gpu::ShaderCatalog catalog;
    for (const TransitionEffect e : allEffects())
        if (e != TransitionEffect::cut && !effectHooks(e)) registerPictureShaders(catalog, effectName(e));
    for (const PiecePair p : {PiecePair::icons, PiecePair::ejected, PiecePair::ejectedIcons, PiecePair::titleBars})
        registerPictureShaders(catalog, pieceName(p));
    registerLensShaders(catalog);
    registerShadowShaders(catalog);
    registerFramingShaders(catalog);
    for (const EffectHooks& hooks : modelledEffects()) hooks.registerShaders(catalog);
    return catalog;
}

}  // namespace furlpane
