// Frames of transitions through the transition renderer (preparation, silhouette pass,
// shadows, rims and resolve included), against the 8.33 ms of a 120 Hz frame.
//
//   bench_transitions [benchmark flags]
//
// "EffectFrame/<effect>/<view>/ms<samples>" draws every effect's thumbnail transition,
// the progress running 0 ... 1 over 24 frames, in a 1280 × 800 and a 2560 × 1440 view
// with 1 and 4 samples, on as many threads as the machine has (the goal: every effect
// within the budget at 1280 × 800 with 4 samples on 8 threads). "PictureQuadFrame" draws
// the picture-quad transition (scale) with 1 and 4 samples on all threads and on one:
// "sweep" as a whole transition over 200 frames, "ends" the frames at the start and the
// end, where the shadows and rims are drawn and the silhouette pass runs, "middle" the
// frame at 0.5, the picture quad alone.

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

float progressOf(Frames frames, int i, int sweep) {
    if (frames == Frames::sweep) return float(i % sweep) / float(sweep - 1);
    if (frames == Frames::middle) return 0.5f;
    return i % 2 == 0 ? 0.02f : 0.98f;
}

struct Run {
    demo::DemoOptions scene;
    int samples;
    Frames frames;
    int sweep;  // frames of a whole transition
    int threads;
};

void frameBenchmark(benchmark::State& state, Run run) {
    const auto renderer = TransitionRenderer::create(platform::gpu::Device::create({run.threads}), {run.samples});
    auto scene = renderer ? demo::demoScene(*renderer, run.scene) : std::nullopt;
    auto target = renderer ? renderer->device()->makeTexture(platform::gpu::TextureDescriptor::texture2D(
                                 platform::gpu::PixelFormat::bgra8Unorm, run.scene.viewWidth, run.scene.viewHeight,
                                 platform::gpu::Mipmapped::no, platform::gpu::TextureUsage::shaderReadAndRenderTarget))
                           : nullptr;
    if (!scene || !target) return state.SkipWithError("the renderer or its scene could not be made");
    int frame = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        scene->uniforms.progress = progressOf(run.frames, frame++, run.sweep);
        benchmark::DoNotOptimize(renderer->render(*scene, target));
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() /
                      double(std::max(frame, 1));
    state.counters["ms_per_frame"] = ms;
    state.counters["budget_share"] = ms / kBudgetMs;
}

void add(const std::string& title, const Run& run, int iterations) {
    benchmark::RegisterBenchmark(title.c_str(), frameBenchmark, run)
        ->Iterations(iterations)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}

void registerBenchmarks() {
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    for (const TransitionEffect e : allEffects()) {
        if (e == TransitionEffect::cut) continue;  // scale's pair
        for (const auto& [w, h] : {std::pair{1280, 800}, std::pair{2560, 1440}})
            for (const int samples : {1, 4}) {
                demo::DemoOptions scene;
                scene.effect = e;
                scene.viewWidth = w;
                scene.viewHeight = h;
                add("EffectFrame/" + std::string(effectName(e)) + "/" + std::to_string(w) + "x" + std::to_string(h) +
                        "/ms" + std::to_string(samples) + "/threads:" + std::to_string(cores),
                    {scene, samples, Frames::sweep, 24, cores}, 24);
            }
    }
    const std::pair<Frames, const char*> kinds[] = {{Frames::sweep, "sweep"}, {Frames::ends, "ends"},
                                                    {Frames::middle, "middle"}};
    for (const int threads : {cores, 1})
        for (const int samples : {1, 4})
            for (const auto& [frames, name] : kinds)
                add(std::string("PictureQuadFrame/") + name + "/ms" + std::to_string(samples) +
                        "/threads:" + std::to_string(threads),
                    {{}, samples, frames, 200, threads}, 200);
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
