// Draws twelve frames of the demonstration transition on one contact sheet (half size,
// four a row, over grey) and writes it as a PNG, so that a person can follow an effect
// through a whole transition at a glance.
//
//   effect_sheet [--effect=NAME] [--title-strip] [--restoring] [--out=FILE.png]
//
// NAME is an effect's name as the code spells it (shatter, sliderPuzzle, water, ...);
// defaults: scale, a thumbnail, minimizing, sheet.png. Restoring draws the progress from
// 1 down to 0, as the renderer receives it.

#include <cstdio>
#include <string>
#include <vector>

#include "platform/graphics/png_codec.h"
#include "tools/transition_demo.h"

namespace {

using namespace furlpane;

constexpr int kAcross = 4;
constexpr double kTimes[] = {0.02, 0.06, 0.12, 0.18, 0.25, 0.35, 0.45, 0.55, 0.65, 0.75, 0.85, 0.95};

struct Arguments {
    demo::DemoOptions scene;
    bool restoring = false;
    std::string out = "sheet.png";
};

bool parse(int argc, char** argv, Arguments& a) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--effect=", 0) == 0) {
            bool found = false;
            for (const TransitionEffect e : allEffects())
                if (effectName(e) == arg.substr(9)) a.scene.effect = e, found = true;
            if (!found) return std::fprintf(stderr, "no effect named %s\n", arg.substr(9).c_str()), false;
        } else if (arg.rfind("--out=", 0) == 0) {
            a.out = arg.substr(6);
        } else if (arg == "--title-strip") {
            a.scene.standIn = StandInKind::titleStrip;
        } else if (arg == "--restoring") {
            a.restoring = true;
        } else {
            return std::fprintf(stderr, "unknown argument %s\n", arg.c_str()), false;
        }
    }
    return true;
}

// Copies every other pixel of a frame into its cell of the sheet, over grey.
void place(const std::vector<std::uint8_t>& frame, int index, std::vector<std::uint8_t>& sheet) {
    constexpr int w = demo::kViewWidth, cw = w / 2, ch = demo::kViewHeight / 2, sw = cw * kAcross;
    const int ox = (index % kAcross) * cw, oy = (index / kAcross) * ch;
    for (int y = 0; y < ch; ++y) {
        for (int x = 0; x < cw; ++x) {
            const std::uint8_t* s = &frame[(std::size_t(2 * y) * w + std::size_t(2 * x)) * 4];
            std::uint8_t* d = &sheet[(std::size_t(oy + y) * sw + std::size_t(ox + x)) * 4];
            const int grey = (x == 0 || y == 0) ? 60 : 128;
            for (int c = 0; c < 3; ++c) d[c] = std::uint8_t(s[c] + grey * (255 - s[3]) / 255);
            d[3] = 255;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    Arguments a;
    if (!parse(argc, argv, a)) return 2;
    const auto renderer = TransitionRenderer::create(platform::gpu::Device::create(), {4});
    if (!renderer) return std::fprintf(stderr, "the renderer could not be made\n"), 1;
    auto scene = demo::demoScene(*renderer, a.scene);
    constexpr int w = demo::kViewWidth, h = demo::kViewHeight;
    auto target = renderer->device()->makeTexture(platform::gpu::TextureDescriptor::texture2D(
        platform::gpu::PixelFormat::bgra8Unorm, w, h, platform::gpu::Mipmapped::no,
        platform::gpu::TextureUsage::shaderReadAndRenderTarget));
    if (!scene || !target) return std::fprintf(stderr, "no scene\n"), 1;
    scene->uniforms.restoring = a.restoring ? 1 : 0;
    constexpr int count = int(std::size(kTimes));
    const int sw = w / 2 * kAcross, sh = h / 2 * ((count + kAcross - 1) / kAcross);
    std::vector<std::uint8_t> sheet(std::size_t(sw) * std::size_t(sh) * 4, 0);
    std::vector<std::uint8_t> frame(std::size_t(w) * std::size_t(h) * 4);
    for (int k = 0; k < count; ++k) {
        scene->uniforms.progress = float(a.restoring ? 1 - kTimes[k] : kTimes[k]);
        if (!renderer->render(*scene, target)) return std::fprintf(stderr, "no frame\n"), 1;
        target->getBytes(frame.data(), std::size_t(w) * 4, {0, 0, w, h}, 0);
        place(frame, k, sheet);
    }
    const auto image = platform::Image::create(sw, sh, sheet, std::size_t(sw) * 4, platform::ColorSpace::sRGB());
    const auto written = platform::writePNG(*image, a.out);
    if (!written) return std::fprintf(stderr, "%s\n", written.error().message.c_str()), 1;
    std::printf("%s\n", a.out.c_str());
    return 0;
}
