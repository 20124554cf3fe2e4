#pragma once

// The blutVene stand-in shaders (see blut_vene_drawing.h for their bindings).

#include "platform/gpu/gpu.h"
#include "platform/simd/simd.h"

namespace furlpane::blut_vene {

// What the field pass reads as vertex and fragment bytes at index 2: the region the
// field covers (origin x, y, width, height in points).
struct FieldPass {
    platform::simd::float4 region;
};

void registerShaders(platform::gpu::ShaderCatalog& catalog);

}  // namespace furlpane::blut_vene
