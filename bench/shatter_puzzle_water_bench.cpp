// The model work of the shatter, slider-puzzle and water effects against the 8.33 ms of
// a 120 Hz frame: the plan, built once per transition, and the frame, computed on every
// displayed frame, for windows of 800 × 600, 2560 × 1440 and 5120 × 2880 points.
//
//   bench_shatter_puzzle_water [benchmark flags]
//
// `budget_share` is the time of one call as a share of the frame budget (0.1 is a tenth).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

#include "transitions/effects/shatter/shatter.h"
#include "transitions/effects/slider_puzzle/slider_puzzle.h"
#include "transitions/effects/water/water.h"

namespace furlpane::effects {
namespace {

constexpr double kBudgetSeconds = 1.0 / 120.0;

// The window fills most of a view a quarter larger; the thumbnail sits at the lower right.
struct Scene {
    TransitionUniforms uniforms;
    Rect2 window, standIn, room;
    double2 view;

    Scene(double w, double h, bool titleStrip) {
        view = {w * 1.25, h * 1.25};
        window = {{w * 0.1, h * 0.1}, {w, h}};
        standIn = titleStrip ? Rect2{window.origin, {w, 28}} : Rect2{{view.x - 220, view.y - 140}, {200, 120}};
        room = {{0, 0}, view};
        uniforms.window = toFloat4(window.origin.x, window.origin.y, w, h);
        uniforms.standIn = toFloat4(standIn.origin.x, standIn.origin.y, standIn.size.x, standIn.size.y);
        uniforms.room = toFloat4(0, 0, view.x, view.y);
        uniforms.viewSize = {static_cast<float>(view.x), static_cast<float>(view.y)};
        uniforms.titleBarHeight = 28;
        uniforms.standInCrop = titleStrip ? 0.1f : 1;
        uniforms.seed = 0x5EED;
        // The slider-puzzle grid of a window this size: square tiles, four along the short side.
        uniforms.grid = {10, 4};
        uniforms.opacity = 1;
    }

    Placement placement() const { return placementOf(uniforms); }
};

// Runs the loop and records the mean time of one call as a share of the budget.
template <class Work>
void measure(benchmark::State& state, Work work) {
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) work();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.counters["budget_share"] = seconds / static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1)) /
                               kBudgetSeconds;
}

void shatterPlanBench(benchmark::State& state) {
    const Scene scene(state.range(0), state.range(1), false);
    measure(state, [&] {
        Shatter plan = shatterPlan(scene.uniforms);
        auto mesh = plan.shatterMesh();
        auto records = plan.shardRecords();
        benchmark::DoNotOptimize(mesh.data());
        benchmark::DoNotOptimize(records.data());
    });
}

void shatterFrameBench(benchmark::State& state) {
    const Scene scene(state.range(0), state.range(1), false);
    const Shatter plan = shatterPlan(scene.uniforms);
    const double t = state.range(2) / 100.0;
    measure(state, [&] {
        auto frame = shardFrames(plan, t, scene.placement());
        benchmark::DoNotOptimize(frame.records.data());
    });
    state.counters["shards"] = static_cast<double>(plan.shards.size());
}

void puzzlePlanBench(benchmark::State& state) {
    const Scene scene(state.range(0), state.range(1), false);
    measure(state, [&] { benchmark::DoNotOptimize(sliderPuzzlePlan(scene.uniforms).slides.data()); });
}

void puzzleFrameBench(benchmark::State& state) {
    const Scene scene(state.range(0), state.range(1), false);
    const SliderPuzzle plan = sliderPuzzlePlan(scene.uniforms);
    const double t = state.range(2) / 100.0;
    measure(state, [&] {
        auto frame = tileFrames(plan, t, scene.placement());
        benchmark::DoNotOptimize(frame.records.data());
    });
}

void waterPlanBench(benchmark::State& state) {
    const Scene scene(state.range(0), state.range(1), false);
    size_t drops = 0;
    measure(state, [&] {
        const Water plan = waterPlan(scene.uniforms);
        drops = plan.drops.size();
        benchmark::DoNotOptimize(plan.drops.data());
    });
    state.counters["drops"] = static_cast<double>(drops);
}

void waterFrameBench(benchmark::State& state) {
    const Scene scene(state.range(0), state.range(1), false);
    const Water plan = waterPlan(scene.uniforms);
    const double t = state.range(2) / 100.0;
    size_t drawn = 0;
    measure(state, [&] {
        auto frame = waterFrame(plan, t, scene.placement());
        drawn = frame.records.size();
        benchmark::DoNotOptimize(frame.records.data());
    });
    state.counters["drops"] = static_cast<double>(drawn);
}

void sizes(benchmark::internal::Benchmark* b, std::initializer_list<int64_t> progress) {
    for (const auto& [w, h] : {std::pair<int64_t, int64_t>{800, 600}, {2560, 1440}, {5120, 2880}})
        for (const int64_t t : progress) b->Args({w, h, t});
    b->ArgNames({"w", "h", "t%"})->Unit(benchmark::kMicrosecond);
}

BENCHMARK(shatterPlanBench)->Apply([](auto* b) { sizes(b, {0}); });
BENCHMARK(shatterFrameBench)->Apply([](auto* b) { sizes(b, {40, 85}); });
BENCHMARK(puzzlePlanBench)->Apply([](auto* b) { sizes(b, {0}); });
BENCHMARK(puzzleFrameBench)->Apply([](auto* b) { sizes(b, {30, 51}); });
BENCHMARK(waterPlanBench)->Apply([](auto* b) { sizes(b, {0}); });
BENCHMARK(waterFrameBench)->Apply([](auto* b) { sizes(b, {10, 30, 45, 60, 75}); });

}  // namespace
}  // namespace furlpane::effects

BENCHMARK_MAIN();
