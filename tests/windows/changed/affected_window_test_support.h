#pragma once

// What the changed-window tests share: a small display (so that transitions draw cheap
// frames), a one-sample renderer in the program's place, the settings, rules and ledger
// kept in a defaults file of a folder of the test's own, the recording engine, and the
// road of a change as the engine drives it.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "changed_test_support.h"
#include "platform/defaults/file_user_defaults.h"
#include "platform/notifications/distributed_notification_center.h"
#include "settings/model/action_rules.h"
#include "settings/model/preferences.h"
#include "tests/support/temp_folder.h"
#include "tests/transitions/renderer_test_support.h"
#include "transitions/driver/stand_in_transition.h"
#include "transitions/renderer_testing.h"
#include "windows/access/own_windows.h"
#include "windows/changed/affected_window.h"
#include "windows/changed/window_ledger.h"

namespace changed_test {

using Style = WindowState::Style;
using StandIn = AffectedWindow::StandIn;
using platform::DistributedNotificationCenter;
using platform::plist::Dictionary;
using platform::plist::Value;

inline const WindowState kNormal{};
inline const WindowState kShaded{Style::shaded, false};
inline const WindowState kMinimizedInPlace{Style::minimizedInPlace, false};
inline const WindowState kFloating{std::nullopt, true};

inline StandIn standInFor(Style style) { return style == Style::shaded ? StandIn::titleStrip : StandIn::thumbnail; }

// The road of a change into a style as the engine drives it: true when the stand-in was
// installed (and the style then set). Floating is settled last, once the style is in.
inline Task<bool> changeInto(std::shared_ptr<AffectedWindow> window, WindowState goal,
                             std::optional<Point> placement = std::nullopt) {
    auto leaving = window->changeState(goal, Raising::inPlace);
    const bool changed = co_await leaving;
    bool shown = false;
    if (changed && goal.style) {
        const StandIn kind = standInFor(*goal.style);
        auto capturing = window->capturePicture(kind, {});
        const auto pictures = co_await capturing;
        const auto trip = pictures ? window->presentStandIn(kind, *pictures, placement, {}) : std::nullopt;
        shown = trip && window->runStandInTransition(*trip);
    }
    if (shown) {
        WindowState reached = window->state();
        reached.style = goal.style;
        window->setState(reached);
    }
    auto floating = window->setFloating(goal, Raising::inPlace);
    co_await floating;
    co_return shown;
}

// The road back to normal.
inline Task<void> changeBack(std::shared_ptr<AffectedWindow> window, Raising raising = Raising::inPlace) {
    auto leaving = window->changeState(kNormal, raising);
    co_await leaving;
    auto floating = window->setFloating(kNormal, raising);
    co_await floating;
}

class AffectedWindowTest : public ChangedTest {
protected:
    AffectedWindowTest() {
        world.displays().set({{.frame = {0, 0, 640, 400}, .backingScaleFactor = 1, .name = "Main"}});
        furlpane::testing::replaceSharedRenderer(renderer);
        Preferences::setShared(preferencesObject);
        ActionRules::setShared(std::make_shared<ActionRules>(*defaults));
        WindowLedger::setShared(std::make_shared<WindowLedger>(*defaults, ownProcessIdentifier()));
        DistributedNotificationCenter::defaultCenter().reset();
    }
    ~AffectedWindowTest() override {
        windows.clear();
        while (!StandInTransition::running().empty())
            StandInTransition::running().front()->finish(StandInTransition::Completion::cutShort);
        loop.runUntilIdle();
        WindowLedger::setShared(nullptr);
        ActionRules::setShared(nullptr);
        Preferences::setShared(nullptr);
        furlpane::testing::restoreSharedRenderer();
        DistributedNotificationCenter::defaultCenter().reset();
    }

    furlpane_test::TempFolder folder;
    std::unique_ptr<platform::FileUserDefaults> defaults =
        platform::FileUserDefaults::create(platform::kProgramDefaultsDomain, folder.path());
    std::shared_ptr<Preferences> preferencesObject = Preferences::create(*defaults);
    Preferences& preferences = *preferencesObject;
    std::shared_ptr<TransitionRenderer> renderer = furlpane::testing::makeRenderer(1, 2);
    std::shared_ptr<RecordingEngine> engine = std::make_shared<RecordingEngine>();
    std::vector<std::shared_ptr<AffectedWindow>> windows;

    // The editor's window "Draft" at a top-left frame, with an icon of its own.
    desktop::Window& editorWindow(Rect frame = {100, 120, 200, 150}) {
        auto builder = world.application("com.example.Editor");
        builder.named("Editor").icon(solid(32, 32, platform::Color::rgb(0.2, 0.6, 0.3)));
        builder.window({.title = "Draft", .frame = frame});
        return *builder.add().windows()[0];
    }
    std::shared_ptr<AffectedWindow> changedWindow(const desktop::Window& window) {
        windows.push_back(AffectedWindow::create(*target(window), engine));
        return windows.back();
    }

    template <class T>
    T run(Task<T> task) {
        auto result = platform::runToCompletion(loop, std::move(task));
        EXPECT_TRUE(result.has_value());
        return result ? std::move(*result) : T{};
    }
    void run(Task<void> task) { EXPECT_TRUE(platform::runToCompletion(loop, std::move(task))); }
    // Lets every trip, transition and release run out.
    void settle() {
        loop.advance(3);
        loop.runUntilIdle();
    }

    // The will-change notifications posted so far, as (old, new, collapsed).
    std::vector<std::string> announced() const {
        std::vector<std::string> lines;
        for (const auto& n : DistributedNotificationCenter::defaultCenter().posted()) {
            if (n.name != AffectedWindow::kWillChangeNotification) continue;
            lines.push_back(std::to_string(*n.userInfo.find("OldState")->integer()) + " -> " +
                            std::to_string(*n.userInfo.find("NewState")->integer()) +
                            (*n.userInfo.find("IsCollapsed")->boolean() ? " collapsed" : ""));
        }
        return lines;
    }
    // The ledger as a fresh read of the defaults file finds it.
    std::optional<Value> storedLedger() const {
        auto reread = platform::FileUserDefaults::create(platform::kProgramDefaultsDomain, folder.path());
        return reread->storedObject(WindowLedger::kDefaultsKey);
    }
};

}  // namespace changed_test
