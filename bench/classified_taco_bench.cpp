// The classified and taco effects against the 8.33 ms of a 120 Hz frame: the ink
// analysis of a read-back picture at its largest (420,000 texels) with the bar placement
// that follows it, the taco's plan with its bites, one model frame of each, and one
// rendered frame of each (preparation, page pass where due, silhouette and main passes)
// of the demonstration transition (an 800 × 600 window in a 1280 × 800 view, shadows and
// rims included), with 4 samples as in the program.
//
//   bench_classified_taco [benchmark flags]
//
// Each benchmark reports ms per call and budget_share, the fraction of one frame.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "tools/transition_demo.h"
#include "transitions/effect_catalogue.h"
#include "transitions/effects/classified/classified.h"
#include "transitions/effects/taco/taco.h"
#include "transitions/transition_renderer.h"

namespace furlpane::bench {
namespace {

using namespace furlpane::effects;

constexpr double kBudgetMs = 1000.0 / 120.0;
constexpr int kWidth = 800;
constexpr int kHeight = 525;  // 420,000 texels, the most a read-back holds

struct Picture {
    std::size_t rowBytes = (kWidth * 4 + 255) / 256 * 256;
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(rowBytes * kHeight, 255);

    void set(int x, int y, std::uint8_t grey) {
        std::uint8_t* p = bytes.data() + static_cast<std::size_t>(y) * rowBytes + static_cast<std::size_t>(x) * 4;
        p[0] = p[1] = p[2] = grey;
        p[3] = 255;
    }
};

// A window of text: a title bar, then lines of words of letter-sized strokes.
Picture textPicture() {
    Picture picture;
    std::mt19937 r(1);
    for (int y = 0; y < 28; ++y)
        for (int x = 0; x < kWidth; ++x) picture.set(x, y, 220);
    for (int y = 40; y + 12 < kHeight; y += 18) {
        int x = 12;
        while (x + 60 < kWidth) {
            const int letters = 2 + static_cast<int>(r() % 8);
            for (int i = 0; i < letters; ++i, x += 7)
                for (int dy = 0; dy < 10; ++dy) {
                    picture.set(x, y + dy, 20);
                    if (dy % 4 == 0) picture.set(x + 1 + static_cast<int>(r() % 4), y + dy, 20);
                }
            x += 8 + static_cast<int>(r() % 12);
        }
    }
    return picture;
}

// Grey noise: every texel its own level, the worst case for blobs.
Picture noisePicture() {
    Picture picture;
    std::mt19937 r(2);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) picture.set(x, y, static_cast<std::uint8_t>(r() & 0xFF));
    return picture;
}

// The progress of call n: 240 steps of the transition visited in a scattered order (89
// is prime to 240), so that however few calls a benchmark makes they sample the whole
// transition rather than its first frames.
double sweepProgress(long n) { return double((n * 89) % 240) / 239; }

void report(benchmark::State& state, std::chrono::steady_clock::time_point start, long calls) {
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() /
                      double(std::max(calls, 1L));
    state.counters["ms"] = ms;
    state.counters["budget_share"] = ms / kBudgetMs;
}

void inkAndBars(benchmark::State& state, const Picture& picture) {
    long calls = 0, bars = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const Classified::Ink ink = readInk(picture.bytes, kWidth, kHeight, picture.rowBytes, 1);
        EffectRandom random(7, tags::kClassified);
        const auto placed = placeBars(ink.width, ink.height, ink.texel, ink.marks, {kWidth, kHeight}, 28,
                                      classifiedTiming(false), random);
        bars = static_cast<long>(placed.size());
        ++calls;
    }
    report(state, start, calls);
    state.counters["bars"] = double(bars);
}

TransitionUniforms uniforms(bool titleStrip) {
    TransitionUniforms u;
    u.window = {200, 120, 1000, 700};
    u.standIn = titleStrip ? platform::simd::float4{200, 120, 1000, 28} : platform::simd::float4{1200, 780, 180, 120};
    u.room = {0, 0, 1512, 945};
    u.viewSize = {1512, 945};
    u.titleBarHeight = 28;
    u.standInCrop = titleStrip ? 0.1f : 1.0f;
    u.seed = 12345;
    return u;
}

void tacoPlanBench(benchmark::State& state, bool titleStrip) {
    long calls = 0;
    std::size_t pieces = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const Taco plan = tacoPlan(uniforms(titleStrip));
        pieces = plan.pieces.size();
        benchmark::DoNotOptimize(plan.bites.data());
        ++calls;
    }
    report(state, start, calls);
    state.counters["pieces"] = double(pieces);
}

