// One frame of the picture-quad transition through the transition renderer at
// 1280 × 800 (its preparation, silhouette pass, shadows, rims and resolve included),
// with 1 and 4 samples, against the 8.33 ms of a 120 Hz frame.
//
//   bench_transitions [benchmark flags]
//
// "sweep" draws frames with the progress running 0 ... 1 over 200 frames, as a whole
// transition does; "ends" draws the frames at the start and the end, where the shadows
// and rims are drawn and the silhouette pass runs; "middle" the frame at 0.5, the picture
// quad alone.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "tools/transition_demo.h"

namespace furlpane::bench {
namespace {

constexpr double kBudgetMs = 1000.0 / 120.0;

enum class Frames { sweep, ends, middle };

float progressOf(Frames frames, int i) {
    if (frames == Frames::sweep) return float(i % 200) / 199.0f;
    if (frames == Frames::middle) return 0.5f;
    return i % 2 == 0 ? 0.02f : 0.98f;
}

void frameBenchmark(benchmark::State& state, int samples, Frames frames, int threads) {
    const auto renderer = TransitionRenderer::create(platform::gpu::Device::create({threads}), {samples});
    auto scene = renderer ? demo::demoScene(*renderer, {}) : std::nullopt;
    auto target = renderer ? renderer->device()->makeTexture(platform::gpu::TextureDescriptor::texture2D(
                                 platform::gpu::PixelFormat::bgra8Unorm, demo::kViewWidth, demo::kViewHeight,
                                 platform::gpu::Mipmapped::no, platform::gpu::TextureUsage::shaderReadAndRenderTarget))
                           : nullptr;
    if (!scene || !target) return state.SkipWithError("the renderer or its scene could not be made");
    int frame = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        scene->uniforms.progress = progressOf(frames, frame++);
        benchmark::DoNotOptimize(renderer->render(*scene, target));
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() /
                      double(std::max(frame, 1));
    state.counters["ms_per_frame"] = ms;
    state.counters["budget_share"] = ms / kBudgetMs;
}

void registerBenchmarks() {
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const std::pair<Frames, const char*> kinds[] = {{Frames::sweep, "sweep"}, {Frames::ends, "ends"},
                                                    {Frames::middle, "middle"}};
    for (const int threads : {cores, 1})
        for (const int samples : {1, 4})
            for (const auto& [frames, name] : kinds) {
                const std::string title = std::string("PictureQuadFrame/") + name + "/ms" + std::to_string(samples) +
                                          "/threads:" + std::to_string(threads);
                benchmark::RegisterBenchmark(title.c_str(), frameBenchmark, samples, frames, threads)
                    ->Iterations(200)
                    ->Unit(benchmark::kMillisecond)
                    ->UseRealTime();
            }
}

}  // namespace
}  // namespace furlpane::bench

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    furlpane::bench::registerBenchmarks();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
