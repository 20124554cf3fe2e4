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
// frame at 0.5, the picture quad alone. "FirstFrame/<effect>/1280x800/ms4" times what a
// transition pays before its picture moves, cold (on a renderer just made) and warmed up
// (on one prepared for the frame size, as the program does at start-up), in turn: setting
// the scene up (its pictures uploaded, the frame targets taken), the first frame (the
// effect's plan and preparation included) and the second; set-up_ms and warm-up_ms are
// the renderer's own set-up and preparation, done once, off the path of any transition.
// The demonstration's pictures are drawn before the scene's clock starts (a program has
// captured its pictures by then); demo_pictures_ms is that drawing, the benchmark's own.
// next_scene_ms and next_first_ms are the next transition's on the warmed-up renderer,
// after the first let go of its scene: what every transition but the first pays.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

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

double msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void frameBenchmark(benchmark::State& state, Run run) {
    const auto renderer = TransitionRenderer::create(platform::gpu::Device::create({run.threads}), {run.samples});
    auto scene = renderer ? demo::demoScene(*renderer, run.scene) : std::nullopt;
    auto target = renderer ? renderer->device()->makeTexture(platform::gpu::TextureDescriptor::texture2D(
                                 platform::gpu::PixelFormat::bgra8Unorm, run.scene.viewWidth, run.scene.viewHeight,
                                 platform::gpu::Mipmapped::no, platform::gpu::TextureUsage::shaderReadAndRenderTarget))
                           : nullptr;
    if (!scene || !target) return state.SkipWithError("the renderer or its scene could not be made");
    int frame = 0;
    double worst = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const auto frameStart = std::chrono::steady_clock::now();
        scene->uniforms.progress = progressOf(run.frames, frame++, run.sweep);
        benchmark::DoNotOptimize(renderer->render(*scene, target));
        if (frame > 1) worst = std::max(worst, msSince(frameStart));  // the first frame is FirstFrame's
    }
    const double ms = msSince(start) / double(std::max(frame, 1));
    state.counters["ms_per_frame"] = ms;
    state.counters["max_ms"] = worst;
    state.counters["budget_share"] = ms / kBudgetMs;
}

struct FirstFrameTimes {
    double setUp = 0, warmUp = 0, pictures = 0, scene = 0, first = 0, second = 0, nextScene = 0, nextFirst = 0;
};

// One transition's start on a renderer of its own, made (and, warmed up, prepared for the
// frame size) before the clock starts for the transition.
std::optional<FirstFrameTimes> firstFrames(TransitionEffect effect, int samples, int threads, bool warmedUp) {
    FirstFrameTimes t;
    demo::DemoOptions options;
    options.effect = effect;
    auto start = std::chrono::steady_clock::now();
    const auto renderer = TransitionRenderer::create(platform::gpu::Device::create({threads}), {samples});
    t.setUp = msSince(start);
    if (!renderer) return std::nullopt;
    start = std::chrono::steady_clock::now();
    if (warmedUp && !renderer->prepare(options.viewWidth, options.viewHeight)) return std::nullopt;
    t.warmUp = msSince(start);
    start = std::chrono::steady_clock::now();
    const demo::DemoPictures pictures = demo::demoPictures(options);
    t.pictures = msSince(start);
    // The first transition, then the next on the same renderer, once the first let go of
    // its textures.
    for (const bool next : {false, true}) {
        start = std::chrono::steady_clock::now();
        auto made = demo::demoScene(*renderer, options, pictures);
        auto target = renderer->frameTarget(options.viewWidth, options.viewHeight);
        auto other = renderer->frameTarget(options.viewWidth, options.viewHeight);
        if (!made || !target || !other) return std::nullopt;
        (next ? t.nextScene : t.scene) = msSince(start);
        start = std::chrono::steady_clock::now();
        made->uniforms.progress = 0.02f;
        benchmark::DoNotOptimize(renderer->render(*made, target));
        (next ? t.nextFirst : t.first) = msSince(start);
        if (next) break;
        start = std::chrono::steady_clock::now();
        made->uniforms.progress = 0.06f;
        benchmark::DoNotOptimize(renderer->render(*made, other));
        t.second = msSince(start);
    }
    return t;
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Cold and warmed-up starts taken in turn, so that the machine's load falls on both alike;
// medians.
void firstFrameBenchmark(benchmark::State& state, TransitionEffect effect, int samples, int threads) {
    std::vector<FirstFrameTimes> cold, warm;
    int run = 0;
    for (auto _ : state) {
        for (const bool warmedUp : {run % 2 == 0, run % 2 != 0}) {
            const auto t = firstFrames(effect, samples, threads, warmedUp);
            if (!t) return state.SkipWithError("the renderer or its scene could not be made");
            (warmedUp ? warm : cold).push_back(*t);
        }
        ++run;
    }
    const auto of = [](const std::vector<FirstFrameTimes>& times, double FirstFrameTimes::*field) {
        std::vector<double> v;
        for (const auto& t : times) v.push_back(t.*field);
        return median(v);
    };
    state.counters["set-up_ms"] = of(cold, &FirstFrameTimes::setUp);
    state.counters["warm-up_ms"] = of(warm, &FirstFrameTimes::warmUp);
    state.counters["demo_pictures_ms"] = of(cold, &FirstFrameTimes::pictures);
    state.counters["cold_scene_ms"] = of(cold, &FirstFrameTimes::scene);
    state.counters["cold_first_ms"] = of(cold, &FirstFrameTimes::first);
    state.counters["warm_scene_ms"] = of(warm, &FirstFrameTimes::scene);
    state.counters["warm_first_ms"] = of(warm, &FirstFrameTimes::first);
    state.counters["second_ms"] = of(warm, &FirstFrameTimes::second);
    state.counters["next_scene_ms"] = of(warm, &FirstFrameTimes::nextScene);
    state.counters["next_first_ms"] = of(warm, &FirstFrameTimes::nextFirst);
    state.counters["warm_first_budgets"] = of(warm, &FirstFrameTimes::first) / kBudgetMs;
}

void add(const std::string& title, const Run& run, int iterations) {
    benchmark::RegisterBenchmark(title.c_str(), frameBenchmark, run)
        ->Iterations(iterations)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}

void registerBenchmarks() {
    const int cores = platform::gpu::usableCores();
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
    for (const TransitionEffect e : allEffects()) {
        if (e == TransitionEffect::cut) continue;
        benchmark::RegisterBenchmark(("FirstFrame/" + std::string(effectName(e)) + "/1280x800/ms4/threads:" +
                                      std::to_string(cores)).c_str(),
                                     firstFrameBenchmark, e, 4, cores)
            ->Iterations(9)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
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
