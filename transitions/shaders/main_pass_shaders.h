#pragma once

// The renderer's own shaders for the main pass (besides the effects'): the backdrop
// through the lens, the soft shadows, the rim and inner rim read from the silhouette,
// and the framing under the picture; and the blocks their draws bind.

#include "platform/gpu/gpu.h"
#include "platform/simd/simd.h"

namespace furlpane {

// Fragment texture of the shadow, rim and inner-rim draws: the silhouette with its mips.
inline constexpr int kSilhouetteTexture = 3;
// Fragment textures of the framing draw: the framing, the fresh framing (else the same).
inline constexpr int kFramingTexture = 3;
inline constexpr int kFreshFramingTexture = 4;

// Vertex bytes 2 of the shadow, rim and inner-rim draws: the rectangle (points) they cover.
struct OverlayBounds {
    platform::simd::float4 rect;
};

// Fragment bytes 2 of one shadow draw.
struct ShadowLook {
    float radius = 0;    // points
    float drop = 0;      // points, downward
    float opacity = 0;   // already weighted by the shadow's fade
    float softness = 0;  // 1: blurred by the radius; 0: a hard shadow
};
static_assert(sizeof(ShadowLook) == 16);

void registerLensShaders(platform::gpu::ShaderCatalog& catalog);
void registerShadowShaders(platform::gpu::ShaderCatalog& catalog);
void registerFramingShaders(platform::gpu::ShaderCatalog& catalog);

}  // namespace furlpane
