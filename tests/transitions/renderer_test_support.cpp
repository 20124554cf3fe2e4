#include "renderer_test_support.h"

#include <cstdlib>
#include <filesystem>

#include "platform/graphics/png_codec.h"

namespace furlpane::testing {

using namespace platform::gpu;

std::shared_ptr<TransitionRenderer> makeRenderer(int sampleCount, int threads) {
    return TransitionRenderer::create(Device::create({threads}), {sampleCount});
}

platform::Image solidImage(int width, int height, int r, int g, int b, int a) {
    const platform::Color c = platform::Color::rgb(r / 255.0, g / 255.0, b / 255.0, a / 255.0);
    return *platform::Image::filled(width, height, c, platform::ColorSpace::sRGB());
}

platform::Image twoToneImage(int width, int height, int split, std::uint32_t top, std::uint32_t bottom) {
    std::vector<std::uint32_t> words(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            words[std::size_t(y) * std::size_t(width) + std::size_t(x)] = y < split ? top : bottom;
    return *platform::Image::adopt(width, height, std::move(words), platform::ColorSpace::sRGB());
}

std::shared_ptr<Texture> makeTarget(const TransitionRenderer& renderer, int width, int height) {
    return renderer.device()->makeTexture(TextureDescriptor::texture2D(
        PixelFormat::bgra8Unorm, width, height, Mipmapped::no, TextureUsage::shaderReadAndRenderTarget));
}

std::uint32_t Pixels::at(int x, int y) const {
    const std::size_t i = index(x, y);
    return std::uint32_t(bytes[i]) | std::uint32_t(bytes[i + 1]) << 8 | std::uint32_t(bytes[i + 2]) << 16 |
           std::uint32_t(bytes[i + 3]) << 24;
}

std::uint64_t Pixels::hash() const {
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (const std::uint8_t b : bytes) h = (h ^ b) * 0x100000001b3ull;
    return h;
}

Pixels pixelsOf(const Texture& texture, int level) {
    Pixels p{texture.width(level), texture.height(level), {}};
    p.bytes.resize(std::size_t(p.width) * std::size_t(p.height) * bytesPerPixel(texture.pixelFormat()));
    texture.getBytes(p.bytes.data(), std::size_t(p.width) * bytesPerPixel(texture.pixelFormat()),
                     {0, 0, p.width, p.height}, level);
    return p;
}

void keepFrame(const Pixels& pixels, const std::string& name) {
    const char* dir = std::getenv("FURLPANE_FRAME_DIR");
    if (!dir || !*dir) return;
    const auto image = platform::Image::create(pixels.width, pixels.height, pixels.bytes, std::size_t(pixels.width) * 4,
                                               platform::ColorSpace::sRGB());
    if (image) (void)platform::writePNG(*image, std::filesystem::path(dir) / (name + ".png"));
}

}  // namespace furlpane::testing
