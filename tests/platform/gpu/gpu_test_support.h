#pragma once

// Small scenes for the rasterizer tests: vertices given in target pixels (x, y, u, v),
// solid or textured fragments, and a one-call renderer that returns the target's bytes.

#include "platform/gpu/gpu.h"

#include <cstdint>
#include <string>
#include <vector>

namespace platform::gpu::testing {

// Vertex (x, y) in pixels of the target, y downward, with z and w for depth and
// perspective tests: the clip position is (ndc.x · w, ndc.y · w, z · w, w).
struct TestVertex {
    float x, y, u, v;
    float z = 0, w = 1, pad0 = 0, pad1 = 0;
};

// Registers "pixels" (vertex: buffer 0 holds TestVertex records, bytes 1 the target size
// as float2; varyings u, v, and the instance index as a flat varying 2) and the fragments
// "solid" (colour from fragment bytes 0), "textured" (texture 0 through sampler 0 at u, v)
// "instanceShade" (grey (instance + 1) / 8, alpha 1), "facing" (green when front-facing,
// else red) and "discardLeftHalf" (white, discarding pixels left of x = 2).
ShaderCatalog testCatalog();

struct TestScene {
    std::shared_ptr<Device> device;
    std::shared_ptr<CommandQueue> queue;
    std::shared_ptr<const ShaderLibrary> library;

    explicit TestScene(int threads = 2);
    std::shared_ptr<RenderPipelineState> pipeline(const std::string& fragment, PixelFormat format,
                                                  int samples = 1, bool blending = true,
                                                  PixelFormat depth = PixelFormat::invalid);
    std::shared_ptr<Texture> target(PixelFormat format, int width, int height, int samples = 1);
    std::shared_ptr<Texture> texture(PixelFormat format, int width, int height,
                                     const std::vector<std::uint8_t>& bytes, Mipmapped mipmapped = Mipmapped::no);
    std::shared_ptr<Buffer> vertices(const std::vector<TestVertex>& v);
};

// The level-0 bytes of a single-sample texture, rows packed.
std::vector<std::uint8_t> bytesOf(const Texture& t);

// A rectangle of two triangles (pixels), with u, v running 0 ... 1 across it.
std::vector<TestVertex> rectangle(float x0, float y0, float x1, float y1, float z = 0);

// Encodes a draw of the vertices with the pipeline and solid colour into the encoder.
void drawSolid(RenderEncoder& e, TestScene& s, const std::shared_ptr<RenderPipelineState>& p,
               const std::vector<TestVertex>& v, simd::float4 color, int width, int height);

std::uint64_t fnv1a(const std::vector<std::uint8_t>& bytes);

}  // namespace platform::gpu::testing
