#include "platform/gpu/mipmaps.h"
#include "platform/gpu/worker_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace platform::gpu {
namespace {

// Level 0 of a mipmapped texture filled with bytes that favour the extremes, where
// rounding and saturation go wrong first.
std::shared_ptr<Texture> filled(PixelFormat format, int width, int height, std::uint32_t seed) {
    auto t = std::make_shared<Texture>(TextureDescriptor::texture2D(format, width, height, Mipmapped::yes));
    const Texture::Level& l = t->level(0);
    for (std::size_t i = 0; i < l.rowBytes * std::size_t(l.height); ++i) {
        seed = seed * 1664525u + 1013904223u;
        const std::uint8_t r = std::uint8_t(seed >> 24);
        l.data[i] = (seed & 0x300u) == 0 ? 255 : (seed & 0x300u) == 0x100u ? std::uint8_t(r & 3) : r;
    }
    return t;
}

bool sameLevel(const Texture& a, const Texture& b, int level) {
    const Texture::Level &la = a.level(level), &lb = b.level(level);
    return std::memcmp(la.data, lb.data, la.rowBytes * std::size_t(la.height)) == 0;
}

// Every level made by the row kernels, in bands over threads or not, matches the one
// made texel by texel from the same level 0: odd, even and 1-texel sides, rows shorter
// and longer than a vector, and a level large enough to be split over threads.
TEST(Mipmaps, RowKernelsMatchTexelByTexel) {
    struct Case {
        PixelFormat format;
        int width, height;
    };
    const Case cases[] = {
        {PixelFormat::bgra8Unorm, 1, 1},    {PixelFormat::bgra8Unorm, 1, 9},   {PixelFormat::bgra8Unorm, 9, 1},
        {PixelFormat::bgra8Unorm, 2, 2},    {PixelFormat::bgra8Unorm, 7, 5},   {PixelFormat::bgra8Unorm, 8, 3},
        {PixelFormat::bgra8Unorm, 33, 18},  {PixelFormat::bgra8Unorm, 64, 64}, {PixelFormat::bgra8Unorm, 1030, 521},
        {PixelFormat::r8Unorm, 1, 2},       {PixelFormat::r8Unorm, 2, 1},      {PixelFormat::r8Unorm, 31, 7},
        {PixelFormat::r8Unorm, 32, 32},     {PixelFormat::r8Unorm, 67, 35},    {PixelFormat::r8Unorm, 1501, 3},
        {PixelFormat::rg16Float, 1, 3},     {PixelFormat::rg16Float, 9, 6},    {PixelFormat::rg16Float, 40, 21},
    };
    WorkerPool pool(3);
    for (const Case& c : cases) {
        const std::string name = std::to_string(int(c.format)) + " " + std::to_string(c.width) + "x" +
                                 std::to_string(c.height);
        auto fast = filled(c.format, c.width, c.height, 7u + std::uint32_t(c.width));
        auto reference = filled(c.format, c.width, c.height, 7u + std::uint32_t(c.width));
        generateMipLevels(*fast, pool);
        for (int level = 1; level < reference->mipLevelCount(); ++level) {
            const Texture::Level& dst = reference->level(level);
            downsampleRows(reference->level(level - 1), dst, c.format, 0, dst.height, MipKernel::texelByTexel);
            EXPECT_TRUE(sameLevel(*fast, *reference, level)) << name << " level " << level;
        }
    }
}

// Bands of rows write only their own rows.
TEST(Mipmaps, RowsOutsideTheRangeStayUntouched) {
    auto t = filled(PixelFormat::bgra8Unorm, 40, 12, 3);
    const Texture::Level& dst = t->level(1);
    std::memset(dst.data, 0xab, dst.rowBytes * std::size_t(dst.height));
    downsampleRows(t->level(0), dst, PixelFormat::bgra8Unorm, 2, 4, MipKernel::rows);
    for (int y = 0; y < dst.height; ++y) {
        const std::uint8_t* row = dst.data + std::size_t(y) * dst.rowBytes;
        const bool untouched = std::all_of(row, row + dst.rowBytes, [](std::uint8_t b) { return b == 0xab; });
        EXPECT_EQ(untouched, y < 2 || y >= 4) << "row " << y;
    }
}

}  // namespace
}  // namespace platform::gpu
