#pragma once

// The sparks' shaders (see sparks_drawing.h for their bindings).

#include "platform/gpu/gpu.h"

namespace furlpane::sparks {

void registerShaders(platform::gpu::ShaderCatalog& catalog);

}  // namespace furlpane::sparks
