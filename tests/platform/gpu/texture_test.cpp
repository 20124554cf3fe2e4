#include "gpu_test_support.h"

#include "platform/gpu/half.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace platform::gpu {
namespace {

using simd::float2;
using simd::float4;
using testing::TestScene;

std::vector<std::uint8_t> bgra(std::initializer_list<int> redValues) {
    std::vector<std::uint8_t> out;
    for (const int r : redValues) out.insert(out.end(), {0, 0, std::uint8_t(r), 255});
    return out;
}

Sampler sampler(SamplerFilter filter, MipFilter mip = MipFilter::notMipmapped) {
    SamplerDescriptor d;
    d.minFilter = d.magFilter = filter;
    d.mipFilter = mip;
    return Sampler(d);
}

TEST(Sampling, BilinearGivesExactWeightedValues) {
    TestScene s;
    auto t = s.texture(PixelFormat::bgra8Unorm, 2, 2, bgra({0, 255, 100, 200}));
    const Sampler linear = sampler(SamplerFilter::linear);
    // Texel centres lie at 0.25 and 0.75.
    EXPECT_EQ(t->sample(linear, float2{0.25f, 0.25f}).x, 0.0f);
    EXPECT_FLOAT_EQ(t->sample(linear, float2{0.75f, 0.75f}).x, 200.0f / 255.0f);
    EXPECT_NEAR(t->sample(linear, float2{0.5f, 0.5f}).x, 138.75 / 255, 1e-6);
    EXPECT_NEAR(t->sample(linear, float2{0.375f, 0.25f}).x, 63.75 / 255, 1e-6);  // a quarter of the way
    EXPECT_EQ(t->sample(linear, float2{0.25f, 0.25f}).w, 1.0f);
    // Clamped to the edge, and coordinates that are not numbers read as the first texel.
    EXPECT_EQ(t->sample(linear, float2{-3, -3}).x, 0.0f);
    EXPECT_FLOAT_EQ(t->sample(linear, float2{5, 5}).x, 200.0f / 255.0f);
    EXPECT_EQ(t->sample(linear, float2{std::nanf(""), 0.25f}).x, 0.0f);
    EXPECT_EQ(t->sample(sampler(SamplerFilter::nearest), float2{0.6f, 0.1f}).x, 1.0f);
    // The quad path gives the same bits as one sample at a time.
    const Quad<float2> uv = {float2{0.3f, 0.4f}, float2{0.55f, 0.4f}, float2{0.3f, 0.61f}, float2{0.55f, 0.61f}};
    const auto quad = t->sample(linear, uv);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(quad[std::size_t(i)], t->sample(linear, uv[std::size_t(i)])) << i;
}

TEST(Sampling, OtherFormatsReadAsRGBA) {
    TestScene s;
    auto r8 = s.texture(PixelFormat::r8Unorm, 2, 1, {51, 255});
    const float4 r8Texel = r8->read(0, 0);
    EXPECT_FLOAT_EQ(r8Texel.x, 0.2f);
    EXPECT_EQ(r8Texel.w, 1.0f);
    EXPECT_EQ(r8->read(1, 0).x, 1.0f);
    std::vector<std::uint8_t> halves(4);
    const std::uint16_t r = floatToHalf(0.5f), g = floatToHalf(-2.25f);
    std::memcpy(halves.data(), &r, 2);
    std::memcpy(halves.data() + 2, &g, 2);
    auto rg = s.texture(PixelFormat::rg16Float, 1, 1, halves);
    EXPECT_EQ(rg->sample(sampler(SamplerFilter::linear), float2{0.5f, 0.5f}), (float4{0.5f, -2.25f, 0, 1}));
}

TEST(Sampling, LevelOfDetailPicksAndBlendsMipLevels) {
    TestScene s;
    auto t = s.device->makeTexture(TextureDescriptor::texture2D(PixelFormat::bgra8Unorm, 8, 8, Mipmapped::yes));
    ASSERT_EQ(t->mipLevelCount(), 4);
    const int values[] = {10, 60, 120, 240};
    for (int level = 0; level < 4; ++level) {
        const int side = 8 >> level;
        std::vector<std::uint8_t> fill(std::size_t(side * side) * 4);
        for (std::size_t i = 0; i < fill.size(); i += 4) fill[i + 2] = std::uint8_t(values[level]), fill[i + 3] = 255;
        ASSERT_TRUE(t->replaceRegion({0, 0, side, side}, level, fill.data(), std::size_t(side) * 4));
    }
    // Neighbouring lanes step s in texture coordinates, i.e. 8s texels of level 0.
    auto at = [&](const Sampler& smp, float step) {
        const Quad<float2> uv = {float2{0.5f, 0.5f}, float2{0.5f + step, 0.5f}, float2{0.5f, 0.5f + step},
                                 float2{0.5f + step, 0.5f + step}};
        return std::lround(t->sample(smp, uv)[0].x * 255);
    };
    const Sampler trilinear = sampler(SamplerFilter::linear, MipFilter::linear);
    EXPECT_EQ(at(trilinear, 1.0f / 8), 10);
    EXPECT_EQ(at(trilinear, 2.0f / 8), 60);
    EXPECT_EQ(at(trilinear, 4.0f / 8), 120);
    EXPECT_EQ(at(trilinear, 64.0f / 8), 240);              // beyond the last level
    EXPECT_EQ(at(trilinear, std::sqrt(8.0f) / 8), 90);     // level 1.5: half of each
    const Sampler nearestMip = sampler(SamplerFilter::linear, MipFilter::nearest);
    EXPECT_EQ(at(nearestMip, std::sqrt(8.0f) / 8), 120);  // 1.5 rounds up
    EXPECT_EQ(at(nearestMip, 2.5f / 8), 60);
    EXPECT_EQ(at(sampler(SamplerFilter::linear), 4.0f / 8), 10);  // no mip filter: level 0
    EXPECT_EQ(std::lround(t->sample(trilinear, float2{0.5f, 0.5f}, 2.0f).x * 255), 120);
}

TEST(Sampling, HalfConversionsRoundToNearestEven) {
    EXPECT_EQ(floatToHalf(1.0f), 0x3c00);
    EXPECT_EQ(floatToHalf(-2.0f), 0xc000);
    EXPECT_EQ(floatToHalf(65504.0f), 0x7bff);
    EXPECT_EQ(floatToHalf(65520.0f), 0x7c00);  // halfway to the next power: infinity
    EXPECT_EQ(floatToHalf(1.0f + 1.0f / 2048), 0x3c00);  // tie, to even
    EXPECT_EQ(floatToHalf(1.0f + 3.0f / 2048), 0x3c02);  // tie, to even (up)
    EXPECT_EQ(floatToHalf(std::ldexp(1.0f, -24)), 0x0001);  // smallest subnormal
    EXPECT_EQ(floatToHalf(std::ldexp(1.0f, -26)), 0x0000);
    EXPECT_EQ(floatToHalf(std::numeric_limits<float>::infinity()), 0x7c00);
    EXPECT_TRUE(std::isnan(halfToFloat(floatToHalf(std::nanf("")))));
    for (const float f : {0.0f, 0.5f, -0.25f, 1000.0f, 6.1035156e-05f, std::ldexp(3.0f, -20)})
        EXPECT_EQ(halfToFloat(floatToHalf(f)), f) << f;
}

// The conversions four and eight lanes at once give the scalar bits: every half, and
// floats around every boundary of the rounding (subnormal halves, the smallest normal,
// overflow, infinity and NaN) and spread over all bit patterns.
TEST(Sampling, HalfConversionsInLanesGiveTheScalarBits) {
    for (std::uint32_t h = 0; h < 65536; h += 8) {
        lanes::u32x8 v;
        for (int i = 0; i < 8; ++i) v[i] = h + std::uint32_t(i);
        const lanes::f32x8 f = halves::toFloat<lanes::u32x8, lanes::f32x8>(v);
        for (int i = 0; i < 8; ++i)
            ASSERT_EQ(std::bit_cast<std::uint32_t>(f[i]),
                      std::bit_cast<std::uint32_t>(halfToFloat(std::uint16_t(v[i]))))
                << std::hex << v[i];
    }
    std::vector<std::uint32_t> bits;
    for (const std::uint32_t edge : {0u, 0x33000000u, 0x33800000u, 0x387fe000u, 0x38800000u, 0x3f801000u, 0x3f803000u,
                                     0x477fefffu, 0x477ff000u, 0x7f800000u, 0x7fc00000u})
        for (std::uint32_t d = 0; d < 5; ++d)
            for (const std::uint32_t sign : {0u, 0x80000000u})
                bits.insert(bits.end(), {(edge + d) | sign, (edge - d) | sign});
    for (std::uint64_t b = 0; b < (1ull << 32); b += 65521) bits.push_back(std::uint32_t(b));
    for (std::size_t i = 0; i + 4 <= bits.size(); i += 4) {
        const lanes::u32x4 v{bits[i], bits[i + 1], bits[i + 2], bits[i + 3]};
        const lanes::u32x4 h = halves::fromFloat<lanes::u32x4, lanes::f32x4>(std::bit_cast<lanes::f32x4>(v));
        for (int k = 0; k < 4; ++k) ASSERT_EQ(h[k], floatToHalf(std::bit_cast<float>(v[k]))) << std::hex << v[k];
    }
}

// RG16Float quads read bilinearly (the quad path) give each lane what it reads alone at
// the quad's level of detail: magnified, at levels 1 and 1.5 (trilinear), over the edges,
// and at coordinates that are not finite, from texels that are subnormal, infinite, NaN.
TEST(Sampling, HalfFloatQuadsReadAsTheirLanesDoAlone) {
    TestScene s;
    auto t = s.device->makeTexture(TextureDescriptor::texture2D(PixelFormat::rg16Float, 8, 8, Mipmapped::yes));
    const std::uint16_t specials[] = {0x0001, 0x03ff, 0x7c00, 0xfc00, 0x7e00, 0x8000, 0x7bff, 0xbc00};
    for (int level = 0; level < t->mipLevelCount(); ++level) {
        const int w = t->width(level), h = t->height(level);
        std::vector<std::uint16_t> texels(std::size_t(w) * h * 2);
        for (std::size_t i = 0; i < texels.size(); ++i)
            texels[i] = i % 7 == 3 ? specials[i / 7 % 8] : floatToHalf(std::sin(float(i * 7 + level)) * 3);
        ASSERT_TRUE(t->replaceRegion({0, 0, w, h}, level, texels.data(), std::size_t(w) * 4));
    }
    const Sampler atLevelZero = sampler(SamplerFilter::linear);
    const Sampler trilinear = sampler(SamplerFilter::linear, MipFilter::linear);
    struct Case {
        const Sampler& sampler;
        float2 origin, across, down;  // the lanes' coordinates: origin, + across, + down, + both
        float lod;
    };
    const float nan = std::nanf(""), inf = std::numeric_limits<float>::infinity();
    const float2 small{0.04f, 0}, tall{0, 0.04f};
    const Case cases[] = {{atLevelZero, {0.3f, 0.41f}, small, tall, 0},
                          {atLevelZero, {-0.1f, 0.97f}, {0.16f, 0}, tall, 0},
                          {atLevelZero, {nan, 0.5f}, small, tall, 0},
                          {atLevelZero, {inf, -inf}, small, tall, 0},
                          {trilinear, {0.3125f, 0.25f}, {0.03125f, 0}, {0, 0.03125f}, 0},     // magnified
                          {trilinear, {0.375f, 0.5f}, {0.25f, 0}, {0, 0.25f}, 1},             // 2 texels a lane
                          {trilinear, {0.125f, 0.5f}, {0.25f, 0.25f}, {-0.25f, 0.25f}, 1.5f}};  // √8 texels
    for (const Case& c : cases) {
        const Quad<float2> uv = {c.origin, c.origin + c.across, c.origin + c.down, c.origin + c.across + c.down};
        const auto quad = t->sample(c.sampler, uv);
        for (std::size_t i = 0; i < 4; ++i) {
            const float4 alone = t->sample(c.sampler, uv[i], c.lod);
            EXPECT_EQ(std::memcmp(&quad[i], &alone, sizeof alone), 0) << c.origin.x << " lane " << i;
        }
    }
}

TEST(Blit, GeneratesMipmapsByBoxFilter) {
    TestScene s;
    auto t = s.device->makeTexture(TextureDescriptor::texture2D(PixelFormat::bgra8Unorm, 4, 2, Mipmapped::yes));
    const auto level0 = bgra({0, 10, 20, 31, 4, 14, 24, 36});
    t->replaceRegion({0, 0, 4, 2}, 0, level0.data(), 16);
    auto rg = s.device->makeTexture(TextureDescriptor::texture2D(PixelFormat::rg16Float, 2, 2, Mipmapped::yes));
    std::vector<std::uint16_t> halves = {floatToHalf(1), floatToHalf(0), floatToHalf(2), floatToHalf(0),
                                         floatToHalf(3), floatToHalf(0), floatToHalf(4), floatToHalf(-8)};
    rg->replaceRegion({0, 0, 2, 2}, 0, halves.data(), 8);
    auto cb = s.queue->makeCommandBuffer();
    auto* blit = cb->makeBlitEncoder();
    blit->generateMipmaps(t);
    blit->generateMipmaps(rg);
    blit->endEncoding();
    cb->commit();
    ASSERT_EQ(cb->status(), CommandBufferStatus::completed);
    ASSERT_EQ(t->mipLevelCount(), 3);
    std::uint8_t level1[8], level2[4];
    ASSERT_TRUE(t->getBytes(level1, 8, {0, 0, 2, 1}, 1));
    ASSERT_TRUE(t->getBytes(level2, 4, {0, 0, 1, 1}, 2));
    EXPECT_EQ(level1[2], 7);    // (0 + 10 + 4 + 14 + 2) / 4
    EXPECT_EQ(level1[6], 28);   // (20 + 31 + 24 + 36 + 2) / 4 = 28.25
    EXPECT_EQ(level2[2], 18);   // a side of 1 pairs a texel with itself: (7 + 28 + 7 + 28 + 2) / 4
    EXPECT_EQ(rg->read(0, 0, 1), (float4{2.5f, -2.0f, 0, 1}));
}

// Every level of byte formats at sizes odd and even, wide and narrow: each texel the
// rounded mean of the 2 × 2 texels above it, the last row or column paired with itself.
TEST(Blit, MipLevelsOfEverySizeAreTheMeansOfTheirClampedSquares) {
    const struct {
        PixelFormat format;
        int width, height;
    } cases[] = {{PixelFormat::r8Unorm, 37, 5},  {PixelFormat::r8Unorm, 1, 9},     {PixelFormat::r8Unorm, 64, 2},
                 {PixelFormat::bgra8Unorm, 7, 5}, {PixelFormat::bgra8Unorm, 6, 1}, {PixelFormat::bgra8Unorm, 33, 34}};
    for (const auto& c : cases) {
        TestScene s;
        auto t = s.device->makeTexture(TextureDescriptor::texture2D(c.format, c.width, c.height, Mipmapped::yes));
        const std::size_t bpp = bytesPerPixel(c.format);
        std::vector<std::uint8_t> above(std::size_t(c.width) * std::size_t(c.height) * bpp);
        for (std::size_t i = 0; i < above.size(); ++i) above[i] = std::uint8_t(i * 7919 % 251 + (i % 3) * 2);
        t->replaceRegion({0, 0, c.width, c.height}, 0, above.data(), std::size_t(c.width) * bpp);
        auto cb = s.queue->makeCommandBuffer();
        auto* blit = cb->makeBlitEncoder();
        blit->generateMipmaps(t);
        blit->endEncoding();
        cb->commit();
        ASSERT_EQ(cb->status(), CommandBufferStatus::completed);
        for (int level = 1; level < t->mipLevelCount(); ++level) {
            const int aw = t->width(level - 1), ah = t->height(level - 1), w = t->width(level), h = t->height(level);
            std::vector<std::uint8_t> expected(std::size_t(w) * std::size_t(h) * bpp), got(expected.size());
            auto at = [&](int x, int y, std::size_t ch) {
                return int(above[(std::size_t(std::min(y, ah - 1)) * std::size_t(aw) + std::size_t(std::min(x, aw - 1))) *
                                     bpp + ch]);
            };
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    for (std::size_t ch = 0; ch < bpp; ++ch)
                        expected[(std::size_t(y) * std::size_t(w) + std::size_t(x)) * bpp + ch] = std::uint8_t(
                            (at(2 * x, 2 * y, ch) + at(2 * x + 1, 2 * y, ch) + at(2 * x, 2 * y + 1, ch) +
                             at(2 * x + 1, 2 * y + 1, ch) + 2) / 4);
            ASSERT_TRUE(t->getBytes(got.data(), std::size_t(w) * bpp, {0, 0, w, h}, level));
            EXPECT_EQ(got, expected) << c.width << "x" << c.height << " level " << level;
            above = expected;
        }
    }
}

TEST(Blit, CopiesALevelIntoABufferWithRowPitch) {
    TestScene s;
    auto t = s.device->makeTexture(TextureDescriptor::texture2D(PixelFormat::bgra8Unorm, 5, 3, Mipmapped::yes));
    std::vector<std::uint8_t> px(5 * 3 * 4);
    for (std::size_t i = 0; i < px.size(); ++i) px[i] = std::uint8_t(i);
    t->replaceRegion({0, 0, 5, 3}, 0, px.data(), 20);
    auto buffer = s.device->makeBuffer(16 + 32 * 3);
    std::memset(buffer->contents(), 0xab, buffer->length());
    auto cb = s.queue->makeCommandBuffer();
    auto* blit = cb->makeBlitEncoder();
    blit->copyFromTexture(t, 0, {0, 0, 5, 3}, buffer, 16, 32, 96);
    blit->endEncoding();
    cb->commit();
    ASSERT_EQ(cb->status(), CommandBufferStatus::completed) << cb->error();
    const auto* b = reinterpret_cast<const std::uint8_t*>(buffer->contents());
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(std::memcmp(b + 16 + 32 * y, px.data() + 20 * y, 20), 0) << y;
        EXPECT_EQ(b[16 + 32 * y + 20], 0xab) << "the padding is left alone";
    }
    EXPECT_EQ(b[15], 0xab);

