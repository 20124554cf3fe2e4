#include "drawing_test_support.h"

#include "platform/graphics/bitmap_context.h"
#include "platform/graphics/text.h"
#include "transitions/effect_catalogue.h"
#include "transitions/transition_picture.h"

namespace furlpane::drawing_tests {

using namespace platform::gpu;

std::vector<int> textBaselines(int height, int textTop) {
    std::vector<int> rows;
    for (int y = textTop; y + 8 < height; y += 18) rows.push_back(y);
    return rows;
}

platform::Image textWindow(int width, int height, int titleBar, int textTop) {
    auto context = platform::BitmapContext::create(width, height, platform::ColorSpace::sRGB());
    context->setFillColor(platform::Color::white());
    context->fillRect({0, 0, double(width), double(height)});
    context->setFillColor(platform::Color::gray(0.86));
    context->fillRect({0, double(height - titleBar), double(width), double(titleBar)});
    const auto font = platform::Font::create(12);
    static const char* kWords[] = {"Quarterly", "figures", "for", "the", "north", "office", "are",
                                   "attached", "below;", "see", "also", "the", "memo", "of", "May."};
    int word = 0;
    for (const int row : textBaselines(height, textTop)) {
        std::string text;
        while (text.size() < std::size_t(width / 7)) text += std::string(kWords[word++ % 15]) + " ";
        const platform::TextLine line(text, font.value());
        // Baselines are given from the top; the context's y grows upwards.
        line.draw(*context, {12, double(height - row - 10)}, platform::Color::gray(0.1));
    }
    return context->makeImage();
}

TransitionScene makeScene(const TransitionRenderer& renderer, const platform::Image& picture, SceneOptions o) {
    TransitionScene scene;
    scene.effect = o.effect;
    const auto prepared = makePicture(renderer, picture, std::nullopt, platform::ColorSpace::sRGB());
    scene.picture = prepared ? prepared->texture : nullptr;
    TransitionUniforms& u = scene.uniforms;
    const float w = float(picture.width()) / o.pixelsPerPoint, h = float(picture.height()) / o.pixelsPerPoint;
    u.window = {60, 40, w, h};
    u.standIn = o.titleStrip ? platform::simd::float4{60, 40, w, 24} : platform::simd::float4{float(o.viewWidth) - 170, float(o.viewHeight) - 110, 150, 100};
    u.room = {0, 0, float(o.viewWidth), float(o.viewHeight)};
    u.viewSize = {float(o.viewWidth), float(o.viewHeight)};
    u.pixelsPerPoint = o.pixelsPerPoint;
    u.titleBarHeight = 24;
    u.opacity = 0.9f;
    u.cornerRadius = 8;
    u.standInCrop = o.titleStrip ? 24 / h : 1.0f;
    u.seed = o.seed;
    const double gridH = gridHeight(o.effect, h, o.titleStrip ? StandInKind::titleStrip : StandInKind::thumbnail, 24);
    u.grid = effectGrid(o.effect, w, gridH);
    return scene;
}

long countWhere(const Pixels& pixels, bool (*test)(int b, int g, int r, int a)) {
    long n = 0;
    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x) n += holds(pixels, x, y, test) ? 1 : 0;
    return n;
}

}  // namespace furlpane::drawing_tests
