#include "tests/transitions/effects/effect_frames.h"

#include <vector>

#include "transitions/transition_picture.h"

namespace furlpane::testing {

using platform::simd::float4;

namespace {

// A grey title bar over a grid of coloured cells with dark lines, opaque: shards and
// tiles show where in the picture they come from.
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

EffectFrames::EffectFrames(TransitionEffect effect, StandInKind standIn, Direction direction, uint32_t seed) {
    renderer_ = makeRenderer(1);
    if (!renderer_) return;
    const auto picture = makePicture(*renderer_, windowPicture(), std::nullopt, std::nullopt);
    if (picture) scene_.picture = picture->texture;
    scene_.effect = effect;
    TransitionUniforms& u = scene_.uniforms;
    const bool strip = standIn == StandInKind::titleStrip;
    u.window = {60, 40, 400, 300};
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
    u.grid = effectGrid(effect, 400, gridHeight(effect, 300, standIn, 28));
    scene_.windowShadow = {12, 6, 0.4f, 0.3f, 1, true};
    scene_.standInShadow = {8, 4, 0.4f, 0.3f, 1, true};
    target_ = makeTarget(*renderer_, kViewWidth, kViewHeight);
}

std::optional<Pixels> EffectFrames::frame(double t, const std::string& name) {
    if (!ready()) return std::nullopt;
    scene_.uniforms.progress = static_cast<float>(t);
    if (!renderer_->render(scene_, target_)) return std::nullopt;
    Pixels pixels = pixelsOf(*target_);
    keepFrame(pixels, name);
    return pixels;
}

float4 EffectFrames::colour(const Pixels& pixels, int x, int y) {
    return {pixels.red(x, y) / 255.0f, pixels.green(x, y) / 255.0f, pixels.blue(x, y) / 255.0f,
            pixels.alpha(x, y) / 255.0f};
}

}  // namespace furlpane::testing
