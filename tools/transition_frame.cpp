// Draws one frame of the demonstration transition and writes it as a PNG, so that a
// person can look at what an effect draws.
//
//   transition_frame [--effect=NAME] [--progress=P] [--samples=1|4] [--title-strip]
//                    [--scale=PIXELS_PER_POINT (0 ... 4)] [--out=FILE.png]
//
// NAME is an effect's name as the code spells it (scale, blackHole, origami, ...);
// defaults: scale, 0.3, 4 samples, a thumbnail, 1 pixel per point, frame.png.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/graphics/png_codec.h"
#include "tools/transition_demo.h"

namespace {

using namespace furlpane;

struct Arguments {
    demo::DemoOptions scene;
    int samples = 4;
    std::string out = "frame.png";
};

bool effectNamed(const std::string& name, TransitionEffect& effect) {
    for (const TransitionEffect e : allEffects())
        if (effectName(e) == name) return effect = e, true;
    return false;
}

bool parse(int argc, char** argv, Arguments& a) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&](const char* key) {
            const std::string prefix = std::string("--") + key + "=";
            return arg.rfind(prefix, 0) == 0 ? arg.substr(prefix.size()) : std::string();
        };
        if (const auto v = value("effect"); !v.empty()) {
            if (!effectNamed(v, a.scene.effect)) return std::fprintf(stderr, "no effect named %s\n", v.c_str()), false;
        } else if (const auto v = value("progress"); !v.empty()) {
            a.scene.progress = std::strtof(v.c_str(), nullptr);
        } else if (const auto v = value("samples"); !v.empty()) {
            a.samples = std::atoi(v.c_str());
        } else if (const auto v = value("scale"); !v.empty()) {
            a.scene.pixelsPerPoint = std::strtof(v.c_str(), nullptr);
            // The pictures are drawn at this scale: keep them to a sane size.
            if (!(a.scene.pixelsPerPoint > 0 && a.scene.pixelsPerPoint <= 4))
                return std::fprintf(stderr, "the scale must lie in (0, 4]\n"), false;
        } else if (const auto v = value("out"); !v.empty()) {
            a.out = v;
        } else if (arg == "--title-strip") {
            a.scene.standIn = StandInKind::titleStrip;
        } else {
            return std::fprintf(stderr, "unknown argument %s\n", arg.c_str()), false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Arguments a;
    if (!parse(argc, argv, a)) return 2;
    const auto renderer = TransitionRenderer::create(platform::gpu::Device::create(), {a.samples});
    if (!renderer) return std::fprintf(stderr, "the renderer could not be made\n"), 1;
    auto scene = demo::demoScene(*renderer, a.scene);
    if (!scene) return std::fprintf(stderr, "the pictures could not be made\n"), 1;
    const int w = int(demo::kViewWidth * scene->uniforms.pixelsPerPoint);
    const int h = int(demo::kViewHeight * scene->uniforms.pixelsPerPoint);
    auto target = renderer->device()->makeTexture(platform::gpu::TextureDescriptor::texture2D(
        platform::gpu::PixelFormat::bgra8Unorm, w, h, platform::gpu::Mipmapped::no,
        platform::gpu::TextureUsage::shaderReadAndRenderTarget));
    if (!target || !renderer->render(*scene, target)) return std::fprintf(stderr, "no frame\n"), 1;
    std::vector<std::uint8_t> bytes(std::size_t(w) * std::size_t(h) * 4);
    target->getBytes(bytes.data(), std::size_t(w) * 4, {0, 0, w, h}, 0);
    const auto image = platform::Image::create(w, h, bytes, std::size_t(w) * 4, platform::ColorSpace::sRGB());
    const auto written = platform::writePNG(*image, a.out);
    if (!written) return std::fprintf(stderr, "%s\n", written.error().message.c_str()), 1;
    std::printf("%s\n", a.out.c_str());
    return 0;
}
