#pragma once

// What the event tap's tests share: a desktop with the program, its settings, rules,
// engine and ledger of their own, a trigger tap over them, and input injected through
// the world's tap host with the fate of every event read back.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/defaults/user_defaults.h"
#include "platform/desktop/desktop.h"
#include "platform/events/event_router.h"
#include "platform/runtime/task.h"
#include "settings/model/action_rules.h"
#include "settings/model/preferences.h"
#include "tests/transitions/renderer_test_support.h"
#include "transitions/driver/stand_in_transition.h"
#include "transitions/renderer_testing.h"
#include "triggers/trigger_tap.h"
#include "triggers_test_support.h"
#include "windows/access/accessibility_elements.h"
#include "windows/changed/window_ledger.h"
#include "windows/engine/window_effects.h"

namespace triggers_test {

using furlpane::ActionRules;
using furlpane::Preferences;
using furlpane::Trigger;
using furlpane::TriggerSetting;
using furlpane::TriggerTap;
using furlpane::WindowAction;
using furlpane::WindowEffects;
using platform::EventFate;
using platform::Point;
using platform::Rect;

inline constexpr const char* kEditor = "com.example.Editor";

class TapTest : public TriggersTest {
protected:
    TapTest() {
        // Changes show their stand-ins without drawing transitions, on a cheap renderer.
        furlpane::testing::replaceSharedRenderer(furlpane::testing::makeRenderer(1, 2));
        preferences->setConcealsMinimizeAnimation(false);
        furlpane::systemWideElement().setMessagingTimeout(0.25f);
        Preferences::setShared(preferences);
        ActionRules::setShared(rules);
        furlpane::WindowLedger::setShared(
            std::make_unique<furlpane::WindowLedger>(defaults, world.ownProcessIdentifier()));
    }
    // The engine goes first, so that the triggers still held up on its chain are dropped.
    ~TapTest() override {
        tap.reset();
        engine.reset();
        if (gate_) gate_->resumeAll();
        loop.runUntilIdle();
        while (!furlpane::StandInTransition::running().empty()) {
            furlpane::StandInTransition::running().front()->finish(furlpane::StandInTransition::Completion::cutShort);
        }
        loop.runUntilIdle();
        furlpane::testing::restoreSharedRenderer();
        furlpane::WindowLedger::setShared(nullptr);
        ActionRules::setShared(nullptr);
        Preferences::setShared(nullptr);
    }

    platform::UserDefaults defaults{"com.brindlewick.FurlpaneNovan.tests"};
    std::shared_ptr<Preferences> preferences = Preferences::create(defaults);
    std::shared_ptr<ActionRules> rules = std::make_shared<ActionRules>(defaults);
    std::shared_ptr<WindowEffects> engine = WindowEffects::create(*preferences);
    std::shared_ptr<TriggerTap> tap = TriggerTap::create(preferences, rules, engine);

    // An application with the given windows, frontmost.
    desktop::Application& application(std::vector<desktop::WindowDescription> windows,
                                      const std::string& id = kEditor) {
        auto builder = world.application(id);
        builder.named(id.substr(id.rfind('.') + 1));
        for (auto& description : windows) builder.window(std::move(description));
        return builder.add();
    }
    // The one window of a new editor, at 100, 100, 800 × 600 unless the WindowDescription gives a frame.
    desktop::Window& window(desktop::WindowDescription description = {.title = "Report"},
                            const std::string& id = kEditor) {
        if (!description.frame) description.frame = Rect{100, 100, 800, 600};
        return *application({std::move(description)}, id).windows()[0];
    }
    // Installs the tap (the program is trusted).
    void install() {
        tap->update();
        ASSERT_TRUE(tap->isInstalled());
    }
    void setTrigger(Trigger trigger, WindowAction action, bool enabled = true,
                    ActionRules::BundleIdentifier application = std::nullopt) {
        rules->setTriggerSetting(application, trigger, TriggerSetting{action, enabled});
    }
    void addRule(const std::string& application) { rules->addApplication(application, application); }

    // Injects the events a second after whatever came before (so that click counts start
    // afresh), lets the loop run, and says what became of each.
    std::vector<EventFate> inject(const std::vector<EventRecord>& events) {
        loop.advance(1.0);
        const auto ids = platform::injectEvents(events);
        loop.runUntilIdle();
        std::vector<EventFate> fates;
        for (uint64_t id : ids) fates.push_back(platform::EventRouter::of(world).find(id)->fate);
        return fates;
    }
    std::vector<EventFate> doubleClick(Point point, EventFlags held = 0) {
        return inject(platform::input_sequences::doubleClick(point, held));
    }
    std::vector<EventFate> click(Point point, EventFlags held = 0) {
        return inject(platform::input_sequences::click(point, held));
    }
    // A press here and its release there.
    std::vector<EventFate> pressAndRelease(Point press, Point release, EventFlags held = 0) {
        return inject({EventRecord::mouse(EventType::leftMouseDown, press, held),
                       EventRecord::mouse(EventType::leftMouseUp, release, held)});
    }

    // Points of a window at 100, 100: in its title bar, on its minimize button (its
    // frame is 29, 7, 14 × 14 in the window), in its content.
    static Point titleBarOf(const desktop::Window& w) { return {w.frame().minX() + 300, w.frame().minY() + 10}; }
    static Point minimizeButtonOf(const desktop::Window& w) {
        return {w.frame().minX() + 36, w.frame().minY() + 14};
    }
    static Point contentOf(const desktop::Window& w) { return {w.frame().minX() + 300, w.frame().minY() + 300}; }

    // Holds the engine's chain, as a change under way does, so that the triggers queued
    // behind it stay counted in changesWaiting until releaseChain.
    void holdChain() {
        gate_ = std::make_shared<platform::ContinuationList>();
        engine->onMainActor(WindowEffects::Job([gate = gate_](WindowEffects&) { return waitOn(gate); }));
    }
    void releaseChain() {
        if (gate_) gate_->resumeAll();
        gate_.reset();
        settle();
    }
    // Lets the changes under way run to their end, trips into the Dock included.
    void settle() {
        for (int i = 0; i < 40; ++i) loop.advance(0.1);
        loop.runUntilIdle();
    }

    uint64_t requests() const { return world.accessibilityRequestCount(); }
    int waiting(int32_t pid) const {
        const auto found = tap->changesWaiting().find(pid);
        return found == tap->changesWaiting().end() ? 0 : found->second;
    }

private:
    static platform::Task<void> waitOn(std::shared_ptr<platform::ContinuationList> gate) {
        auto waiting = gate->wait();
        co_await waiting;
    }
    std::shared_ptr<platform::ContinuationList> gate_;

protected:
    static constexpr EventFate kSwallowed = EventFate::swallowed;
    static constexpr EventFate kDelivered = EventFate::deliveredToApplication;
};

}  // namespace triggers_test
