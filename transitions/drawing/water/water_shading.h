#pragma once

// What the water's fragment function shares with its span form (water_shaders.cpp,
// water_spans.cpp): the bindings, the water's colour and the tests that decide, quad by
// quad, what a quad reads.

#include <cstddef>
#include <span>

#include "platform/gpu/gpu.h"
#include "platform/simd/simd.h"

namespace furlpane::water_shading {

inline constexpr int kLook = 2, kField = 3;
inline constexpr platform::simd::float4 kWater{0.30f, 0.48f, 0.66f, 0.82f};  // premultiplied

// The water's fragment function, a quad at a time; the span form shades the quads a
// puddle reaches with it.
void waterFragment(platform::gpu::FragmentQuad& q);
platform::gpu::SpanFunction waterSpan();

// The point the ripple running out from the region's centre moves p to.
platform::simd::float2 ripplePoint(platform::simd::float4 ripple, platform::simd::float2 p);
// Whether a drop may have touched the field where any lane reads it (DropCells); with no
// cells bound, or a lane at a point that is not finite, it may.
bool nearDrops(const platform::gpu::StageResources& r, const platform::gpu::Quad<platform::simd::float2>& points);
// Whether the puddle whose records begin at look[first] is present and reaches a lane of
// the quad: elsewhere it adds nothing.
bool puddleReaches(std::span<const platform::simd::float4> look,
                   const platform::gpu::Quad<platform::simd::float2>& points, std::size_t first);

}  // namespace furlpane::water_shading
