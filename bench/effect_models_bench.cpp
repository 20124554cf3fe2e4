// The model work of every effect of the model table against the 8.33 ms of a 120 Hz
// frame: each plan's build, one frame, and the plan together with the first frame
// (which the renderer does on the transition's first frame), for windows of 800 × 600
// and 2560 × 1440 bound for a title strip and for a thumbnail, with the grid the
// transition driver gives. The counter budget_share is the time as a share of one frame.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "transitions/effect_catalogue.h"
#include "transitions/effects/effect_models.h"

namespace furlpane::effects {
namespace {

constexpr double kBudgetMs = 1000.0 / 120.0;

struct Case {
    double width, height;
    StandInKind standIn;
};

TransitionEffect effectNamed(std::string_view name) {
    for (const TransitionEffect e : allEffects())
        if (effectName(e) == name) return e;
    return TransitionEffect::cut;
}

TransitionUniforms uniformsFor(std::string_view model, const Case& c) {
    TransitionUniforms u;
    u.window = {40, 60, static_cast<float>(c.width), static_cast<float>(c.height)};
    const bool strip = c.standIn == StandInKind::titleStrip;
    u.standIn = strip ? platform::simd::float4{40, 60, static_cast<float>(c.width), 28}
                      : platform::simd::float4{2200, 1300, 200, 120};
    u.room = {0, 25, 2560, 1415};
    u.viewSize = {2560, 1440};
    u.titleBarHeight = 28;
    u.standInCrop = strip ? 0.05f : 1;
    u.opacity = 0.9f;
    u.seed = 0x5EEDu;
    const TransitionEffect effect = effectNamed(model);
    u.grid = effectGrid(effect, c.width, gridHeight(effect, c.height, c.standIn, 28));
    return u;
}

// Runs the body once per iteration and reports its mean time as a share of one frame.
template <class Body>
void measure(benchmark::State& state, Body body) {
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) body();
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() /
                      static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["budget_share"] = ms / kBudgetMs;
}

template <class Model>
void planBenchmark(benchmark::State& state, const Model& model, Case c) {
    const TransitionUniforms u = uniformsFor(model.name, c);
    measure(state, [&] { benchmark::DoNotOptimize(model.plan(u)); });
}

template <class Model>
void frameBenchmark(benchmark::State& state, const Model& model, Case c) {
    const TransitionUniforms u = uniformsFor(model.name, c);
    const auto plan = model.plan(u);
    const Placement placement = placementOf(u);
    int i = 0;
    measure(state, [&] { benchmark::DoNotOptimize(model.frame(plan, (i++ % 97) / 96.0, placement)); });
}

template <class Model>
void firstFrameBenchmark(benchmark::State& state, const Model& model, Case c) {
    const TransitionUniforms u = uniformsFor(model.name, c);
    const Placement placement = placementOf(u);
    measure(state, [&] { benchmark::DoNotOptimize(model.frame(model.plan(u), 0, placement)); });
}

template <class Model>
void registerModel(const Model& model) {
    using Bench = void (*)(benchmark::State&, const Model&, Case);
    const std::pair<const char*, Bench> kinds[] = {{"Plan", planBenchmark<Model>},
                                                   {"Frame", frameBenchmark<Model>},
                                                   {"PlanAndFirstFrame", firstFrameBenchmark<Model>}};
    for (const auto& [kind, fn] : kinds)
        for (const auto& [w, h] : {std::pair{800.0, 600.0}, std::pair{2560.0, 1440.0}})
            for (StandInKind s : {StandInKind::titleStrip, StandInKind::thumbnail}) {
                const std::string name = std::string(kind) + "/" + std::string(model.name) + "/" +
                                         std::to_string(int(w)) + "x" + std::to_string(int(h)) +
                                         (s == StandInKind::titleStrip ? "/titleStrip" : "/thumbnail");
                benchmark::RegisterBenchmark(name.c_str(), fn, model, Case{w, h, s})->Unit(benchmark::kMicrosecond);
            }
}

}  // namespace
}  // namespace furlpane::effects

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    furlpane::effects::forEachEffectModel([](const auto& model) { furlpane::effects::registerModel(model); });
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