    // A copy that would run past the buffer is refused and reported; nothing is written.
    auto small = s.device->makeBuffer(16 + 32 * 2 + 19);
    std::memset(small->contents(), 0xab, small->length());
    auto cb2 = s.queue->makeCommandBuffer();
    auto* blit2 = cb2->makeBlitEncoder();
    blit2->copyFromTexture(t, 0, {0, 0, 5, 3}, small, 16, 32);
    blit2->copyFromTexture(t, 3, {0, 0, 1, 1}, small, 0, 4);  // no level 3
    blit2->copyFromTexture(t, 1, {0, 0, 2, 1}, small, 0, 8);  // level 1 is 2 × 1: fine
    blit2->endEncoding();
    cb2->commit();
    EXPECT_EQ(cb2->status(), CommandBufferStatus::error);
    EXPECT_FALSE(cb2->error().empty());
    EXPECT_EQ(reinterpret_cast<const std::uint8_t*>(small->contents())[16], 0xab);
}

TEST(Blit, CopiesBetweenBuffersAndTextures) {
    TestScene s;
    auto a = s.device->makeTexture(TextureDescriptor::texture2D(PixelFormat::r8Unorm, 4, 4, Mipmapped::no));
    auto b = s.device->makeTexture(TextureDescriptor::texture2D(PixelFormat::r8Unorm, 4, 4, Mipmapped::no));
    const std::uint8_t rows[] = {1, 2, 0, 0, 3, 4, 0, 0};
    auto source = s.device->makeBuffer(rows, sizeof rows);
    auto copy = s.device->makeBuffer(8);
    auto cb = s.queue->makeCommandBuffer();
    auto* blit = cb->makeBlitEncoder();
    blit->copyFromBuffer(source, 0, 4, a, 0, {1, 1, 2, 2});
    blit->copyFromTexture(a, 0, {1, 1, 2, 2}, b, 0, 2, 2);
    blit->copyFromBuffer(source, 4, copy, 0, 4);
    blit->copyFromTexture(a, 0, {3, 3, 2, 2}, b, 0, 0, 0);  // reaches outside a: refused
    blit->endEncoding();
    cb->commit();
    EXPECT_EQ(cb->status(), CommandBufferStatus::error);
    std::vector<std::uint8_t> out = testing::bytesOf(*b);
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 0, 0, 3, 4}));
    EXPECT_EQ(reinterpret_cast<const std::uint8_t*>(copy->contents())[0], 3);
}

TEST(Textures, RegionsOutsideALevelAreRefused) {
    TestScene s;
    auto t = s.device->makeTexture(TextureDescriptor::texture2D(PixelFormat::bgra8Unorm, 4, 4, Mipmapped::yes));
    std::vector<std::uint8_t> px(64, 7);
    EXPECT_FALSE(t->replaceRegion({2, 2, 3, 3}, 0, px.data(), 16));
    EXPECT_FALSE(t->replaceRegion({0, 0, 4, 4}, 0, px.data(), 15));  // rows shorter than the region
    EXPECT_FALSE(t->replaceRegion({0, 0, 4, 4}, 1, px.data(), 16));  // level 1 is 2 × 2
    EXPECT_FALSE(t->replaceRegion({-1, 0, 1, 1}, 0, px.data(), 16));
    EXPECT_FALSE(t->getBytes(px.data(), 16, {0, 0, 4, 4}, 3));
    EXPECT_EQ(testing::bytesOf(*t), std::vector<std::uint8_t>(64, 0));
    EXPECT_EQ(TextureDescriptor::fullMipLevelCount(800, 600), 10);
    EXPECT_EQ(TextureDescriptor::fullMipLevelCount(1, 1), 1);
}

}  // namespace
}  // namespace platform::gpu
