// The model work of the roller-shade, click-sparks, veins and origami effects against
// the 8.33 ms of a 120 Hz frame: each plan's build, one frame, and the plan together
// with the first frame (which the renderer does on the transition's first frame), for
// windows of 800 × 600 and 2560 × 1440 bound for a title strip and for a thumbnail.
// The counter budget_share is the time as a share of one frame.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <string>

#include "transitions/effects/click_sparks/click_sparks.h"
#include "transitions/effects/origami/origami.h"
#include "transitions/effects/roller_shade/roller_shade.h"
#include "transitions/effects/veins/veins.h"

namespace furlpane::effects {
namespace {

constexpr double kBudgetMs = 1000.0 / 120.0;

enum class StandIn { titleStrip, thumbnail };
enum class Effect { shade, sparks, veins, origami };

struct Case {
    Effect effect;
    double width, height;
    StandIn standIn;
};

// The effect grid the transition driver would give (counts rounded half away from zero).
uint32_t gridCount(double length, double per, int least, int most) {
    return static_cast<uint32_t>(std::clamp(static_cast<int>(std::round(length / per)), least, most));
}

TransitionUniforms uniformsFor(const Case& c) {
    TransitionUniforms u;
    u.window = {40, 60, static_cast<float>(c.width), static_cast<float>(c.height)};
    const bool strip = c.standIn == StandIn::titleStrip;
    u.standIn = strip ? platform::simd::float4{40, 60, static_cast<float>(c.width), 28}
                      : platform::simd::float4{2200, 1300, 200, 120};
    u.room = {0, 25, 2560, 1415};
    u.viewSize = {2560, 1440};
    u.titleBarHeight = 28;
    u.standInCrop = strip ? 0.05f : 1;
    u.opacity = 0.9f;
    u.seed = 0x5EEDu;
    const double h = strip ? std::max(1.0, c.height - 28) : c.height;
    const double area = c.width * h;
    if (c.effect == Effect::sparks) {
        const double s = std::max(std::sqrt(area / 2400), 22.0);
        u.grid = {gridCount(c.width, s, 2, 120), gridCount(h, s, 1, 120)};
    } else if (c.effect == Effect::veins) {
        const double s = std::max(std::sqrt(area / 1920), 19.0);
        u.grid = {gridCount(c.width, s, 2, 120), gridCount(h, 1.2 * s, 2, 120)};
    } else {
        u.grid = {1, 1};
    }
    return u;
}

Rect2 rectOf(platform::simd::float4 r) { return {{r.x, r.y}, {r.z, r.w}}; }

// A plan of any of the four effects, and a frame of it at t.
struct Model {
    RollerShade shade;
    ClickSparks sparks;
    Veins veins;
    Origami origami;

    static Model build(Effect e, const TransitionUniforms& u) {
        Model m;
        switch (e) {
        case Effect::shade: m.shade = rollerShadePlan(u); break;
        case Effect::sparks: m.sparks = clickSparksPlan(u); break;
        case Effect::veins: m.veins = veinsPlan(u); break;
        case Effect::origami: m.origami = origamiPlan(u); break;
        }
        return m;
    }

    // Returns a value from the records so that the work cannot be dropped.
    float frame(Effect e, const TransitionUniforms& u, double t) const {
        const Rect2 window = rectOf(u.window), standIn = rectOf(u.standIn), room = rectOf(u.room);
        const double2 view{u.viewSize.x, u.viewSize.y};
        switch (e) {
        case Effect::shade: return rollerShadeFrame(shade, t, window, standIn, room, view, u.opacity, 1.0 / 144)[8].x;
        case Effect::sparks: return sparkFrames(sparks, t, standIn, room, u.opacity).frames.back().place.x;
        // The veins are uploaded once; their frames compute nothing.
        case Effect::veins: return veins.segments.empty() ? 0 : veins.segments.back().timing.x;
        case Effect::origami:
            return facetFrames(origami, t, window, standIn, room, view, u.opacity, Direction::minimizing)
                .frames.back()
                .transform.columns[3]
                .x;
        }
        return 0;
    }

    // Plans that need meshes build them with the plan, once.
    size_t meshes(Effect e) const {
        if (e != Effect::origami) return 0;
        return origamiMesh(origami).size() + origamiFacetRecords(origami).size();
    }
};

// Runs the body once per iteration and reports its mean time as a share of one frame.
template <class Body>
void measure(benchmark::State& state, Body body) {
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) body();
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() /
                      static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["budget_share"] = ms / kBudgetMs;
}

void planBenchmark(benchmark::State& state, Case c) {
    const TransitionUniforms u = uniformsFor(c);
    measure(state, [&] {
        Model m = Model::build(c.effect, u);
        benchmark::DoNotOptimize(m.meshes(c.effect));
        benchmark::DoNotOptimize(m);
    });
}

void frameBenchmark(benchmark::State& state, Case c) {
    const TransitionUniforms u = uniformsFor(c);
    const Model m = Model::build(c.effect, u);
    int i = 0;
    measure(state, [&] { benchmark::DoNotOptimize(m.frame(c.effect, u, (i++ % 97) / 96.0)); });
}

void firstFrameBenchmark(benchmark::State& state, Case c) {
    const TransitionUniforms u = uniformsFor(c);
    measure(state, [&] {
        Model m = Model::build(c.effect, u);
        benchmark::DoNotOptimize(m.meshes(c.effect));
        benchmark::DoNotOptimize(m.frame(c.effect, u, 0));
    });
}

const char* nameOf(Effect e) {
    switch (e) {
    case Effect::shade: return "shade";
    case Effect::sparks: return "sparks";
    case Effect::veins: return "veins";
    case Effect::origami: return "origami";
    }
    return "?";
}

void registerAll() {
    using Bench = void (*)(benchmark::State&, Case);
    const std::pair<const char*, Bench> kinds[] = {
        {"Plan", planBenchmark}, {"Frame", frameBenchmark}, {"PlanAndFirstFrame", firstFrameBenchmark}};
    for (const auto& [kind, fn] : kinds)
        for (Effect e : {Effect::shade, Effect::sparks, Effect::veins, Effect::origami})
            for (const auto& [w, h] : {std::pair{800.0, 600.0}, std::pair{2560.0, 1440.0}})
                for (StandIn s : {StandIn::titleStrip, StandIn::thumbnail}) {
                    const std::string name = std::string(kind) + "/" + nameOf(e) + "/" + std::to_string(int(w)) + "x" +
                                             std::to_string(int(h)) +
                                             (s == StandIn::titleStrip ? "/titleStrip" : "/thumbnail");
                    benchmark::RegisterBenchmark(name.c_str(), fn, Case{e, w, h, s})->Unit(benchmark::kMicrosecond);
                }
}

}  // namespace
}  // namespace furlpane::effects

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    furlpane::effects::registerAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
