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
//   every_window/shade_minimize_all   twenty new title strips for one request on every
//                           window, the application's Minimize All sending the windows
//                           together
//   every_window/shade_one_by_one     the same with one thumbnail among them, so that
//                           every window makes its own trip
//   every_window/restore    twenty title strips back to their windows, back to front
//
// Each reports the accessibility requests one request sends ("ax_requests"): a request to an
// application that does not answer costs the messaging timeout however fast the engine
// is. The world runs on the simulated clock, so the Dock trip's own time is not counted.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

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

// An editor with one window, or with `count` windows tiled across the display, each made
// in front of the ones before it.
struct EngineWorld {
    explicit EngineWorld(int count = 1) {
        systemWideElement().setMessagingTimeout(0.25f);
        Preferences::setShared(preferences);
        ActionRules::setShared(std::make_unique<ActionRules>(defaults));
        WindowLedger::setShared(std::make_unique<WindowLedger>(defaults, ownProcessIdentifier()));
        preferences->setConcealsMinimizeAnimation(false);
        preferences->setAnimatesTransitions(false);
        auto builder = world.application("com.example.Editor");
        if (count == 1) builder.window({.title = "Draft", .frame = Rect{200, 150, 900, 600}});
        for (int i = 0; count > 1 && i < count; ++i) {
            const Rect frame{20.0 + 40 * (i % 10), 40.0 + 30 * i, 600, 400};
            builder.window({.title = "Draft " + std::to_string(i), .frame = frame});
        }
        windows = builder.add().windows();
        window = windows[0];
        target = targetOf(0);
    }
    ~EngineWorld() {
        engine.reset();
        loop.runUntilIdle();
        WindowLedger::setShared(nullptr);
        ActionRules::setShared(nullptr);
        Preferences::setShared(nullptr);
    }
    TargetWindow targetOf(size_t i) const { return TargetWindow::create(platform::elementOf(*windows[i])).value(); }
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
    // The action on window i alone, or on every window as a trigger with Option held
    // asks it, run until no window changes and the application is settled.
    void request(WindowAction action, size_t clicked, WindowEffects::Scope scope) {
        engine->onMainActor(WindowEffects::Job([action, scope, found = targetOf(clicked)](WindowEffects& effects) {
            if (scope == WindowEffects::Scope::oneWindow)
                return effects.act(action, found, std::nullopt, Raising::inPlace, Speed::normal);
            return effects.perform(action, found, std::nullopt, Speed::normal);
        }));
        for (int i = 0; i < 20 && (i == 0 || !engine->changing().empty() || engine->isBusy(window->pid())); ++i) {
            loop.runUntilIdle();
            loop.advance(1.0);
        }
        loop.runUntilIdle();
    }

    platform::MainLoop loop{platform::ClockKind::simulated};
    desktop::Desktop world{loop};
    platform::UserDefaults defaults{"com.brindlewick.FurlpaneNovan.bench"};
    std::shared_ptr<Preferences> preferences = Preferences::create(defaults);
    std::shared_ptr<WindowEffects> engine = WindowEffects::create(*preferences);
    std::vector<desktop::Window*> windows;
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

enum class Road { minimizeAll, oneByOne, restore };

// Twenty windows shaded (or, on the road back, restored) by one request on every window;
// the setting-up and the way back are not timed.
void everyWindow(benchmark::State& state, Road road) {
    constexpr int kWindows = 20;
    EngineWorld w(kWindows);
    double totalMs = 0;
    uint64_t requests = 0;
    long iterations = 0;
    size_t changed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (road == Road::oneByOne) w.request(WindowAction::minimizeInPlace, 0, WindowEffects::Scope::oneWindow);
        if (road == Road::restore) w.request(WindowAction::furlpane, 0, WindowEffects::Scope::everyWindow);
        state.ResumeTiming();
        const auto sent = w.world.accessibilityRequestCount();
        const auto start = std::chrono::steady_clock::now();
        w.request(WindowAction::furlpane, 1, WindowEffects::Scope::everyWindow);
        totalMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        requests += w.world.accessibilityRequestCount() - sent;
        ++iterations;
        state.PauseTiming();
        changed = w.engine->windows().size();
        if (road != Road::restore) w.request(WindowAction::furlpane, 1, WindowEffects::Scope::everyWindow);
        state.ResumeTiming();
    }
    report(state, totalMs, iterations, requests);
    state.counters["windows_changed"] = double(road == Road::restore ? kWindows - changed : changed);
}

void BM_shadeMinimizeAll(benchmark::State& state) { everyWindow(state, Road::minimizeAll); }
void BM_shadeOneByOne(benchmark::State& state) { everyWindow(state, Road::oneByOne); }
void BM_restore(benchmark::State& state) { everyWindow(state, Road::restore); }

BENCHMARK(BM_actShade)->Name("engine_act/shade")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_actThumbnail)->Name("engine_act/thumbnail")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_chainRequest)->Name("engine_chain/request")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_shadeMinimizeAll)->Name("every_window/shade_minimize_all")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_shadeOneByOne)->Name("every_window/shade_one_by_one")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_restore)->Name("every_window/restore")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace furlpane::bench

BENCHMARK_MAIN();
