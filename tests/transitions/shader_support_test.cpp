// The shaders' helpers that stand in for per-lane work (shaders/shader_support.h).

#include "transitions/shaders/shader_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace furlpane {
namespace {

using namespace platform::gpu;
namespace simd = platform::simd;

// Every level filled with bytes of its own, so that a read of the wrong level shows.
std::shared_ptr<Texture> filled(Device& device, PixelFormat format, int width, int height, Mipmapped mipmapped,
                                std::mt19937& random) {
    auto texture = device.makeTexture(TextureDescriptor::texture2D(format, width, height, mipmapped));
    for (int level = 0; texture && level < texture->mipLevelCount(); ++level) {
        const int w = texture->width(level), h = texture->height(level);
        const std::size_t row = std::size_t(w) * bytesPerPixel(format);
        std::vector<std::uint8_t> bytes(row * std::size_t(h));
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<std::uint8_t>(random());
            // Half floats of moderate size only (exponent bits kept off the top).
            if (format == PixelFormat::rg16Float && i % 2 == 1) bytes[i] &= 0x3F;
        }
        texture->replaceRegion({0, 0, w, h}, level, bytes.data(), row);
    }
    return texture;
}

bool sameBits(simd::float4 a, simd::float4 b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// A whole quad read with atLevelZero gives each lane the bits it gets read alone at
// level of detail 0, for every format, filter and address mode, whatever the spread of
// the quad's coordinates (which would choose a smaller level) and for coordinates off
// the texture or not finite.
TEST(ShaderSupport, QuadsAtLevelZeroReadAsLanesDo) {
    const auto device = Device::create({1});
    std::mt19937 random(7);
    const struct {
        PixelFormat format;
        Mipmapped mipmapped;
    } textures[] = {{PixelFormat::bgra8Unorm, Mipmapped::yes}, {PixelFormat::bgra8Unorm, Mipmapped::no},
                    {PixelFormat::rg16Float, Mipmapped::no}, {PixelFormat::r8Unorm, Mipmapped::yes}};
    SamplerDescriptor trilinear{SamplerFilter::linear, SamplerFilter::linear, MipFilter::linear};
    SamplerDescriptor nearestUp{SamplerFilter::linear, SamplerFilter::nearest, MipFilter::nearest};
    SamplerDescriptor repeating = trilinear;
    repeating.sAddressMode = repeating.tAddressMode = AddressMode::repeat;
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    std::uniform_real_distribution<float> spread(-0.3f, 1.3f);
    for (const auto& t : textures)
        for (const SamplerDescriptor& d : {trilinear, nearestUp, repeating}) {
            const auto texture = filled(*device, t.format, 37, 23, t.mipmapped, random);
            ASSERT_TRUE(texture);
            const Sampler sampler(d);
            for (int n = 0; n < 200; ++n) {
                Quad<simd::float2> uv;
                for (auto& p : uv) p = {spread(random), spread(random)};
                if (n % 50 == 1) uv[3] = {nan, 0.5f};
                if (n % 50 == 2) uv[1] = {0.5f, inf};
                if (n % 50 == 3) uv[2] = {-1e9f, 3e8f};
                const auto quad = texture->sample(shaders::atLevelZero(sampler), uv);
                for (std::size_t i = 0; i < 4; ++i)
                    EXPECT_TRUE(sameBits(quad[i], texture->sample(sampler, uv[i], 0)))
                        << int(t.format) << " lane " << i << " at " << uv[i].x << ", " << uv[i].y;
            }
        }
}

}  // namespace
}  // namespace furlpane
