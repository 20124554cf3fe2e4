#pragma once

// What the tests of the ledger's recovery and of the engine's restores share: a world on
// a small display with an editor whose windows the cases change, the program's settings
// and ledger kept in a real defaults file of a folder of the test's own, a one-sample
// renderer in the program's place, and the engine over them.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "engine_test_support.h"
#include "platform/accessibility/world_elements.h"
#include "platform/defaults/file_user_defaults.h"
#include "platform/desktop/desktop.h"
#include "platform/notifications/distributed_notification_center.h"
#include "platform/plist/xml.h"
#include "platform/runtime/main_loop.h"
#include "platform/services/bundle.h"
#include "settings/model/action_rules.h"
#include "settings/model/preferences.h"
#include "tests/support/temp_folder.h"
#include "tests/transitions/renderer_test_support.h"
#include "transitions/driver/stand_in_transition.h"
#include "transitions/renderer_testing.h"
#include "windows/access/accessibility_elements.h"
#include "windows/access/target_window.h"
#include "windows/changed/window_ledger.h"
#include "windows/engine/ledger_recovery.h"
#include "windows/engine/window_effects.h"

// Stored values print as their property list in failure messages.
namespace platform::plist {
inline void PrintTo(const Value& value, std::ostream* os) { *os << toXml(value).value_or("(no property list)"); }
inline void PrintTo(const Dictionary& dictionary, std::ostream* os) { PrintTo(Value(dictionary), os); }
}  // namespace platform::plist

namespace engine_test {

using platform::plist::Array;
using platform::plist::Dictionary;
using platform::plist::Value;
using Waiting = LedgerRecovery::Waiting;

inline Value minimizedEntry(const desktop::Window& window) {
    return LedgerEntry{window.number(), window.pid(), LedgerEntry::Minimized{}}.encoded();
}
inline Value collapsedEntry(const desktop::Window& window, double height, std::optional<double> collapsedHeight) {
    return LedgerEntry{window.number(), window.pid(), LedgerEntry::Collapsed{height, collapsedHeight}}.encoded();
}

// One run of the program on one world: made fresh for each case (a table's row included),
// torn down with every transition and task it left.
class Scene {
public:
    // `windows` editor windows of 300 × 200 side by side, each made in front of the ones
    // before it (the last one frontmost).
    explicit Scene(int windows = 3, std::optional<int32_t> ledgerOwner = std::nullopt)
        : editor(makeEditor(windows)),
          numbers_(numbersOf(editor)),
          ledger(std::make_shared<WindowLedger>(*defaults, ledgerOwner.value_or(world.ownProcessIdentifier()))) {
        systemWideElement().setMessagingTimeout(0.25f);
        furlpane::testing::replaceSharedRenderer(renderer);
        // Changes cut to their stand-ins: what the cases look at is where windows end up.
        preferences->setAnimatesTransitions(false);
        Preferences::setShared(preferences);
        ActionRules::setShared(std::make_shared<ActionRules>(*defaults));
        WindowLedger::setShared(ledger);
        WindowEffects::setShared(engine);
        platform::DistributedNotificationCenter::defaultCenter().reset();
    }
    ~Scene() {
        while (!StandInTransition::running().empty())
            StandInTransition::running().front()->finish(StandInTransition::Completion::cutShort);
        WindowEffects::setShared(nullptr);
        engine.reset();
        loop.runUntilIdle();
        WindowLedger::setShared(nullptr);
        ActionRules::setShared(nullptr);
        Preferences::setShared(nullptr);
        furlpane::testing::restoreSharedRenderer();
        platform::DistributedNotificationCenter::defaultCenter().reset();
    }
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    MainLoop loop{ClockKind::simulated};
    desktop::Desktop world{loop, {.displays = {{.frame = {0, 0, 1280, 800}, .backingScaleFactor = 1}}}};
    furlpane_test::TempFolder folder;
    std::unique_ptr<platform::FileUserDefaults> defaults =
        platform::FileUserDefaults::create(platform::kProgramDefaultsDomain, folder.path());
    std::shared_ptr<Preferences> preferences = Preferences::create(*defaults);
    std::shared_ptr<TransitionRenderer> renderer = furlpane::testing::makeRenderer(1, 1);
    std::shared_ptr<WindowEffects> engine = WindowEffects::create(*preferences);
    desktop::Application& editor;

private:
    std::vector<uint32_t> numbers_;

public:
    std::shared_ptr<WindowLedger> ledger;

    // The editor's window made i-th (the application's list follows the stacking order).
    desktop::Window& window(size_t i) const { return *world.windowRecord(numbers_.at(i)); }
    TargetWindow target(const desktop::Window& window) const {
        return TargetWindow::create(platform::elementOf(window)).value();
    }

    // Sends the window into the Dock as an earlier instance did, and lets the trip end.
    void inDock(desktop::Window& window) {
        window.minimize();
        settle();
    }
    // Lets every trip, transition and release run out.
    void settle(double seconds = 3) {
        loop.advance(seconds);
        loop.runUntilIdle();
    }

    void store(const Dictionary& owners) { defaults->set(WindowLedger::kDefaultsKey, owners); }
    // The ledger as a fresh read of the defaults file finds it (empty when it is gone).
    Dictionary stored() const {
        auto reread = platform::FileUserDefaults::create(platform::kProgramDefaultsDomain, folder.path());
        const auto value = reread->storedObject(WindowLedger::kDefaultsKey);
        return value && value->dictionary() ? *value->dictionary() : Dictionary{};
    }
    void recover(Waiting waiting) { LedgerRecovery(*ledger, engine).recover(waiting); }

private:
    static std::vector<uint32_t> numbersOf(const desktop::Application& application) {
        std::vector<uint32_t> numbers;
        for (const auto* window : application.windows()) numbers.push_back(window->number());
        std::sort(numbers.begin(), numbers.end());  // the order they were made in
        return numbers;
    }
    desktop::Application& makeEditor(int windows) {
        auto builder = world.application("com.example.Editor");
        for (int i = 0; i < windows; ++i)
            builder.window({.title = "Draft " + std::to_string(i), .frame = Rect{40.0 + 320 * i, 120, 300, 200}});
        return builder.add();
    }
};

}  // namespace engine_test
