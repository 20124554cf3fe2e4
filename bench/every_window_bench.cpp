// An action on every window of an application with twenty windows: the engine's own share
// of the request, from the job on the serial chain to the last window announced, against
// the 8.33 ms of a 120 Hz frame. Transitions are left out (none is made), so what counts
// is gathering the windows, their accessibility work, their pictures, the stand-in
// panels and the announcements:
//
//   every_window/shade_minimize_all   twenty new title strips, the application's
//                                      Minimize All sending the windows together
//   every_window/shade_one_by_one     the same with one thumbnail among them, so that
//                                      every window makes its own trip
//   every_window/restore              twenty title strips back to their windows, back
//                                      to front
//
// Each reports the accessibility requests one request sends ("ax_requests"): against an
// application that does not answer, each costs the messaging timeout however fast the
// engine is. The world runs on the simulated clock, so the Dock trips' own time is not
// counted.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/accessibility/world_elements.h"
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
namespace desktop = platform::desktop;

constexpr double kBudgetMs = 1000.0 / 120.0;
constexpr int kWindows = 20;

struct EditorWorld {
    EditorWorld() {
        systemWideElement().setMessagingTimeout(0.25f);
        Preferences::setShared(preferences);
        ActionRules::setShared(std::make_unique<ActionRules>(defaults));
        WindowLedger::setShared(std::make_unique<WindowLedger>(defaults, ownProcessIdentifier()));
        preferences->setConcealsMinimizeAnimation(false);
        preferences->setAnimatesTransitions(false);
        auto builder = world.application("com.example.Editor");
        for (int i = 0; i < kWindows; ++i) {
            const Rect frame{20.0 + 40 * (i % 10), 40.0 + 30 * i, 600, 400};
            builder.window({.title = "Draft " + std::to_string(i), .frame = frame});
        }
        windows = builder.add().windows();
    }
    ~EditorWorld() {
        engine.reset();
        loop.runUntilIdle();
        WindowLedger::setShared(nullptr);
        ActionRules::setShared(nullptr);
        Preferences::setShared(nullptr);
    }
    TargetWindow target(size_t i) const { return TargetWindow::create(platform::elementOf(*windows[i])).value(); }
    // The request as a trigger queues it, run until the engine is idle again; the trips
    // of the simulated Dock end in simulated time.
    void request(WindowAction action, size_t clicked, WindowEffects::Scope scope) {
        engine->onMainActor(WindowEffects::Job([action, scope, target = target(clicked)](WindowEffects& effects) {
            if (scope == WindowEffects::Scope::oneWindow)
                return effects.act(action, target, std::nullopt, Raising::inPlace, Speed::normal);
            return effects.perform(action, target, std::nullopt, Speed::normal);
        }));
        for (int i = 0; i < 20 && (i == 0 || !engine->changing().empty() || engine->isBusy(windows[0]->pid())); ++i) {
            loop.runUntilIdle();
            loop.advance(1.0);
        }
        loop.runUntilIdle();
    }

    platform::MainLoop loop{platform::ClockKind::simulated};
    desktop::Desktop world{loop, {.displays = {{.frame = {0, 0, 1440, 900}, .backingScaleFactor = 2}}}};
    platform::UserDefaults defaults{"com.brindlewick.FurlpaneNovan.bench"};
    std::shared_ptr<Preferences> preferences = Preferences::create(defaults);
    std::shared_ptr<WindowEffects> engine = WindowEffects::create(*preferences);
    std::vector<desktop::Window*> windows;
};

void report(benchmark::State& state, double totalMs, long iterations, uint64_t requests, size_t changed) {
    const double n = double(std::max(iterations, 1L));
    state.counters["ms"] = totalMs / n;
    state.counters["budget_share"] = totalMs / n / kBudgetMs;
    state.counters["ax_requests"] = double(requests) / n;
    state.counters["windows_changed"] = double(changed);
}

enum class Road { minimizeAll, oneByOne, restore };

void everyWindow(benchmark::State& state, Road road) {
    EditorWorld w;
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
    report(state, totalMs, iterations, requests, road == Road::restore ? kWindows - changed : changed);
}

void BM_shadeMinimizeAll(benchmark::State& state) { everyWindow(state, Road::minimizeAll); }
void BM_shadeOneByOne(benchmark::State& state) { everyWindow(state, Road::oneByOne); }
void BM_restore(benchmark::State& state) { everyWindow(state, Road::restore); }

BENCHMARK(BM_shadeMinimizeAll)->Name("every_window/shade_minimize_all")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_shadeOneByOne)->Name("every_window/shade_one_by_one")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_restore)->Name("every_window/restore")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace furlpane::bench

BENCHMARK_MAIN();
