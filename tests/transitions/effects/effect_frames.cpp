#include "tests/transitions/effects/effect_frames.h"

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/graphics/png_codec.h"
#include "transitions/transition_picture.h"

namespace furlpane::testing {

using namespace platform::gpu;
using platform::simd::float4;

namespace {

// A grey title bar over a grid of coloured cells with dark lines, opaque.
platform::Image windowPicture() {
    constexpr int w = 400, h = 300;
    std::vector<uint8_t> bytes(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &bytes[(static_cast<size_t>(y) * w + x) * 4];
            uint8_t r, g, b;
            if (y < 28) {
                r = g = b = static_cast<uint8_t>(y == 27 ? 150 : 215);
            } else if (x % 50 == 0 || (y - 28) % 50 == 0) {
                r = g = b = 40;
            } else {
                r = static_cast<uint8_t>(60 + 190 * x / w);
                g = static_cast<uint8_t>(200 - 150 * (y - 28) / (h - 28));
                b = static_cast<uint8_t>(120 + 100 * ((x / 50 + (y - 28) / 50) % 2));
            }
            p[0] = b, p[1] = g, p[2] = r, p[3] = 255;
        }
    }
    return *platform::Image::create(w, h, bytes, static_cast<size_t>(w) * 4, platform::ColorSpace::sRGB());
}

}  // namespace

EffectFrames::EffectFrames(TransitionEffect effect, StandIn standIn, Direction direction, uint32_t seed) {
    renderer_ = TransitionRenderer::create(Device::create({2}), RendererOptions{1});
    if (!renderer_) return;
    const auto picture = makePicture(*renderer_, windowPicture(), std::nullopt, std::nullopt);
    if (picture) scene_.picture = picture->texture;
    scene_.effect = effect;
    TransitionUniforms& u = scene_.uniforms;
    u.window = {60, 40, 400, 300};
    const bool strip = standIn == StandIn::titleStrip;
    u.standIn = strip ? float4{60, 40, 400, 28} : float4{470, 360, 120, 90};
    u.room = {0, 0, kViewWidth, kViewHeight};
    u.viewSize = {kViewWidth, kViewHeight};
    u.pixelsPerPoint = 1;
    u.titleBarHeight = 28;
    u.opacity = 0.9f;
    u.cornerRadius = 10;
    u.standInCrop = strip ? 28.0f / 300 : 1;
    u.restoring = direction == Direction::restoring ? 1 : 0;
    u.seed = seed;
    const platform::simd::uint2 grid = effectGrid(effect, 400, strip ? 272 : 300);
    u.grid = grid;
    scene_.windowShadow = {12, 6, 0.4f, 0.3f, 1, true};
    scene_.standInShadow = {8, 4, 0.4f, 0.3f, 1, true};
    target_ = renderer_->device()->makeTexture(TextureDescriptor::texture2D(
        PixelFormat::bgra8Unorm, kViewWidth, kViewHeight, Mipmapped::no, TextureUsage::shaderReadAndRenderTarget));
}

std::optional<platform::Image> EffectFrames::frame(double t, const std::string& name) {
    if (!ready()) return std::nullopt;
    scene_.uniforms.progress = static_cast<float>(t);
    if (!renderer_->render(scene_, target_)) return std::nullopt;
    std::vector<uint8_t> bytes(static_cast<size_t>(kViewWidth) * kViewHeight * 4);
    if (!target_->getBytes(bytes.data(), static_cast<size_t>(kViewWidth) * 4, {0, 0, kViewWidth, kViewHeight}, 0))
        return std::nullopt;
    auto image = platform::Image::create(kViewWidth, kViewHeight, bytes, static_cast<size_t>(kViewWidth) * 4,
                                         platform::ColorSpace::sRGB());
    if (image) {
        if (const char* folder = std::getenv("FURLPANE_EFFECT_FRAMES"))
            (void)platform::writePNG(*image, std::filesystem::path(folder) / (name + ".png"));
    }
    return image;
}

void EffectFrames::sheet(const std::vector<double>& times, const std::string& name) {
    const char* folder = std::getenv("FURLPANE_EFFECT_FRAMES");
    if (!folder || times.empty()) return;
    constexpr int cw = kViewWidth / 2, ch = kViewHeight / 2, across = 4;
    const int rows = (static_cast<int>(times.size()) + across - 1) / across;
    const int w = cw * across, h = ch * rows;
    std::vector<uint8_t> out(static_cast<size_t>(w) * h * 4, 0);
    for (size_t k = 0; k < times.size(); ++k) {
        scene_.uniforms.progress = static_cast<float>(times[k]);
        if (!renderer_->render(scene_, target_)) continue;
        std::vector<uint8_t> bytes(static_cast<size_t>(kViewWidth) * kViewHeight * 4);
        target_->getBytes(bytes.data(), static_cast<size_t>(kViewWidth) * 4, {0, 0, kViewWidth, kViewHeight}, 0);
        const int ox = static_cast<int>(k % across) * cw, oy = static_cast<int>(k / across) * ch;
        for (int y = 0; y < ch; ++y) {
            for (int x = 0; x < cw; ++x) {
                const uint8_t* s = &bytes[(static_cast<size_t>(2 * y) * kViewWidth + 2 * x) * 4];
                uint8_t* d = &out[(static_cast<size_t>(oy + y) * w + ox + x) * 4];
                const int grey = (x == 0 || y == 0) ? 60 : 128;
                for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>(s[c] + grey * (255 - s[3]) / 255);
                d[3] = 255;
            }
        }
    }
    if (auto image = platform::Image::create(w, h, out, static_cast<size_t>(w) * 4, platform::ColorSpace::sRGB()))
        (void)platform::writePNG(*image, std::filesystem::path(folder) / (name + ".png"));
}

float4 EffectFrames::pixel(const platform::Image& image, int x, int y) const {
    const auto bytes = image.bytes();
    const uint8_t* p = &bytes[(static_cast<size_t>(y) * image.bytesPerRow()) + static_cast<size_t>(x) * 4];
    return {p[2] / 255.0f, p[1] / 255.0f, p[0] / 255.0f, p[3] / 255.0f};
}

}  // namespace furlpane::testing
