// The event tap's callback, which the window server holds every click and key press on
// the desktop for: what an event that is no trigger costs on its way through (a mouse
// move, an ordinary press in a window's content, its release and a right click, keys
// without shortcuts and modifier changes), and what a title-bar double-click costs up to
// its dispatch to the engine; on a desktop of 20 and of 200 windows, with the factory
// rules (0) and with every trigger watched and a shortcut recorded (1).
//
//   bench_trigger_tap [benchmark flags]
//
// A press is the one event that may cost more than the others: while the minimize
// button is watched, every left press reads the window list to find the window under
// the pointer, whose cost grows with the number of windows.
//
// Each benchmark reports the time of one callback ("us_per_event", the goal being
// 10 µs for an event that passes), its share of that goal ("goal_share"), and the
// accessibility requests one event sends ("ax_requests"), the goal for passing events
// being none: a request to an application that does not answer costs the messaging
// timeout (0.25 s), however fast the code around it is. Only the callback is timed; the
// engine's jobs that a trigger queues run outside the timing.

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "document_desktop.h"
#include "platform/defaults/user_defaults.h"
#include "platform/desktop/desktop.h"
#include "platform/events/event_record.h"
#include "platform/runtime/main_loop.h"
#include "settings/model/action_rules.h"
#include "settings/model/preferences.h"
#include "triggers/trigger_tap.h"
#include "windows/access/accessibility_elements.h"
#include "windows/changed/window_ledger.h"
#include "windows/engine/window_effects.h"

namespace furlpane::bench {
namespace {

using platform::EventRecord;
using platform::EventType;
using platform::Point;
using platform::Rect;
namespace desktop = platform::desktop;
namespace flags = platform::event_flags;

constexpr double kGoalMicroseconds = 10.0;

// Which triggers the tap watches: those of the factory rules (the title-bar double-clicks
// without Command), or every one (the minimize button and Command-M acting themselves,
// the double taps on) with a shortcut recorded, the most an event can be asked about.
enum class Watched { factory = 0, everything = 1 };

// A desktop of `windows` document windows with the tap installed.
struct TapWorld {
    explicit TapWorld(const benchmark::State& state) : TapWorld(int(state.range(0)), Watched(state.range(1))) {}
    TapWorld(int windows, Watched watched) {
        systemWideElement().setMessagingTimeout(0.25f);
        Preferences::setShared(preferences);
        ActionRules::setShared(rules);
        WindowLedger::setShared(std::make_unique<WindowLedger>(defaults, world.ownProcessIdentifier()));
        addDocumentWindows(world, windows);
        if (watched == Watched::everything) watchEverything();
        tap->update();
        for (auto* w : world.windowsFrontToBack()) {
            if (w->layer() == 0 && w->isAccessible() && w->pid() != world.ownProcessIdentifier()) {
                front = w;
                break;
            }
        }
        // Keys go to the front window's application, in front.
        front->owner().activate();
        loop.runUntilIdle();
    }
    ~TapWorld() {
        tap.reset();
        engine.reset();
        loop.runUntilIdle();
        WindowLedger::setShared(nullptr);
        ActionRules::setShared(nullptr);
        Preferences::setShared(nullptr);
    }

    void watchEverything() {
        for (const Trigger trigger : {Trigger::minimizeButton, Trigger::commandM, Trigger::commandTitleBarDoubleClick,
                                      Trigger::commandDoubleTap, Trigger::controlDoubleTap}) {
            rules->setTriggerSetting(std::nullopt, trigger, {WindowAction::minimizeInPlace, true});
        }
        rules->addHotkeyBinding(std::nullopt);
        const auto slot = rules->standard().hotkeys.back().id;
        const Hotkey controlOptionK{40, flags::control | flags::option, "K"};
        rules->modifySettings(std::nullopt, ActionRules::setHotkey(slot, controlOptionK));
    }

    // An event as the window server hands it to the tap, aimed at the front window.
    EventRecord event(EventRecord record) const {
        record.setIntegerValueField(platform::EventField::eventTargetUnixProcessID, front->pid());
        return record;
    }

