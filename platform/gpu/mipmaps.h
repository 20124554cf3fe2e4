#pragma once

// Mip level generation behind BlitEncoder::generateMipmaps. Internal to the GPU layer.
//
// Each texel of a level is the mean of the 2 × 2 texels of the level above that it
// covers, clamped at the edges: 8-bit channels as (a + b + c + d + 2) / 4 in integers,
// half floats summed in float and scaled by 0.25. Byte formats take a vectorised row
// kernel; it gives the same bytes as the texel-by-texel one, which stays the reference
// (and the path of half floats).

#include "platform/gpu/texture.h"

namespace platform::gpu {

class WorkerPool;

enum class MipKernel : std::uint8_t {
    texelByTexel,  // any colour format, one texel at a time
    rows,          // whole rows at once; byte formats, others fall back to texelByTexel
};

// Fills rows [firstRow, endRow) of dst, the level below src, with the given kernel.
// The rows must lie inside dst, and dst must be the next level of src.
void downsampleRows(const Texture::Level& src, const Texture::Level& dst, PixelFormat format, int firstRow,
                    int endRow, MipKernel kernel);

// Fills every level of the texture below the first from the one above it: the large
// levels in bands of rows over the pool's threads, the small ones together on the
// calling thread.
void generateMipLevels(Texture& texture, WorkerPool& pool);

}  // namespace platform::gpu
