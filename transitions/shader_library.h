#pragma once

// The shader functions of the transitions, standing in for the compiled library that
// ships with the application: the renderer's own (picture quad of the effects without a
// model, the piece pairs icons, ejected, ejectedIcons and titleBars, lens, shadow, rims,
// framing), then every modelled effect's registration (effect_table.h), which may replace
// a name registered before it.

#include "platform/gpu/gpu.h"

namespace furlpane {

platform::gpu::ShaderCatalog transitionShaderCatalog();

}  // namespace furlpane
