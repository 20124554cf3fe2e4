// The time to fill the mip levels of the textures a transition mipmaps: a picture
// (BGRA8 at the screen's size), the shadow silhouette (R8 at half of it), and an odd-sized
// picture, each on 1 and 8 threads.

#include "platform/gpu/gpu.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace platform::gpu;

void generate(benchmark::State& state, PixelFormat format, int width, int height) {
    DeviceOptions options;
    options.threads = static_cast<int>(state.range(0));
    const auto device = Device::create(options);
    const auto queue = device->makeCommandQueue("mipmaps");
    const auto texture = device->makeTexture(TextureDescriptor::texture2D(format, width, height, Mipmapped::yes));
    std::vector<std::uint8_t> bytes(std::size_t(width) * bytesPerPixel(format) * std::size_t(height));
    std::uint32_t seed = 12345;
    for (auto& b : bytes) b = static_cast<std::uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24);
    texture->replaceRegion({0, 0, width, height}, 0, bytes.data(), std::size_t(width) * bytesPerPixel(format));
    for (auto _ : state) {
        auto commands = queue->makeCommandBuffer();
        auto* blit = commands->makeBlitEncoder();
        blit->generateMipmaps(texture);
        blit->endEncoding();
        commands->commit();
        if (commands->status() != CommandBufferStatus::completed) state.SkipWithError("not completed");
    }
}

void registerCase(const std::string& name, PixelFormat format, int width, int height) {
    benchmark::RegisterBenchmark(("Mipmaps/" + name + "/" + std::to_string(width) + "x" + std::to_string(height)).c_str(),
                                 [=](benchmark::State& s) { generate(s, format, width, height); })
        ->Arg(1)
        ->Arg(8)
        ->ArgName("threads")
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}

}  // namespace

int main(int argc, char** argv) {
    registerCase("bgra8", PixelFormat::bgra8Unorm, 1280, 800);
    registerCase("r8", PixelFormat::r8Unorm, 640, 400);
    registerCase("bgra8", PixelFormat::bgra8Unorm, 1023, 767);
    registerCase("bgra8", PixelFormat::bgra8Unorm, 2560, 1440);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
