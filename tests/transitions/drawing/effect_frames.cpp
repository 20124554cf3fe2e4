#include "tests/transitions/drawing/effect_frames.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/graphics/bitmap_context.h"
#include "platform/graphics/png_codec.h"
#include "platform/graphics/text.h"
#include "transitions/effect_table.h"
#include "transitions/transition_picture.h"

namespace furlpane::testing {

using namespace platform;
using namespace platform::gpu;

namespace {

constexpr int kViewWidth = 640;
constexpr int kViewHeight = 400;

// Draws a rectangle given with its top edge at y (the context's y grows upward).
void fillTopLeft(BitmapContext& c, double x, double y, double w, double h, const Color& color) {
    c.setFillColor(color);
    c.fillRect(Rect{{x, c.height() - y - h}, {w, h}});
}

std::optional<Image> windowImage(int width, int height) {
    auto c = BitmapContext::create(width, height, ColorSpace::sRGB());
    if (!c) return std::nullopt;
    fillTopLeft(*c, 0, 0, width, height, Color::gray(0.97));
    fillTopLeft(*c, 0, 0, width, EffectFrames::kTitleBar, Color::gray(0.86));
    fillTopLeft(*c, 0, EffectFrames::kTitleBar - 1, width, 1, Color::gray(0.7));
    const Color lights[] = {Color::rgb(0.99, 0.37, 0.34), Color::rgb(0.99, 0.74, 0.18), Color::rgb(0.16, 0.78, 0.25)};
    for (int i = 0; i < 3; ++i) fillTopLeft(*c, 10 + 18.0 * i, 9, 11, 11, lights[i]);
    fillTopLeft(*c, 16, 44, width * 0.4, 90, Color::rgb(0.25, 0.5, 0.9));
    fillTopLeft(*c, 30 + width * 0.4, 44, width * 0.5, 40, Color::rgb(0.95, 0.6, 0.2));
    fillTopLeft(*c, 30 + width * 0.4, 94, width * 0.5, 40, Color::rgb(0.4, 0.75, 0.45));
    if (auto font = Font::create(13)) {
        TextLine title("Furlpane.txt", *font);
        title.draw(*c, {width / 2.0 - 40, height - 19.0}, Color::gray(0.2));
        for (int line = 0; line < 6; ++line) {
            TextLine text("The quick brown fox jumps over the lazy dog " + std::to_string(line + 1), *font);
            text.draw(*c, {16, height - 160.0 - line * 17}, Color::gray(0.15));
        }
    }
    fillTopLeft(*c, 0, height - 20, width, 20, Color::rgb(0.8, 0.3, 0.35));
    return c->makeImage();
}

}  // namespace

std::unique_ptr<EffectFrames> EffectFrames::create(int sampleCount, int threads) {
    auto frames = std::unique_ptr<EffectFrames>(new EffectFrames());
    frames->device_ = Device::create({threads});
    frames->renderer_ = TransitionRenderer::create(frames->device_, {sampleCount});
    if (!frames->renderer_) return nullptr;
    const auto image = windowImage(static_cast<int>(kWindow.z), static_cast<int>(kWindow.w));
    if (!image) return nullptr;
    auto picture = makePicture(*frames->renderer_, *image, std::nullopt, std::nullopt);
    if (!picture) return nullptr;
    frames->picture_ = picture->texture;
    frames->target_ = frames->device_->makeTexture(TextureDescriptor::texture2D(
        PixelFormat::bgra8Unorm, kViewWidth, kViewHeight, Mipmapped::no, TextureUsage::renderTarget));
    if (!frames->target_) return nullptr;
    return frames;
}

TransitionScene EffectFrames::scene(TransitionEffect effect, StandInKind standIn, uint32_t seed) const {
    TransitionScene s;
    s.effect = effect;
    s.picture = picture_;
    TransitionUniforms& u = s.uniforms;
    const bool strip = standIn == StandInKind::titleStrip;
    u.window = kWindow;
    u.standIn = strip ? platform::simd::float4{kWindow.x, kWindow.y, kWindow.z, kTitleBar} : kThumbnail;
    u.room = {0, 0, kViewWidth, kViewHeight};
    u.viewSize = {kViewWidth, kViewHeight};
    u.grid = effectGrid(effect, kWindow.z, gridHeight(effect, kWindow.w, standIn, kTitleBar));
    u.titleBarHeight = kTitleBar;
    u.opacity = 0.9f;
    u.cornerRadius = 10;
    u.standInCrop = strip ? kTitleBar / kWindow.w : 1;
    u.seed = seed;
    // Shadows and rims stay invisible so that coverage counts only the effect; the
    // silhouette pass still runs.
    s.windowShadow = {12, 4, 0, 0, 1, true};
    s.standInShadow = {6, 2, 0, 0, 1, true};
    return s;
}

std::optional<Image> EffectFrames::render(TransitionScene& scene, float progress) {
    scene.uniforms.progress = progress;
    if (!renderer_->render(scene, target_)) return std::nullopt;
    std::vector<uint8_t> bytes(static_cast<size_t>(kViewWidth) * kViewHeight * 4);
    if (!target_->getBytes(bytes.data(), kViewWidth * 4, {0, 0, kViewWidth, kViewHeight}, 0)) return std::nullopt;
    return Image::create(kViewWidth, kViewHeight, bytes, kViewWidth * 4, ColorSpace::sRGB());
}

int EffectFrames::silhouetteCoverage(const TransitionScene& scene) {
    auto target = device_->makeTexture(TextureDescriptor::texture2D(PixelFormat::r8Unorm, kViewWidth, kViewHeight,
                                                                    Mipmapped::no, TextureUsage::renderTarget));
    auto commands = renderer_->queue()->makeCommandBuffer();
    if (!target || !commands) return -1;
    RenderPassDescriptor pass;
    pass.colorAttachment.texture = target;
    pass.colorAttachment.loadAction = LoadAction::clear;
    RenderEncoder* e = commands->makeRenderEncoder(pass);
    if (!e) return -1;
    const ShadowParameters shadow = shadowParameters(scene, scene.uniforms.progress);
    bindEffectPass(*e, *renderer_, scene, shadow, passInfo(PassKind::silhouette, *target));
    drawEffect({*renderer_, scene, *e, PassKind::silhouette, shadow});
    e->endEncoding();
    commands->commit();
    std::vector<uint8_t> coverage(static_cast<size_t>(kViewWidth) * kViewHeight);
    if (!target->getBytes(coverage.data(), kViewWidth, {0, 0, kViewWidth, kViewHeight}, 0)) return -1;
    return static_cast<int>(std::count_if(coverage.begin(), coverage.end(), [](uint8_t c) { return c > 16; }));
}

void EffectFrames::keep(const Image& frame, const std::string& name) const { keepSheet({frame}, name); }

void EffectFrames::keepSheet(const std::vector<Image>& frames, const std::string& name) const {
    const char* folder = std::getenv("FURLPANE_FRAME_DIR");
    if (!folder || !*folder || frames.empty()) return;
    const bool single = frames.size() == 1;
    const double scale = single ? 1 : 0.5;
    const int columns = single ? 1 : 4;
    const int rows = (static_cast<int>(frames.size()) + columns - 1) / columns;
    const double cellW = kViewWidth * scale, cellH = kViewHeight * scale;
    auto c = BitmapContext::create(int(cellW * columns), int(cellH * rows), ColorSpace::sRGB());
    if (!c) return;
    fillTopLeft(*c, 0, 0, c->width(), c->height(), Color::gray(0.2));
    for (size_t i = 0; i < frames.size(); ++i) {
        const double x = (i % columns) * cellW, y = double(i / columns) * cellH;
        fillTopLeft(*c, x + 1, y + 1, cellW - 2, cellH - 2, Color::rgb(0.36, 0.42, 0.52));
        c->drawImage(frames[i], Rect{{x + 1, c->height() - y - cellH + 1}, {cellW - 2, cellH - 2}});
    }
    std::filesystem::create_directories(folder);
    (void)writePNG(c->makeImage(), std::filesystem::path(folder) / (name + ".png"));
}

Coverage coverageIn(const Image& frame, int x0, int y0, int x1, int y1) {
    Coverage c;
    for (int y = std::max(0, y0); y < std::min(frame.height(), y1); ++y)
        for (int x = std::max(0, x0); x < std::min(frame.width(), x1); ++x) {
            const Pixel p = frame.pixel(x, y);
            if (p.a <= 16) continue;
            ++c.covered;
            c.meanRed += p.r;
            c.meanGreen += p.g;
            c.meanBlue += p.b;
        }
    if (c.covered > 0) {
        c.meanRed /= c.covered;
        c.meanGreen /= c.covered;
        c.meanBlue /= c.covered;
    }
    return c;
}

}  // namespace furlpane::testing
