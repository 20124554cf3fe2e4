#pragma once

// The roller shade's stand-in shaders (see shade_drawing.h for what they draw and what
// they read).

#include "platform/gpu/gpu.h"

namespace furlpane::shade {

// The flap is a strip of this many segments along the hanging sheet.
inline constexpr int kFlapSegments = 32;
inline constexpr int kFlapVertexCount = 2 * (kFlapSegments + 1);
// The ring now and four samples around it that smear it while it swings.
inline constexpr int kRingInstances = 5;

void registerShaders(platform::gpu::ShaderCatalog& catalog);

}  // namespace furlpane::shade
