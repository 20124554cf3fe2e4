#include "platform/gpu/texture.h"

#include "platform/gpu/texel.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <new>

namespace platform::gpu {

TextureDescriptor TextureDescriptor::texture2D(PixelFormat format, int width, int height,
                                               Mipmapped mipmapped, TextureUsage usage) {
    TextureDescriptor d;
    d.pixelFormat = format;
    d.width = width;
    d.height = height;
    d.mipLevelCount = mipmapped == Mipmapped::yes ? fullMipLevelCount(width, height) : 1;
    d.usage = usage;
    return d;
}

int TextureDescriptor::fullMipLevelCount(int width, int height) {
    const unsigned side = static_cast<unsigned>(std::max({width, height, 1}));
    return std::bit_width(side);
}

void Texture::FreeBytes::operator()(std::uint8_t* bytes) const { std::free(bytes); }

// The levels start zeroed. Memory the system hands out zeroed is not written again, so the
// pages of an attachment a pass never touches (a multisampled colour drawn in tile memory,
// a depth no draw tests) are never made, and a large texture costs no clearing up front.
Texture::Texture(const TextureDescriptor& d) : descriptor_(d) {
    const std::size_t texel = bytesPerPixel(d.pixelFormat) * static_cast<std::size_t>(d.sampleCount);
    for (int i = 0; i < d.mipLevelCount; ++i) {
        const std::size_t row = static_cast<std::size_t>(width(i)) * texel;
        const std::size_t size = std::max<std::size_t>(row * static_cast<std::size_t>(height(i)), 1);
        auto* bytes = static_cast<std::uint8_t*>(std::calloc(size, 1));
        if (!bytes) throw std::bad_alloc();
        storage_.emplace_back(bytes);
        levels_.push_back({bytes, width(i), height(i), row});
    }
}

int Texture::width(int level) const {
    return std::max(1, descriptor_.width >> std::clamp(level, 0, 30));
}

int Texture::height(int level) const {
    return std::max(1, descriptor_.height >> std::clamp(level, 0, 30));
}

namespace {
bool regionFits(const Region& r, int w, int h) {
    return r.x >= 0 && r.y >= 0 && r.width > 0 && r.height > 0 && r.width <= w - r.x &&
           r.height <= h - r.y;
}
}  // namespace

bool Texture::replaceRegion(const Region& region, int levelIndex, const void* bytes,
                            std::size_t bytesPerRow) {
    if (bytes == nullptr || sampleCount() != 1 || levelIndex < 0 || levelIndex >= mipLevelCount())
        return false;
    const Level& l = level(levelIndex);
    const std::size_t rowLength = static_cast<std::size_t>(region.width) * bytesPerPixel(pixelFormat());
    if (!regionFits(region, l.width, l.height) || bytesPerRow < rowLength) return false;
    const auto* src = static_cast<const std::uint8_t*>(bytes);
    for (int y = 0; y < region.height; ++y)
        std::memcpy(l.data + static_cast<std::size_t>(region.y + y) * l.rowBytes +
                        static_cast<std::size_t>(region.x) * bytesPerPixel(pixelFormat()),
                    src + static_cast<std::size_t>(y) * bytesPerRow, rowLength);
    return true;
}

bool Texture::getBytes(void* out, std::size_t bytesPerRow, const Region& region, int levelIndex) const {
    if (out == nullptr || sampleCount() != 1 || levelIndex < 0 || levelIndex >= mipLevelCount())
        return false;
    const Level& l = level(levelIndex);
    const std::size_t rowLength = static_cast<std::size_t>(region.width) * bytesPerPixel(pixelFormat());
    if (!regionFits(region, l.width, l.height) || bytesPerRow < rowLength) return false;
    auto* dst = static_cast<std::uint8_t*>(out);
    for (int y = 0; y < region.height; ++y)
        std::memcpy(dst + static_cast<std::size_t>(y) * bytesPerRow,
                    l.data + static_cast<std::size_t>(region.y + y) * l.rowBytes +
                        static_cast<std::size_t>(region.x) * bytesPerPixel(pixelFormat()),
                    rowLength);
    return true;
}

simd::float4 Texture::read(int x, int y, int levelIndex) const {
    const Level& l = level(std::clamp(levelIndex, 0, mipLevelCount() - 1));
    x = std::clamp(x, 0, l.width - 1);
    y = std::clamp(y, 0, l.height - 1);
    const std::size_t texel = bytesPerPixel(pixelFormat()) * static_cast<std::size_t>(sampleCount());
    return readTexel(pixelFormat(), l.data + static_cast<std::size_t>(y) * l.rowBytes +
                                        static_cast<std::size_t>(x) * texel);
}

}  // namespace platform::gpu
