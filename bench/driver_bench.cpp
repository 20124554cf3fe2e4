// Whole transitions played by the transition driver (StandInTransition) on a simulated
// desktop of one display, against the 8.33 ms of a 120 Hz frame: shatter (a modelled
// effect), scale (the picture quad) and water, at 1280 × 800 and 2560 × 1440, with 1 and
// 4 samples. One iteration is one whole transition into a thumbnail.
//
//   bench_driver [benchmark flags]
//
// Counters, per frame:
//   whole_share   the frame as the display link runs it (uniforms, render, hand-over,
//                 and the loop around them), measured over the whole transition
//   driver_share  the driver's own part: the uniforms of the frame and the hand-over of
//                 the drawn texture to the overlay's layer, without the render
//   make_ms       making the transition (scene, targets, panels, first frame), once

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <optional>
#include <string>

#include "platform/appkit/application.h"
#include "platform/desktop/desktop.h"
#include "tools/transition_demo.h"
#include "transitions/driver/stand_in_transition.h"
#include "transitions/driver/transition_choices.h"
#include "transitions/renderer_testing.h"

namespace furlpane::bench {
namespace {

using Clock = std::chrono::steady_clock;
using platform::Rect;

constexpr double kBudgetMs = 1000.0 / 120.0;
constexpr double kFrame = 1.0 / 120.0;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Case {
    TransitionEffect effect;
    int width;
    int height;
    int samples;
};

// A window of five eighths of the screen in its middle, going to a thumbnail of a
// quarter of its size at the bottom left.
StandInTransition::Setup setupFor(const Case& c, const TransitionRenderer& renderer) {
    const double w = c.width * 0.625, h = c.height * 0.75;
    const Rect window{(c.width - w) / 2, (c.height - h) / 2, w, h};
    const auto display = StandInTransition::surveyDisplay(window);
    const Rect area = belowMenuBar(display->frame, display->visible);
    auto picture = makePicture(renderer, demo::windowPicture(int(w), int(h)), std::nullopt, std::nullopt);
    return {.frame = window,
            .windowNumber = 0,
            .effect = c.effect,
            .makings = {.picture = *picture,
                        .backdrop = {area, demo::desktopPicture(int(area.width()), int(area.height()))}},
            .display = display,
            .standIn = {.frame = {c.width * 0.03, c.height - h / 4 - 80, w / 4, h / 4}, .cornerRadius = 4},
            .titleBarHeight = 28};
}

// The frames of one transition as the display link plays them; the mean frame in ms.
double playWhole(platform::MainLoop& loop, StandInTransition& t) {
    t.start();
    int frames = 0;
    const auto start = Clock::now();
    while (!t.framesAreDone() && frames < 10000) {
        loop.advance(kFrame);
        ++frames;
    }
    return msSince(start) / std::max(frames, 1);
}

// The driver's own part of every frame of a transition of the scene: the uniforms and
// the hand-over, timed apart from the render between them; the mean in ms.
double driverOwnPart(const std::shared_ptr<TransitionRenderer>& renderer, const TransitionScene& scene,
                     double seconds) {
    auto frames = TransitionFrames::create(renderer, scene, TransitionDirection::minimizing);
    auto layer = platform::TextureLayer::make();
    const int count = std::max(1, int(std::lround(seconds / kFrame)));
    double own = 0;
    for (int i = 1; i <= count; ++i) {
        const auto a = Clock::now();
        frames->prepare(double(i) / count, i * kFrame);
        own += msSince(a);
        frames->render();
        const auto b = Clock::now();
        benchmark::DoNotOptimize(frames->present(*layer));
        own += msSince(b);
    }
    return own / count;
}

void wholeTransition(benchmark::State& state, Case c) {
    platform::MainLoop loop(platform::ClockKind::simulated);
    platform::desktop::Desktop world(loop);
    world.displays().set({{.frame = {0, 0, double(c.width), double(c.height)}, .backingScaleFactor = 1}});
    platform::Application::shared();
    const auto renderer = TransitionRenderer::create(platform::gpu::Device::create(), {c.samples});
    if (!renderer) return state.SkipWithError("no renderer");
    testing::replaceSharedRenderer(renderer);
    double whole = 0, own = 0, make = 0;
    int runs = 0;
    for (auto _ : state) {
        auto setup = setupFor(c, *renderer);
        const auto start = Clock::now();
        auto t = StandInTransition::create(std::move(setup));
        make += msSince(start);
        if (!t) return state.SkipWithError("no transition");
        const TransitionScene scene = *t->scene();
        whole += playWhole(loop, *t);
        t->finish(StandInTransition::Completion::completed);
        own += driverOwnPart(renderer, scene, transition_choices::frameDuration(c.effect));
        ++runs;
    }
    testing::restoreSharedRenderer();
    state.counters["whole_share"] = whole / runs / kBudgetMs;
    state.counters["driver_share"] = own / runs / kBudgetMs;
    state.counters["make_ms"] = make / runs;
}

// Registered as the program starts, before BENCHMARK_MAIN's main runs.
const bool registered = [] {
    for (const auto& [effect, name] : {std::pair{TransitionEffect::shatter, "shatter"},
                                       std::pair{TransitionEffect::scale, "scale"},
                                       std::pair{TransitionEffect::water, "water"}})
        for (const auto& [w, h] : {std::pair{1280, 800}, std::pair{2560, 1440}})
            for (const int samples : {1, 4}) {
                const std::string title = std::string("Transition/") + name + "/" + std::to_string(w) + "x" +
                                          std::to_string(h) + "/ms" + std::to_string(samples);
                benchmark::RegisterBenchmark(title.c_str(), wholeTransition, Case{effect, w, h, samples})
                    ->Iterations(2)
                    ->Unit(benchmark::kMillisecond)
                    ->UseRealTime();
            }
    return true;
}();

}  // namespace
}  // namespace furlpane::bench

BENCHMARK_MAIN();
