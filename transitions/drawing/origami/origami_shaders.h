#pragma once

// The origami's stand-in shaders (see origami_drawing.h for their bindings).

#include "platform/gpu/gpu.h"

namespace furlpane::origami {

void registerShaders(platform::gpu::ShaderCatalog& catalog);

}  // namespace furlpane::origami
