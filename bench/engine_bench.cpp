// The window actions engine's own share of a request, against the 8.33 ms of a 120 Hz
// frame:
//
//   engine_act/shade        act from the request to the title strip shown: the change's
//                           accessibility work, the window's picture, the stand-in panel
//                           and the trip into the Dock, without an animation (none is
//                           made, so no transition is drawn)
//   engine_act/thumbnail    the same into a thumbnail
//   engine_chain/request    one request through the serial chain to act and back, for a
//                           window whose state the action does not change
//
// Each reports the accessibility requests one act sends ("ax_requests"): a request to an
// application that does not answer costs the messaging timeout however fast the engine
// is. The world runs on the simulated clock, so the Dock trip's own time is not counted.

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

#include "platform/accessibility/world_elements.h"
#include "platform/appkit/screen.h"
#include "platform/defaults/user_defaults.h"
#include "platform/desktop/desktop.h"
#include "platform/runtime/main_loop.h"
#include "settings/model/action_rules.h"
#include "settings/model/preferences.h"
#include "windows/access/accessibility_elements.h"
#include "windows/access/own_windows.h"
#include "windows/access/target_window.h"
#include "windows/changed/window_ledger.h"
#include "windows/engine/window_effects.h"

namespace furlpane::bench {
namespace {

using platform::Rect;
using platform::Task;
namespace desktop = platform::desktop;

constexpr double kBudgetMs = 1000.0 / 120.0;

struct EngineWorld {
    EngineWorld() {
        systemWideElement().setMessagingTimeout(0.25f);
        Preferences::setShared(preferences);
        ActionRules::setShared(std::make_unique<ActionRules>(defaults));
        WindowLedger::setShared(std::make_unique<WindowLedger>(defaults, ownProcessIdentifier()));
        preferences->setConcealsMinimizeAnimation(false);
        preferences->setAnimatesTransitions(false);
        auto& editor = world.application("com.example.Editor")
                           .window({.title = "Draft", .frame = Rect{200, 150, 900, 600}})
                           .add();
        window = editor.windows()[0];
        target = TargetWindow::create(platform::elementOf(*window)).value();
    }
    ~EngineWorld() {
        engine.reset();
        loop.runUntilIdle();
        WindowLedger::setShared(nullptr);
        ActionRules::setShared(nullptr);
        Preferences::setShared(nullptr);
    }
    // One request as a trigger queues it, run until the engine is idle again; the
    // trips of the simulated Dock end in simulated time.
    void request(WindowAction action) {
        engine->onMainActor(WindowEffects::Job([action, found = *target](WindowEffects& effects) {
            return effects.act(action, found, std::nullopt, Raising::inPlace, Speed::normal);
        }));
        loop.runUntilIdle();
        loop.advance(2.0);
        loop.runUntilIdle();
    }

    platform::MainLoop loop{platform::ClockKind::simulated};
    desktop::Desktop world{loop};
    platform::UserDefaults defaults{"com.brindlewick.FurlpaneNovan.bench"};
    std::shared_ptr<Preferences> preferences = Preferences::create(defaults);
    std::shared_ptr<WindowEffects> engine = WindowEffects::create(*preferences);
    desktop::Window* window = nullptr;
    // The window as the trigger found it, once.
    std::optional<TargetWindow> target;
};

void report(benchmark::State& state, double totalMs, long iterations, uint64_t requests) {
    const double ms = totalMs / double(std::max(iterations, 1L));
    state.counters["ms"] = ms;
    state.counters["budget_share"] = ms / kBudgetMs;
    state.counters["ax_requests"] = double(requests) / double(std::max(iterations, 1L));
}

// Times requests of the action; `between` runs untimed after each.
template <class F>
void timeRequests(benchmark::State& state, EngineWorld& w, WindowAction action, F between) {
    double totalMs = 0;
    uint64_t requests = 0;
    long iterations = 0;
    for (auto _ : state) {
        const auto sent = w.world.accessibilityRequestCount();
        const auto start = std::chrono::steady_clock::now();
        w.request(action);
        totalMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        requests += w.world.accessibilityRequestCount() - sent;
        ++iterations;
        state.PauseTiming();
        between();
        state.ResumeTiming();
    }
    report(state, totalMs, iterations, requests);
}

// Changes the window into the action's style and back; only the change into it counts.
void actInto(benchmark::State& state, WindowAction action) {
    EngineWorld w;
    timeRequests(state, w, action, [&] {
        if (!w.window->isMinimized()) state.SkipWithError("the window did not take the style");
        w.request(action);
    });
}

void BM_actShade(benchmark::State& state) { actInto(state, WindowAction::furlpane); }
void BM_actThumbnail(benchmark::State& state) { actInto(state, WindowAction::minimizeInPlace); }

void BM_chainRequest(benchmark::State& state) {
    EngineWorld w;
    timeRequests(state, w, WindowAction::doNothing, [] {});
}

BENCHMARK(BM_actShade)->Name("engine_act/shade")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_actThumbnail)->Name("engine_act/thumbnail")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_chainRequest)->Name("engine_chain/request")->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace furlpane::bench

BENCHMARK_MAIN();
