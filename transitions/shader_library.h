#pragma once

// The shader functions of the transitions, standing in for the compiled library that
// ships with the application: the renderer's own (the picture quad of the piece pairs
// icons, ejected, ejectedIcons and titleBars, lens, shadow, rims, framing), then every
// effect's registration (effect_table.h).

#include "platform/gpu/gpu.h"

namespace furlpane {

platform::gpu::ShaderCatalog transitionShaderCatalog();

}  // namespace furlpane
