// Resolving the window a double-click targets, which lies on the path of every click
// the program intercepts: the window under the pointer in a window list of 20 and of
// 200 windows, the TargetWindow of a window element, and the whole resolution (list,
// window under the point, its element, its TargetWindow, the title-bar test).
//
//   bench_access [benchmark flags]
//
// Each benchmark reports the accessibility requests one resolution sends
// ("ax_requests"), since a request to an application that does not answer costs the
// messaging timeout (0.25 s) however fast the code around it is; and the time against
// the 8.33 ms of a 120 Hz frame ("budget_share").

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

#include "document_desktop.h"
#include "platform/accessibility/element.h"
#include "platform/accessibility/world_elements.h"
#include "platform/desktop/desktop.h"
#include "platform/runtime/main_loop.h"
#include "platform/windowserver/window_list.h"
#include "windows/access/accessibility_elements.h"
#include "windows/access/target_window.h"
#include "windows/access/window_server.h"

namespace furlpane::bench {
namespace {

using platform::Point;
using platform::Rect;
using platform::WindowList;
namespace desktop = platform::desktop;

constexpr double kBudgetMs = 1000.0 / 120.0;
// A desktop of `windows` document windows. The window the click targets is the backmost
// one, so that the walk through the list is the longest.
struct ClickWorld {
    explicit ClickWorld(int windows) {
        systemWideElement().setMessagingTimeout(0.25f);
        addDocumentWindows(world, windows);
        const auto list = WindowList::copyWindowInfo(WindowList::onScreenOnly, WindowList::kNullWindow);
        for (const auto& entry : *list) {
            const auto* d = entry.dictionary();
            const auto* layer = d->find(WindowList::kLayer);
            if (layer && layer->integer() == 0) target = static_cast<uint32_t>(d->find(WindowList::kNumber)->integer().value());
        }
        targetWindow = world.window(target);
        // Inside the title bar of the backmost window, left of every window in front of it.
        point = Point{targetWindow->frame().minX() + 5, targetWindow->frame().minY() + 10};
    }

    platform::MainLoop loop{platform::ClockKind::simulated};
    desktop::Desktop world{loop};
    uint32_t target = 0;
    desktop::Window* targetWindow = nullptr;
    Point point;
};

// Reports the requests per iteration and the time per iteration against the frame budget.
class Report {
public:
    Report(benchmark::State& state, const desktop::Desktop& world)
        : state_(state), world_(world), requests_(world.accessibilityRequestCount()),
          start_(std::chrono::steady_clock::now()) {}
    ~Report() {
        const double n = double(std::max<benchmark::IterationCount>(state_.iterations(), 1));
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count() / n;
        state_.counters["ax_requests"] = double(world_.accessibilityRequestCount() - requests_) / n;
        state_.counters["budget_share"] = ms / kBudgetMs;
    }

private:
    benchmark::State& state_;
    const desktop::Desktop& world_;
    uint64_t requests_;
    std::chrono::steady_clock::time_point start_;
};

// The walk alone, over a list fetched once.
void windowUnderPointWalk(benchmark::State& state) {
    ClickWorld w(static_cast<int>(state.range(0)));
    const auto list = WindowList::copyWindowInfo(WindowList::onScreenOnly, WindowList::kNullWindow);
    Report report(state, w.world);
    for (auto _ : state) {
        auto hit = WindowServer::windowUnderPoint(w.point, std::nullopt, *list);
        if (!hit || hit->id != w.target) return state.SkipWithError("the click missed its window");
        benchmark::DoNotOptimize(hit);
    }
    state.counters["windows"] = double(list->size());
}

// The window list fetched for each click, as the event tap does, and walked.
void windowUnderPointWithList(benchmark::State& state) {
    ClickWorld w(static_cast<int>(state.range(0)));
    Report report(state, w.world);
    for (auto _ : state) {
        const auto list = WindowList::copyWindowInfo(WindowList::onScreenOnly, WindowList::kNullWindow);
        auto hit = WindowServer::windowUnderPoint(w.point, std::nullopt, *list);
        if (!hit || hit->id != w.target) return state.SkipWithError("the click missed its window");
        benchmark::DoNotOptimize(hit);
    }
}

void targetWindowCreation(benchmark::State& state) {
    ClickWorld w(static_cast<int>(state.range(0)));
    const auto element = platform::elementOf(*w.targetWindow);
    Report report(state, w.world);
    for (auto _ : state) {
        auto target = TargetWindow::create(element);
        if (!target) return state.SkipWithError("the window was not a target");
        benchmark::DoNotOptimize(target);
    }
}

// The whole road: the window under the pointer, its element among its application's
// windows, its TargetWindow, and whether the click lies in its title bar.
void resolution(benchmark::State& state) {
    ClickWorld w(static_cast<int>(state.range(0)));
    Report report(state, w.world);
    for (auto _ : state) {
        const auto list = WindowList::copyWindowInfo(WindowList::onScreenOnly, WindowList::kNullWindow);
        const auto hit = WindowServer::windowUnderPoint(w.point, std::nullopt, *list);
        const auto element = hit ? windowElement(hit->id, hit->processIdentifier) : std::nullopt;
        const auto target = element ? TargetWindow::create(*element) : std::nullopt;
        if (!target || !target->titleBarContains(w.point)) return state.SkipWithError("the click was not resolved");
        benchmark::DoNotOptimize(target);
    }
}

BENCHMARK(windowUnderPointWalk)->Arg(20)->Arg(200);
BENCHMARK(windowUnderPointWithList)->Arg(20)->Arg(200);
BENCHMARK(targetWindowCreation)->Arg(20)->Arg(200);
BENCHMARK(resolution)->Arg(20)->Arg(200);

}  // namespace
}  // namespace furlpane::bench

BENCHMARK_MAIN();
