#include "tools/transition_demo.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace furlpane::demo {

namespace {

constexpr std::uint32_t bgra(int r, int g, int b) {
    return 0xFF000000u | std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | std::uint32_t(b);
}

std::uint32_t windowTexel(int x, int y, int w, int h) {
    if (x == 0 || y == 0 || x == w - 1 || y == h - 1) return bgra(20, 20, 24);
    if (y < 28) {
        const std::uint32_t buttons[3] = {bgra(230, 80, 70), bgra(240, 190, 60), bgra(90, 200, 90)};
        for (int i = 0; i < 3; ++i) {
            const int cx = 16 + i * 20, cy = 14;
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= 36) return buttons[i];
        }
        if (y >= 10 && y < 18 && x >= w / 2 - 80 && x < w / 2 + 80 && (x / 6) % 4 != 3) return bgra(200, 200, 210);
        return bgra(40, 44, 52);
    }
    if (x < w / 4) {
        const int row = (y - 44) % 26;
        if (y >= 44 && row < 12 && x >= 14 && x < 14 + 70 + ((y - 44) / 26 * 37) % 60) return bgra(120, 130, 150);
        return bgra(225, 228, 235);
    }
    const int line = (y - 44) / 20, row = (y - 44) % 20, xr = x - w / 4 - 24;
    const bool word = xr >= 0 && xr < 160 + (line * 131) % 300 && (xr % 8) < 6 && ((xr / 8 + line * 3) % 7) != 6;
    if (y >= 44 && row < 10 && word)
        return bgra(30, 30, 30);
    return bgra(250, 250, 250);
}

platform::Image generated(int width, int height, std::uint32_t (*texel)(int, int, int, int)) {
    std::vector<std::uint32_t> words(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            words[std::size_t(y) * std::size_t(width) + std::size_t(x)] = texel(x, y, width, height);
    return *platform::Image::adopt(width, height, std::move(words), platform::ColorSpace::sRGB());
}

std::uint32_t desktopTexel(int x, int y, int w, int h) {
    const int checker = ((x >> 5) ^ (y >> 5)) & 1;
    return bgra(40 + x * 120 / w, 70 + y * 100 / h, 140 + checker * 40);
}

}  // namespace

platform::Image windowPicture(int width, int height) { return generated(width, height, windowTexel); }
platform::Image desktopPicture(int width, int height) { return generated(width, height, desktopTexel); }

namespace {

// The view in points and the window's size in it: the window and the thumbnail keep
// their places in a larger view.
struct Layout {
    float ppp;
    int vw, vh;
    float sx, sy, ww, wh;
};

Layout layoutOf(const DemoOptions& options) {
    const float ppp = options.pixelsPerPoint > 0 ? options.pixelsPerPoint : 1;
    const int vw = std::max(options.viewWidth, 1), vh = std::max(options.viewHeight, 1);
    const float sx = float(vw) / kViewWidth, sy = float(vh) / kViewHeight;
    return {ppp, vw, vh, sx, sy, 800 * sx, 600 * sy};
}

}  // namespace

DemoPictures demoPictures(const DemoOptions& options) {
    const Layout l = layoutOf(options);
    return {windowPicture(int(std::lround(l.ww * l.ppp)), int(std::lround(l.wh * l.ppp))),
            desktopPicture(int(float(l.vw) * l.ppp), int(float(l.vh) * l.ppp))};
}

std::optional<TransitionScene> demoScene(const TransitionRenderer& renderer, const DemoOptions& options) {
    return demoScene(renderer, options, demoPictures(options));
}

std::optional<TransitionScene> demoScene(const TransitionRenderer& renderer, const DemoOptions& options,
                                         const DemoPictures& pictures) {
    const auto [ppp, vw, vh, sx, sy, ww, wh] = layoutOf(options);
    const auto picture = makePicture(renderer, pictures.window, std::nullopt, std::nullopt);
    const auto desktop = redrawImage(renderer, pictures.desktop, platform::ColorSpace::sRGB(), PictureTexture::kept);
    if (!picture || !desktop) return std::nullopt;
    TransitionScene s;
    s.effect = options.effect;
    s.picture = picture->texture;
    s.backdrop = TransitionScene::Backdrop{desktop, {0, 0, float(vw), float(vh)}};
    TransitionUniforms& u = s.uniforms;
    u.window = {240 * sx, 100 * sy, ww, wh};
    u.room = {0, 0, float(vw), float(vh)};
    u.viewSize = {float(vw), float(vh)};
    u.titleBarHeight = 28;
    u.pixelsPerPoint = ppp;
    u.cornerRadius = 10;
    u.seed = 0x5EED;
    if (options.standIn == StandInKind::titleStrip) {
        u.standIn = {u.window.x, u.window.y, ww, 28};
        u.standInCrop = 28.0f / wh;
    } else {
        u.standIn = {40 * sx, 610 * sy, 200 * sx, 150 * sy};
    }
    u.grid = effectGrid(options.effect, ww, gridHeight(options.effect, wh, options.standIn, 28));
    u.progress = options.progress;
    s.windowShadow = {20, 10, 0.45f, 0.25f, 1, true};
    s.standInShadow = {8, 3, 0.35f, 0.3f, 1, true};
    s.standInInnerRim = {0.5f, 1};
    return s;
}

}  // namespace furlpane::demo
