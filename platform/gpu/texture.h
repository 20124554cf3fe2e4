#pragma once

// Two-dimensional textures with optional mip levels, or with 4 samples per texel, and
// the samplers that filter them.
//
// Texel (0, 0) is the top-left one; texture coordinates (0, 0) and (1, 1) are the
// top-left and bottom-right corners of the image. Every texture's memory is reachable
// from the processor (replaceRegion, getBytes) whatever its intended use.
//
// Sampling follows the usual GPU rules: bilinear filtering between the four nearest texel
// centres with weights quantised to 1/256 (so a 1:1 draw copies texels exactly), level of
// detail from the coordinates' rate of change across a 2 × 2 fragment quad (one level for
// the quad), trilinear blending between two levels with MipFilter::linear, magnification
// when the level of detail is at most 0. Coordinates that are not finite sample as 0.
// A texture reads as (r, g, b, a) whatever its memory order: BGRA8 swizzled, R8 as
// (r, 0, 0, 1), RG16Float as (r, g, 0, 1), Depth32Float as (d, 0, 0, 1).

#include "platform/gpu/types.h"
#include "platform/simd/vector.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform::gpu {

// The four lanes of a 2 × 2 fragment quad: (x, y), (x+1, y), (x, y+1), (x+1, y+1).
template <class T>
using Quad = std::array<T, 4>;

// A span: two quads side by side, eight lanes, the left quad's four (in quad order)
// then the right one's. Shaders that offer a span form (shader.h) work on them.
inline constexpr int kSpanLanes = 8;

// Colours of a span, channel by channel.
struct SpanColors {
    alignas(32) float r[kSpanLanes];
    alignas(32) float g[kSpanLanes];
    alignas(32) float b[kSpanLanes];
    alignas(32) float a[kSpanLanes];
};

enum class TextureUsage : std::uint8_t {
    shaderRead = 1,
    renderTarget = 2,
    shaderReadAndRenderTarget = 3,
};

constexpr bool hasUsage(TextureUsage set, TextureUsage u) {
    return (static_cast<unsigned>(set) & static_cast<unsigned>(u)) == static_cast<unsigned>(u);
}

enum class Mipmapped : std::uint8_t { no, yes };

struct TextureDescriptor {
    PixelFormat pixelFormat = PixelFormat::bgra8Unorm;
    int width = 1;
    int height = 1;
    int mipLevelCount = 1;
    int sampleCount = 1;  // 1, or 4 for a multisampled target (which has one level)
    TextureUsage usage = TextureUsage::shaderRead;

    // A 2D texture; with Mipmapped::yes, the full chain down to 1 × 1.
    static TextureDescriptor texture2D(PixelFormat format, int width, int height, Mipmapped mipmapped,
                                       TextureUsage usage = TextureUsage::shaderRead);
    // floor(log2(max(width, height))) + 1.
    static int fullMipLevelCount(int width, int height);
};

// log2 of a positive normal float, with an error below 2e-5 (far inside the 1/256 steps
// a level of detail is rounded to). Only exact bit operations and correctly rounded
// arithmetic, so every machine gives the same bits, which a library log2 does not
// promise; shaders that choose a level of detail themselves use it too.
float log2Portable(float x);

// The largest side a texture may have.
inline constexpr int kMaxTextureSide = 16384;

struct SamplerDescriptor {
    SamplerFilter minFilter = SamplerFilter::nearest;
    SamplerFilter magFilter = SamplerFilter::nearest;
    MipFilter mipFilter = MipFilter::notMipmapped;
    AddressMode sAddressMode = AddressMode::clampToEdge;
    AddressMode tAddressMode = AddressMode::clampToEdge;
};

class Sampler {
public:
    explicit Sampler(const SamplerDescriptor& d) : descriptor_(d) {}
    const SamplerDescriptor& descriptor() const { return descriptor_; }

private:
    SamplerDescriptor descriptor_;
};

class Texture {
public:
    // Use Device::makeTexture, which validates the descriptor; public for make_shared.
    explicit Texture(const TextureDescriptor& d);
    Texture(const Texture&) = delete;  // levels point into the texture's own storage
    Texture& operator=(const Texture&) = delete;

    PixelFormat pixelFormat() const { return descriptor_.pixelFormat; }
    // The size of a level (at least 1); levels past the last are as small as the last.
    int width(int level = 0) const;
    int height(int level = 0) const;
    int mipLevelCount() const { return descriptor_.mipLevelCount; }
    int sampleCount() const { return descriptor_.sampleCount; }
    TextureUsage usage() const { return descriptor_.usage; }
    const TextureDescriptor& descriptor() const { return descriptor_; }

    // Copies rows of bytes (in the texture's own format, rows bytesPerRow apart) into
    // region of level. False, changing nothing, for a region outside the level, a level
    // that does not exist, a bytesPerRow shorter than a row, or a multisampled texture.
    bool replaceRegion(const Region& region, int level, const void* bytes, std::size_t bytesPerRow);
    // Copies region of level out into rows bytesPerRow apart; false as for replaceRegion.
    bool getBytes(void* out, std::size_t bytesPerRow, const Region& region, int level) const;

    // The texel at (x, y) of level, coordinates clamped to the level; sample 0 of a
    // multisampled texture.
    simd::float4 read(int x, int y, int level = 0) const;
    // Filtered samples for the four lanes of a fragment quad.
    Quad<simd::float4> sample(const Sampler& sampler, const Quad<simd::float2>& uv) const;
    // One filtered sample at an explicit level of detail.
    simd::float4 sample(const Sampler& sampler, simd::float2 uv, float lod = 0) const;

    // The memory of one level, for the rasterizer and blits. Multisampled textures keep
    // their samples of a texel together: rowBytes = width × samples × bytesPerPixel.
    struct Level {
        std::uint8_t* data;
        int width;
        int height;
        std::size_t rowBytes;
    };
    // index must be a level of the texture.
    const Level& level(int index) const { return levels_[static_cast<std::size_t>(index)]; }

private:
    struct FreeBytes {
        void operator()(std::uint8_t* bytes) const;
    };

    TextureDescriptor descriptor_;
    std::vector<std::unique_ptr<std::uint8_t[], FreeBytes>> storage_;
    std::vector<Level> levels_;
};

// A texture read through a sampler, with what every read needs (the filtering path, the
// level sizes) worked out once, for a shader that samples it across a whole draw. Reads
// give the same bits as Texture::sample, quad by quad. Empty (no texture or no sampler),
// it reads 0.
class BoundTexture {
public:
    BoundTexture() = default;
    BoundTexture(const Texture* texture, const Sampler* sampler);

    explicit operator bool() const { return texture_ != nullptr; }
    // Filtered samples for the lanes of a span at u, v (kSpanLanes each), each quad at
    // its own level of detail.
    void sample(const float* u, const float* v, SpanColors& out) const;
    // Filtered samples for the lanes of a span named by `live` (bit i: lane i), each at its
    // own level of detail lod[i], as Texture::sample(sampler, uv, lod) reads it lane by
    // lane; the other lanes read 0.
    void sample(const float* u, const float* v, const float* lod, unsigned live, SpanColors& out) const;

private:
    const Texture* texture_ = nullptr;
    const Sampler* sampler_ = nullptr;
    bool bilinearBGRA8_ = false;  // BGRA8 read bilinearly with clamped coordinates, whatever the level
    bool lodMatters_ = false;
    float width_ = 1;  // of level 0
    float height_ = 1;
};

}  // namespace platform::gpu