void tacoFrameBench(benchmark::State& state, bool titleStrip) {
    const auto u = uniforms(titleStrip);
    const Taco plan = tacoPlan(u);
    const auto placement = placementOf(u);
    long calls = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const auto frame = tacoFrame(plan, sweepProgress(calls), placement);
        benchmark::DoNotOptimize(frame.records.data());
        ++calls;
    }
    report(state, start, calls);
}

void classifiedFrameBench(benchmark::State& state, bool titleStrip) {
    const Picture picture = textPicture();
    const auto u = uniforms(titleStrip);
    const Classified::Ink ink = readInk(picture.bytes, kWidth, kHeight, picture.rowBytes, 1.25);
    const Classified plan = classifiedPlan(u, ink);
    const auto placement = placementOf(u);
    long calls = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const auto frame = stripFrames(plan, sweepProgress(calls), placement);
        benchmark::DoNotOptimize(frame.records.data());
        ++calls;
    }
    report(state, start, calls);
    state.counters["strips"] = double(plan.strips.size());
}

// One rendered frame per call of the demonstration transition (tools/transition_demo.h)
// with the effect, the progress swept over the transition.
void renderedFrame(benchmark::State& state, TransitionEffect effect, bool titleStrip, int threads) {
    auto renderer = TransitionRenderer::create(platform::gpu::Device::create({threads}), {4});
    if (!renderer) return state.SkipWithError("no renderer");
    const StandInKind standIn = titleStrip ? StandInKind::titleStrip : StandInKind::thumbnail;
    auto scene = demo::demoScene(*renderer, {effect, 0, standIn, 1});
    const auto target = renderer->device()->makeTexture(platform::gpu::TextureDescriptor::texture2D(
        platform::gpu::PixelFormat::bgra8Unorm, demo::kViewWidth, demo::kViewHeight, platform::gpu::Mipmapped::no,
        platform::gpu::TextureUsage::shaderReadAndRenderTarget));
    if (!scene || !target) return state.SkipWithError("no scene or target");
    long calls = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        scene->uniforms.progress = float(sweepProgress(calls));
        renderer->render(*scene, target);
        ++calls;
    }
    report(state, start, calls);
}

void registerBenchmarks() {
    static const Picture text = textPicture();
    static const Picture noise = noisePicture();
    auto add = [](const char* name, auto fn) {
        benchmark::RegisterBenchmark(name, fn)->Unit(benchmark::kMillisecond)->UseRealTime();
    };
    add("Classified/readInk+placeBars/text_420k", [](benchmark::State& s) { inkAndBars(s, text); });
    add("Classified/readInk+placeBars/noise_420k", [](benchmark::State& s) { inkAndBars(s, noise); });
    add("Classified/stripFrames/thumbnail", [](benchmark::State& s) { classifiedFrameBench(s, false); });
    add("Classified/stripFrames/titleStrip", [](benchmark::State& s) { classifiedFrameBench(s, true); });
    add("Taco/plan/titleStrip_with_bites", [](benchmark::State& s) { tacoPlanBench(s, true); });
    add("Taco/plan/thumbnail", [](benchmark::State& s) { tacoPlanBench(s, false); });
    add("Taco/frame/titleStrip", [](benchmark::State& s) { tacoFrameBench(s, true); });
    add("Taco/frame/thumbnail", [](benchmark::State& s) { tacoFrameBench(s, false); });
    // Rendered frames on every core, and on one (steadier on a busy machine).
    for (const int threads : {0, 1}) {
        const std::string suffix = threads == 1 ? "/threads:1" : "/threads:all";
        const std::pair<const char*, std::pair<TransitionEffect, bool>> frames[] = {
            {"Classified/rendered/thumbnail", {TransitionEffect::classified, false}},
            {"Classified/rendered/titleStrip", {TransitionEffect::classified, true}},
            {"Taco/rendered/thumbnail", {TransitionEffect::taco, false}},
            {"Taco/rendered/titleStrip", {TransitionEffect::taco, true}},
            {"Scale/rendered/thumbnail (picture quad, for comparison)", {TransitionEffect::scale, false}},
        };
        for (const auto& [name, what] : frames) {
            const auto [effect, title] = what;
            benchmark::RegisterBenchmark((name + suffix).c_str(),
                                         [effect, title, threads](benchmark::State& s) {
                                             renderedFrame(s, effect, title, threads);
                                         })
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
    }
}

}  // namespace
}  // namespace furlpane::bench

int main(int argc, char** argv) {
    furlpane::bench::registerBenchmarks();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
