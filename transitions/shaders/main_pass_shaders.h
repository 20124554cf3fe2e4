#pragma once

// The renderer's own shaders for the main pass (besides the effects'): the backdrop
// through the lens, the soft shadows, the rim and inner rim read from the silhouette,
// and the framing under the picture; and the blocks their draws bind.

#include <cstdint>

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

// Fragment bytes 2 of a shadow, rim or inner-rim draw, worked out once per draw (see
// overlayLook in main_pass_draws.h).
struct OverlayLook {
    float alpha = 0;       // the shadow's opacity × fade, the rim's strength, the inner rim's density
    float dropPixels = 0;  // shadows: the downward offset in target pixels
    float lod = 0;         // the level of the blurred silhouette read (whole, so one level is read)
    float sign = 1;        // rims: 1 the band outside the edge (dark), −1 inside (light)
    // A quad whose surroundings, read at a coarse level within a reach of texels of that
    // level, are all empty (or all covered) has nothing to draw.
    std::int32_t emptyLevel = 0;
    std::int32_t emptyReach = 1;
    std::int32_t fullLevel = 0;
    std::int32_t fullReach = 1;
};
static_assert(sizeof(OverlayLook) == 32);

void registerLensShaders(platform::gpu::ShaderCatalog& catalog);
void registerShadowShaders(platform::gpu::ShaderCatalog& catalog);
void registerFramingShaders(platform::gpu::ShaderCatalog& catalog);

}  // namespace furlpane