    platform::MainLoop loop{platform::ClockKind::simulated};
    desktop::Desktop world{loop};
    platform::UserDefaults defaults{"com.brindlewick.FurlpaneNovan.bench"};
    std::shared_ptr<Preferences> preferences = Preferences::create(defaults);
    std::shared_ptr<ActionRules> rules = std::make_shared<ActionRules>(defaults);
    std::shared_ptr<WindowEffects> engine = WindowEffects::create(*preferences);
    std::shared_ptr<TriggerTap> tap = TriggerTap::create(preferences, rules, engine);
    desktop::Window* front = nullptr;
};

// Times each callback alone over the events in turn; whether each was swallowed must be
// as expected. The loop runs between callbacks (untimed), so that what a trigger
// queues is done before the next event.
void runEvents(benchmark::State& state, TapWorld& w, const std::vector<EventRecord>& events, bool swallowed) {
    const uint64_t requests = w.world.accessibilityRequestCount();
    size_t next = 0;
    uint64_t count = 0;
    double seconds = 0;
    for (auto _ : state) {
        const EventRecord& event = events[next];
        next = (next + 1) % events.size();
        const auto start = std::chrono::steady_clock::now();
        auto answer = TriggerTap::eventCallback(nullptr, event.type(), event, w.tap.get());
        const auto end = std::chrono::steady_clock::now();
        const double taken = std::chrono::duration<double>(end - start).count();
        state.SetIterationTime(taken);
        seconds += taken;
        if (answer.has_value() == swallowed) return state.SkipWithError("an event met the wrong fate");
        benchmark::DoNotOptimize(answer);
        w.loop.runUntilIdle();
        ++count;
    }
    const double n = double(std::max<uint64_t>(count, 1));
    state.counters["ax_requests"] = double(w.world.accessibilityRequestCount() - requests) / n;
    state.counters["us_per_event"] = seconds / n * 1e6;
    state.counters["goal_share"] = seconds / n * 1e6 / kGoalMicroseconds;
}

Point contentPoint(const desktop::Window& w) { return {w.frame().minX() + 400, w.frame().minY() + 300}; }
Point titlePoint(const desktop::Window& w) { return {w.frame().minX() + 400, w.frame().minY() + 10}; }

void mouseMoves(benchmark::State& state) {
    TapWorld w(state);
    runEvents(state, w, {w.event(EventRecord::mouse(EventType::mouseMoved, contentPoint(*w.front)))}, false);
}

void ordinaryPresses(benchmark::State& state) {
    TapWorld w(state);
    runEvents(state, w, {w.event(EventRecord::mouse(EventType::leftMouseDown, contentPoint(*w.front), 0, 1))}, false);
}

void releasesAndRightClicks(benchmark::State& state) {
    TapWorld w(state);
    const Point at = contentPoint(*w.front);
    runEvents(state, w,
              {w.event(EventRecord::mouse(EventType::leftMouseUp, at, 0, 1)),
               w.event(EventRecord::mouse(EventType::rightMouseDown, at, 0, 1))},
              false);
}

void keysWithoutShortcuts(benchmark::State& state) {
    TapWorld w(state);
    runEvents(state, w,
              {w.event(EventRecord::key(EventType::keyDown, 0)), w.event(EventRecord::key(EventType::keyUp, 0)),
               w.event(EventRecord::flagsChanged(flags::shift, 56)),
               w.event(EventRecord::key(EventType::keyDown, 40, flags::shift)),
               w.event(EventRecord::key(EventType::keyUp, 40, flags::shift)),
               w.event(EventRecord::flagsChanged(0, 56))},
              false);
}

// The second press of a double-click on the front window's title bar, up to the
// dispatch of its trigger; the action does nothing, so that every iteration resolves
// the same window.
void titleBarDoubleClicks(benchmark::State& state) {
    TapWorld w(state);
    w.rules->setTriggerSetting(std::nullopt, Trigger::titleBarDoubleClick, {WindowAction::doNothing, true});
    runEvents(state, w, {w.event(EventRecord::mouse(EventType::leftMouseDown, titlePoint(*w.front), 0, 2))}, true);
}

void desktops(benchmark::internal::Benchmark* b) {
    b->ArgNames({"windows", "watched"})->UseManualTime();
    for (int64_t windows : {20, 200}) {
        for (int64_t watched : {0, 1}) b->Args({windows, watched});
    }
}

BENCHMARK(mouseMoves)->Apply(desktops);
BENCHMARK(ordinaryPresses)->Apply(desktops);
BENCHMARK(releasesAndRightClicks)->Apply(desktops);
BENCHMARK(keysWithoutShortcuts)->Apply(desktops);
BENCHMARK(titleBarDoubleClicks)->Apply(desktops);

}  // namespace
}  // namespace furlpane::bench

BENCHMARK_MAIN();
